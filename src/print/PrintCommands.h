#pragma once

class CommandRegistry;

namespace print_commands {

// "Print Log": the patient log on the printer with the program's page settings.
void Register(CommandRegistry& commands);

}  // namespace print_commands
