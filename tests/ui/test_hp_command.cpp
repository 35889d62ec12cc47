// The H&P note through the real main window: "H&P" chosen in "Add Note", the sheet saved or
// cancelled, and the note on the "Notes" page.

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTimeEdit>
#include <functional>

#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "notes/CAddNoteDlg.h"
#include "notes/CHPAssessPlanPage.h"
#include "notes/CHPHistoryPage.h"
#include "notes/CHPSheet.h"
#include "notes/CNoteRowList.h"
#include "notes/CNotesPage.h"
#include "shell/CommandIds.h"
#include "soap_support.h"
#include "store/CDBNotes.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using test_time::At;

// The program with one patient, Lois Lane (MR 4411, 45 Years, Male), selected; today 5 March
// 2024.
class HpCommandTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 5, 14, 25));
    CDBPatient patient;
    patient.firstName = QStringLiteral("Lois");
    patient.lastName = QStringLiteral("Lane");
    patient.patientType = QStringLiteral("Clinic");
    patient.mrNumber = QStringLiteral("4411");
    patient.ageValue = QStringLiteral("45");
    patient.ageUnit = QStringLiteral("Years");
    patient.sex = QStringLiteral("Male");
    ASSERT_TRUE(patient.CreateRecord(false));
    m_patient = patient.name;
    ASSERT_TRUE(Start());
    ASSERT_EQ(Strip()->currentPatient, m_patient);
  }

  CNotesPage* NotesPage() const {
    return dynamic_cast<CNotesPage*>(Strip()->GetPage(strings::Load(ids::kTabNotes)));
  }

  // Answers the next dialog, which must be a Dialog, by acting on it.
  template <typename Dialog>
  static void Answer(const std::function<void(Dialog&)>& act) {
    ui_seams::PushModalHandler([act](QDialog& dialog) {
      auto* typed = qobject_cast<Dialog*>(&dialog);
      EXPECT_NE(typed, nullptr) << dialog.windowTitle().toStdString();
      if (typed != nullptr) {
        act(*typed);
      }
      return dialog.result();
    });
  }
  // "Add Note" answered with "H&P" and NEXT for 4 March 2024, 9:15; the sheet then answered by
  // act.
  void AnswerHpNote(const std::function<void(CHPSheet&)>& act) {
    Answer<CAddNoteDlg>([this](CAddNoteDlg& add) {
      m_hpOffered = add.IsKindOffered(CAddNoteDlg::kHpNote);
      add.KindButton(CAddNoteDlg::kHpNote)->setChecked(true);
      add.DatePicker()->setDate(QDate(2024, 3, 4));
      add.TimePicker()->setTime(QTime(9, 15));
      add.NextButton()->click();
    });
    Answer<CHPSheet>([this, act](CHPSheet& sheet) {
      m_panelUpInSheet = input_panel::IsUp();
      act(sheet);
    });
  }

  QString m_patient;
  bool m_hpOffered = false;
  bool m_panelUpInSheet = false;
};

TEST_F(HpCommandTest, ASavedHpSheetIsStoredAndShownOnTheNotesPage) {
  ASSERT_TRUE(Strip()->SelectPage(Strip()->FindPage(strings::Load(ids::kTabNotes))));
  ASSERT_EQ(NotesPage()->List()->GetItemCount(), 0);

  AnswerHpNote([](CHPSheet& sheet) {
    CNoteRowList& history = *sheet.HistoryPage()->List();
    ASSERT_TRUE(history.EditRow(CHPHistoryPage::kCcRow));
    history.InsertInEditor(QStringLiteral("dyspnea"));
    sheet.TabBar()->setCurrentIndex(4);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("CHF"));
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  Frame()->View()->OnCommand(command_ids::kAddNote);

  EXPECT_TRUE(m_hpOffered);
  EXPECT_TRUE(m_panelUpInSheet);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(ui_seams::ModalTitles(),
            (QStringList{QStringLiteral("Add Note"), QStringLiteral("Add H&P")}));
  CDBNotes stored;
  ASSERT_TRUE(stored.FindLatestOfPatient(m_patient));
  EXPECT_EQ(stored.DateText(), QStringLiteral("20240304091500"));
  EXPECT_TRUE(stored.subjective.isEmpty());
  EXPECT_TRUE(stored.objective.isEmpty());
  EXPECT_EQ(stored.assessmentPlan, QStringLiteral("CHF"));
  const QStringList expected = {"03/04/2024 09:15 AM",
                                "Lane, Lois",
                                "MR#: 4411",
                                QString(),
                                "History)",
                                "CC:",
                                "dyspnea",
                                QString(),
                                "ROS)",
                                QString(),
                                "PE)",
                                QString(),
                                "A/P)",
                                "CHF",
                                QString()};
  EXPECT_EQ(soap_support::Lines(stored.noteText), expected);

  // The page was reloaded and shows the new note.
  ASSERT_EQ(NotesPage()->List()->GetItemCount(), 1);
  NotesPage()->List()->SelectRow(0);
  EXPECT_TRUE(NotesPage()->NoteBox()->toPlainText().startsWith(
      QStringLiteral("03/04/2024 09:15 AM\nLane, Lois\nMR#: 4411\n\nHistory)\nCC:\ndyspnea\n")));
}

TEST_F(HpCommandTest, CancellingTheHpSheetStoresNothing) {
  AnswerHpNote([](CHPSheet& sheet) {
    sheet.TabBar()->setCurrentIndex(4);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("CHF"));
    sheet.AssessPlanPage()->CancelButton()->click();
  });
  Frame()->View()->OnCommand(command_ids::kAddNote);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  memory_controls::List notes;
  CDBNotes().FillList(notes, m_patient);
  EXPECT_EQ(notes.GetItemCount(), 0);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

}  // namespace
