#pragma once

class CommandRegistry;

namespace patient_commands {

// The new-patient button: "Add Patient" with the input panel raised; on OK the patient is
// stored and the patient list refilled with its first row selected.
void Register(CommandRegistry& commands);

}  // namespace patient_commands
