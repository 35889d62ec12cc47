#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/CAsciiPr.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/Clock.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using test_time::At;

bool AddPatient(const QString& first, const QString& last, const QString& type,
                const QString& room = {}, const QString& mr = {}) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = type;
  patient.room = room;
  patient.mrNumber = mr;
  return patient.CreateRecord(false);
}

// The rows' columns, one vector each, in row order.
void Columns(const std::vector<CDBPatient::PatientRow>& rows, std::vector<QString>& names,
             std::vector<QString>& rooms, std::vector<QString>& mrs, std::vector<uint8_t>& states) {
  names.clear();
  rooms.clear();
  mrs.clear();
  states.clear();
  for (const CDBPatient::PatientRow& row : rows) {
    names.push_back(row.name);
    rooms.push_back(row.room);
    mrs.push_back(row.mrNumber);
    states.push_back(row.accessState);
  }
}

class PatientStore : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

TEST_F(PatientStore, CreateFindUpdateAndRefuseDuplicates) {
  CDBPatient patient;
  patient.firstName = "Ann";
  patient.lastName = "Smith";
  patient.patientType = "Clinic";
  patient.ageValue = "45";
  patient.ageUnit = "Years";
  patient.dateOfBirth = At(1980, 2, 3);
  ASSERT_TRUE(patient.CreateRecord(false));
  EXPECT_EQ(patient.name, "Smith, Ann");
  EXPECT_NE(patient.recordId, 0u);

  // The name is the key, compared without regard to letter case.
  EXPECT_FALSE(AddPatient("ANN", "smith", "Hospital"));

  CDBPatient found;
  ASSERT_TRUE(found.FindByName("smith, ann"));
  EXPECT_EQ(found.name, "Smith, Ann");
  EXPECT_EQ(found.ageUnit, "Years");
  EXPECT_EQ(found.dateOfBirth, At(1980, 2, 3));
  EXPECT_TRUE(filetime::IsZero(CDBPatient().dateOfBirth));
  EXPECT_EQ(found.desktopId, 0);
  EXPECT_EQ(found.accessState, 0);

  found.room = "12";
  found.dateOfBirth = FILETIME{};
  ASSERT_TRUE(found.UpdateRecord("Smith, Ann", false));
  CDBPatient again;
  ASSERT_TRUE(again.FindByName("Smith, Ann"));
  EXPECT_EQ(again.room, "12");
  EXPECT_TRUE(filetime::IsZero(again.dateOfBirth));
  EXPECT_FALSE(again.FindByName("Smith, An"));
}

TEST_F(PatientStore, SingleFieldOperations) {
  ASSERT_TRUE(AddPatient("Bo", "Lee", "Clinic"));
  CDBPatient patient;
  EXPECT_TRUE(patient.MovePatient("Lee, Bo", "Hospital"));
  EXPECT_TRUE(patient.UpdateAllergies("Lee, Bo", "PCN"));
  EXPECT_TRUE(patient.UpdateTodo("Lee, Bo", "call family"));
  EXPECT_EQ(patient.FindAllergiesByName("Lee, Bo"), "PCN");
  EXPECT_EQ(patient.FindTodoByName("Lee, Bo"), "call family");
  ASSERT_TRUE(patient.FindByName("Lee, Bo"));
  EXPECT_EQ(patient.patientType, "Hospital");
  EXPECT_FALSE(patient.MovePatient("Nobody, X", "Clinic"));
  EXPECT_EQ(patient.FindTodoByName("Nobody, X"), "");
}

TEST_F(PatientStore, PopulatePatientListFillsRowsArraysAndItemData) {
  ASSERT_TRUE(AddPatient("Zed", "Adams", "Clinic", "9", "M9"));
  ASSERT_TRUE(AddPatient("amy", "baker", "Hospital", "10", "M10"));
  ASSERT_TRUE(AddPatient("Cy", "Cole", "Clinic", "3", "M3"));

  memory_controls::List list;
  std::vector<QString> names, rooms, mrs;
  std::vector<uint8_t> states;
  CDBPatient store;
  Columns(store.PopulatePatientList(list, ""), names, rooms, mrs, states);
  // Case-insensitive order of the full name.
  ASSERT_EQ(names, (std::vector<QString>{"Adams, Zed", "baker, amy", "Cole, Cy"}));
  EXPECT_EQ(rooms, (std::vector<QString>{"9", "10", "3"}));
  EXPECT_EQ(mrs, (std::vector<QString>{"M9", "M10", "M3"}));
  EXPECT_EQ(states, (std::vector<uint8_t>{0, 0, 0}));
  ASSERT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.GetItemText(1, 0), "baker, amy");
  EXPECT_EQ(list.GetItemText(1, 1), "M10");
  EXPECT_EQ(list.GetItemText(1, 2), "10");
  EXPECT_EQ(list.GetItemData(2), 2u);

  Columns(store.PopulatePatientList(list, "clinic"), names, rooms, mrs, states);
  EXPECT_EQ(names, (std::vector<QString>{"Adams, Zed", "Cole, Cy"}));
  EXPECT_EQ(list.GetItemCount(), 2);
}

TEST_F(PatientStore, AgeText) {
  clock_source::Fix(At(2026, 12, 9));
  QString text;
  EXPECT_EQ(CDBPatient::SetAge(At(1981, 6, 15), text), 45);
  EXPECT_EQ(text, "45 Years");
  EXPECT_EQ(CDBPatient::SetAge(At(1981, 12, 10), text), 44);  // birthday tomorrow
  EXPECT_EQ(CDBPatient::SetAge(At(2025, 6, 9), text), 18);
  EXPECT_EQ(text, "18 Months");
  EXPECT_EQ(CDBPatient::SetAge(At(2026, 11, 29), text), 10);
  EXPECT_EQ(text, "10 Days");
  EXPECT_EQ(CDBPatient::SetAge(FILETIME{}, text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(CDBPatient::MakeFullName("Ann", "Smith"), "Smith, Ann");
}

TEST_F(PatientStore, SerializedPatientIsFiledOnAnotherDeviceAndMerged) {
  CDBPatient sent;
  sent.firstName = "Ann";
  sent.lastName = "Smith";
  sent.patientType = "Clinic";
  sent.allergies = "NKDA";
  sent.admitDate = At(2026, 1, 2);
  ASSERT_TRUE(sent.CreateRecord(false));
  ASSERT_TRUE(sent.FindByName("Smith, Ann"));
  sent.accessState = 2;
  sent.desktopId = 77;
  std::vector<uint8_t> block;
  ASSERT_TRUE(sent.Serialize(block));
  EXPECT_EQ(block[0], CDBPatient::kRecordType);
  EXPECT_EQ(block[1], 77);
  EXPECT_EQ(block[5], 1);  // any nonzero access state travels as the flag 1

  TempDevice other;  // now current for this thread
  CDBPatient received;
  ASSERT_TRUE(received.Write(block.data(), block.size()));
  EXPECT_EQ(CDBPatient::LastPatientWritten(), "Smith, Ann");
  CDBPatient filed;
  ASSERT_TRUE(filed.FindByName("Smith, Ann"));
  EXPECT_EQ(filed.allergies, "NKDA");
  EXPECT_EQ(filed.admitDate, At(2026, 1, 2));
  EXPECT_EQ(filed.desktopId, 77);
  EXPECT_EQ(filed.accessState, 1);
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Smith, Ann"), 1);

  // The same patient again, changed: merged into the one on file.
  block.clear();
  sent.allergies = "PCN";
  ASSERT_TRUE(sent.Serialize(block));
  ASSERT_TRUE(received.Write(block.data(), block.size()));
  memory_controls::List list;
  std::vector<QString> names, rooms, mrs;
  std::vector<uint8_t> states;
  Columns(filed.PopulatePatientList(list, ""), names, rooms, mrs, states);
  EXPECT_EQ(names.size(), 1u);
  ASSERT_TRUE(filed.FindByName("Smith, Ann"));
  EXPECT_EQ(filed.allergies, "PCN");
}

// The read-only cache answers what was filed last: a patient received again with another access
// state is not shown with the state it had before.
TEST_F(PatientStore, APatientReceivedAgainWithAnotherAccessStateIsNotAnsweredFromTheCache) {
  CDBPatient sent;
  sent.firstName = "Ann";
  sent.lastName = "Smith";
  sent.name = "Smith, Ann";
  sent.desktopId = 5;
  sent.accessState = 1;
  std::vector<uint8_t> readOnly;
  ASSERT_TRUE(sent.Serialize(readOnly));
  sent.accessState = 0;
  std::vector<uint8_t> writable;
  ASSERT_TRUE(sent.Serialize(writable));

  CDBPatient receiver;
  ASSERT_TRUE(receiver.Write(readOnly.data(), readOnly.size()));
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Smith, Ann"), 1);  // cached now
  ASSERT_TRUE(receiver.Write(writable.data(), writable.size()));
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Smith, Ann"), 0);
  ASSERT_TRUE(receiver.Write(readOnly.data(), readOnly.size()));
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Smith, Ann"), 1);
}

TEST_F(PatientStore, MalformedBlocksStoreNothing) {
  CDBPatient sent;
  sent.firstName = "Ann";
  sent.lastName = "Smith";
  sent.name = "Smith, Ann";
  std::vector<uint8_t> block;
  ASSERT_TRUE(sent.Serialize(block));
  CDBPatient receiver;
  for (size_t cut = 0; cut < block.size(); cut += 3) {
    EXPECT_FALSE(receiver.Write(block.data(), cut)) << cut;
  }
  std::vector<uint8_t> otherKind = block;
  otherKind[0] = 3;
  EXPECT_FALSE(receiver.Write(otherKind.data(), otherKind.size()));
  EXPECT_FALSE(receiver.FindByName("Smith, Ann"));
  EXPECT_TRUE(CDBPatient::LastPatientWritten().isEmpty());
}

TEST_F(PatientStore, ReadOnlyCacheHoldsUntilEmptied) {
  ASSERT_TRUE(AddPatient("Ann", "Smith", "Clinic"));
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Smith, Ann"), 0);
  EXPECT_EQ(CDBPatient::FindReadOnlyByName("Nobody, X"), 0);
  EXPECT_TRUE(CDBPatient::IsReadOnlyCached("Smith, Ann"));
}

TEST_F(PatientStore, DeleteByName) {
  ASSERT_TRUE(AddPatient("Ann", "Smith", "Clinic"));
  ASSERT_TRUE(AddPatient("Jo", "Smith", "Clinic"));
  CDBPatient store;
  EXPECT_TRUE(store.DeleteByName("Smith, Ann"));
  EXPECT_FALSE(store.FindByName("Smith, Ann"));
  EXPECT_TRUE(store.FindByName("Smith, Jo"));
  EXPECT_FALSE(store.DeleteByName("Smith, Ann"));
}

TEST_F(PatientStore, PatientLogPrintsEveryPatientAndReportsAMissingPrinter) {
  ASSERT_TRUE(AddPatient("Ann", "Smith", "Clinic", "12", "M7"));
  ASSERT_TRUE(AddPatient("Bo", "Adams", "Hospital", "3", "M2"));
  CDBPatient store;
  ASSERT_EQ(store.PrintPatientLog(60, 80, 5, 5, 5), 0);
  const QStringList jobs = QDir(device.device().PathOf("spool")).entryList(QDir::Files);
  ASSERT_EQ(jobs.size(), 1);
  QFile job(device.device().PathOf("spool/" + jobs.first()));
  ASSERT_TRUE(job.open(QIODevice::ReadOnly));
  const QString text = QString::fromLatin1(job.readAll());
  EXPECT_LT(text.indexOf("Adams, Bo   Room: 3   MR: M2"),
            text.indexOf("Smith, Ann   Room: 12   MR: M7"));
  EXPECT_GE(text.indexOf("Adams, Bo"), 0);

  // A printer that cannot be reached is reported, not taken for success.
  CAsciiPr::SetTarget("tcp:127.0.0.1:1");
  EXPECT_NE(store.PrintPatientLog(60, 80, 5, 5, 5), 0);
  CAsciiPr::SetTarget({});
}

}  // namespace
