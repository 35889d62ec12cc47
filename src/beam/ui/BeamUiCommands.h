#pragma once

class CommandRegistry;

// The File menu's beam commands: "Receive Beam...", "Beam", "Beam Categories" and
// "Beam Checkout List...".
namespace beam_ui {

void Register(CommandRegistry& commands);

}  // namespace beam_ui
