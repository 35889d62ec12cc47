#include "patients/PatientCommands.h"

#include <QDialog>

#include "common/CDBPatient.h"
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
    patient.CreateRecord(false);
    context.host.RefillPatientList(false, false);
  }
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kNewPatient, OnNewPatient);
}

}  // namespace patient_commands
