#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimeEdit>

#include "common/MemoryControls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "notes/CAddNoteDlg.h"
#include "notes/CAddNoteSheet.h"
#include "notes/CNotesPage.h"
#include "notes/CPEPage.h"
#include "notes/CSOAPAssessPlanPage.h"
#include "notes/CSOAPSubjectPage.h"
#include "shell/CommandIds.h"
#include "soap_support.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using test_time::At;
using test_time::Fields;

// ---------------------------------------------------------------------------------------------
// "Add Note" alone

class AddNoteDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    clock_source::Fix(At(2024, 3, 5, 14, 25, 10));
  }

  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(AddNoteDlgTest, StartsAtNowWithSoapAndNextTakesTheChosenValues) {
  CAddNoteDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Note"));
  EXPECT_EQ(dialog.DatePicker()->date(), QDate(2024, 3, 5));
  EXPECT_EQ(dialog.TimePicker()->time(), QTime(14, 25, 10));
  EXPECT_TRUE(dialog.KindButton(CAddNoteDlg::kSoapNote)->isChecked());
  EXPECT_EQ(dialog.KindButton(CAddNoteDlg::kSoapNote)->text(), QStringLiteral("SOAP"));
  // Shown as it stands, not as a shortcut on "P".
  EXPECT_EQ(dialog.KindButton(CAddNoteDlg::kHpNote)->text(), QStringLiteral("H&&P"));
  EXPECT_EQ(dialog.KindButton(CAddNoteDlg::kHpNote)->accessibleName(), QStringLiteral("H&P"));

  dialog.DatePicker()->setDate(QDate(2024, 2, 29));
  dialog.TimePicker()->setTime(QTime(7, 45));
  dialog.NextButton()->click();
  EXPECT_EQ(dialog.result(), CAddNoteDlg::kNextResult);
  EXPECT_EQ(dialog.noteKind, CAddNoteDlg::kSoapNote);
  const SYSTEMTIME date = Fields(dialog.date);
  EXPECT_EQ(date.wYear, 2024);
  EXPECT_EQ(date.wMonth, 2);
  EXPECT_EQ(date.wDay, 29);
  const SYSTEMTIME time = Fields(dialog.time);
  EXPECT_EQ(time.wHour, 7);
  EXPECT_EQ(time.wMinute, 45);

  EXPECT_EQ(soap_support::UnnamedControls(dialog), QStringList());

  CAddNoteDlg cancelled;
  cancelled.CancelButton()->click();
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

TEST_F(AddNoteDlgTest, ATypeWithoutItsSheetIsShownButCannotBeChosen) {
  CAddNoteDlg dialog;
  dialog.KindButton(CAddNoteDlg::kHpNote)->setChecked(true);
  dialog.SetKindOffered(CAddNoteDlg::kHpNote, false);
  EXPECT_FALSE(dialog.IsKindOffered(CAddNoteDlg::kHpNote));
  EXPECT_FALSE(dialog.KindButton(CAddNoteDlg::kHpNote)->isEnabled());
  EXPECT_TRUE(dialog.KindButton(CAddNoteDlg::kSoapNote)->isChecked());
  dialog.OnNext();
  EXPECT_EQ(dialog.noteKind, CAddNoteDlg::kSoapNote);
}

// ---------------------------------------------------------------------------------------------
// The new-note command through the main window

// The program with one patient, Lois Lane (MR 4411), selected; today 5 March 2024.
class NewNoteCommandTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 5, 14, 25));
    m_patient = app_test::AddPatient(QStringLiteral("Lois"), QStringLiteral("Lane"),
                                     QStringLiteral("Clinic"), QStringLiteral("12"),
                                     QStringLiteral("4411"));
    ASSERT_TRUE(Start());
    ASSERT_EQ(Strip()->currentPatient, m_patient);
  }

  CNotesPage* NotesPage() const {
    return dynamic_cast<CNotesPage*>(Strip()->GetPage(strings::Load(ids::kTabNotes)));
  }

  // Answers "Add Note" with NEXT for the day and time given; reports whether H&P was offered.
  void AnswerAddNote(QDate day, QTime time, bool* hpOffered = nullptr) {
    ui_seams::PushModalHandler([day, time, hpOffered](QDialog& dialog) {
      auto* add = qobject_cast<CAddNoteDlg*>(&dialog);
      if (add == nullptr) {
        ADD_FAILURE() << "not the new-note dialog";
        return static_cast<int>(QDialog::Rejected);
      }
      if (hpOffered != nullptr) {
        *hpOffered = add->IsKindOffered(CAddNoteDlg::kHpNote);
      }
      add->DatePicker()->setDate(day);
      add->TimePicker()->setTime(time);
      add->NextButton()->click();
      return add->result();
    });
  }
  // Answers the SOAP sheet by acting on it.
  void AnswerSheet(const std::function<void(CAddNoteSheet&)>& act) {
    ui_seams::PushModalHandler([act, this](QDialog& dialog) {
      auto* sheet = qobject_cast<CAddNoteSheet*>(&dialog);
      if (sheet == nullptr) {
        ADD_FAILURE() << "not the SOAP sheet";
        return static_cast<int>(QDialog::Rejected);
      }
      m_panelUpInSheet = input_panel::IsUp();
      act(*sheet);
      return sheet->result();
    });
  }
  int NoteCount() const {
    memory_controls::List list;
    CDBNotes().FillList(list, m_patient);
    return list.GetItemCount();
  }

  QString m_patient;
  bool m_panelUpInSheet = false;
};

TEST_F(NewNoteCommandTest, ASavedSoapSheetIsStoredAndShownOnTheNotesPage) {
  soap_support::AddNote(m_patient, At(2024, 3, 1, 8), QStringLiteral("old"), QString(), QString());
  ASSERT_TRUE(Strip()->SelectPage(Strip()->FindPage(strings::Load(ids::kTabNotes))));
  ASSERT_EQ(NotesPage()->List()->GetItemCount(), 1);

  bool hpOffered = false;
  AnswerAddNote(QDate(2024, 3, 4), QTime(9, 15), &hpOffered);
  AnswerSheet([](CAddNoteSheet& sheet) {
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("cough"));
    sheet.TabBar()->setCurrentIndex(3);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("bronchitis"));
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  Frame()->View()->OnCommand(command_ids::kAddNote);

  EXPECT_TRUE(hpOffered);
  EXPECT_TRUE(m_panelUpInSheet);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(ui_seams::ModalTitles(),
            (QStringList{QStringLiteral("Add Note"), QStringLiteral("Add SOAP")}));
  CDBNotes stored;
  ASSERT_TRUE(stored.FindLatestOfPatient(m_patient));
  EXPECT_EQ(stored.DateText(), QStringLiteral("20240304091500"));
  EXPECT_EQ(stored.subjective, QStringLiteral("cough"));
  EXPECT_TRUE(stored.objective.isEmpty());
  EXPECT_EQ(stored.assessmentPlan, QStringLiteral("bronchitis"));
  const QStringList lines = soap_support::Lines(stored.noteText);
  ASSERT_GE(lines.size(), 6);
  EXPECT_EQ(lines[0], QStringLiteral("03/04/2024 09:15 AM"));
  EXPECT_EQ(lines[1], QStringLiteral("Lane, Lois"));
  EXPECT_EQ(lines[2], QStringLiteral("MR#: 4411"));
  EXPECT_EQ(lines[5], QStringLiteral("cough"));

  // The page was reloaded: the new note is listed, and the note shown before stays shown.
  ASSERT_EQ(NotesPage()->List()->GetItemCount(), 2);
  EXPECT_EQ(NotesPage()->List()->GetItemText(1, 0), QStringLiteral("03/04/2024 09:15 AM"));
  EXPECT_EQ(NotesPage()->List()->GetSelectedRow(), 0);
  EXPECT_EQ(NotesPage()->NoteBox()->toPlainText(), QStringLiteral("composed"));
  NotesPage()->List()->SelectRow(1);
  EXPECT_TRUE(NotesPage()->NoteBox()->toPlainText().startsWith(
      QStringLiteral("03/04/2024 09:15 AM\nLane, Lois\nMR#: 4411\n")));
}

TEST_F(NewNoteCommandTest, CancellingOnThePePageAfterTypingStoresNothing) {
  AnswerAddNote(QDate(2024, 3, 4), QTime(9, 15));
  AnswerSheet([](CAddNoteSheet& sheet) {
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("cough"));
    sheet.TabBar()->setCurrentIndex(2);
    sheet.PePage()->CancelButton()->click();
  });
  Frame()->View()->OnCommand(command_ids::kAddNote);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  EXPECT_EQ(NoteCount(), 0);
  EXPECT_FALSE(input_panel::IsUp());
}

TEST_F(NewNoteCommandTest, CancellingAddNoteRunsNoSheet) {
  Frame()->View()->OnCommand(command_ids::kAddNote);  // the default handler cancels
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList{QStringLiteral("Add Note")});
  EXPECT_EQ(NoteCount(), 0);
  EXPECT_FALSE(input_panel::IsUp());
}

TEST_F(NewNoteCommandTest, AnEmptySheetIsStillANote) {
  AnswerAddNote(QDate(2024, 3, 4), QTime(9, 15));
  AnswerSheet([](CAddNoteSheet& sheet) {
    sheet.TabBar()->setCurrentIndex(3);
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  Frame()->View()->OnCommand(command_ids::kAddNote);
  EXPECT_EQ(NoteCount(), 1);
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

TEST_F(NewNoteCommandTest, ANoteThatCannotBeStoredIsReported) {
  AnswerAddNote(QDate(2024, 3, 4), QTime(9, 15));
  AnswerSheet([](CAddNoteSheet& sheet) {
    sheet.SubjectPage()->SubjectiveBox()->setPlainText(QStringLiteral("cough"));
    sheet.TabBar()->setCurrentIndex(3);
    sheet.AssessPlanPage()->SaveButton()->click();
  });
  {
    // A device whose object store cannot be opened while the command runs.
    QTemporaryDir folder;
    QFile blocker(folder.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::Device broken(blocker.fileName() + QStringLiteral("/device"));
    platform::DeviceScope scope(broken);
    Frame()->View()->OnCommand(command_ids::kAddNote);
  }
  const std::vector<messages::Shown>& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("The new note could not be stored."));
  EXPECT_EQ(NoteCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Pictures for docs/, written when OVELIN_SCREENSHOT_DIR names a folder

QString ScreenshotFolder() {
  return qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
}

void ClearFocus() {
  QCoreApplication::processEvents();
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();  // no caret or selection in the picture
  }
}

TEST_F(NewNoteCommandTest, Screenshot) {
  if (ScreenshotFolder().isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  soap_support::AddNote(m_patient, At(2024, 3, 1, 8, 10), QString(), QString(), QString());
  CDBNotes note;
  ASSERT_TRUE(note.FindLatestOfPatient(m_patient));
  memory_controls::List list;
  note.FillList(list, m_patient);
  ASSERT_TRUE(note.UpdateValues(
      list.GetItemData(0),
      QStringLiteral("03/01/2024 08:10 AM\r\nLane, Lois\r\nMR#: 4411\r\n\r\nS)\r\n"
                     "Cough for three days, worse at night.\r\n\r\nO)\r\nVS:\r\n"
                     "03/01/2024 07:45 AM Temp:100.4 Pulse:92 \r\n\r\n\r\n\r\n"
                     "Scattered wheezes.\r\n\r\nPE:\r\nLungs: (+) wheezes\r\n\r\n\r\n"
                     "A/P)\r\nAcute bronchitis. Fluids, rest.\r\n")));
  soap_support::AddNote(m_patient, At(2024, 3, 4, 9, 15), QString(), QString(), QString());
  ASSERT_TRUE(Strip()->SelectPage(Strip()->FindPage(strings::Load(ids::kTabNotes))));
  ClearFocus();
  EXPECT_TRUE(Frame()->grab().save(ScreenshotFolder() + QStringLiteral("/notes.png"), "PNG"));

  CAddNoteDlg dialog;
  dialog.setGeometry(QRect(QPoint(0, 0), QSize(480, 640)));
  dialog.show();
  ClearFocus();
  EXPECT_TRUE(dialog.grab().save(ScreenshotFolder() + QStringLiteral("/add-note.png"), "PNG"));
}

}  // namespace
