#pragma once

#include <QSize>

#include "common/ui/WindowRoom.h"

// The screen the program was laid out for, and the program's full-screen pictures.
namespace device_screen {

// The hand-held's 240 x 320 screen, doubled to be readable on a desktop.
inline QSize Size() {
  return window_room::HandHeldSize();
}

// The start-up picture, shown by the splash and under the password prompt: full colour for
// displays of more than 4 bits per pixel, black and white for others.
inline constexpr const char* kDeepPicture = ":/pictures/splash.svg";
inline constexpr const char* kShallowPicture = ":/pictures/splash_mono.svg";

}  // namespace device_screen
