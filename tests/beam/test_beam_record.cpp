// The beam record holder: kinds, filing received bytes, and the walks over one patient's records.

#include <gtest/gtest.h>

#include "beam/BeamTestSupport.h"
#include "beam/CBeamRecord.h"
#include "common/CDBPatient.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

using namespace beam_test;

namespace {

class BeamRecordHolder : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

TEST_F(BeamRecordHolder, HoldsAStoreOfTheKindOrNothing) {
  CBeamRecord record;
  for (uint32_t code = 1; code <= 7; ++code) {
    EXPECT_TRUE(record.SetRecordType(code)) << code;
    EXPECT_EQ(record.Type(), code);
    ASSERT_NE(record.Store(), nullptr);
  }
  // The same kind keeps its store object; another kind replaces it.
  const CDBBaseDatabase* vitals = record.Store();
  EXPECT_TRUE(record.SetRecordType(7));
  EXPECT_EQ(record.Store(), vitals);
  for (uint32_t code : {0u, 8u, 255u, 0x101u}) {
    EXPECT_FALSE(record.SetRecordType(code)) << code;
    EXPECT_EQ(record.Type(), 0u);
    EXPECT_EQ(record.Store(), nullptr);
  }
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(record.SerializeRecord(bytes));
  EXPECT_EQ(record.GetPatientName(), QString());
  EXPECT_EQ(record.GetDesktopId(), 0);
}

TEST_F(BeamRecordHolder, ReadsByIdAndNamesTheOwningPatient) {
  AddPatient("Ann", "Smith", 31, 1);
  AddRecordsOfEveryKind("Smith, Ann", "x");
  AddSyncedRecord("Smith, Ann", beam::kTestRecord, 4242, 40);
  CBeamRecord record;
  ASSERT_TRUE(record.FindPatient("smith, ann"));
  EXPECT_EQ(record.GetPatientName(), "Smith, Ann");
  EXPECT_EQ(record.GetDesktopId(), 31);
  EXPECT_FALSE(CBeamRecord().FindPatient("Nobody, X"));

  for (uint8_t kind : beam::kSectionOrder) {
    const platform::RecordId id = FirstRecordId("Smith, Ann", kind);
    ASSERT_TRUE(record.ReadById(kind, id)) << int{kind};
    EXPECT_EQ(record.Type(), kind);
    EXPECT_EQ(record.GetPatientName(), "Smith, Ann");
    EXPECT_EQ(record.GetDesktopId(), 0);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(record.SerializeRecord(bytes));
    EXPECT_EQ(bytes[0], kind);
  }
  EXPECT_FALSE(record.ReadById(beam::kLabRecord, 999999));
  // The synced test is the patient's second: its desktop identifier travels with it.
  ASSERT_TRUE(record.FirstTest("Smith, Ann"));
  ASSERT_TRUE(record.NextTest("Smith, Ann"));
  EXPECT_EQ(record.GetDesktopId(), 4242);
}

TEST_F(BeamRecordHolder, WriteRecordFilesByTheFirstByte) {
  CBeamRecord record;
  const uint8_t empty = 0;
  EXPECT_FALSE(record.WriteRecord(&empty, 0));
  for (uint8_t type : {uint8_t{0}, uint8_t{8}, uint8_t{200}}) {
    const std::vector<uint8_t> bytes = {type, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(record.WriteRecord(bytes.data(), bytes.size()));
    EXPECT_EQ(record.Type(), 0u);
  }
  const std::vector<uint8_t> patient = SerializedPatient("Cy", "Ng");
  EXPECT_TRUE(record.WriteRecord(patient.data(), patient.size()));
  EXPECT_EQ(record.Type(), 1u);
  EXPECT_EQ(CDBPatient::LastPatientWritten(), "Ng, Cy");
  CDBPatient stored;
  EXPECT_TRUE(stored.FindByName("Ng, Cy"));
  // A short block is refused by its store.
  EXPECT_FALSE(record.WriteRecord(patient.data(), patient.size() - 3));
}

TEST_F(BeamRecordHolder, WalksVisitOnlyThePatientOfThatExactName) {
  AddPatient("J", "Smith");
  AddPatient("Jo", "Smith");
  AddRecordsOfEveryKind("Smith, J", "j", 2);
  AddRecordsOfEveryKind("Smith, Jo", "jo", 3);
  CBeamRecord record;
  EXPECT_EQ(record.CountLabs("Smith, J"), 2u);
  EXPECT_EQ(record.CountMeds("Smith, J"), 2u);
  EXPECT_EQ(record.CountNotes("Smith, J"), 2u);
  EXPECT_EQ(record.CountTests("Smith, J"), 2u);
  EXPECT_EQ(record.CountTodos("Smith, J"), 2u);
  EXPECT_EQ(record.CountVitals("Smith, J"), 2u);
  EXPECT_EQ(record.CountVitals("Smith, Jo"), 3u);
  EXPECT_EQ(record.CountMeds("Smith"), 0u);
  // The todo store tells names apart by letter case as well.
  EXPECT_EQ(record.CountTodos("smith, j"), 0u);

  int visited = 0;
  for (bool found = record.FirstMed("Smith, J"); found; found = record.NextMed("Smith, J")) {
    EXPECT_EQ(record.GetPatientName(), "Smith, J");
    ++visited;
  }
  EXPECT_EQ(visited, 2);
  // Counting does not disturb the record held.
  ASSERT_TRUE(record.FirstNote("Smith, Jo"));
  EXPECT_EQ(record.CountLabs("Smith, Jo"), 3u);
  EXPECT_EQ(record.Type(), beam::kNoteRecord);
  EXPECT_TRUE(record.NextNote("Smith, Jo"));
  // Next of another kind than the one held answers false.
  EXPECT_FALSE(record.NextLab("Smith, Jo"));
  EXPECT_FALSE(record.FirstOf(beam::kPatientRecord, "Smith, Jo"));
  EXPECT_FALSE(record.FirstOf(8, "Smith, Jo"));
}

}  // namespace
