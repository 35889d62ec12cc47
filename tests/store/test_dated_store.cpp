// Behaviour that the four dated stores share, shown through the vital-signs and note stores.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "dated_support.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBNotes.h"
#include "store/CDBVitals.h"

using namespace dated_support;

namespace {

bool AddVitals(const QString& name, const FILETIME& when, const QString& values = {}) {
  CDBVitals vitals;
  vitals.patient = name;
  vitals.date = when;
  vitals.time = when;
  vitals.values = values;
  return vitals.AddNew(false);
}

class DatedStore : public DatedStoreTest {};

TEST(PackedValues, SplitPairsFollowsTheLineFeeds) {
  auto split = [](const char* text) {
    std::vector<std::pair<QString, QString>> out;
    for (const packed::Pair& pair : packed::SplitPairs(QString::fromLatin1(text))) {
      out.emplace_back(pair.name, pair.value);
    }
    return out;
  };
  using Pairs = std::vector<std::pair<QString, QString>>;
  EXPECT_EQ(split("Temp\n37\nPulse\n\n"), (Pairs{{"Temp", "37"}, {"Pulse", ""}}));
  EXPECT_EQ(split(" BP \n 120/80 \n"), (Pairs{{" BP ", " 120/80 "}}));
  EXPECT_EQ(split("\nTemp\n37\n"), Pairs{});
  // A pair with an empty name ends the split; a last value without its line feed is kept.
  EXPECT_EQ(split("A\n1\n\nB\n2\n"), (Pairs{{"A", "1"}}));
  EXPECT_EQ(split("A\n1\nB\n2"), (Pairs{{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(split("no line feed"), Pairs{});
}

TEST_F(DatedStore, PatientWalksKeepNamesThatExtendEachOtherApart) {
  ASSERT_TRUE(AddVitals("Smith, Jo", At(2024, 1, 1, 8, 0), "Jo 1"));
  ASSERT_TRUE(AddVitals("Smith, J", At(2024, 1, 2, 8, 0), "J 1"));
  ASSERT_TRUE(AddVitals("SMITH, J", At(2024, 1, 3, 8, 0), "upper"));
  ASSERT_TRUE(AddVitals("Smith, J", At(2024, 1, 4, 8, 0), "J 2"));
  ASSERT_TRUE(AddVitals("Smith, Jo", At(2024, 1, 5, 8, 0), "Jo 2"));

  CDBVitals walk;
  QStringList seen;
  for (bool found = walk.FindFirstOfPatient("Smith, J"); found;
       found = walk.FindNextOfPatient("Smith, J")) {
    seen << walk.values;
  }
  EXPECT_EQ(seen, (QStringList{"J 1", "J 2"}));
  ASSERT_TRUE(walk.FindFirstOfPatient("Smith, Jo"));
  EXPECT_EQ(walk.values, QStringLiteral("Jo 1"));
  walk.CloseWalk();
  EXPECT_FALSE(walk.FindFirstOfPatient("Smith"));

  CDBVitals latest;
  ASSERT_TRUE(latest.FindLatestOfPatient("Smith, J"));
  EXPECT_EQ(latest.values, QStringLiteral("J 2"));
  ASSERT_TRUE(latest.FindLatestOfPatient("Smith, Jo"));
  EXPECT_EQ(latest.values, QStringLiteral("Jo 2"));
  // No records of their own, with other patients sorting right before them.
  EXPECT_FALSE(latest.FindLatestOfPatient("Smith, Joe"));
  EXPECT_FALSE(latest.FindLatestOfPatient("Smith, K"));
  EXPECT_FALSE(latest.FindLatestOfPatient("Smith, "));
}

TEST_F(DatedStore, LatestPassesOverANameExtendedByADigit) {
  ASSERT_TRUE(AddVitals("Smith, J", At(2024, 1, 2, 8, 0), "J"));
  ASSERT_TRUE(AddVitals("Smith, J9", At(2020, 1, 1, 8, 0), "J9"));
  CDBVitals latest;
  ASSERT_TRUE(latest.FindLatestOfPatient("Smith, J"));
  EXPECT_EQ(latest.values, QStringLiteral("J"));
  EXPECT_EQ(latest.patient, QStringLiteral("Smith, J"));
}

TEST_F(DatedStore, RecordMadeHereHasNoSyncPropertiesAndReadsThemAsZero) {
  clock_source::Fix(At(2024, 2, 1, 12, 0, 5));
  ASSERT_TRUE(AddVitals("Lee, Bo", At(2024, 1, 31, 23, 59, 58), "Temp\n37\n"));
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open(CDBVitals::kVolumeName));
  ASSERT_NE(db.SeekFirst(), 0u);
  platform::Record record;
  ASSERT_TRUE(db.Read(record));
  EXPECT_EQ(record.Find(CDBVitals::kKeyProp)->value, QStringLiteral("Lee, Bo20240131235958"));
  EXPECT_EQ(record.Find(CDBVitals::kDateProp)->value, QStringLiteral("20240131235958"));
  EXPECT_EQ(record.Find(CDBVitals::kTimeStampProp)->value, QStringLiteral("20240201120005"));
  EXPECT_EQ(record.Find(CDBVitals::kDesktopIdProp), nullptr);
  EXPECT_EQ(record.Find(CDBVitals::kAccessStateProp), nullptr);
  db.Close();

  CDBVitals vitals;
  vitals.desktopId = 9;
  vitals.accessState = 2;
  ASSERT_TRUE(vitals.FindLatestOfPatient("Lee, Bo"));
  EXPECT_EQ(vitals.desktopId, 0);
  EXPECT_EQ(vitals.accessState, 0);
}

TEST_F(DatedStore, UnpackTakesThePatientFromTheKeyByTheDateLength) {
  CDBVitals vitals;
  const FILETIME kept = At(2000, 1, 1);
  vitals.date = kept;
  vitals.time = kept;
  vitals.timeStamp = kept;
  vitals.values = QStringLiteral("stale");
  vitals.UnpackRecord(
      {{CDBVitals::kKeyProp, "Lee, Bo20240131"}, {CDBVitals::kDateProp, "20240131"}});
  EXPECT_EQ(vitals.patient, QStringLiteral("Lee, Bo"));
  EXPECT_EQ(vitals.date, At(2024, 1, 31));
  EXPECT_EQ(vitals.time, At(2024, 1, 31));
  EXPECT_EQ(vitals.timeStamp, kept);
  EXPECT_EQ(vitals.values, QString());

  // Without a date property the whole key is the patient and the dates stay as they were.
  vitals.date = kept;
  vitals.UnpackRecord({{CDBVitals::kKeyProp, "Lee, Bo"}, {CDBVitals::kDesktopIdProp, "12"}});
  EXPECT_EQ(vitals.patient, QStringLiteral("Lee, Bo"));
  EXPECT_EQ(vitals.date, kept);
  EXPECT_EQ(vitals.desktopId, 12);
  // A date property longer than the key leaves no patient rather than reading past it.
  vitals.UnpackRecord({{CDBVitals::kKeyProp, "X"}, {CDBVitals::kDateProp, "20240131"}});
  EXPECT_EQ(vitals.patient, QString());
}

TEST_F(DatedStore, WriteRefusesForeignShortOrOwnerlessBlocks) {
  CDBVitals sent;
  sent.date = At(2024, 1, 2, 3, 4, 5);
  sent.time = sent.date;
  sent.values = QStringLiteral("Temp\n37\n");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(sent.Serialize(bytes));

  // No patient filed before it in this transfer.
  CDBVitals receiver;
  EXPECT_FALSE(receiver.Write(bytes.data(), bytes.size()));

  FilePatient("Bo", "Lee");
  std::vector<uint8_t> foreign = bytes;
  foreign[0] = CDBNotes::kRecordType;
  EXPECT_FALSE(receiver.Write(foreign.data(), foreign.size()));
  EXPECT_FALSE(CDBNotes().Write(bytes.data(), bytes.size()));
  for (size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_FALSE(receiver.Write(bytes.data(), length)) << length;
  }
  EXPECT_FALSE(receiver.FindFirstOfPatient("Lee, Bo"));

  ASSERT_TRUE(receiver.Write(bytes.data(), bytes.size()));
  CDBVitals stored;
  ASSERT_TRUE(stored.FindLatestOfPatient("Lee, Bo"));
  EXPECT_EQ(stored.date, sent.date);
}

// A received entry that matches a stored one is written over it; when that write fails, the
// answer is false and the entry is not added as a second one.
TEST_F(DatedStore, AReceivedMatchWhoseWriteFailsIsRefusedAndNotAddedAgain) {
  FilePatient("Bo", "Lee");
  CDBVitals sent;
  sent.date = sent.time = At(2024, 1, 2, 3, 4, 5);
  sent.values = QStringLiteral("Temp\n37\n");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(sent.Serialize(bytes));
  CDBVitals receiver;
  ASSERT_TRUE(receiver.Write(bytes.data(), bytes.size()));

  // Every rewrite of a stored property now fails; adding would still work.
  sqlite3* db = device.device().ObjectStore();
  sqlite3_stmt* find = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db, "SELECT num FROM volumes WHERE name = 'OVVitals'", -1, &find, nullptr),
      SQLITE_OK);
  ASSERT_EQ(sqlite3_step(find), SQLITE_ROW);
  const std::string trigger = "CREATE TRIGGER refuse_rewrite BEFORE UPDATE ON v" +
                              std::to_string(sqlite3_column_int64(find, 0)) +
                              "_prop BEGIN SELECT RAISE(ABORT, 'refused'); END;";
  sqlite3_finalize(find);
  ASSERT_EQ(sqlite3_exec(db, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sent.values = QStringLiteral("Temp\n38\n");
  bytes.clear();
  ASSERT_TRUE(sent.Serialize(bytes));
  EXPECT_FALSE(receiver.Write(bytes.data(), bytes.size()));
  EXPECT_TRUE(receiver.LastError().Failed());
  platform::PropertyDatabase db2;
  ASSERT_TRUE(db2.Open(CDBVitals::kVolumeName));
  EXPECT_EQ(db2.RecordCount(), 1u);
}

TEST_F(DatedStore, DeleteAllOfPatientLeavesOtherPatients) {
  ASSERT_TRUE(AddVitals("Smith, J", At(2024, 1, 1, 8, 0)));
  ASSERT_TRUE(AddVitals("Smith, Jo", At(2024, 1, 1, 9, 0)));
  ASSERT_TRUE(AddVitals("Smith, J", At(2024, 1, 2, 8, 0)));
  CDBVitals vitals;
  vitals.DeleteAllOfPatient("Smith, J");
  EXPECT_FALSE(vitals.FindLatestOfPatient("Smith, J"));
  EXPECT_TRUE(vitals.FindLatestOfPatient("Smith, Jo"));
}

}  // namespace
