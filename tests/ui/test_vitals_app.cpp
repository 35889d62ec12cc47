// The "VS/Tests" tab in the real main window: the shown sub-page across tab changes, and the
// toolbar's lab, vitals and test commands.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CEditLabResultsDlg.h"
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
    m_patient = app_test::AddPatient(QStringLiteral("Jane"), QStringLiteral("Doe"),
                                     QStringLiteral("Clinic"));
  }

  bool StartOnVsTests() {
    if (!Start()) {
      return false;
    }
    m_page = dynamic_cast<CVSTestsPage*>(Strip()->GetPage(QStringLiteral("VS/Tests")));
    return m_page != nullptr && Strip()->SelectPage(QStringLiteral("VS/Tests")) >= 0;
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

  QString m_patient;
  CVSTestsPage* m_page = nullptr;
};

TEST_F(VsTestsAppTest, TheShownSubPageSurvivesATabChangeAndIsReloaded) {
  vs_tests_test::AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"), 0, m_patient);
  ASSERT_TRUE(StartOnVsTests());
  ASSERT_EQ(Strip()->currentPatient, m_patient);
  EXPECT_EQ(m_page->CurrentSubPage(), m_page->LabsPage());
  m_page->OnShowVitals();
  ASSERT_EQ(m_page->VitalsPage()->DateList()->count(), 1);

  ASSERT_TRUE(Strip()->SelectPage(0));
  vs_tests_test::AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"), 0, m_patient);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("VS/Tests")), 0);
  EXPECT_EQ(m_page->CurrentSubPage(), m_page->VitalsPage());
  EXPECT_TRUE(m_page->VitalsPage()->isVisibleTo(m_page));
  EXPECT_EQ(m_page->VitalsPage()->DateList()->count(), 2);
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
  CVitalsPage& vitals = *m_page->VitalsPage();
  ASSERT_EQ(vitals.DateList()->count(), 1);
  EXPECT_EQ(vitals.DateList()->itemText(0), QStringLiteral("03/04/2024 09:30 AM"));
  EXPECT_EQ(vitals.ValueList()->GetValue(1), QStringLiteral("38.5"));

  // A lab without values: the result, its deferred-lab todo, and the "Todo" page reloaded.
  RunCommand<CAddLabResultsDlg>(command_ids::kAddLabs, [](CAddLabResultsDlg& dialog) {
    dialog.LabTypeBox()->setCurrentIndex(1);  // Chemistry
    dialog.OnSave();
  });
  CLabsPage& labs = *m_page->LabsPage();
  ASSERT_EQ(labs.UpperList()->GetItemCount(), 1);
  EXPECT_EQ(labs.UpperList()->GetItemText(0, 1), QStringLiteral("Chemistry"));
  EXPECT_EQ(probe->reloads, 1);
  CDBToDo todo;
  ASSERT_TRUE(todo.FindFirstOfPatient(m_patient, -1));
  EXPECT_EQ(todo.text, QStringLiteral("Deferred: 03/04/2024 09:30 AM Chemistry"));
  EXPECT_EQ(todo.flags, 1u);

  // A test.
  RunCommand<CAddTestDlg>(command_ids::kAddTest, [](CAddTestDlg& dialog) {
    dialog.TestBox()->setEditText(QStringLiteral(" EKG"));
    dialog.ResultBox()->setPlainText(QStringLiteral("sinus rhythm"));
    dialog.OnSave();
  });
  CTestsPage& tests = *m_page->TestsPage();
  ASSERT_EQ(tests.List()->GetItemCount(), 1);
  EXPECT_EQ(tests.List()->GetItemText(0, 1), QStringLiteral("EKG"));
  m_page->OnShowTests();
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

TEST_F(VsTestsAppTest, AnEntryTheStoreRefusesIsToldAndNotListed) {
  ASSERT_TRUE(StartOnVsTests());
  ASSERT_TRUE(CDBVitals().CreateDB());
  vs_tests_test::RefuseWrites(m_device.device(), CDBVitals::kVolumeName);
  RunCommand<CAddVitalsDlg>(command_ids::kAddVitals,
                            [](CAddVitalsDlg& dialog) { dialog.OnSave(); });
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("The vitals entry could not be saved."));
  EXPECT_EQ(m_page->VitalsPage()->DateList()->count(), 0);
}

// ---------------------------------------------------------------------------------------------
// Pictures for docs/, written when OVELIN_SCREENSHOT_DIR names a folder.

class VsTestsScreenshot : public VsTestsAppTest {
 protected:
  void SetUp() override {
    m_folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
    if (m_folder.isEmpty()) {
      GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
    }
    VsTestsAppTest::SetUp();
    using vs_tests_test::AddLab;
    AddLab(At(2024, 3, 1, 6, 0), QStringLiteral("CBC"),
           QStringLiteral("WBC\n11.2\nHb\n12.9\nHct\n38\nPlt\n245\nMCV\n88\nSEGS\n72\n"), 0,
           m_patient);
    AddLab(At(2024, 3, 1, 6, 0), QStringLiteral("Chemistry"),
           QStringLiteral("Na\n138\nK\n4.1\nCl\n101\nCO2\n24\nBUN\n18\nCr\n1.1\nGlu\n112\n"), 0,
           m_patient);
    AddLab(At(2024, 3, 3, 6, 0), QStringLiteral("CBC"),
           QStringLiteral("WBC\n8.4\nHb\n13.2\nHct\n39\nPlt\n260\n"), 0, m_patient);
    AddLab(At(2024, 3, 3, 6, 30), QStringLiteral("Coags"), QStringLiteral("PT\n12.1\nINR\n1.0\n"),
           1, m_patient);
    vs_tests_test::AddVitals(
        At(2024, 3, 2, 8, 0),
        QStringLiteral("Tmax\n38.4\nTemp\n37.9\nPulse\n96\nResp\n20\nBP\n"
                       "128/76\nSAO2\n95%\nWeight\n71 kg\nIn\n1850\nOut\n1400\n"),
        0, m_patient);
    vs_tests_test::AddVitals(At(2024, 3, 3, 8, 0), QStringLiteral("Temp\n37.1\nPulse\n84\n"), 0,
                             m_patient);
    vs_tests_test::AddTest(At(2024, 3, 1, 10, 0), QStringLiteral("CXR"),
                           QStringLiteral("Right lower lobe infiltrate. No effusion."), 0,
                           m_patient);
    vs_tests_test::AddTest(At(2024, 3, 2, 9, 15), QStringLiteral("EKG"),
                           QStringLiteral("Sinus tachycardia, rate 104. No ST changes."), 0,
                           m_patient);
    vs_tests_test::AddTest(At(2024, 3, 3, 11, 0), QStringLiteral("Echo"),
                           QStringLiteral("EF 55%. Normal valves."), 1, m_patient);
    ASSERT_TRUE(StartOnVsTests());
  }

  void Save(QWidget& widget, const char* name) {
    QCoreApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget()) {
      focused->clearFocus();  // no caret in the picture
    }
    EXPECT_TRUE(widget.grab().save(m_folder + QLatin1Char('/') + QLatin1String(name), "PNG"));
  }
  void SaveDialog(QDialog& dialog, const char* name) {
    dialog.setGeometry(QRect(QPoint(0, 0), QSize(480, 640)));
    dialog.show();
    Save(dialog, name);
  }

  QString m_folder;
};

TEST_F(VsTestsScreenshot, SubPages) {
  CLabsPage& labs = *m_page->LabsPage();
  labs.UpperList()->setCurrentItem(labs.UpperList()->topLevelItem(0));
  labs.OnRowTapped(0);
  labs.OnRowTapped(2);
  labs.OnSelect();
  Save(*Frame(), "vs-tests-labs.png");
  m_page->OnShowVitals();
  m_page->VitalsPage()->DateList()->setCurrentIndex(0);
  Save(*Frame(), "vs-tests-vitals.png");
  m_page->OnShowTests();
  m_page->TestsPage()->List()->SelectRow(2);  // read-only from the desktop
  Save(*Frame(), "vs-tests-tests.png");
}

TEST_F(VsTestsScreenshot, Dialogs) {
  CAddVitalsDlg vitals;
  const char* values[] = {"38.1", "37.6", "92", "18", "124/80", "96%"};
  for (int row = 0; row < 6; ++row) {
    vitals.List()->SetValue(row, QString::fromUtf8(values[row]));
  }
  SaveDialog(vitals, "add-vitals.png");

  CAddLabResultsDlg lab;
  lab.WbcBox()->setText(QStringLiteral("11.2"));
  lab.HbBox()->setText(QStringLiteral("12.9"));
  lab.HctBox()->setText(QStringLiteral("38"));
  lab.PltBox()->setText(QStringLiteral("245"));
  lab.List()->SetValue(3, QStringLiteral("88"));
  SaveDialog(lab, "add-lab-results.png");

  CEditLabResultsDlg edit;
  edit.dateText = QStringLiteral("03/01/2024 06:00 AM");
  edit.labName = QStringLiteral("Chemistry");
  edit.packedValues = QStringLiteral("Na\n138\nK\n4.1\nCl\n101\nCO2\n24\nBUN\n18\nCr\n1.1\n");
  edit.UpdateData(false);
  SaveDialog(edit, "edit-lab-results.png");

  CAddTestDlg test;
  test.TestBox()->setEditText(QStringLiteral(" CXR"));
  test.ResultBox()->setPlainText(QStringLiteral("Right lower lobe infiltrate. "));
  SaveDialog(test, "add-test.png");
}

}  // namespace
