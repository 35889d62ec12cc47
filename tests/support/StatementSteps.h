#pragma once

// How much work SQLite did for an operation, counted rather than timed: the virtual-machine
// steps of every statement on the current device's connection. Tests compare the steps of one
// operation on a small store and on a large one.

#include <sqlite3.h>

#include "platform/Device.h"

namespace statement_steps {

// The steps summed over every statement of the device's connection since the last call.
inline int64_t SinceLastCall() {
  int64_t steps = 0;
  sqlite3* db = platform::Device::Current()->ObjectStore();
  for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
    steps += sqlite3_stmt_status(s, SQLITE_STMTSTATUS_VM_STEP, 1);
  }
  return steps;
}

}  // namespace statement_steps
