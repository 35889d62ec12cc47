#include "chart/MedsCommands.h"

#include <QDialog>

#include "chart/CAddMedsDlg.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtension.h"
#include "common/ui/CTabPage.h"
#include "common/ui/InputPanel.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "store/CDBMeds.h"

namespace meds_commands {
namespace {

void OnAddMeds(CommandContext& context) {
  AddMedication(context.host, context.window);
}

}  // namespace

bool AddMedication(IPageHost& host, QWidget* window) {
  CAddMedsDlg dialog(0, 0, window);
  bool entered = false;
  {
    input_panel::RaisedScope raised;
    entered = dialog.DoModal() == QDialog::Accepted;
  }
  if (!entered) {
    return false;
  }
  CDBMeds meds;
  meds.patient = host.CurrentPatient();
  dialog.SaveTo(meds);
  const bool stored = meds.AddNew(false);
  if (!stored) {
    messages::Show(strings::Load(ids::kMedicationNotSaved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
  if (CTabPage* page = host.Tabs().GetPage(strings::Load(ids::kTabMeds))) {
    page->OnSetActive();
  }
  return stored;
}

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kAddMeds, OnAddMeds);
}

}  // namespace meds_commands
