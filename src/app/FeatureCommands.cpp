#include "app/FeatureCommands.h"

#include "beam/ui/BeamUiCommands.h"
#include "chart/MedsCommands.h"
#include "chart/VsTestsCommands.h"
#include "notes/NoteCommands.h"
#include "patients/PatientCommands.h"
#include "print/PrintCommands.h"

void RegisterFeatureCommands(CommandRegistry& commands) {
  meds_commands::Register(commands);
  vs_tests_commands::Register(commands);
  note_commands::Register(commands);
  patient_commands::Register(commands);
  print_commands::Register(commands);
  beam_ui::Register(commands);
}
