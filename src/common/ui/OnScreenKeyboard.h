#pragma once

#include <QRect>

// The input panel's real keyboard: where the platform has no keyboard of its own (a bedside
// touch screen), the program shows Qt's on-screen keyboard when the panel is raised, and the
// panel's height becomes the keyboard's. Where no on-screen keyboard can be shown (it is not
// installed, the screen is offscreen, the person chose another input method), the panel is the
// emulated one: a state and a visible area, as before.
namespace on_screen_keyboard {

// Before the application object exists: picks Qt's on-screen keyboard as the input method when
// it is installed, no other input method was chosen (QT_IM_MODULE), the screen is a real one,
// and the machine has no keyboard of its own, or when OVELIN_ON_SCREEN_KEYBOARD=1 asks for it.
// OVELIN_ON_SCREEN_KEYBOARD=0 keeps it off.
void ChooseBeforeStart();

// Whether the on-screen keyboard is the input method of this run.
bool Available();

// After the application object exists: the keyboard follows the panel's state and the panel
// follows the keyboard (shown or hidden by itself, its height).
void Attach();

// The part of the screen that the shown keyboard covers (global coordinates); empty while no
// on-screen keyboard shows.
QRect KeyboardArea();

// Ends the process with code once the program has finished (every store closed, every option
// written). With the on-screen keyboard, Qt 6.4 destroys the keyboard's window after its display
// connection at process exit and crashes; the process then leaves without that teardown.
// Otherwise it returns code for main to return.
int Leave(int code);

}  // namespace on_screen_keyboard
