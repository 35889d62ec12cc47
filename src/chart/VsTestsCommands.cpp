#include "chart/VsTestsCommands.h"

#include <QDialog>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtension.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
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

// A record that did not reach its store is told, never passed over.
void ReportStored(bool stored, int failureId) {
  if (!stored) {
    messages::Show(strings::Load(failureId), messages::Buttons::Ok, messages::Icon::Exclamation);
  }
}

void OnAddLabs(CommandContext& context) {
  CAddLabResultsDlg dialog(context.window);
  dialog.patientName = context.host.CurrentPatient();
  if (!RunRaised(dialog)) {
    return;
  }
  CDBLabValues lab;
  lab.patient = context.host.CurrentPatient();
  lab.group = dialog.labType;
  lab.date = dialog.date;
  lab.time = dialog.time;
  lab.values = dialog.packedValues;
  ReportStored(lab.AddNew(false), ids::kLabSaveFailed);
  if (CVSTestsPage* page = VsTestsPage(context)) {
    page->LabsPage()->OnSetActive();
  }
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
  vitals.patient = context.host.CurrentPatient();
  vitals.date = dialog.date;
  vitals.time = dialog.time;
  vitals.values = dialog.packedValues;
  ReportStored(vitals.AddNew(false), ids::kVitalsSaveFailed);
  if (CVSTestsPage* page = VsTestsPage(context)) {
    page->VitalsPage()->OnSetActive();
  }
}

void OnAddTest(CommandContext& context) {
  CAddTestDlg dialog(context.window);
  if (!RunRaised(dialog)) {
    return;
  }
  CDBTest test;
  test.patient = context.host.CurrentPatient();
  test.date = dialog.date;
  test.time = dialog.time;
  test.test = dialog.testName;
  test.result = dialog.result;
  ReportStored(test.AddNew(false), ids::kTestSaveFailed);
  if (CVSTestsPage* page = VsTestsPage(context)) {
    page->TestsPage()->OnSetActive();
  }
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kAddLabs, OnAddLabs);
  commands.Register(command_ids::kAddVitals, OnAddVitals);
  commands.Register(command_ids::kAddTest, OnAddTest);
}

}  // namespace vs_tests_commands
