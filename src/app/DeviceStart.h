#pragma once

#include <QString>

namespace platform {
class Device;
}

// What the program does with its device before it shows anything of it: a sound device is used
// as it is; a damaged one is never written to. The person is told what is damaged and may open
// the device read-only when its files can still be read, or quit.
namespace device_start {

enum class Outcome { kUse, kOpenReadOnly, kQuit };

// interactive: ask through the message seam; otherwise (a screenshot run) a damaged device ends
// the program. message receives what is wrong, for the console.
Outcome Check(platform::Device& device, bool interactive, QString& message);

}  // namespace device_start
