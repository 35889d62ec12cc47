#pragma once

class CommandRegistry;

namespace note_commands {

// The new-note button: with the input panel raised, "Add Note" for the note's date, time and
// type, then that type's note sheet; a saved sheet's note is stored for the current patient and
// the "Notes" page reloaded.
void Register(CommandRegistry& commands);

}  // namespace note_commands
