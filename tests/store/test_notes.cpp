#include <gtest/gtest.h>

#include "common/MemoryControls.h"
#include "dated_support.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBNotes.h"

using namespace dated_support;

namespace {

const QString kPatient = QStringLiteral("Smith, J");

bool AddNote(const FILETIME& when, const QString& text, const QString& subjective,
             const QString& objective, const QString& plan, const QString& name = kPatient) {
  CDBNotes note;
  note.patient = name;
  note.date = when;
  note.time = when;
  note.noteText = text;
  note.subjective = subjective;
  note.objective = objective;
  note.assessmentPlan = plan;
  return note.AddNew(false);
}

class NoteStore : public DatedStoreTest {};

TEST_F(NoteStore, SerialisedFormCarriesTheFullTextOnly) {
  CDBNotes note;
  note.date = At(2024, 3, 5, 10, 0);
  note.time = note.date;
  note.timeStamp = At(2024, 3, 5, 10, 5);
  note.noteText = QStringLiteral("S: cough");
  note.subjective = QStringLiteral("cough");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(note.Serialize(bytes));
  ExpectedBytes expected;
  expected.U8(4).U32(0).U32(0).Time(note.timeStamp).Time(note.date).Time(note.time);
  expected.Text(QStringLiteral("S: cough"));
  EXPECT_EQ(bytes, expected.Bytes());
}

TEST_F(NoteStore, SerialisedOnOneDeviceAndFiledOnAnotherWithEmptySections) {
  const FILETIME when = At(2024, 3, 5, 10, 0, 1);
  std::vector<uint8_t> bytes;
  {
    TempDevice sender;
    clock_source::Fix(At(2024, 3, 5, 10, 30, 2));
    ASSERT_TRUE(AddNote(when, "S: cough\r\nA/P: rest", "cough", "", "rest"));
    CDBNotes note;
    ASSERT_TRUE(note.FindFirstOfPatient(kPatient));
    note.CloseWalk();
    ASSERT_TRUE(note.Serialize(bytes));
  }
  TempDevice receiver;
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  CDBNotes receiving;
  receiving.subjective = QStringLiteral("from an earlier use of the object");
  ASSERT_TRUE(receiving.Write(bytes.data(), bytes.size()));
  CDBNotes stored;
  ASSERT_TRUE(stored.FindLatestOfPatient(kPatient));
  EXPECT_EQ(stored.date, when);
  EXPECT_EQ(stored.time, when);
  EXPECT_EQ(stored.noteText, QStringLiteral("S: cough\r\nA/P: rest"));
  EXPECT_EQ(stored.subjective, QString());
  EXPECT_EQ(stored.assessmentPlan, QString());
  EXPECT_EQ(stored.timeStamp, At(2024, 3, 5, 10, 30, 2));
}

TEST_F(NoteStore, ReceivedNoteOfTheSameTimeOverwritesTextKeepingSections) {
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  const FILETIME when = At(2024, 3, 5, 10, 0);
  ASSERT_TRUE(AddNote(when, "first", "s", "o", "ap"));
  CDBNotes sent;
  sent.date = when;
  sent.time = when;
  sent.noteText = QStringLiteral("second");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(sent.Serialize(bytes));
  ASSERT_TRUE(CDBNotes().Write(bytes.data(), bytes.size()));

  memory_controls::List list;
  CDBNotes notes;
  notes.FillList(list, kPatient);
  ASSERT_EQ(list.GetItemCount(), 1);
  ASSERT_TRUE(notes.LoadByCEOID(list.GetItemData(0)));
  EXPECT_EQ(notes.noteText, QStringLiteral("second"));
  EXPECT_EQ(notes.subjective, QStringLiteral("s"));
  EXPECT_EQ(notes.assessmentPlan, QStringLiteral("ap"));
}

TEST_F(NoteStore, LatestSectionsComeFromTheMostRecentNote) {
  ASSERT_TRUE(AddNote(At(2024, 3, 4, 8, 0), "soap", "cough", "clear", "rest"));
  // The later note is an H&P note: no subjective or objective section.
  ASSERT_TRUE(AddNote(At(2024, 3, 5, 8, 0), "h&p", "", "", "admit"));
  ASSERT_TRUE(AddNote(At(2024, 3, 9, 8, 0), "other", "x", "y", "z", "Smith, Jo"));
  CDBNotes notes;
  EXPECT_EQ(notes.LatestSubjective(kPatient), QString());
  EXPECT_EQ(notes.LatestObjective(kPatient), QString());
  EXPECT_EQ(notes.LatestAssessmentPlan(kPatient), QStringLiteral("admit"));

  // A patient without notes, sorting right after one with notes.
  EXPECT_EQ(notes.LatestSubjective(QStringLiteral("Smith, Ja")), QString());
  EXPECT_EQ(notes.LatestObjective(QStringLiteral("Smith, Ja")), QString());
  EXPECT_EQ(notes.LatestAssessmentPlan(QStringLiteral("Smith, Ja")), QString());
}

TEST_F(NoteStore, UpdateValuesLeavesSectionsUnchanged) {
  ASSERT_TRUE(AddNote(At(2024, 3, 4, 8, 0), "S: cough", "cough", "clear", "rest"));
  memory_controls::List list;
  CDBNotes notes;
  notes.FillList(list, kPatient);
  ASSERT_EQ(list.GetItemCount(), 1);
  clock_source::Fix(At(2024, 3, 6, 7, 0));
  ASSERT_TRUE(notes.UpdateValues(list.GetItemData(0), QStringLiteral("S: cough, edited")));
  ASSERT_TRUE(notes.LoadByCEOID(list.GetItemData(0)));
  EXPECT_EQ(notes.noteText, QStringLiteral("S: cough, edited"));
  EXPECT_EQ(notes.timeStamp, At(2024, 3, 6, 7, 0));
  EXPECT_EQ(notes.LatestSubjective(kPatient), QStringLiteral("cough"));
  EXPECT_EQ(notes.LatestObjective(kPatient), QStringLiteral("clear"));
  EXPECT_FALSE(notes.UpdateValues(list.GetItemData(0) + 1000, QStringLiteral("x")));
}

TEST_F(NoteStore, FillListShowsDatedNotesOldestFirstAndSelectsTheFirst) {
  ASSERT_TRUE(AddNote(At(2024, 3, 5, 13, 0), "b", "", "", ""));
  ASSERT_TRUE(AddNote(At(2024, 3, 4, 8, 0), "a", "", "", ""));
  ASSERT_TRUE(AddNote(At(2024, 3, 4, 9, 0), "c", "", "", "", "Smith, Jo"));
  {
    // A note without a date property (as a desktop could leave one) is not listed.
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(QStringLiteral("OVNotes")));
    ASSERT_NE(db.Add({{CDBNotes::kKeyProp, kPatient}, {CDBNotes::kNoteTextProp, "undated"}}), 0u);
  }
  memory_controls::List list;
  list.InsertItem(0, QStringLiteral("stale"));
  CDBNotes notes;
  notes.FillList(list, kPatient);
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemText(0, 0), QStringLiteral("03/04/2024 08:00 AM"));
  EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("03/05/2024 01:00 PM"));
  EXPECT_EQ(list.Selected(), 0);
  ASSERT_TRUE(notes.LoadByCEOID(list.GetItemData(1)));
  EXPECT_EQ(notes.noteText, QStringLiteral("b"));

  // The undated note reads with the whole key as its patient and an empty text elsewhere.
  ASSERT_TRUE(notes.FindByName(kPatient));
  EXPECT_EQ(notes.patient, kPatient);
  EXPECT_EQ(notes.noteText, QStringLiteral("undated"));
  EXPECT_EQ(notes.subjective, QString());
}

}  // namespace
