#include <gtest/gtest.h>

#include <optional>

#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/Clock.h"
#include "store/CDBMeds.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using platform::Record;

using test_time::At;

// A medication of patient, started on start, with the dialog's eight values.
void Fill(CDBMeds& meds, const QString& patient, const QString& drug, const FILETIME& start,
          const QString& trackDays = "No", const QString& days = "") {
  meds.patient = patient;
  meds.drug = drug;
  meds.dose = "500mg";
  meds.route = "PO";
  meds.frequency = "TID";
  meds.trackDays = trackDays;
  meds.days = days;
  meds.dispensed = "30";
  meds.refills = "2";
  meds.startDate = start;
}

CDBBaseDatabase::RecordId AddMed(const QString& patient, const QString& drug, const FILETIME& start,
                                 const QString& trackDays = "No", const QString& days = "") {
  CDBMeds meds;
  Fill(meds, patient, drug, start, trackDays, days);
  if (!meds.AddNew(false)) {
    return 0;
  }
  memory_controls::List list;
  meds.FillList(patient, list);
  return list.GetItemCount() > 0 ? list.GetItemData(list.GetItemCount() - 1) : 0;
}

// The rows FillList shows for patient.
QStringList Rows(const QString& patient) {
  memory_controls::List list;
  CDBMeds().FillList(patient, list);
  QStringList rows;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    rows.append(list.GetItemText(row, 0));
  }
  return rows;
}

// Every record of the medication store, properties as stored.
std::vector<Record> StoredRecords() {
  std::vector<Record> records;
  platform::PropertyDatabase db;
  if (!db.Open(CDBMeds::kVolumeName)) {
    return records;
  }
  for (auto id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
    Record record;
    db.Read(record);
    records.push_back(record);
  }
  return records;
}

QString Prop(const Record& record, platform::PropId id) {
  const platform::Property* property = record.Find(id);
  return property ? property->value : QStringLiteral("<none>");
}

bool FilePatient(const QString& first, const QString& last, int32_t desktopId = 0,
                 int32_t accessState = 0) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = "Clinic";
  patient.desktopId = desktopId;
  patient.accessState = accessState;
  return patient.CreateRecord(desktopId != 0 || accessState != 0);
}

class MedsStore : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

// ---- Records, properties and updates --------------------------------------------------------

TEST_F(MedsStore, AddsElevenPropertiesHereAndThirteenWhenReceived) {
  clock_source::Fix(At(2024, 3, 10, 14, 5, 9));
  CDBMeds meds;
  Fill(meds, "Smith, Ann", "Amox", At(2024, 3, 9, 16, 30));
  meds.desktopId = 5;  // ignored for a medication made here
  meds.accessState = 1;
  ASSERT_TRUE(meds.AddNew(false));
  EXPECT_EQ(meds.desktopId, 0);
  EXPECT_EQ(meds.timeStamp, At(2024, 3, 10, 14, 5, 9));

  CDBMeds received;
  Fill(received, "Smith, Ann", "Lasix", At(2024, 3, 1));
  received.timeStamp = At(2024, 2, 28, 7, 45, 30);
  received.desktopId = 12;
  received.accessState = 1;
  ASSERT_TRUE(received.AddNew(true));

  const std::vector<Record> records = StoredRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Properties().size(), 11u);
  EXPECT_EQ(Prop(records[0], CDBBaseDatabase::kKeyProp), "Smith, Ann");
  EXPECT_EQ(Prop(records[0], CDBMeds::kStartDateProp), "20240309");  // the day alone
  EXPECT_EQ(Prop(records[0], CDBMeds::kTimeStampProp), "20240310140509");
  EXPECT_EQ(Prop(records[0], CDBBaseDatabase::kDesktopIdProp), "<none>");
  EXPECT_EQ(Prop(records[0], CDBBaseDatabase::kAccessStateProp), "<none>");

  EXPECT_EQ(records[1].Properties().size(), 13u);
  // The sender's stamp is kept to the second.
  EXPECT_EQ(Prop(records[1], CDBMeds::kTimeStampProp), "20240228074530");
  EXPECT_EQ(Prop(records[1], CDBBaseDatabase::kDesktopIdProp), "12");
  EXPECT_EQ(Prop(records[1], CDBBaseDatabase::kAccessStateProp), "1");
}

TEST_F(MedsStore, ReadsBackTheMembers) {
  clock_source::Fix(At(2024, 3, 10, 9));
  const auto id = AddMed("Smith, Ann", "Amox", At(2024, 3, 9, 16, 30), "Yes", "7");
  ASSERT_NE(id, 0u);

  CDBMeds meds;
  ASSERT_TRUE(meds.LoadByCEOID(id));
  EXPECT_EQ(meds.patient, "Smith, Ann");
  EXPECT_EQ(meds.drug, "Amox");
  EXPECT_EQ(meds.dose, "500mg");
  EXPECT_EQ(meds.route, "PO");
  EXPECT_EQ(meds.frequency, "TID");
  EXPECT_EQ(meds.trackDays, "Yes");
  EXPECT_EQ(meds.days, "7");
  EXPECT_EQ(meds.dispensed, "30");
  EXPECT_EQ(meds.refills, "2");
  EXPECT_EQ(meds.startDate, At(2024, 3, 9));
  EXPECT_EQ(meds.timeStamp, At(2024, 3, 10, 9));
  EXPECT_EQ(meds.desktopId, 0);
  EXPECT_EQ(meds.accessState, 0);
  EXPECT_FALSE(meds.LoadByCEOID(id + 1000));

  CDBMeds first;
  EXPECT_TRUE(first.FindByName("smith, ann"));  // as the order compares
  EXPECT_EQ(first.drug, "Amox");
  EXPECT_FALSE(first.FindByName("Smith, An"));
}

TEST_F(MedsStore, UpdateRewritesFieldsButKeepsPatientAndSyncMarks) {
  clock_source::Fix(At(2024, 3, 10, 9));
  CDBMeds received;
  Fill(received, "Smith, Ann", "Amox", At(2024, 3, 1));
  received.desktopId = 0;
  received.accessState = 2;
  ASSERT_TRUE(received.AddNew(true));
  memory_controls::List list;
  CDBMeds().FillList("Smith, Ann", list);
  ASSERT_EQ(list.GetItemCount(), 1);
  const auto recordId = list.GetItemData(0);

  clock_source::Fix(At(2024, 3, 11, 8, 0, 1));
  CDBMeds edit;
  Fill(edit, "", "Amoxicillin", At(2024, 3, 2), "Yes", "10");
  edit.refills = "0";
  ASSERT_TRUE(edit.UpdateByCEOID(recordId));
  EXPECT_EQ(edit.patient, "Smith, Ann");

  const Record stored = StoredRecords().at(0);
  EXPECT_EQ(Prop(stored, CDBBaseDatabase::kKeyProp), "Smith, Ann");
  EXPECT_EQ(Prop(stored, CDBMeds::kDrugProp), "Amoxicillin");
  EXPECT_EQ(Prop(stored, CDBMeds::kRefillsProp), "0");
  EXPECT_EQ(Prop(stored, CDBMeds::kStartDateProp), "20240302");
  EXPECT_EQ(Prop(stored, CDBMeds::kTimeStampProp), "20240311080001");
  EXPECT_EQ(Prop(stored, CDBBaseDatabase::kAccessStateProp), "2");

  EXPECT_FALSE(edit.UpdateByCEOID(recordId + 1000));
  EXPECT_FALSE(edit.UpdateByCEOID(0));
  EXPECT_EQ(StoredRecords().size(), 1u);
}

TEST_F(MedsStore, AccessStateFollowsThePatientOnlyForSynchronisedMedications) {
  ASSERT_TRUE(FilePatient("Ann", "Smith", 70, 2));
  const QString ann = "Smith, Ann";

  CDBMeds synced;  // came from the desktop: the patient's state rules
  Fill(synced, ann, "Synced", At(2024, 3, 1));
  synced.desktopId = 9;
  synced.accessState = 1;
  ASSERT_TRUE(synced.AddNew(true));

  CDBMeds marked;  // never synchronised but marked read-only: its own property rules
  Fill(marked, ann, "Marked", At(2024, 3, 1));
  marked.desktopId = 0;
  marked.accessState = 1;
  ASSERT_TRUE(marked.AddNew(true));

  ASSERT_NE(AddMed(ann, "Local", At(2024, 3, 1)), 0u);

  CDBMeds walk;
  ASSERT_TRUE(walk.FindFirstOfPatient(ann));
  EXPECT_EQ(walk.drug, "Synced");
  EXPECT_EQ(walk.desktopId, 9);
  EXPECT_EQ(walk.accessState, 2);
  ASSERT_TRUE(walk.FindNextOfPatient(ann));
  EXPECT_EQ(walk.drug, "Marked");
  EXPECT_EQ(walk.accessState, 1);
  ASSERT_TRUE(walk.FindNextOfPatient(ann));
  EXPECT_EQ(walk.drug, "Local");
  EXPECT_EQ(walk.accessState, 0);
  EXPECT_FALSE(walk.FindNextOfPatient(ann));

  // A synchronised medication whose patient is not on file counts as writable.
  CDBMeds orphan;
  Fill(orphan, "Nobody, Here", "Orphan", At(2024, 3, 1));
  orphan.desktopId = 3;
  orphan.accessState = 1;
  ASSERT_TRUE(orphan.AddNew(true));
  CDBMeds read;
  ASSERT_TRUE(read.FindByName("Nobody, Here"));
  EXPECT_EQ(read.accessState, 0);
}

// ---- Serialised form and filing received medications -----------------------------------------

struct ExpectedBytes {
  std::vector<uint8_t> bytes;
  void U8(uint8_t value) { bytes.push_back(value); }
  void U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
  }
  void Time(const FILETIME& time) {
    U32(time.dwLowDateTime);
    U32(time.dwHighDateTime);
  }
  void Text(const QString& text) {
    U32(static_cast<uint32_t>(text.size() + 1));
    for (const QChar unit : text) {
      bytes.push_back(static_cast<uint8_t>(unit.unicode() & 0xFF));
      bytes.push_back(static_cast<uint8_t>(unit.unicode() >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
  }
};

TEST_F(MedsStore, SerialisesAtTheFixedOffsets) {
  CDBMeds meds;
  Fill(meds, "Smith, Ann", "Amox", FILETIME{0x55667788, 0x01DA0000}, "Yes", "7");
  meds.refills = "";
  meds.timeStamp = FILETIME{0x11223344, 0x01D90000};
  meds.desktopId = 0x01020304;
  meds.accessState = 2;

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(meds.Serialize(bytes));

  ExpectedBytes expected;
  expected.U8(3);
  expected.U32(0x01020304);
  expected.U32(1);  // any nonzero access state is sent as 1
  expected.Time(meds.timeStamp);
  expected.Time(meds.startDate);
  for (const char* text : {"Amox", "500mg", "PO", "TID", "Yes", "30", "", "7"}) {
    expected.Text(QString::fromLatin1(text));
  }
  EXPECT_EQ(bytes, expected.bytes);
  ASSERT_GE(bytes.size(), 29u);
  EXPECT_EQ(bytes[9], 0x44);   // timeStamp at 9
  EXPECT_EQ(bytes[17], 0x88);  // startDate at 17
  EXPECT_EQ(bytes[25], 5);     // the drug's count at 25: "Amox" and its terminating zero
}

TEST_F(MedsStore, SerialiseOnOneDeviceAndFileOnAnotherKeepsTheMembers) {
  clock_source::Fix(At(2024, 3, 10, 14, 5, 9));
  std::vector<uint8_t> sent;
  CDBMeds original;
  {
    ASSERT_NE(AddMed("Smith, Ann", "Amox", At(2024, 3, 9), "Yes", "7"), 0u);
    ASSERT_TRUE(original.FindByName("Smith, Ann"));
    original.desktopId = 44;  // as if the sending device had synchronised it
    ASSERT_TRUE(original.Serialize(sent));
  }

  TempDevice receiver;  // now current for this thread
  clock_source::Fix(At(2024, 5, 1, 8));
  ASSERT_TRUE(FilePatient("Ann", "Smith"));
  CDBPatient::SetLastPatientWritten("Smith, Ann");
  CDBMeds incoming;
  ASSERT_TRUE(incoming.Write(sent.data(), sent.size()));

  CDBMeds filed;
  ASSERT_TRUE(filed.FindByName("Smith, Ann"));
  EXPECT_EQ(filed.patient, original.patient);
  EXPECT_EQ(filed.drug, original.drug);
  EXPECT_EQ(filed.dose, original.dose);
  EXPECT_EQ(filed.route, original.route);
  EXPECT_EQ(filed.frequency, original.frequency);
  EXPECT_EQ(filed.trackDays, original.trackDays);
  EXPECT_EQ(filed.days, original.days);
  EXPECT_EQ(filed.dispensed, original.dispensed);
  EXPECT_EQ(filed.refills, original.refills);
  EXPECT_EQ(filed.startDate, original.startDate);
  EXPECT_EQ(filed.timeStamp, original.timeStamp);  // the sender's, to the second
  EXPECT_EQ(filed.desktopId, 44);

  // Passed on again, the block is the same.
  std::vector<uint8_t> again;
  ASSERT_TRUE(filed.Serialize(again));
  EXPECT_EQ(again, sent);
}

TEST_F(MedsStore, ReceivedMedicationAlreadyOnFileIsNotStoredTwice) {
  ASSERT_TRUE(FilePatient("Ann", "Smith"));
  CDBPatient::SetLastPatientWritten("Smith, Ann");
  CDBMeds meds;
  Fill(meds, "ignored", "Amox", At(2024, 3, 9, 10), "Yes", "7");
  meds.timeStamp = At(2024, 3, 9, 11);
  std::vector<uint8_t> block;
  ASSERT_TRUE(meds.Serialize(block));

  CDBMeds receiver;
  ASSERT_TRUE(receiver.Write(block.data(), block.size()));
  ASSERT_TRUE(receiver.Write(block.data(), block.size()));
  EXPECT_EQ(StoredRecords().size(), 1u);
  EXPECT_EQ(Prop(StoredRecords().at(0), CDBBaseDatabase::kKeyProp), "Smith, Ann");

  // Refills, dispensed, stamp and desktop identifier do not make another medication; the one on
  // file stays as it is.
  meds.refills = "5";
  meds.dispensed = "90";
  meds.timeStamp = At(2024, 4, 1);
  meds.desktopId = 77;
  ASSERT_TRUE(meds.Serialize(block));
  EXPECT_TRUE(receiver.Write(block.data(), block.size()));
  ASSERT_EQ(StoredRecords().size(), 1u);
  EXPECT_EQ(Prop(StoredRecords().at(0), CDBMeds::kRefillsProp), "2");

  // The start day counts, its time of day does not.
  meds.startDate = At(2024, 3, 9, 23, 59);
  ASSERT_TRUE(meds.Serialize(block));
  EXPECT_TRUE(receiver.Write(block.data(), block.size()));
  EXPECT_EQ(StoredRecords().size(), 1u);

  // Each of the compared fields makes another medication.
  const std::vector<QString CDBMeds::*> compared = {&CDBMeds::drug,      &CDBMeds::dose,
                                                    &CDBMeds::route,     &CDBMeds::frequency,
                                                    &CDBMeds::trackDays, &CDBMeds::days};
  size_t expected = 1;
  for (QString CDBMeds::*field : compared) {
    CDBMeds other;
    Fill(other, "", "Amox", At(2024, 3, 9), "Yes", "7");
    other.*field += "x";
    ASSERT_TRUE(other.Serialize(block));
    EXPECT_TRUE(receiver.Write(block.data(), block.size()));
    EXPECT_EQ(StoredRecords().size(), ++expected);
  }
  CDBMeds laterStart;
  Fill(laterStart, "", "Amox", At(2024, 3, 10), "Yes", "7");
  ASSERT_TRUE(laterStart.Serialize(block));
  EXPECT_TRUE(receiver.Write(block.data(), block.size()));
  EXPECT_EQ(StoredRecords().size(), ++expected);
}

TEST_F(MedsStore, StoredMedicationLackingAPropertyMatchesOnTheRest) {
  ASSERT_TRUE(CDBMeds().CreateDB());
  {
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(CDBMeds::kVolumeName));
    // Written by an older desktop companion: no days, no start date.
    ASSERT_NE(db.Add({{CDBBaseDatabase::kKeyProp, "Smith, Ann"},
                      {CDBMeds::kDrugProp, "Amox"},
                      {CDBMeds::kDoseProp, "500mg"},
                      {CDBMeds::kRouteProp, "PO"},
                      {CDBMeds::kFrequencyProp, "TID"},
                      {CDBMeds::kTrackDaysProp, "No"}}),
              0u);
  }
  CDBPatient::SetLastPatientWritten("Smith, Ann");
  CDBMeds meds;
  Fill(meds, "", "Amox", At(2024, 3, 9), "No", "14");
  std::vector<uint8_t> block;
  ASSERT_TRUE(meds.Serialize(block));
  EXPECT_TRUE(CDBMeds().Write(block.data(), block.size()));
  EXPECT_EQ(StoredRecords().size(), 1u);
}

TEST_F(MedsStore, RefusesBlocksItCannotFile) {
  CDBMeds meds;
  Fill(meds, "", "Amox", At(2024, 3, 9));
  std::vector<uint8_t> block;
  ASSERT_TRUE(meds.Serialize(block));

  // No patient filed before it in this transfer.
  CDBPatient::ResetLastPatientWritten();
  EXPECT_FALSE(CDBMeds().Write(block.data(), block.size()));

  CDBPatient::SetLastPatientWritten("Smith, Ann");
  // Another kind's block.
  std::vector<uint8_t> other = block;
  other[0] = 7;
  EXPECT_FALSE(CDBMeds().Write(other.data(), other.size()));
  // Every block cut short, down to nothing.
  for (size_t length = 0; length < block.size(); ++length) {
    EXPECT_FALSE(CDBMeds().Write(block.data(), length)) << length;
  }
  EXPECT_TRUE(StoredRecords().empty());

  EXPECT_TRUE(CDBMeds().Write(block.data(), block.size()));
  EXPECT_EQ(StoredRecords().size(), 1u);
}

// ---- Day tracking -----------------------------------------------------------------------------

TEST_F(MedsStore, OneDayMedicationShowsDayOneThenLeaves) {
  clock_source::Fix(At(2024, 3, 10, 15));
  ASSERT_NE(AddMed("Smith, Ann", "Amox", At(2024, 3, 10, 8), "Yes", "1"), 0u);
  EXPECT_EQ(Rows("Smith, Ann"), QStringList{"Amox 500mg PO TID    Day 1 30 2"});
  clock_source::Fix(At(2024, 3, 10, 23, 59, 59));
  EXPECT_EQ(Rows("Smith, Ann").size(), 1);

  clock_source::Fix(At(2024, 3, 11, 0, 0, 1));
  EXPECT_TRUE(Rows("Smith, Ann").isEmpty());
  EXPECT_TRUE(StoredRecords().empty());
}

TEST_F(MedsStore, SevenDayMedicationCountsItsDaysAndLeavesOnTheSeventhAfterItsStart) {
  clock_source::Fix(At(2024, 3, 10, 9));
  ASSERT_NE(AddMed("Smith, Ann", "Amox", At(2024, 3, 10), "Yes", "7"), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "Tylenol", At(2024, 3, 10)), 0u);
  clock_source::Advance(6ull * 24 * 3600 * 1000);  // 16 March
  EXPECT_EQ(Rows("Smith, Ann"),
            (QStringList{"Amox 500mg PO TID    Day 7 30 2", "Tylenol 500mg PO TID  30 2"}));

  clock_source::Advance(24ull * 3600 * 1000);  // 17 March
  // The section deletes it just as the list does.
  EXPECT_EQ(CDBMeds().FormatMedsSection("Smith, Ann"),
            "Medications:\r\nTylenol 500mg PO TID  30 2\r\n\r\n");
  EXPECT_EQ(StoredRecords().size(), 1u);
}

TEST_F(MedsStore, TrackingNeedsExactlyYes) {
  clock_source::Fix(At(2024, 1, 1));
  ASSERT_NE(AddMed("Smith, Ann", "A", At(2024, 1, 1), "yes", "1"), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "B", At(2024, 1, 1), "No", "1"), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "C", At(2024, 1, 1), "Yes ", "1"), 0u);
  clock_source::Fix(At(2024, 6, 1));
  EXPECT_EQ(Rows("Smith, Ann"),
            (QStringList{"A 500mg PO TID  30 2", "B 500mg PO TID  30 2", "C 500mg PO TID  30 2"}));
  EXPECT_EQ(StoredRecords().size(), 3u);
}

TEST_F(MedsStore, DaysThatSetNoEndKeepCounting) {
  clock_source::Fix(At(2024, 1, 1));
  ASSERT_NE(AddMed("Smith, Ann", "Empty", At(2024, 1, 1), "Yes", ""), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "Words", At(2024, 1, 1), "Yes", "abc"), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "Zero", At(2024, 1, 1), "Yes", "0"), 0u);
  ASSERT_NE(AddMed("Smith, Ann", "Negative", At(2024, 1, 1), "Yes", "-3"), 0u);
  clock_source::Fix(At(2025, 1, 1, 12));  // 366 days later (2024 is a leap year)
  const QStringList rows = Rows("Smith, Ann");
  ASSERT_EQ(rows.size(), 4);
  for (const QString& row : rows) {
    EXPECT_TRUE(row.contains("   Day 367 ")) << row.toStdString();
  }
  EXPECT_EQ(StoredRecords().size(), 4u);
}

TEST_F(MedsStore, DaysCountTheirLeadingNumber) {
  clock_source::Fix(At(2024, 1, 1));
  ASSERT_NE(AddMed("Smith, Ann", "Amox", At(2024, 1, 1), "Yes", "3 days"), 0u);
  clock_source::Fix(At(2024, 1, 3, 12));
  EXPECT_EQ(Rows("Smith, Ann"), QStringList{"Amox 500mg PO TID    Day 3 30 2"});
  clock_source::Fix(At(2024, 1, 4));
  EXPECT_TRUE(Rows("Smith, Ann").isEmpty());
}

TEST_F(MedsStore, FutureStartShowsNoDayAndIsKeptUntilItsCourseEnds) {
  clock_source::Fix(At(2024, 3, 10, 9));
  ASSERT_NE(AddMed("Smith, Ann", "Amox", At(2024, 3, 20), "Yes", "1"), 0u);
  EXPECT_EQ(Rows("Smith, Ann"), QStringList{"Amox 500mg PO TID  30 2"});
  clock_source::Fix(At(2024, 3, 19, 23, 59, 59));
  EXPECT_EQ(Rows("Smith, Ann"), QStringList{"Amox 500mg PO TID  30 2"});

  clock_source::Fix(At(2024, 3, 20, 0, 0, 0));
  EXPECT_EQ(Rows("Smith, Ann"), QStringList{"Amox 500mg PO TID    Day 1 30 2"});
  clock_source::Fix(At(2024, 3, 21, 0, 0, 0));
  EXPECT_TRUE(Rows("Smith, Ann").isEmpty());

  // Members set by a caller with a start later today count from that day, as once stored.
  CDBMeds unsaved;
  Fill(unsaved, "Smith, Ann", "Lasix", At(2024, 3, 21, 18), "Yes", "2");
  EXPECT_EQ(unsaved.FormatLine(), "Lasix 500mg PO TID    Day 1 30 2");
}

TEST_F(MedsStore, MissingStartDateIsNotTakenFromTheRecordBefore) {
  clock_source::Fix(At(2024, 3, 10, 9));
  ASSERT_NE(AddMed("Smith, Ann", "Dated", At(2024, 3, 8), "Yes", ""), 0u);
  {
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(CDBMeds::kVolumeName));
    ASSERT_NE(db.Add({{CDBBaseDatabase::kKeyProp, "Smith, Ann"},
                      {CDBMeds::kDrugProp, "Undated"},
                      {CDBMeds::kTrackDaysProp, "Yes"},
                      {CDBMeds::kDaysProp, "1"}}),
              0u);
  }
  // Without a start the day of treatment cannot be told: no day text, and it is kept.
  EXPECT_EQ(Rows("Smith, Ann"), (QStringList{"Dated 500mg PO TID    Day 3 30 2", "Undated      "}));
  EXPECT_EQ(StoredRecords().size(), 2u);
}

// ---- Patient walks ----------------------------------------------------------------------------

TEST_F(MedsStore, ListsOnlyThePatientsOwnMedicationsInStoreOrder) {
  clock_source::Fix(At(2024, 3, 10, 9));
  const auto first = AddMed("Smith, J", "One", At(2024, 3, 1));
  ASSERT_NE(AddMed("Smith, Jo", "Other", At(2024, 3, 1)), 0u);
  ASSERT_NE(AddMed("smith, j", "Case", At(2024, 3, 1)), 0u);
  ASSERT_NE(AddMed("Smith, I", "Before", At(2024, 3, 1)), 0u);
  const auto second = AddMed("Smith, J", "Two", At(2024, 3, 1));

  memory_controls::List list;
  list.InsertItem(0, "stale row");
  CDBMeds().FillList("Smith, J", list);
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemText(0, 0), "One 500mg PO TID  30 2");
  EXPECT_EQ(list.GetItemData(0), first);
  EXPECT_EQ(list.GetItemText(1, 0), "Two 500mg PO TID  30 2");
  EXPECT_EQ(list.GetItemData(1), second);

  EXPECT_EQ(CDBMeds().FormatMedsSection("Smith, J"),
            "Medications:\r\nOne 500mg PO TID  30 2\r\nTwo 500mg PO TID  30 2\r\n\r\n");

  CDBMeds walk;
  ASSERT_TRUE(walk.FindFirstOfPatient("Smith, J"));
  EXPECT_EQ(walk.drug, "One");
  ASSERT_TRUE(walk.FindNextOfPatient("Smith, J"));
  EXPECT_EQ(walk.drug, "Two");
  EXPECT_FALSE(walk.FindNextOfPatient("Smith, J"));
}

TEST_F(MedsStore, PatientWithoutMedications) {
  ASSERT_NE(AddMed("Smith, Jo", "Other", At(2024, 3, 1)), 0u);
  EXPECT_EQ(CDBMeds().FormatMedsSection("Smith, J"), "Medications:\r\n\r\n");
  memory_controls::List list;
  list.InsertItem(0, "stale row");
  CDBMeds().FillList("Smith, J", list);
  EXPECT_EQ(list.GetItemCount(), 0);
  CDBMeds walk;
  EXPECT_FALSE(walk.FindFirstOfPatient("Smith, J"));
}

TEST_F(MedsStore, DeletesAllOfOnePatient) {
  ASSERT_NE(AddMed("Smith, J", "One", At(2024, 3, 1)), 0u);
  ASSERT_NE(AddMed("Smith, Jo", "Other", At(2024, 3, 1)), 0u);
  ASSERT_NE(AddMed("Smith, J", "Two", At(2024, 3, 1)), 0u);
  CDBMeds().DeleteAllOfPatient("Smith, J");
  EXPECT_TRUE(Rows("Smith, J").isEmpty());
  EXPECT_EQ(Rows("Smith, Jo").size(), 1);
}

TEST(MedsStoreWithoutDevice, LeavesTheListAlone) {
  if (platform::Device::Current() != nullptr) {
    GTEST_SKIP() << "a process default device is set";
  }
  memory_controls::List list;
  list.InsertItem(0, "kept");
  CDBMeds meds;
  meds.FillList("Smith, Ann", list);
  EXPECT_EQ(list.GetItemCount(), 1);
  EXPECT_EQ(meds.FormatMedsSection("Smith, Ann"), "");
  EXPECT_FALSE(meds.AddNew(false));
}

}  // namespace
