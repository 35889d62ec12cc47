#include "patients/PatientCommands.h"

#include <QDialog>

#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "patients/CAddPatientDlg.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"

namespace patient_commands {
namespace {

void OnNewPatient(CommandContext& context) {
  CDBPatient patient;
  bool added = false;
  {
    input_panel::RaisedScope raised;
    CAddPatientDlg dialog(patient, context.window);
    added = ui_seams::RunModal(dialog) == QDialog::Accepted;
  }
  if (added) {
    if (!patient.CreateRecord(false)) {
      messages::Show(strings::Load(ids::kPatientNotAdded), messages::Buttons::Ok,
                     messages::Icon::Exclamation);
    }
    context.host.RefillPatientList(false, false);
  }
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kNewPatient, OnNewPatient);
}

}  // namespace patient_commands
