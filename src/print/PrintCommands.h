#pragma once

class CommandRegistry;

namespace print_commands {

// "Print Log": the patient log on the printer with the program's page settings; "Print Checkout
// List...": the summaries of the patients marked in the "Print Checkout List" dialog.
void Register(CommandRegistry& commands);

}  // namespace print_commands
