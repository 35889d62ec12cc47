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
    m_host.Select(kPatient);
    m_page.SetHost(&m_host);
    m_page.resize(480, 560);
  }
  void TearDown() override { CAsciiPr::SetTarget(QString()); }

  CBaseListCtrl& List() { return *m_page.List(); }
  QString Box() { return m_page.NoteBox()->toPlainText(); }
  void Type(const QString& text) {
    m_page.NoteBox()->moveCursor(QTextCursor::End);
    m_page.NoteBox()->insertPlainText(text);
  }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }
  // The row of the shown note and whether the page reports it.
  uint32_t ReportedId() {
    int type = 0;
    uint32_t id = 0;
    if (!m_page.GetSelectedRecord(type, id)) {
      return 0;
    }
    EXPECT_EQ(type, 4);
    return id;
  }

  // Answers the save-file dialog with path and keeps what it was asked.
  void AnswerSaveAs(const QString& path) {
    ui_seams::SetSaveFileHandler([this, path](const ui_seams::SaveFileRequest& request) {
      m_request = request;
      ++m_saveAsRuns;
      return path;
    });
  }
  QByteArray Exported(const QString& text) {
    const QString path = m_folder.filePath(QStringLiteral("note.txt"));
    AnswerSaveAs(path);
    m_page.NoteBox()->setPlainText(text);
    m_page.OnExport();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  TestGuard m_guard;
  TempDevice m_device;
  QTemporaryDir m_folder;
  FakePageHost m_host;
  CNotesPage m_page;
  ui_seams::SaveFileRequest m_request;
  int m_saveAsRuns = 0;
};

TEST_F(NotesPageTest, APatientWithoutNotesHasAnEmptyReadOnlyBoxAndEveryButtonDisabled) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("someone else's"), 0, QStringLiteral("Kent, Clark"));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_TRUE(m_page.NoteBox()->isReadOnly());
  for (CPictureButton* button :
       {m_page.SaveButton(), m_page.DeleteButton(), m_page.PrintButton(), m_page.ExportButton()}) {
    EXPECT_FALSE(button->isEnabled()) << button->Caption().toStdString();
    EXPECT_TRUE(button->isVisibleTo(&m_page)) << button->Caption().toStdString();
  }
  EXPECT_FALSE(m_page.NoSaveButton()->isVisibleTo(&m_page));
  EXPECT_FALSE(m_page.NoDeleteButton()->isVisibleTo(&m_page));
  EXPECT_FALSE(m_page.ReadOnlyLabel()->isVisibleTo(&m_page));
  EXPECT_EQ(ReportedId(), 0u);
  EXPECT_EQ(soap_support::UnnamedControls(m_page), QStringList());

  // The buttons do nothing without a note.
  m_page.OnDelete();
  m_page.OnSave();
  m_page.OnPrint();
  m_page.OnExport();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(m_saveAsRuns, 0);
}

TEST_F(NotesPageTest, AFirstVisitShowsTheOldestNoteAndAReloadKeepsTheShownOne) {
  const uint32_t newer = AddNote(At(2024, 3, 2, 14, 5), QStringLiteral("second"));
  const uint32_t older = AddNote(At(2024, 3, 1, 9, 30), QStringLiteral("first"));
  ASSERT_TRUE(m_page.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(List().GetItemText(0, 0), QStringLiteral("03/01/2024 09:30 AM"));
  EXPECT_EQ(List().GetItemText(1, 0), QStringLiteral("03/02/2024 02:05 PM"));
  EXPECT_EQ(Box(), QStringLiteral("first"));
  EXPECT_EQ(ReportedId(), older);

  List().SelectRow(1);
  EXPECT_EQ(Box(), QStringLiteral("second"));
  EXPECT_EQ(ReportedId(), newer);
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());

  // A note added before the shown one, as the new-note command does, and the reload after it.
  AddNote(At(2024, 2, 28, 8), QStringLiteral("zeroth"));
  ASSERT_TRUE(m_page.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(List().GetSelectedRow(), 2);
  EXPECT_EQ(Box(), QStringLiteral("second"));

  // Once the shown note is gone, the oldest is shown again.
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(newer));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_EQ(Box(), QStringLiteral("zeroth"));
}

TEST_F(NotesPageTest, WhenTheStoreCannotBeOpenedNoEarlierPatientsNotesStayShown) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("Lois's note"));
  ASSERT_TRUE(m_page.OnSetActive());
  ASSERT_EQ(List().GetItemCount(), 1);

  // A device whose folder cannot be made: its object store does not open.
  QFile blocker(m_folder.filePath(QStringLiteral("not-a-folder")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  platform::Device broken(blocker.fileName() + QStringLiteral("/device"));
  platform::DeviceScope scope(broken);
  m_host.Select(QStringLiteral("Kent, Clark"));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_EQ(ReportedId(), 0u);
  EXPECT_FALSE(m_page.ExportButton()->isEnabled());
}

TEST_F(NotesPageTest, NotesFromTheDesktopAreReadOnlyWhetherReadOnlyOrReadWrite) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("mine"));
  AddNote(At(2024, 3, 2, 9), QStringLiteral("read only"), 1);
  AddNote(At(2024, 3, 3, 9), QStringLiteral("read write"), 2);
  ASSERT_TRUE(m_page.OnSetActive());
  for (const int row : {1, 2}) {
    List().SelectRow(row);
    EXPECT_TRUE(m_page.NoteBox()->isReadOnly()) << row;
    EXPECT_TRUE(m_page.ReadOnlyLabel()->isVisibleTo(&m_page)) << row;
    EXPECT_TRUE(m_page.NoSaveButton()->isVisibleTo(&m_page)) << row;
    EXPECT_TRUE(m_page.NoDeleteButton()->isVisibleTo(&m_page)) << row;
    EXPECT_FALSE(m_page.SaveButton()->isVisibleTo(&m_page)) << row;
    EXPECT_FALSE(m_page.DeleteButton()->isVisibleTo(&m_page)) << row;
    EXPECT_TRUE(m_page.PrintButton()->isEnabled()) << row;
    EXPECT_TRUE(m_page.ExportButton()->isEnabled()) << row;
  }
  EXPECT_EQ(m_page.ReadOnlyLabel()->text(), QStringLiteral("Read Only"));

  // Nothing of a read-only note is changed, even when asked directly.
  m_page.OnSave();
  m_page.OnDelete();
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_TRUE(Shown().empty());

  List().SelectRow(0);
  EXPECT_FALSE(m_page.NoteBox()->isReadOnly());
  EXPECT_FALSE(m_page.ReadOnlyLabel()->isVisibleTo(&m_page));
  EXPECT_TRUE(m_page.SaveButton()->isVisibleTo(&m_page));
  EXPECT_TRUE(m_page.DeleteButton()->isEnabled());
  EXPECT_FALSE(m_page.NoSaveButton()->isVisibleTo(&m_page));
}

TEST_F(NotesPageTest, EditingEnablesSaveAndSavingStoresTheTextButNotTheDate) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9, 30), QStringLiteral("line one\r\nline two"));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
  EXPECT_EQ(Box(), QStringLiteral("line one\nline two"));

  Type(QStringLiteral("\nline three"));
  EXPECT_TRUE(m_page.SaveButton()->isEnabled());
  m_page.OnSave();
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
  // The note keeps the line ends that notes have.
  EXPECT_EQ(StoredText(id), QStringLiteral("line one\r\nline two\r\nline three"));
  CDBNotes stored;
  ASSERT_TRUE(stored.LoadByCEOID(id));
  EXPECT_EQ(stored.subjective, QStringLiteral("kept subjective"));
  EXPECT_EQ(List().GetItemText(0, 0), QStringLiteral("03/01/2024 09:30 AM"));

  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(Box(), QStringLiteral("line one\nline two\nline three"));
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
}

TEST_F(NotesPageTest, ANoteThatCannotBeSavedIsReportedAndSaveStaysEnabled) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9), QStringLiteral("text"));
  ASSERT_TRUE(m_page.OnSetActive());
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(id));  // gone behind the page's back, as by a sync
  Type(QStringLiteral(" edited"));
  m_page.OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kNoteSaveFailed));
  EXPECT_TRUE(m_page.SaveButton()->isEnabled());
  EXPECT_EQ(Box(), QStringLiteral("text edited"));
}

TEST_F(NotesPageTest, DeletingAsksAndShowsTheNoteThatTakesTheDeletedOnesPlace) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("one"));
  AddNote(At(2024, 3, 2, 9), QStringLiteral("two"));
  const uint32_t third = AddNote(At(2024, 3, 3, 9), QStringLiteral("three"));
  ASSERT_TRUE(m_page.OnSetActive());
  List().SelectRow(2);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  m_page.OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this note?"));
  EXPECT_EQ(Shown()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(StoredText(third), QStringLiteral("three"));

  m_page.OnDelete();  // OK
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_FALSE(CDBNotes().LoadByCEOID(third));
  EXPECT_EQ(List().GetSelectedRow(), 1);
  EXPECT_EQ(Box(), QStringLiteral("two"));
  EXPECT_TRUE(m_page.DeleteButton()->isEnabled());

  // The first row: the note after it moves up into its place.
  List().SelectRow(0);
  m_page.OnDelete();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Box(), QStringLiteral("two"));

  // The only note: the page is left empty.
  m_page.OnDelete();
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Box().isEmpty());
  EXPECT_EQ(ReportedId(), 0u);
  for (CPictureButton* button :
       {m_page.SaveButton(), m_page.DeleteButton(), m_page.PrintButton(), m_page.ExportButton()}) {
    EXPECT_FALSE(button->isEnabled()) << button->Caption().toStdString();
  }
}

TEST_F(NotesPageTest, ANoteThatCannotBeDeletedIsReportedAndStaysListed) {
  const uint32_t id = AddNote(At(2024, 3, 1, 9), QStringLiteral("one"));
  ASSERT_TRUE(m_page.OnSetActive());
  ASSERT_TRUE(CDBNotes().DeleteByCEOID(id));
  m_page.OnDelete();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, strings::Load(ids::kNoteDeleteFailed));
  EXPECT_EQ(List().GetItemCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// Printing

TEST_F(NotesPageTest, PrintingAnEmptyNoteDoesNothingEvenWithTextTypedSince) {
  const QString job = m_folder.filePath(QStringLiteral("printer.txt"));
  CAsciiPr::SetTarget(QStringLiteral("file:") + job);
  AddNote(At(2024, 3, 1, 9), QString());
  ASSERT_TRUE(m_page.OnSetActive());
  Type(QStringLiteral("typed, not saved"));
  m_page.OnPrint();
  EXPECT_FALSE(QFile::exists(job));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(NotesPageTest, PrintingSendsTheBoxToThePrinterLaidOutByThePageSettings) {
  const QString job = m_folder.filePath(QStringLiteral("printer.txt"));
  CAsciiPr::SetTarget(QStringLiteral("file:") + job);
  m_host.shell.printSettings = {10, 20, 2, 3, 1};  // lines, width, top, bottom, left margin
  AddNote(At(2024, 3, 1, 9), QStringLiteral("S)\r\ncough"));
  ASSERT_TRUE(m_page.OnSetActive());
  Type(QStringLiteral(" and fever since Monday\n2\n3\n4"));  // unsaved edits are printed too
  m_page.OnPrint();
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
  ASSERT_TRUE(m_page.OnSetActive());

  // Settings that leave no room for text: the printer cannot be opened.
  m_host.shell.printSettings.leftMargin = 80;
  m_page.OnPrint();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("An error occurred while connecting to the printer!"));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::None);

  // A job that no printer takes.
  m_host.shell.printSettings = {};
  CAsciiPr::SetTarget(QStringLiteral("file:/nonexistent-folder/printer.txt"));
  m_page.OnPrint();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, strings::Load(ids::kPrinterNotFound));
  EXPECT_EQ(Shown()[1].buttons, messages::Buttons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Export

TEST_F(NotesPageTest, ExportAsksForATextFileAndWritesTheTextWithItsTerminatingZero) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(Exported(QStringLiteral("abc")), Bytes({0x61, 0x62, 0x63, 0x00}));
  EXPECT_EQ(m_request.defaultSuffix, QStringLiteral("txt"));
  EXPECT_EQ(m_request.caption, QStringLiteral("Save As"));
  EXPECT_TRUE(m_request.directory.isEmpty());
  EXPECT_TRUE(m_request.filter.isEmpty());
  EXPECT_TRUE(Shown().empty());

  // Line ends as notes hold them; an existing file is replaced whole.
  EXPECT_EQ(Exported(QStringLiteral("S)\ncough")), QByteArray("S)\r\ncough", 10));

  // A name without an extension gets ".txt".
  AnswerSaveAs(m_folder.filePath(QStringLiteral("plain")));
  m_page.OnExport();
  EXPECT_TRUE(QFile::exists(m_folder.filePath(QStringLiteral("plain.txt"))));
}

TEST_F(NotesPageTest, ExportWritesTheWesternCodePage) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(m_page.OnSetActive());
  EXPECT_EQ(Exported(QStringLiteral("\u00e9\u20ac")), Bytes({0xE9, 0x80, 0x00}));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(NotesPageTest, CharactersOutsideTheCodePageBecomeQuestionMarksAndAreReported) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(m_page.OnSetActive());
  // An arrow, then a character beyond the 16-bit range (a surrogate pair), and text after both.
  EXPECT_EQ(Exported(QStringLiteral("a\u2192b \U0001F600 end")), QByteArray("a?b ? end", 10));
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::FormatId(ids::kNoteExportReplaced, 2));
  EXPECT_TRUE(Shown()[0].text.contains(QStringLiteral(" 2 ")));
}

TEST_F(NotesPageTest, ExportStopsWhenCancelledAndReportsAFileThatCannotBeWritten) {
  AddNote(At(2024, 3, 1, 9), QStringLiteral("stored"));
  ASSERT_TRUE(m_page.OnSetActive());
  AnswerSaveAs(QString());
  m_page.OnExport();
  EXPECT_EQ(m_saveAsRuns, 1);
  EXPECT_TRUE(Shown().empty());

  AnswerSaveAs(m_folder.filePath(QStringLiteral("missing-folder/note.txt")));
  m_page.OnExport();
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
