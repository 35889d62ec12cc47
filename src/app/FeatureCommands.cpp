#include "app/FeatureCommands.h"

#include "chart/VsTestsCommands.h"
#include "patients/PatientCommands.h"
#include "print/PrintCommands.h"

void RegisterFeatureCommands(CommandRegistry& commands) {
  patient_commands::Register(commands);
  print_commands::Register(commands);
  vs_tests_commands::Register(commands);
}
