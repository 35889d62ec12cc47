#pragma once

class CommandRegistry;
class IPageHost;
class QWidget;

namespace meds_commands {

// The toolbar's add-medication command.
void Register(CommandRegistry& commands);

// Adds a medication for the current patient: "Add Meds" runs with the input panel raised; on OK
// the medication is stored and the "Meds/Rx" page reloaded. Answers whether one was stored (a
// store that fails says so to the user). The view's command and the H&P sheet both add
// medications this way.
bool AddMedication(IPageHost& host, QWidget* window);

}  // namespace meds_commands
