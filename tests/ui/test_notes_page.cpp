#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>

#include "FakeHost.h"
#include "common/CAsciiPr.h"
#include "common/MemoryControls.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/UiSeams.h"
#include "notes/CNotesPage.h"
#include "notes/NoteExport.h"
#include "soap_support.h"
#include "store/CDBNotes.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using test_time::At;

const QString kPatient = QStringLiteral("Lane, Lois");

// Stores a note of the patient; a note with an access state other than 0 came from the desktop.
uint32_t AddNote(const FILETIME& when, const QString& text, int32_t accessState = 0,
                 const QString& patient = kPatient) {
  CDBNotes note;
  soap_support::Place(note, patient, when);
  note.timeStamp = when;
  note.noteText = text;
  note.subjective = QStringLiteral("kept subjective");
  note.accessState = accessState;
  note.desktopId = accessState != 0 ? 40 : 0;
  EXPECT_TRUE(note.AddNew(accessState != 0));
  // The new note's record id, from the patient's list.
  memory_controls::List list;
  CDBNotes stored;
  stored.FillList(list, patient);
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (stored.LoadByCEOID(list.GetItemData(row)) && stored.RecordKey() == note.RecordKey()) {
      return list.GetItemData(row);
    }
  }
  ADD_FAILURE() << "the note was not stored";
  return 0;
}

QString StoredText(uint32_t id) {
  CDBNotes note;
  EXPECT_TRUE(note.LoadByCEOID(id));
  return note.noteText;
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (const int value : values) {
    bytes.append(static_cast<char>(value));
  }
  return bytes;
}

// The page alone on a fresh device, shown for Lois Lane.
class NotesPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    host_.Select(kPatient);
    page_.SetHost(&host_);
    page_.resize(480, 560);
  }
  void TearDown() override { CAsciiPr::SetTarget(QString()); }

  CBaseListCtrl& List() { return *page_.List(); }
  QString Box() { return page_.NoteBox()->toPlainText(); }
  void Type(const QString& text) {
    page_.NoteBox()->moveCursor(QTextCursor::End);
    page_.NoteBox()->insertPlainText(text);
  }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }
  // The row of the shown note and whether the page reports it.
  uint32_t ReportedId() {
    int type = 0;
    uint32_t id = 0;
    if (!page_.GetSelectedRecord(type, id)) {
      return 0;
    }
    EXPECT_EQ(type, 4);
    return id;
  }

  // Answers the save-file dialog with path and keeps what it was asked.
  void AnswerSaveAs(const QString& path) {
    ui_seams::SetSaveFileHandler([this, path](const ui_seams::SaveFileRequest& request) {
      request_ = request;
      ++saveAsRuns_;
      return path;
    });
  }
  QByteArray Exported(const QString& text) {
    const QString path = folder_.filePath(QStringLiteral("note.txt"));
    AnswerSaveAs(path);
    page_.NoteBox()->setPlainText(text);
    page_.OnExport();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  TestGuard guard_;
  TempDevice device_;
  QTemporaryDir folder_;
  FakePageHost host_;
  CNotesPage page_;
  ui_seams::SaveFileRequest request_;
  int saveAsRuns_ = 0;
};

TEST_F(NotesPageTest, APatientWithoutNotesHasAnEmptyReadOnlyBoxAndEveryButtonDisabled) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("someone else's"), 0, QStringLiteral("Kent, Clark"));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_TRUE(page_.NoteBox()->isReadOnly());
  for (CPictureButton* button :
       {page_.SaveButton(), page_.DeleteButton(), page_.PrintButton(), page_.ExportButton()}) {
    EXPECT_FALSE(button->isEnabled()) << button->Caption().toStdString();
    EXPECT_TRUE(button->isVisibleTo(&page_)) << button->Caption().toStdString();
  }
  EXPECT_FALSE(page_.NoSaveButton()->isVisibleTo(&page_));
  EXPECT_FALSE(page_.NoDeleteButton()->isVisibleTo(&page_));
  EXPECT_FALSE(page_.ReadOnlyLabel()->isVisibleTo(&page_));
  EXPECT_EQ(ReportedId(), 0u);
  EXPECT_EQ(soap_support::UnnamedControls(page_), QStringList());

  // The buttons do nothing without a note.
  page_.OnDelete();
  page_.OnSave();
  page_.OnPrint();
  page_.OnExport();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(saveAsRuns_, 0);
}

TEST_F(NotesPageTest, AFirstVisitShowsTheOldestNoteAndAReloadKeepsTheShownOne) {
  const uint32_t newer = AddNote(At(2024, 3, 2, 14, 5), QStringLiteral("second"));
  const uint32_t older = AddNote(At(2024, 3, 1, 9, 30), QStringLiteral("first"));
  ASSERT_TRUE(page_.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(List().GetItemText(0, 0), QStringLiteral("03/01/2024 09:30 AM"));
  EXPECT_EQ(List().GetItemText(1, 0), QStringLiteral("03/02/2024 02:05 PM"));
  EXPECT_EQ(Box(), QStringLiteral("first"));
  EXPECT_EQ(ReportedId(), older);

  List().SelectRow(1);
  EXPECT_EQ(Box(), QStringLiteral("second"));
  EXPECT_EQ(ReportedId(), newer);
  EXPECT_FALSE(page_.SaveButton()->isEnabled());

  // A note added before the shown one, as the new-note command does, and the reload after it.
  AddNote(At(2024, 2, 28, 8), QStringLiteral("zeroth"));
  ASSERT_TRUE(page_.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(List().GetSelectedRow(), 2);
  EXPECT_EQ(Box(), QStringLiteral("second"));

  // Once the shown note is gone, the oldest is shown again.
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(newer));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_EQ(Box(), QStringLiteral("zeroth"));
}

TEST_F(NotesPageTest, WhenTheStoreCannotBeOpenedNoEarlierPatientsNotesStayShown) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("Lois's note"));
  ASSERT_TRUE(page_.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 1);

  // A device whose folder cannot be made: its object store does not open.
  QFile blocker(folder_.filePath(QStringLiteral("not-a-folder")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  platform::Device broken(blocker.fileName() + QStringLiteral("/device"));
  platform::DeviceScope scope(broken);
  host_.Select(QStringLiteral("Kent, Clark"));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_EQ(ReportedId(), 0u);
  EXPECT_FALSE(page_.ExportButton()->isEnabled());
}

TEST_F(NotesPageTest, NotesFromTheDesktopAreReadOnlyWhetherReadOnlyOrReadWrite) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("mine"));
  AddNote(At(2024, 3, 2, 9), QStringLiteral("read only"), 1);
  AddNote(At(2024, 3, 3, 9), QStringLiteral("read write"), 2);
  ASSERT_TRUE(page_.OnSetActive());
  for (const int row : {1, 2}) {
    List().SelectRow(row);
    EXPECT_TRUE(page_.NoteBox()->isReadOnly()) << row;
    EXPECT_TRUE(page_.ReadOnlyLabel()->isVisibleTo(&page_)) << row;
    EXPECT_TRUE(page_.NoSaveButton()->isVisibleTo(&page_)) << row;
    EXPECT_TRUE(page_.NoDeleteButton()->isVisibleTo(&page_)) << row;
    EXPECT_FALSE(page_.SaveButton()->isVisibleTo(&page_)) << row;
    EXPECT_FALSE(page_.DeleteButton()->isVisibleTo(&page_)) << row;
    EXPECT_TRUE(page_.PrintButton()->isEnabled()) << row;
    EXPECT_TRUE(page_.ExportButton()->isEnabled()) << row;
  }
  EXPECT_EQ(page_.ReadOnlyLabel()->text(), QStringLiteral("Read Only"));

  // Nothing of a read-only note is changed, even when asked directly.
  page_.OnSave();
  page_.OnDelete();
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_TRUE(Shown().empty());

  List().SelectRow(0);
  EXPECT_FALSE(page_.NoteBox()->isReadOnly());
  EXPECT_FALSE(page_.ReadOnlyLabel()->isVisibleTo(&page_));
  EXPECT_TRUE(page_.SaveButton()->isVisibleTo(&page_));
  EXPECT_TRUE(page_.DeleteButton()->isEnabled());
  EXPECT_FALSE(page_.NoSaveButton()->isVisibleTo(&page_));
}

TEST_F(NotesPageTest, EditingEnablesSaveAndSavingStoresTheTextButNotTheDate) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9, 30), QStringLiteral("line one\r\nline two"));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_FALSE(page_.SaveButton()->isEnabled());
  EXPECT_EQ(Box(), QStringLiteral("line one\nline two"));

  Type(QStringLiteral("\nline three"));
  EXPECT_TRUE(page_.SaveButton()->isEnabled());
  page_.OnSave();
  EXPECT_FALSE(page_.SaveButton()->isEnabled());
  // The note keeps the line ends that notes have.
  EXPECT_EQ(StoredText(id), QStringLiteral("line one\r\nline two\r\nline three"));
  CDBNotes stored;
  ASSERT_TRUE(stored.LoadByCEOID(id));
  EXPECT_EQ(stored.subjective, QStringLiteral("kept subjective"));
  EXPECT_EQ(List().GetItemText(0, 0), QStringLiteral("03/01/2024 09:30 AM"));

  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(Box(), QStringLiteral("line one\nline two\nline three"));
  EXPECT_FALSE(page_.SaveButton()->isEnabled());
}

TEST_F(NotesPageTest, ANoteThatCannotBeSavedIsReportedAndSaveStaysEnabled) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9), QStringLiteral("text"));
  ASSERT_TRUE(page_.OnSetActive());
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(id));  // gone behind the page's back, as by a sync
  Type(QStringLiteral(" edited"));
  page_.OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kNoteSaveFailed));
  EXPECT_TRUE(page_.SaveButton()->isEnabled());
  EXPECT_EQ(Box(), QStringLiteral("text edited"));
}

TEST_F(NotesPageTest, DeletingAsksAndShowsTheNoteThatTakesTheDeletedOnesPlace) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("one"));
  AddNote(At(2024, 3, 2, 9), QStringLiteral("two"));
  const uint32_t third = AddNote(At(2024, 3, 3, 9), QStringLiteral("three"));
  ASSERT_TRUE(page_.OnSetActive());
  List().SelectRow(2);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  page_.OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this note?"));
  EXPECT_EQ(Shown()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(StoredText(third), QStringLiteral("three"));

  page_.OnDelete();  // OK
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_FALSE(CDBNotes().LoadByCEOID(third));
  EXPECT_EQ(List().GetSelectedRow(), 1);
  EXPECT_EQ(Box(), QStringLiteral("two"));
  EXPECT_TRUE(page_.DeleteButton()->isEnabled());

  // The first row: the note after it moves up into its place.
  List().SelectRow(0);
  page_.OnDelete();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Box(), QStringLiteral("two"));

  // The only note: the page is left empty.
  page_.OnDelete();
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_EQ(ReportedId(), 0u);
  for (CPictureButton* button :
       {page_.SaveButton(), page_.DeleteButton(), page_.PrintButton(), page_.ExportButton()}) {
    EXPECT_FALSE(button->isEnabled()) << button->Caption().toStdString();
  }
}

TEST_F(NotesPageTest, ANoteThatCannotBeDeletedIsReportedAndStaysListed) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9), QStringLiteral("one"));
  ASSERT_TRUE(page_.OnSetActive());
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(id));
  page_.OnDelete();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, strings::Load(ids::kNoteDeleteFailed));
  EXPECT_EQ(List().GetItemCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// Printing

TEST_F(NotesPageTest, PrintingAnEmptyNoteDoesNothingEvenWithTextTypedSince) {
  const QString job = folder_.filePath(QStringLiteral("printer.txt"));
  CAsciiPr::SetTarget(QStringLiteral("file:") + job);
  AddNote(At(2024, 3, 1, 9), QString());
  ASSERT_TRUE(page_.OnSetActive());
  Type(QStringLiteral("typed, not saved"));
  page_.OnPrint();
  EXPECT_FALSE(QFile::exists(job));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(NotesPageTest, PrintingSendsTheBoxToThePrinterLaidOutByThePageSettings) {
  const QString job = folder_.filePath(QStringLiteral("printer.txt"));
  CAsciiPr::SetTarget(QStringLiteral("file:") + job);
  host_.shell.printSettings = {10, 20, 2, 3, 1};  // lines, width, top, bottom, left margin
  AddNote(At(2024, 3, 1, 9), QStringLiteral("S)\r\ncough"));
  ASSERT_TRUE(page_.OnSetActive());
  Type(QStringLiteral(" and fever since Monday\n2\n3\n4"));  // unsaved edits are printed too
  page_.OnPrint();
  EXPECT_TRUE(Shown().empty());
  QFile file(job);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  // Two blank lines on top, a one-column left margin, lines of at most 19 characters, five lines
  // of text on a page of ten with three left blank at the bottom, and the last page ejected.
  EXPECT_EQ(file.readAll().toStdString(),
            "\r\n\r\n S)\r\n cough and fever\r\n since Monday\r\n 2\r\n 3\r\n\f"
            "\r\n\r\n 4\r\n\f");
}

TEST_F(NotesPageTest, PrinterFailuresAreReported) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("text"));
  ASSERT_TRUE(page_.OnSetActive());

  // Settings that leave no room for text: the printer cannot be opened.
  host_.shell.printSettings.leftMargin = 80;
  page_.OnPrint();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("An error occurred while connecting to the printer!"));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::None);

  // A job that no printer takes.
  host_.shell.printSettings = {};
  CAsciiPr::SetTarget(QStringLiteral("file:/nonexistent-folder/printer.txt"));
  page_.OnPrint();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, strings::Load(ids::kPrinterNotFound));
  EXPECT_EQ(Shown()[1].buttons, messages::Buttons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Export

TEST_F(NotesPageTest, ExportAsksForATextFileAndWritesTheTextWithItsTerminatingZero) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(Exported(QStringLiteral("abc")), Bytes({0x61, 0x62, 0x63, 0x00}));
  EXPECT_EQ(request_.defaultSuffix, QStringLiteral("txt"));
  EXPECT_EQ(request_.caption, QStringLiteral("Save As"));
  EXPECT_TRUE(request_.directory.isEmpty());
  EXPECT_TRUE(request_.filter.isEmpty());
  EXPECT_TRUE(Shown().empty());

  // Line ends as notes hold them; an existing file is replaced whole.
  EXPECT_EQ(Exported(QStringLiteral("S)\ncough")), QByteArray("S)\r\ncough", 10));

  // A name without an extension gets ".txt".
  AnswerSaveAs(folder_.filePath(QStringLiteral("plain")));
  page_.OnExport();
  EXPECT_TRUE(QFile::exists(folder_.filePath(QStringLiteral("plain.txt"))));
}

TEST_F(NotesPageTest, ExportWritesTheWesternCodePage) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(page_.OnSetActive());
  EXPECT_EQ(Exported(QStringLiteral("\u00e9\u20ac")), Bytes({0xE9, 0x80, 0x00}));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(NotesPageTest, CharactersOutsideTheCodePageBecomeQuestionMarksAndAreReported) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(page_.OnSetActive());
  // An arrow, then a character beyond the 16-bit range (a surrogate pair), and text after both.
  EXPECT_EQ(Exported(QStringLiteral("a\u2192b \U0001F600 end")), QByteArray("a?b ? end", 10));
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::FormatId(ids::kNoteExportReplaced, 2));
  EXPECT_TRUE(Shown()[0].text.contains(QStringLiteral(" 2 ")));
}

TEST_F(NotesPageTest, ExportStopsWhenCancelledAndReportsAFileThatCannotBeWritten) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(page_.OnSetActive());
  AnswerSaveAs(QString());
  page_.OnExport();
  EXPECT_EQ(saveAsRuns_, 1);
  EXPECT_TRUE(Shown().empty());

  AnswerSaveAs(folder_.filePath(QStringLiteral("missing-folder/note.txt")));
  page_.OnExport();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kExportFailed));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::None);
}

TEST(NoteExport, TheConversionGoesOnAfterEveryCharacterItCannotWrite) {
  // A character the code page leaves undefined, a lone surrogate inside and one at the end.
  QString text = QStringLiteral("x\u0081y");
  text += QChar(0xDC00);
  text += QStringLiteral("z");
  text += QChar(0xD800);
  const note_export::Encoded encoded = note_export::ToCodePage(text);
  ASSERT_TRUE(encoded.ok);
  EXPECT_EQ(encoded.bytes, QByteArray("x?y?z?", 7));
  EXPECT_EQ(encoded.replaced, 3);

  const note_export::Encoded empty = note_export::ToCodePage(QString());
  EXPECT_EQ(empty.bytes, QByteArray(1, '\0'));
  EXPECT_EQ(empty.replaced, 0);
}

}  // namespace
