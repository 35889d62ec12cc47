#include "chart/VsTestsCommands.h"

#include <QDialog>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtension.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace vs_tests_commands {
namespace {

// Runs an entry dialog with the input panel raised; true when it ended with OK.
bool RunRaised(QDialog& dialog) {
  input_panel::RaisedScope raised;
  return ui_seams::RunModal(dialog) == QDialog::Accepted;
}

CTabPage* PageTitled(CommandContext& context, int titleId) {
  return context.host.Tabs().GetPage(strings::Load(titleId));
}

CVSTestsPage* VsTestsPage(CommandContext& context) {
  return dynamic_cast<CVSTestsPage*>(PageTitled(context, ids::kTabVsTests));
}

// Files record as a new entry of the current patient at date and time; an entry that did not
// reach its store is told, never passed over.
void AddDated(CDBDatedStore& record, CommandContext& context, const FILETIME& date,
              const FILETIME& time, int failureId) {
  record.patient = context.host.CurrentPatient();
  record.date = date;
  record.time = time;
  if (!record.AddNew(false)) {
    vs_tests_widgets::ReportFailure(failureId);
  } else {
    context.host.Shell().NotifyPatientDataChanged(record.patient);
  }
}

// Reloads a sub-page of "VS/Tests", shown or not.
template <typename SubPage>
void ReloadSubPage(CommandContext& context, SubPage* (CVSTestsPage::*subPage)() const) {
  if (CVSTestsPage* page = VsTestsPage(context)) {
    (page->*subPage)()->OnSetActive();
  }
}

void OnAddLabs(CommandContext& context) {
  CAddLabResultsDlg dialog(context.window);
  dialog.patientName = context.host.CurrentPatient();
  if (!RunRaised(dialog)) {
    return;
  }
  CDBLabValues lab;
  lab.group = dialog.labType;
  lab.values = dialog.packedValues;
  AddDated(lab, context, dialog.date, dialog.time, ids::kLabSaveFailed);
  ReloadSubPage(context, &CVSTestsPage::LabsPage);
  // The lab may have left a deferred-lab todo.
  if (CTabPage* todo = PageTitled(context, ids::kTabTodo)) {
    todo->OnSetActive();
  }
}

void OnAddVitals(CommandContext& context) {
  CAddVitalsDlg dialog(context.window);
  if (!RunRaised(dialog)) {
    return;
  }
  CDBVitals vitals;
  vitals.values = dialog.packedValues;
  AddDated(vitals, context, dialog.date, dialog.time, ids::kVitalsSaveFailed);
  ReloadSubPage(context, &CVSTestsPage::VitalsPage);
}

void OnAddTest(CommandContext& context) {
  CAddTestDlg dialog(context.window);
  if (!RunRaised(dialog)) {
    return;
  }
  CDBTest test;
  test.test = dialog.testName;
  test.result = dialog.result;
  AddDated(test, context, dialog.date, dialog.time, ids::kTestSaveFailed);
  ReloadSubPage(context, &CVSTestsPage::TestsPage);
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kAddLabs, OnAddLabs);
  commands.Register(command_ids::kAddVitals, OnAddVitals);
  commands.Register(command_ids::kAddTest, OnAddTest);
}

}  // namespace vs_tests_commands
