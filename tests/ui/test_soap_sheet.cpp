#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <functional>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "notes/CAddNoteSheet.h"
#include "notes/CAutoTextCaption.h"
#include "notes/CMarkedRecordList.h"
#include "notes/CNoteRowList.h"
#include "notes/CPEPage.h"
#include "notes/CSOAPAssessPlanPage.h"
#include "notes/CSOAPObjectivePage.h"
#include "notes/CSOAPSubjectPage.h"
#include "notes/NoteBlocks.h"
#include "platform/Clock.h"
#include "soap_support.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "support/Wait.h"
#include "test_app_support.h"

namespace {

using soap_support::Lines;
using test_time::At;

const QString kPatient = QStringLiteral("Lane, Lois");
const QString kHead = QStringLiteral("03/05/2024 02:25 PM");
const QString kMrNumber = QStringLiteral("4411");

enum Page { kSubject = 0, kObjective, kPe, kAssessPlan };

// The SOAP sheet alone for Lois Lane on a fresh device of 480 by 640 pixels, today 5 March 2024.
class SoapSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    clock_source::Fix(At(2024, 3, 5, 14, 25));
    // A main window of an earlier test may have left its own rectangle as the desktop.
    input_panel::SetDesktop(QRect(0, 0, 480, 640));
  }
  void TearDown() override { input_panel::SetDesktop(QRect()); }

  // Runs the sheet; act does what the person does while it is up. Answers its result.
  int Run(const std::function<void(CAddNoteSheet&)>& act) {
    m_sheet = std::make_unique<CAddNoteSheet>();
    m_sheet->SetPatient(kPatient);
    ui_seams::PushModalHandler([this, act](QDialog&) {
      act(*m_sheet);
      return m_sheet->result();
    });
    return m_sheet->DoModal();
  }
  QStringList NoteLines() const { return Lines(m_sheet->NoteText(kHead, kPatient, kMrNumber)); }

  // Moves to a page by its tab, as a tap on the tab does.
  static void Show(CAddNoteSheet& sheet, Page page) { sheet.TabBar()->setCurrentIndex(page); }
  static void Save(CAddNoteSheet& sheet) {
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->SaveButton()->click();
  }
  // Answers the next auto-text pop-up by picking entry.
  static void PickFromPopup(const QString& entry) {
    ui_seams::PushModalHandler([entry](QDialog& popup) {
      auto* entries = popup.findChild<QListWidget*>(QStringLiteral("entries"));
      const QList<QListWidgetItem*> found = entries != nullptr
                                                ? entries->findItems(entry, Qt::MatchExactly)
                                                : QList<QListWidgetItem*>{};
      if (found.isEmpty()) {
        ADD_FAILURE() << "the pop-up does not offer " << entry.toStdString();
        return static_cast<int>(QDialog::Rejected);
      }
      entries->setCurrentItem(found.first());
      return static_cast<int>(QDialog::Accepted);
    });
  }

  TestGuard m_guard;
  TempDevice m_device;
  std::unique_ptr<CAddNoteSheet> m_sheet;
};

TEST_F(SoapSheetTest, ANoteOfOnlyASubjectiveTextReadsLineByLine) {
  const int result = Run([](CAddNoteSheet& sheet) {
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("cough"));
    Save(sheet);
  });
  EXPECT_EQ(result, CAddNoteSheet::kSaveResult);
  const QStringList expected = {kHead,
                                kPatient,
                                QStringLiteral("MR#: 4411"),
                                QString(),
                                QStringLiteral("S)"),
                                QStringLiteral("cough"),
                                QString(),
                                QStringLiteral("O)"),
                                QString(),
                                QString(),
                                QString(),
                                QString(),
                                QStringLiteral("PE:"),
                                QString(),
                                QString(),
                                QStringLiteral("A/P)"),
                                QString(),
                                QString()};
  EXPECT_EQ(NoteLines(), expected);
  EXPECT_TRUE(m_sheet->NoteText(kHead, kPatient, kMrNumber).endsWith(QStringLiteral("\r\n")));
  EXPECT_EQ(m_sheet->SubjectPage()->subjective, QStringLiteral("cough"));

  // The pages never opened made no controls and gave nothing.
  EXPECT_FALSE(m_sheet->ObjectivePage()->IsCreated());
  EXPECT_EQ(m_sheet->ObjectivePage()->ObjectiveBox(), nullptr);
  EXPECT_FALSE(m_sheet->PePage()->IsCreated());
  EXPECT_TRUE(m_sheet->PePage()->peText.isEmpty());
}

TEST_F(SoapSheetTest, AddMedsForAPatientWithoutMedicationsAddsAnEmptyMedicationsBlock) {
  Run([](CAddNoteSheet& sheet) {
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AddMedsCheck()->setChecked(true);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("rest"));
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  const QStringList lines = NoteLines();
  const QStringList tail = lines.mid(lines.indexOf(QStringLiteral("PE:")));
  const QStringList expected = {QStringLiteral("PE:"),          QString(), QString(),
                                QStringLiteral("Medications:"), QString(), QStringLiteral("A/P)"),
                                QStringLiteral("rest"),         QString()};
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(m_sheet->AssessPlanPage()->addMeds, 1);
}

TEST_F(SoapSheetTest, ClearingAddMedsAgainLeavesTheMedicationsOut) {
  soap_support::AddMed(kPatient, QStringLiteral("Aspirin"), QStringLiteral("81 mg"),
                       QStringLiteral("PO"), QStringLiteral("daily"));
  Run([](CAddNoteSheet& sheet) {
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AddMedsCheck()->setChecked(true);
    Show(sheet, kSubject);  // leaving the page with the box ticked
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AddMedsCheck()->setChecked(false);
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  EXPECT_FALSE(NoteLines().contains(QStringLiteral("Medications:")));
  EXPECT_TRUE(m_sheet->AssessPlanPage()->medsBlock.isEmpty());
}

TEST_F(SoapSheetTest, MarkedTestsAreListedInTheListsOrder) {
  soap_support::AddTest(kPatient, At(2024, 3, 1, 8), QStringLiteral("EKG"), QStringLiteral("NSR"));
  soap_support::AddTest(kPatient, At(2024, 3, 2, 9), QStringLiteral("Echo"),
                        QStringLiteral("EF 55%"));
  soap_support::AddTest(kPatient, At(2024, 3, 3, 10), QStringLiteral("CXR"),
                        QStringLiteral("clear"));
  soap_support::AddTest(QStringLiteral("Kent, Clark"), At(2024, 3, 3, 11), QStringLiteral("MRI"),
                        QStringLiteral("other patient"));
  Run([](CAddNoteSheet& sheet) {
    CMarkedRecordList& tests = *sheet.SubjectPage()->TestsList();
    ASSERT_EQ(tests.GetItemCount(), 3);
    EXPECT_EQ(tests.GetItemText(0, 1), QStringLiteral("CXR"));  // newest first
    tests.ToggleMark(2);                                        // EKG
    tests.ToggleMark(0);                                        // CXR
    Save(sheet);
  });
  QStringList lines = NoteLines();
  qsizetype at = lines.indexOf(QStringLiteral("Tests:"));
  ASSERT_GT(at, 0);
  EXPECT_EQ(lines.mid(at, 5),
            (QStringList{QStringLiteral("Tests:"), QStringLiteral("03/03/2024 10:00 AM CXR-clear"),
                         QStringLiteral("03/01/2024 08:00 AM EKG-NSR"), QString(),
                         QStringLiteral("A/P)")}));
  EXPECT_EQ(lines.count(QStringLiteral("Tests:")), 1);

  // Sorted oldest first by a tap on the date column, the lines follow the new order.
  Run([](CAddNoteSheet& sheet) {
    CMarkedRecordList& tests = *sheet.SubjectPage()->TestsList();
    tests.ToggleMark(0);
    tests.ToggleMark(2);
    tests.header()->sectionClicked(CMarkedRecordList::kDateColumn);
    Save(sheet);
  });
  lines = NoteLines();
  at = lines.indexOf(QStringLiteral("Tests:"));
  ASSERT_GT(at, 0);
  EXPECT_EQ(lines[at + 1], QStringLiteral("03/01/2024 08:00 AM EKG-NSR"));
  EXPECT_EQ(lines[at + 2], QStringLiteral("03/03/2024 10:00 AM CXR-clear"));
}

TEST_F(SoapSheetTest, ANoteTakesAVitalsEntryALabResultAndTheMedications) {
  soap_support::AddVitals(kPatient, At(2024, 3, 4, 7),
                          QStringLiteral("Temp\n98.6\nPulse\n72\nBP\n\n"));
  soap_support::AddVitals(kPatient, At(2024, 3, 1, 7), QStringLiteral("Temp\n101\n"));
  soap_support::AddLab(kPatient, At(2024, 3, 4, 6), strings::Load(ids::kLabGroupChemistry),
                       QStringLiteral("Na\n140\nK\n4.1\nCl\n\n"));
  soap_support::AddMed(kPatient, QStringLiteral("Aspirin"), QStringLiteral("81 mg"),
                       QStringLiteral("PO"), QStringLiteral("daily"));
  soap_support::AddMed(kPatient, QStringLiteral("Lasix"), QStringLiteral("40 mg"),
                       QStringLiteral("IV"), QStringLiteral("bid"));
  Run([](CAddNoteSheet& sheet) {
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("dyspnea"));
    Show(sheet, kObjective);
    CSOAPObjectivePage& objective = *sheet.ObjectivePage();
    ASSERT_EQ(objective.VitalsCombo()->count(), 2);
    EXPECT_EQ(objective.VitalsCombo()->currentIndex(), -1);  // none chosen at first
    objective.VitalsCombo()->setCurrentIndex(0);             // the newest
    objective.ObjectiveBox()->setPlainText(QStringLiteral("crackles"));
    objective.LabsList()->ToggleMark(0);
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AddMedsCheck()->setChecked(true);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("CHF\ndiurese"));
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  const QStringList expected = {kHead,
                                kPatient,
                                QStringLiteral("MR#: 4411"),
                                QString(),
                                QStringLiteral("S)"),
                                QStringLiteral("dyspnea"),
                                QString(),
                                QStringLiteral("O)"),
                                QStringLiteral("VS:"),
                                QStringLiteral("03/04/2024 07:00 AM Temp:98.6 Pulse:72 "),
                                QString(),
                                QString(),
                                QString(),
                                QStringLiteral("crackles"),
                                QString(),
                                QStringLiteral("PE:"),
                                QString(),
                                QString(),
                                QStringLiteral("Labs:"),
                                QStringLiteral("03/04/2024 06:00 AM Chemistry Na:140 K:4.1 "),
                                QString(),
                                QString(),
                                QStringLiteral("Medications:"),
                                QStringLiteral("Aspirin 81 mg PO daily  30 2"),
                                QStringLiteral("Lasix 40 mg IV bid  30 2"),
                                QString(),
                                QStringLiteral("A/P)"),
                                QStringLiteral("CHF"),
                                QStringLiteral("diurese"),
                                QString()};
  EXPECT_EQ(NoteLines(), expected);
  // The sections as stored for a later note's recall, with the note's line ends.
  EXPECT_EQ(m_sheet->ObjectivePage()->objective, QStringLiteral("crackles"));
  EXPECT_EQ(m_sheet->AssessPlanPage()->assessmentPlan, QStringLiteral("CHF\r\ndiurese"));
}

TEST_F(SoapSheetTest, UndoRecallsTheSectionsOfTheLatestNote) {
  soap_support::AddNote(kPatient, At(2024, 3, 1, 8), QStringLiteral("old cough"),
                        QStringLiteral("old exam"), QStringLiteral("old plan"));
  // The latest note is an H&P note: it has no subjective or objective section.
  soap_support::AddNote(kPatient, At(2024, 3, 4, 8), QString(), QString(), QStringLiteral("admit"));
  Run([](CAddNoteSheet& sheet) {
    QPlainTextEdit& subjective = *sheet.SubjectPage()->SubjectiveBox();
    subjective.setPlainText(QStringLiteral("typed"));
    sheet.SubjectPage()->UndoButton()->click();
    EXPECT_TRUE(subjective.toPlainText().isEmpty());

    Show(sheet, kObjective);
    sheet.ObjectivePage()->ObjectiveBox()->setPlainText(QStringLiteral("typed"));
    sheet.ObjectivePage()->UndoButton()->click();
    EXPECT_TRUE(sheet.ObjectivePage()->ObjectiveBox()->toPlainText().isEmpty());

    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->UndoButton()->click();
    EXPECT_EQ(sheet.AssessPlanPage()->AssessPlanBox()->toPlainText(), QStringLiteral("admit"));
  });
}

TEST_F(SoapSheetTest, AnAutoTextEntryPickedTwiceStandsTwiceEachWithOneBlank) {
  Run([](CAddNoteSheet& sheet) {
    CAutoTextCaption& autoText = *sheet.SubjectPage()->AutoText();
    PickFromPopup(QStringLiteral("Cough"));
    autoText.PopupButton()->click();
    // A tap on the caption offers the same list.
    PickFromPopup(QStringLiteral("Cough"));
    QTest::mouseClick(autoText.Caption(), Qt::LeftButton);
    EXPECT_EQ(sheet.SubjectPage()->SubjectiveBox()->toPlainText(), QStringLiteral("Cough Cough "));
    // A pop-up closed without a pick adds nothing.
    autoText.PopupButton()->click();
    EXPECT_EQ(sheet.SubjectPage()->SubjectiveBox()->toPlainText(), QStringLiteral("Cough Cough "));
    // Another notification of the control is ignored.
    autoText.OnPopupNotify(2, QStringLiteral("noise"));
    EXPECT_EQ(sheet.SubjectPage()->SubjectiveBox()->toPlainText(), QStringLiteral("Cough Cough "));
  });
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
}

TEST_F(SoapSheetTest, EachTextBoxOffersItsOwnAutoTextListAndEveryControlIsNamed) {
  Run([](CAddNoteSheet& sheet) {
    Show(sheet, kObjective);
    Show(sheet, kPe);
    Show(sheet, kAssessPlan);
    EXPECT_EQ(soap_support::UnnamedControls(sheet), QStringList());
    EXPECT_EQ(sheet.SubjectPage()->AutoText()->PopupButton()->GetType(), 30);
    EXPECT_EQ(sheet.ObjectivePage()->AutoText()->PopupButton()->GetType(), 31);
    EXPECT_EQ(sheet.AssessPlanPage()->AutoText()->PopupButton()->GetType(), 32);
    EXPECT_EQ(sheet.SubjectPage()->AutoText()->Caption()->text(), QStringLiteral("Subj"));
    EXPECT_EQ(sheet.ObjectivePage()->AutoText()->Caption()->text(), QStringLiteral("Obj"));
    EXPECT_EQ(sheet.AssessPlanPage()->AutoText()->Caption()->text(), QStringLiteral("A/P"));
  });
}

TEST_F(SoapSheetTest, TheExaminationRowsAndTheSignButtons) {
  Run([](CAddNoteSheet& sheet) {
    Show(sheet, kPe);
    CPEPage& pe = *sheet.PePage();
    CNoteRowList& rows = *pe.List();
    const QStringList labels = {"General", "HEENT",         "Lungs",       "Cardiovascular",
                                "Abdomen", "Genitourinary", "Extremities", "Neurologic"};
    ASSERT_EQ(rows.GetItemCount(), CPEPage::kRowCount);
    for (int row = 0; row < CPEPage::kRowCount; ++row) {
      EXPECT_EQ(rows.GetItemText(row, 0), labels[row]);
      EXPECT_EQ(rows.GetRowItem(row)->kind, CListItem::kPickListMultiline);
      EXPECT_EQ(rows.GetRowItem(row)->listId, 60 + row);
    }

    // With no row open the buttons type nothing.
    pe.InsPlusButton()->click();
    EXPECT_FALSE(rows.IsEditing());
    ASSERT_TRUE(rows.EditRow(2));
    pe.InsPlusButton()->click();
    EXPECT_TRUE(rows.IsEditing());  // the editor stays open
    rows.InsertInEditor(QStringLiteral("rales"));
    rows.CloseEdit();
    ASSERT_TRUE(rows.EditRow(4));
    pe.InsMinusButton()->click();
    rows.InsertInEditor(QStringLiteral("tenderness"));
    // Leaving the page ends the edit still open.
    Save(sheet);
  });
  EXPECT_EQ(m_sheet->PePage()->peText,
            QStringLiteral("Lungs: (+) rales\r\nAbdomen: (-) tenderness\r\n"));
  const QStringList lines = NoteLines();
  const qsizetype at = lines.indexOf(QStringLiteral("PE:"));
  ASSERT_GT(at, 0);
  EXPECT_EQ(lines.mid(at, 6),
            (QStringList{QStringLiteral("PE:"), QStringLiteral("Lungs: (+) rales"),
                         QStringLiteral("Abdomen: (-) tenderness"), QString(), QString(),
                         QStringLiteral("A/P)")}));
}

TEST_F(SoapSheetTest, CancelOnAnyPageEndsTheSheetWithTheCancelResult) {
  for (const Page page : {kSubject, kObjective, kPe, kAssessPlan}) {
    const int result = Run([page](CAddNoteSheet& sheet) {
      sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("typed"));
      Show(sheet, page);
      sheet.GetPage(page)->CancelButton()->click();
    });
    EXPECT_EQ(result, CNoteSheet::kCancelResult) << page;
  }
  // Escape does not end it.
  const int result = Run([](CAddNoteSheet& sheet) {
    sheet.show();
    QTest::keyClick(sheet.SubjectPage()->SubjectiveBox(), Qt::Key_Escape);
    EXPECT_TRUE(sheet.isVisible());
    Save(sheet);
  });
  EXPECT_EQ(result, CAddNoteSheet::kSaveResult);
}

TEST_F(SoapSheetTest, MarksFollowTapsAndTheSelectionShowsTheMarks) {
  for (int day = 1; day <= 3; ++day) {
    soap_support::AddLab(kPatient, At(2024, 3, day, 6), strings::Load(ids::kLabGroupCbc + day),
                         QStringLiteral("x\n1\n"));
  }
  Run([](CAddNoteSheet& sheet) {
    sheet.show();
    Show(sheet, kObjective);
    CMarkedRecordList& labs = *sheet.ObjectivePage()->LabsList();
    ASSERT_EQ(labs.GetItemCount(), 3);
    EXPECT_TRUE(labs.selectedItems().isEmpty());
    const auto tap = [&labs](int row) {
      QTest::mouseClick(labs.viewport(), Qt::LeftButton, {},
                        labs.visualItemRect(labs.topLevelItem(row)).center());
    };
    tap(0);
    tap(2);
    EXPECT_TRUE(labs.IsMarked(0));
    EXPECT_FALSE(labs.IsMarked(1));
    EXPECT_TRUE(labs.IsMarked(2));
    EXPECT_EQ(labs.selectedItems().size(), 2);
    tap(0);
    EXPECT_FALSE(labs.IsMarked(0));
    EXPECT_FALSE(labs.topLevelItem(0)->isSelected());

    // A selection made otherwise is put back to the marks.
    labs.topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(test_wait::Until([&labs] { return !labs.topLevelItem(1)->isSelected(); }));
    EXPECT_TRUE(labs.topLevelItem(2)->isSelected());

    // The space bar marks the current row.
    labs.setCurrentItem(labs.topLevelItem(1));
    QTest::keyClick(&labs, Qt::Key_Space);
    EXPECT_TRUE(labs.IsMarked(1));

    // Sorting keeps each row's mark; the same column again reverses the order.
    labs.header()->sectionClicked(CMarkedRecordList::kNameColumn);
    EXPECT_TRUE(labs.SortAscending());
    const QString first = labs.GetItemText(0, 1);
    labs.header()->sectionClicked(CMarkedRecordList::kNameColumn);
    EXPECT_FALSE(labs.SortAscending());
    EXPECT_EQ(labs.GetItemText(2, 1), first);
    for (int row = 0; row < labs.GetItemCount(); ++row) {
      EXPECT_EQ(labs.topLevelItem(row)->isSelected(), labs.IsMarked(row)) << row;
    }
    labs.header()->sectionClicked(CMarkedRecordList::kDateColumn);
    EXPECT_TRUE(labs.SortAscending());
    EXPECT_EQ(labs.GetItemText(0, 0), QStringLiteral("03/01/2024 06:00 AM"));
  });
}

TEST_F(SoapSheetTest, TheMainControlEndsAboveTheInputPanel) {
  Run([](CAddNoteSheet& sheet) {
    sheet.show();
    Show(sheet, kAssessPlan);
    Show(sheet, kSubject);
    const auto bottomGap = [&sheet](QWidget* control) {
      input_panel::SipInfo info;
      input_panel::GetInfo(info);
      QCoreApplication::processEvents();
      return info.visibleDesktop.top() + info.visibleDesktop.height() -
             control->mapToGlobal(QPoint(0, control->height())).y();
    };
    EXPECT_EQ(bottomGap(sheet.SubjectPage()->TestsList()), 50);
    input_panel::Show(true);
    EXPECT_EQ(bottomGap(sheet.SubjectPage()->TestsList()), 23);
    // A page shown later is sized as it is shown.
    Show(sheet, kAssessPlan);
    EXPECT_EQ(bottomGap(sheet.AssessPlanPage()->AssessPlanBox()), 23);
    input_panel::Show(false);
    EXPECT_EQ(bottomGap(sheet.AssessPlanPage()->AssessPlanBox()), 50);
  });
}

// Writes a picture of each page to docs/ when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(SoapSheetTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  soap_support::AddTest(kPatient, At(2024, 3, 3, 10), QStringLiteral("CXR"),
                        QStringLiteral("clear"));
  soap_support::AddTest(kPatient, At(2024, 3, 1, 8), QStringLiteral("EKG"), QStringLiteral("NSR"));
  soap_support::AddLab(kPatient, At(2024, 3, 4, 6), strings::Load(ids::kLabGroupChemistry),
                       QStringLiteral("Na\n140\n"));
  soap_support::AddLab(kPatient, At(2024, 3, 2, 6), strings::Load(ids::kLabGroupCbc),
                       QStringLiteral("WBC\n11\n"));
  soap_support::AddVitals(kPatient, At(2024, 3, 4, 7), QStringLiteral("Temp\n98.6\n"));
  const auto grab = [&folder](CAddNoteSheet& sheet, Page page, const char* name) {
    Show(sheet, page);
    QCoreApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget()) {
      focused->clearFocus();
    }
    EXPECT_TRUE(sheet.grab().save(folder + QLatin1Char('/') + QLatin1String(name), "PNG"));
  };
  Run([&grab](CAddNoteSheet& sheet) {
    sheet.show();
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("Cough Fatigue "));
    sheet.SubjectPage()->TestsList()->ToggleMark(0);
    grab(sheet, kSubject, "soap-subject.png");
    Show(sheet, kObjective);
    sheet.ObjectivePage()->VitalsCombo()->setCurrentIndex(0);
    sheet.ObjectivePage()->ObjectiveBox()->setPlainText(QStringLiteral("Scattered wheezes."));
    sheet.ObjectivePage()->LabsList()->ToggleMark(0);
    grab(sheet, kObjective, "soap-objective.png");
    Show(sheet, kPe);
    sheet.PePage()->List()->SetValue(2, QStringLiteral("(+) wheezes"));
    grab(sheet, kPe, "soap-pe.png");
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AddMedsCheck()->setChecked(true);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("Acute bronchitis."));
    grab(sheet, kAssessPlan, "soap-ap.png");
  });
}

TEST(NoteHead, TheDayOfTheDateWithTheTimeOfDayOfTheTime) {
  EXPECT_EQ(note_blocks::Head(At(2024, 3, 5, 8, 0), At(2000, 1, 1, 14, 25)), kHead);
  EXPECT_EQ(note_blocks::Head(At(2024, 12, 31, 23, 59), At(2024, 12, 31, 0, 5)),
            QStringLiteral("12/31/2024 12:05 AM"));
}

}  // namespace
