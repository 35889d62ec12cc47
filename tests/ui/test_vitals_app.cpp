// The "VS/Tests" tab in the real main window: the shown sub-page across tab changes, and the
// toolbar's lab, vitals and test commands.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/ui/CBaseListCtrl.h"
#include "shell/CommandIds.h"
#include "store/CDBToDo.h"
#include "support/TestTime.h"
#include "test_app_support.h"
#include "test_vitals_support.h"

namespace {

using test_time::At;

// Stands in for the "Todo" page: counts its reloads.
class TodoProbe : public CTabPage {
 public:
  TodoProbe() : CTabPage(135) {}
  bool OnSetActive() override {
    ++reloads;
    return true;
  }
  int reloads = 0;
};

class VsTestsAppTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 4, 9, 30));
    patient_ = app_test::AddPatient(QStringLiteral("Jane"), QStringLiteral("Doe"),
                                    QStringLiteral("Clinic"));
  }

  bool StartOnVsTests() {
    if (!Start()) {
      return false;
    }
    page_ = dynamic_cast<CVSTestsPage*>(Strip()->GetPage(QStringLiteral("VS/Tests")));
    return page_ != nullptr && Strip()->SelectPage(QStringLiteral("VS/Tests")) >= 0;
  }

  // Runs a toolbar command with the next dialog answered by act.
  template <typename Dialog>
  void RunCommand(int commandId, std::function<void(Dialog&)> act) {
    ui_seams::PushModalHandler([act](QDialog& shown) {
      auto* dialog = qobject_cast<Dialog*>(&shown);
      if (dialog == nullptr) {
        return static_cast<int>(QDialog::Rejected);
      }
      act(*dialog);
      return shown.result();
    });
    Frame()->View()->OnCommand(commandId);
  }

  QString patient_;
  CVSTestsPage* page_ = nullptr;
};

TEST_F(VsTestsAppTest, TheShownSubPageSurvivesATabChangeAndIsReloaded) {
  vs_tests_test::AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"), 0, patient_);
  ASSERT_TRUE(StartOnVsTests());
  ASSERT_EQ(Strip()->currentPatient, patient_);
  EXPECT_EQ(page_->CurrentSubPage(), page_->LabsPage());
  page_->OnShowVitals();
  ASSERT_EQ(page_->VitalsPage()->DateList()->count(), 1);

  ASSERT_TRUE(Strip()->SelectPage(0));
  vs_tests_test::AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"), 0, patient_);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("VS/Tests")), 0);
  EXPECT_EQ(page_->CurrentSubPage(), page_->VitalsPage());
  EXPECT_TRUE(page_->VitalsPage()->isVisibleTo(page_));
  EXPECT_EQ(page_->VitalsPage()->DateList()->count(), 2);
}

TEST_F(VsTestsAppTest, EachToolbarCommandStoresItsRecordAndReloadsItsSubPage) {
  ASSERT_TRUE(StartOnVsTests());
  auto* probe = new TodoProbe;
  ASSERT_TRUE(Strip()->RemovePage(QStringLiteral("Todo")));
  ASSERT_TRUE(Strip()->AddPage(QStringLiteral("Todo"), probe));

  // Vitals, while the labs sub-page is shown: the hidden vitals sub-page is reloaded.
  bool panelUp = false;
  RunCommand<CAddVitalsDlg>(command_ids::kAddVitals, [&panelUp](CAddVitalsDlg& dialog) {
    panelUp = input_panel::IsUp();
    dialog.List()->SetValue(1, QStringLiteral("38.5"));
    dialog.OnSave();
  });
  EXPECT_TRUE(panelUp);
  EXPECT_FALSE(input_panel::IsUp());
  CVitalsPage& vitals = *page_->VitalsPage();
  ASSERT_EQ(vitals.DateList()->count(), 1);
  EXPECT_EQ(vitals.DateList()->itemText(0), QStringLiteral("03/04/2024 09:30 AM"));
  EXPECT_EQ(vitals.ValueList()->GetValue(1), QStringLiteral("38.5"));

  // A lab without values: the result, its deferred-lab todo, and the "Todo" page reloaded.
  RunCommand<CAddLabResultsDlg>(command_ids::kAddLabs, [](CAddLabResultsDlg& dialog) {
    dialog.LabTypeBox()->setCurrentIndex(1);  // Chemistry
    dialog.OnSave();
  });
  CLabsPage& labs = *page_->LabsPage();
  ASSERT_EQ(labs.UpperList()->GetItemCount(), 1);
  EXPECT_EQ(labs.UpperList()->GetItemText(0, 1), QStringLiteral("Chemistry"));
  EXPECT_EQ(probe->reloads, 1);
  CDBToDo todo;
  ASSERT_TRUE(todo.FindFirstOfPatient(patient_, -1));
  EXPECT_EQ(todo.text, QStringLiteral("Deferred: 03/04/2024 09:30 AM Chemistry"));
  EXPECT_EQ(todo.flags, 1u);

  // A test.
  RunCommand<CAddTestDlg>(command_ids::kAddTest, [](CAddTestDlg& dialog) {
    dialog.TestBox()->setEditText(QStringLiteral(" EKG"));
    dialog.ResultBox()->setPlainText(QStringLiteral("sinus rhythm"));
    dialog.OnSave();
  });
  CTestsPage& tests = *page_->TestsPage();
  ASSERT_EQ(tests.List()->GetItemCount(), 1);
  EXPECT_EQ(tests.List()->GetItemText(0, 1), QStringLiteral("EKG"));
  page_->OnShowTests();
  EXPECT_EQ(tests.ResultBox()->toPlainText(), QStringLiteral("sinus rhythm"));

  // Cancelled dialogs store and reload nothing.
  for (const int command :
       {command_ids::kAddLabs, command_ids::kAddVitals, command_ids::kAddTest}) {
    Frame()->View()->OnCommand(command);  // the default handler cancels
  }
  EXPECT_EQ(probe->reloads, 1);
  EXPECT_EQ(labs.UpperList()->GetItemCount(), 1);
  EXPECT_EQ(vitals.DateList()->count(), 1);
  EXPECT_EQ(tests.List()->GetItemCount(), 1);
  const QStringList titles = ui_seams::ModalTitles();
  EXPECT_TRUE(titles.contains(QStringLiteral("Add Lab Results")));
  EXPECT_TRUE(titles.contains(QStringLiteral("Add Vitals")));
  EXPECT_TRUE(titles.contains(QStringLiteral("Add Test")));
}

}  // namespace
