#pragma once

#include "platform/FileTime.h"

// The one source of "now" for the whole program. It reads the system's local time unless a test
// has fixed it; a fixed clock may also step forward by itself on every read, so that loops that
// wait for time to pass end without real waiting.
namespace clock_source {

FILETIME Now();

void Fix(const FILETIME& now);
void Advance(uint64_t milliseconds);
// Every later read first moves the fixed clock on by this many milliseconds (0 = stand still).
void SetStepPerRead(uint64_t milliseconds);
void UseSystemTime();

}  // namespace clock_source
