#pragma once

#include <QString>

#include "platform/Device.h"

// What the program checks before it shows a device, and what it tells the user when the device is
// damaged. The program must not write to a damaged device: it offers to quit, or, when the files
// can still be read, to open the device read-only (a fresh platform::Device on the same folder,
// with SetReadOnly(true) before its first use).
namespace device_health {

enum class State {
  kSound,     // use the device as it is
  kDamaged,   // a file is damaged: do not write to it
  kUnusable,  // a file cannot be used for a passing reason (no permission, busy): do not start
};

struct Report {
  State state = State::kSound;
  // The files open and read as they are: "Open Read-Only" is safe to offer.
  bool canOpenReadOnly = false;
  // For the message box (caption "Ovelin"): what is wrong, file by file, and what to do. Empty
  // when the device is sound.
  QString message;
  // The findings alone, one line each ("objectstore.db: the file is cut short ..."), for a log.
  QString details;
};

// The quick check (cheap on a large device) of the device's files; it opens the device's
// connections.
Report CheckOnOpen(platform::Device& device);

}  // namespace device_health
