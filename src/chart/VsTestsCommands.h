#pragma once

class CommandRegistry;

namespace vs_tests_commands {

// The toolbar's lab, vitals and test buttons: "Add Lab Results", "Add Vitals" and "Add Test"
// with the input panel raised; on OK the record is stored for the current patient and its
// sub-page of "VS/Tests" reloaded, and after a lab result the "Todo" page too (the lab may have
// left a deferred-lab todo).
void Register(CommandRegistry& commands);

}  // namespace vs_tests_commands
