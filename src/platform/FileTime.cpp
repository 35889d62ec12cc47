#include "platform/FileTime.h"

namespace filetime {
namespace {

// Days between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDays1601To1970 = 134'774;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + static_cast<int64_t>(dayOfEra) - 719'468;
}

void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719'468;
  const int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthPart = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthPart + 2) / 5 + 1;
  month = monthPart < 10 ? monthPart + 3 : monthPart - 9;
  year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

bool IsLeap(unsigned year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

uint64_t ToTicks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(uint64_t ticks) {
  return FILETIME{static_cast<uint32_t>(ticks & 0xFFFF'FFFFu), static_cast<uint32_t>(ticks >> 32)};
}

bool IsZero(const FILETIME& time) {
  return time.dwLowDateTime == 0 && time.dwHighDateTime == 0;
}

bool ToSystemTime(const FILETIME& time, SYSTEMTIME& out) {
  const uint64_t ticks = ToTicks(time);
  if (ticks >= 0x8000'0000'0000'0000ull) {
    return false;
  }
  const auto daysSince1601 = static_cast<int64_t>(ticks / kTicksPerDay);
  const uint64_t ticksOfDay = ticks % kTicksPerDay;
  int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(daysSince1601 - kEpochDays1601To1970, year, month, day);
  out.wYear = static_cast<uint16_t>(year);
  out.wMonth = static_cast<uint16_t>(month);
  out.wDay = static_cast<uint16_t>(day);
  // 1601-01-01 was a Monday.
  out.wDayOfWeek = static_cast<uint16_t>((daysSince1601 + 1) % 7);
  const uint64_t milliseconds = ticksOfDay / kTicksPerMillisecond;
  out.wHour = static_cast<uint16_t>(milliseconds / 3'600'000);
  out.wMinute = static_cast<uint16_t>(milliseconds / 60'000 % 60);
  out.wSecond = static_cast<uint16_t>(milliseconds / 1000 % 60);
  out.wMilliseconds = static_cast<uint16_t>(milliseconds % 1000);
  return true;
}

bool FromSystemTime(const SYSTEMTIME& time, FILETIME& out) {
  if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12 ||
      time.wDay < 1 || time.wDay > DaysInMonth(time.wYear, time.wMonth) || time.wHour > 23 ||
      time.wMinute > 59 || time.wSecond > 59 || time.wMilliseconds > 999) {
    return false;
  }
  const int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kEpochDays1601To1970;
  const uint64_t milliseconds = static_cast<uint64_t>(days) * 86'400'000ull +
                                time.wHour * 3'600'000ull + time.wMinute * 60'000ull +
                                time.wSecond * 1000ull + time.wMilliseconds;
  out = FromTicks(milliseconds * kTicksPerMillisecond);
  return true;
}

}  // namespace filetime
