#pragma once

#include <cstdint>

// The device's time types: a FILETIME counts 100-nanosecond units since 1 January 1601 in the
// device's local time; a SYSTEMTIME is the same instant broken down into calendar fields.
struct FILETIME {
  uint32_t dwLowDateTime = 0;
  uint32_t dwHighDateTime = 0;

  friend bool operator==(const FILETIME&, const FILETIME&) = default;
};

struct SYSTEMTIME {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;      // 1-12
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;        // 1-31
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;

  friend bool operator==(const SYSTEMTIME&, const SYSTEMTIME&) = default;
};

namespace filetime {

constexpr uint64_t kTicksPerMillisecond = 10'000;
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;

uint64_t ToTicks(const FILETIME& time);
FILETIME FromTicks(uint64_t ticks);
bool IsZero(const FILETIME& time);

// Both answer false for values outside years 1601-30827 or fields out of range.
bool ToSystemTime(const FILETIME& time, SYSTEMTIME& out);
bool FromSystemTime(const SYSTEMTIME& time, FILETIME& out);

}  // namespace filetime
