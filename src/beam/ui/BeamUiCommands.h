#pragma once

class CommandRegistry;

// The File menu's beam commands: "Receive Beam...", "Beam", "Beam Categories" and
// "Beam Checkout List...", and "Pair Device..." that makes beaming between machines secure.
namespace beam_ui {

void Register(CommandRegistry& commands);

}  // namespace beam_ui
