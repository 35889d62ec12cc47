#pragma once

#include <cstdint>

#include "platform/FileTime.h"

namespace test_time {

// A device time from its calendar fields; all zero when the fields name no valid time.
inline FILETIME At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  SYSTEMTIME parts;
  parts.wYear = static_cast<uint16_t>(year);
  parts.wMonth = static_cast<uint16_t>(month);
  parts.wDay = static_cast<uint16_t>(day);
  parts.wHour = static_cast<uint16_t>(hour);
  parts.wMinute = static_cast<uint16_t>(minute);
  parts.wSecond = static_cast<uint16_t>(second);
  FILETIME time;
  return filetime::FromSystemTime(parts, time) ? time : FILETIME{};
}

// The calendar fields of a device time.
inline SYSTEMTIME Fields(const FILETIME& time) {
  SYSTEMTIME fields{};
  filetime::ToSystemTime(time, fields);
  return fields;
}

}  // namespace test_time
