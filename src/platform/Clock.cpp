#include "platform/Clock.h"

#include <QDateTime>
#include <mutex>

namespace clock_source {
namespace {

struct State {
  std::mutex mutex;
  bool fixed = false;
  uint64_t ticks = 0;
  uint64_t stepTicks = 0;
};

State& Shared() {
  static State state;
  return state;
}

FILETIME SystemNow() {
  // The device keeps local time: take the local wall-clock fields.
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  const QTime time = now.time();
  SYSTEMTIME parts;
  parts.wYear = static_cast<uint16_t>(date.year());
  parts.wMonth = static_cast<uint16_t>(date.month());
  parts.wDay = static_cast<uint16_t>(date.day());
  parts.wHour = static_cast<uint16_t>(time.hour());
  parts.wMinute = static_cast<uint16_t>(time.minute());
  parts.wSecond = static_cast<uint16_t>(time.second());
  parts.wMilliseconds = static_cast<uint16_t>(time.msec());
  FILETIME result;
  filetime::FromSystemTime(parts, result);
  return result;
}

}  // namespace

FILETIME Now() {
  State& state = Shared();
  std::lock_guard lock(state.mutex);
  if (!state.fixed) {
    return SystemNow();
  }
  state.ticks += state.stepTicks;
  return filetime::FromTicks(state.ticks);
}

void Fix(const FILETIME& now) {
  State& state = Shared();
  std::lock_guard lock(state.mutex);
  state.fixed = true;
  state.ticks = filetime::ToTicks(now);
}

void Advance(uint64_t milliseconds) {
  State& state = Shared();
  std::lock_guard lock(state.mutex);
  state.ticks += milliseconds * filetime::kTicksPerMillisecond;
}

void SetStepPerRead(uint64_t milliseconds) {
  State& state = Shared();
  std::lock_guard lock(state.mutex);
  state.stepTicks = milliseconds * filetime::kTicksPerMillisecond;
}

void UseSystemTime() {
  State& state = Shared();
  std::lock_guard lock(state.mutex);
  state.fixed = false;
  state.stepTicks = 0;
}

}  // namespace clock_source
