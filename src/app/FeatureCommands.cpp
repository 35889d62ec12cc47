#include "app/FeatureCommands.h"

#include "beam/ui/BeamUiCommands.h"
#include "patients/PatientCommands.h"
#include "print/PrintCommands.h"

void RegisterFeatureCommands(CommandRegistry& commands) {
  patient_commands::Register(commands);
  print_commands::Register(commands);
  beam_ui::Register(commands);
}
