// What every seek costs, read from SQLite itself: each seek's statement is planned as descents of
// an index (EXPLAIN QUERY PLAN), and walking over thousands of records that share one key takes
// the same few virtual-machine steps per move as walking over distinct keys. The match seeks find
// exactly the records a plain scan would, with their index, without it (a file opened read-only),
// after changes of every kind, after a rollback took the index away, and for records written
// behind the program's back.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <random>
#include <thread>

#include "platform/Device.h"
#include "platform/MatchIndex.h"
#include "platform/PropertyDatabase.h"
#include "platform/SeekPlans.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

using platform::Device;
using platform::DeviceScope;
using platform::Property;
using platform::PropertyDatabase;
using platform::PropId;
using platform::Record;
using platform::RecordId;
namespace store = platform::object_store;

namespace {

constexpr PropId kKey = 1;
constexpr PropId kDrug = 102;
constexpr PropId kDose = 103;
constexpr PropId kNote = 104;
constexpr PropId kUnusedSort = 200;
const QString kChart = QStringLiteral("Chart");

sqlite3* Connection() {
  return Device::Current()->ObjectStore();
}

void Exec(const std::string& sql) {
  ASSERT_EQ(sqlite3_exec(Connection(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sql << ": " << sqlite3_errmsg(Connection());
}

int64_t VolumeNumber(const QString& name) {
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(Connection(), "SELECT num FROM volumes WHERE name = ?1", -1, &find, nullptr);
  const QByteArray utf8 = name.toUtf8();
  sqlite3_bind_text(find, 1, utf8.constData(), -1, SQLITE_TRANSIENT);
  const int64_t number = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int64(find, 0) : 0;
  sqlite3_finalize(find);
  return number;
}

// The lines of SQLite's plan for sql, joined.
std::string PlanOf(const std::string& sql) {
  sqlite3_stmt* plan = nullptr;
  const std::string explain = "EXPLAIN QUERY PLAN " + sql;
  if (sqlite3_prepare_v2(Connection(), explain.c_str(), -1, &plan, nullptr) != SQLITE_OK) {
    return std::string("cannot prepare: ") + sqlite3_errmsg(Connection());
  }
  std::string detail;
  while (sqlite3_step(plan) == SQLITE_ROW) {
    detail += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
    detail += "; ";
  }
  sqlite3_finalize(plan);
  return detail;
}

// The handle's cached statement for sql, with its step counter cleared.
sqlite3_stmt* CachedStatement(const std::string& sql) {
  for (sqlite3_stmt* s = sqlite3_next_stmt(Connection(), nullptr); s;
       s = sqlite3_next_stmt(Connection(), s)) {
    if (sql == sqlite3_sql(s)) {
      return s;
    }
  }
  return nullptr;
}

int StepsSinceReset(sqlite3_stmt* statement) {
  return sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_VM_STEP, 1);
}

Record Medication(const QString& patient, const QString& drug, const QString& dose) {
  return {{kKey, patient}, {kDrug, drug}, {kDose, dose}, {kNote, QStringLiteral("taken")}};
}

class SeekCostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PropertyDatabase::Create(kChart, {{kKey, true}, {kUnusedSort, true}}));
    ASSERT_TRUE(m_db.Open(kChart));
    m_volume = VolumeNumber(kChart);
  }

  // Patients before and after "Smith, Ann", who has many records under her one key.
  void FillWithOneCrowdedKey(int own) {
    Exec("BEGIN");
    for (int i = 0; i < 300; ++i) {
      m_db.Add(Medication(QStringLiteral("Adams, %1").arg(i), QStringLiteral("Drug %1").arg(i),
                          QStringLiteral("1 mg")));
      m_db.Add(Medication(QStringLiteral("Young, %1").arg(i), QStringLiteral("Drug %1").arg(i),
                          QStringLiteral("1 mg")));
    }
    for (int i = 0; i < own; ++i) {
      m_db.Add(Medication(QStringLiteral("Smith, Ann"), QStringLiteral("Drug %1").arg(i),
                          QStringLiteral("%1 mg").arg(i % 7)));
    }
    Exec("COMMIT");
  }

  TestGuard m_guard;
  TempDevice m_device;
  PropertyDatabase m_db;
  int64_t m_volume = 0;
};

// ---- Plans ------------------------------------------------------------------------------------

TEST_F(SeekCostTest, EverySeekIsPlannedAsDescentsOfAnIndex) {
  struct Expected {
    store::SeekKind kind;
    std::vector<std::string> constraints;  // each must appear in the plan
  };
  const std::vector<Expected> expected = {
      {store::kFirst, {"USING COVERING INDEX"}},
      {store::kLast, {"USING COVERING INDEX"}},
      {store::kNext, {"({k}=? AND id>?)", "({k}>?)"}},
      {store::kPrevious, {"({k}=? AND id<?)", "({k}<?)"}},
      {store::kById, {"USING INTEGER PRIMARY KEY (rowid=?)"}},
      {store::kEqual, {"({k}=?)"}},
      {store::kGreaterOrEqual, {"({k}>?)"}},
      {store::kLastLessThan, {"({k}<?)"}},
  };
  for (int sortIndex = 0; sortIndex < 2; ++sortIndex) {
    const std::string column = sortIndex == 0 ? "k1" : "k2";
    for (const Expected& seek : expected) {
      const std::string sql = store::SeekSql(m_volume, sortIndex, seek.kind);
      const std::string plan = PlanOf(sql);
      for (std::string constraint : seek.constraints) {
        if (const size_t at = constraint.find("{k}"); at != std::string::npos) {
          constraint.replace(at, 3, column);
        }
        EXPECT_NE(plan.find(constraint), std::string::npos) << sql << "\n" << plan;
      }
      EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << sql << "\n" << plan;
      // A scan of the table reads every record; first and last read one entry of the index.
      const bool ends = seek.kind == store::kFirst || seek.kind == store::kLast;
      EXPECT_EQ(plan.find("SCAN v") != std::string::npos, ends) << sql << "\n" << plan;
    }
  }
}

// ---- Steps ------------------------------------------------------------------------------------

TEST_F(SeekCostTest, WalkingOverThousandsOfEqualKeysTakesAFewStepsPerMove) {
  constexpr int kOwn = 2000;
  FillWithOneCrowdedKey(kOwn);
  const QString patient = QStringLiteral("Smith, Ann");
  // Prepares the statements, then counts from here.
  m_db.SeekEqual(patient);
  m_db.SeekNext();
  m_db.SeekPrevious();
  sqlite3_stmt* next = CachedStatement(store::SeekSql(m_volume, 0, store::kNext));
  sqlite3_stmt* previous = CachedStatement(store::SeekSql(m_volume, 0, store::kPrevious));
  ASSERT_NE(next, nullptr);
  ASSERT_NE(previous, nullptr);
  StepsSinceReset(next);
  StepsSinceReset(previous);

  int forward = 0;
  for (RecordId id = m_db.SeekEqual(patient); id != 0; id = m_db.SeekNext()) {
    ++forward;
  }
  const int forwardSteps = StepsSinceReset(next);
  int backward = 0;
  for (RecordId id = m_db.SeekLast(); id != 0; id = m_db.SeekPrevious()) {
    ++backward;
  }
  const int backwardSteps = StepsSinceReset(previous);

  EXPECT_EQ(forward, kOwn + 300);  // her records, then the Young patients after her
  EXPECT_EQ(backward, kOwn + 600);
  // A range on the key alone re-reads every earlier record of the key at each move: about a
  // million steps here. One descent per move is a few dozen.
  EXPECT_LT(forwardSteps / forward, 40) << forwardSteps;
  EXPECT_LT(backwardSteps / backward, 40) << backwardSteps;
}

TEST_F(SeekCostTest, AMatchSeekTakesTheSameStepsWhateverTheRecordsOfItsKey) {
  const QString patient = QStringLiteral("Smith, Ann");
  const auto stepsForOneMatch = [&](int own) {
    FillWithOneCrowdedKey(own);
    const std::vector<Property> wanted = {{kDrug, QStringLiteral("Drug %1").arg(own / 2)},
                                          {kDose, QStringLiteral("%1 mg").arg(own / 2 % 7)}};
    EXPECT_NE(m_db.SeekMatch(patient, wanted), 0u);
    sqlite3_stmt* match = CachedStatement(store::MatchSeekSql(m_volume, 0, {kDrug, kDose}, true));
    EXPECT_NE(match, nullptr);
    StepsSinceReset(match);
    EXPECT_NE(m_db.SeekMatch(patient, wanted), 0u);
    return StepsSinceReset(match);
  };
  const int few = stepsForOneMatch(20);
  const int many = stepsForOneMatch(3000);
  EXPECT_LE(many, few + 5) << few << " steps among 20 records, " << many << " among 3000";
}

// ---- What match seeks find --------------------------------------------------------------------

// The records, by id, with the key (compared without regard to case) and all the values, or that
// lack one of the properties: a plain reading of every record.
std::vector<RecordId> Scan(PropertyDatabase& db, const QString& key,
                           const std::vector<Property>& values, bool incomplete) {
  std::vector<RecordId> found;
  Record record;
  for (RecordId id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
    db.Read(record);
    const Property* ownKey = record.Find(kKey);
    if ((ownKey ? ownKey->value : QString()).compare(key, Qt::CaseInsensitive) != 0) {
      continue;
    }
    bool complete = true;
    bool equal = true;
    for (const Property& value : values) {
      const Property* stored = record.Find(value.id);
      complete = complete && stored;
      equal = equal && stored && stored->value == value.value;
    }
    if (incomplete ? !complete : equal) {
      found.push_back(id);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

RecordId FirstOf(const std::vector<RecordId>& ids) {
  return ids.empty() ? 0 : ids.front();
}

QString Pick(std::mt19937& random, const std::vector<QString>& choices) {
  return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
}

const std::vector<QString> kKeys = {QStringLiteral("Smith, J"), QStringLiteral("SMITH, J"),
                                    QStringLiteral("Smith, Jo"), QStringLiteral("Zoë, Ä")};
const std::vector<QString> kValues = {QString(),
                                      QStringLiteral(""),
                                      QStringLiteral("a"),
                                      QStringLiteral("A"),
                                      QStringLiteral("1:a"),
                                      QStringLiteral("ä\U0001F600"),
                                      QStringLiteral("a1:")};

// A record with random values, some properties left out (the null text).
Record RandomRecord(std::mt19937& random) {
  Record record;
  record.Add(kKey, Pick(random, kKeys));
  for (const PropId id : {kDrug, kDose, kNote}) {
    const QString value = Pick(random, kValues);
    if (!value.isNull()) {
      record.Add(id, value);
    }
  }
  return record;
}

// Every probe answers what a scan answers, by seek and by the seek for incomplete records.
void ExpectSeeksAgreeWithAScan(PropertyDatabase& db, std::mt19937& random) {
  for (int probe = 0; probe < 60; ++probe) {
    const QString key = Pick(random, kKeys);
    QString drug = Pick(random, kValues);
    QString dose = Pick(random, kValues);
    const std::vector<Property> values = {{kDrug, drug.isNull() ? QString("") : drug},
                                          {kDose, dose.isNull() ? QString("") : dose}};
    EXPECT_EQ(db.SeekMatch(key, values), FirstOf(Scan(db, key, values, false)))
        << key.toStdString() << " " << drug.toStdString() << " " << dose.toStdString();
    // Written through the handle, every record lacking a property is among the incomplete ones
    // and no other.
    std::vector<RecordId> incomplete;
    for (RecordId id = db.SeekIncomplete(key, {kDrug, kDose}, 0); id != 0;
         id = db.SeekIncomplete(key, {kDrug, kDose}, id)) {
      incomplete.push_back(id);
    }
    EXPECT_EQ(incomplete, Scan(db, key, values, true)) << key.toStdString();
  }
}

TEST_F(SeekCostTest, MatchSeeksAgreeWithAScanThroughChangesOfEveryKind) {
  std::mt19937 random(7);
  std::vector<RecordId> ids;
  for (int i = 0; i < 150; ++i) {
    ids.push_back(m_db.Add(RandomRecord(random)));
  }
  ExpectSeeksAgreeWithAScan(m_db, random);

  // Values written over, added, keys changed, records deleted.
  for (int i = 0; i < 80; ++i) {
    const RecordId id = ids[std::uniform_int_distribution<size_t>(0, ids.size() - 1)(random)];
    if (m_db.SeekById(id) != id) {
      continue;
    }
    switch (i % 4) {
      case 0:
        m_db.WriteCurrent({{kDrug, Pick(random, {QStringLiteral("a"), QStringLiteral("b")})}});
        break;
      case 1:
        m_db.WriteCurrent({{kDose, QStringLiteral("a")}, {kNote, QStringLiteral("changed")}});
        break;
      case 2:
        m_db.WriteCurrent({{kKey, Pick(random, kKeys)}});
        break;
      default:
        m_db.Delete(id);
    }
  }
  ExpectSeeksAgreeWithAScan(m_db, random);
}

TEST_F(SeekCostTest, WithoutItsIndexAMatchSeekAnswersTheSame) {
  std::mt19937 random(11);
  for (int i = 0; i < 120; ++i) {
    m_db.Add(RandomRecord(random));
  }
  const std::vector<Property> wanted = {{kDrug, QStringLiteral("a")}, {kDose, QStringLiteral("A")}};
  const RecordId scanned = FirstOf(Scan(m_db, kKeys[0], wanted, false));
  const RecordId incomplete = FirstOf(Scan(m_db, kKeys[0], wanted, true));

  // Opened read-only, the file cannot be given its index: the seeks go over the key's records.
  Device readOnly(m_device.folder());
  readOnly.SetReadOnly(true);
  std::thread([&] {
    const DeviceScope scope(readOnly);
    PropertyDatabase db;
    ASSERT_TRUE(db.Open(kChart));
    EXPECT_EQ(db.SeekMatch(kKeys[0], wanted), scanned);
    EXPECT_EQ(db.SeekIncomplete(kKeys[0], {kDrug, kDose}, 0), incomplete);
    EXPECT_FALSE(db.LastError().Failed());
  }).join();

  // An index built inside a transaction that rolls back goes with it, and is built again.
  {
    platform::StoreTransaction transaction;
    EXPECT_EQ(m_db.SeekMatch(kKeys[0], wanted), scanned);
  }
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], wanted), scanned);
  EXPECT_FALSE(m_db.LastError().Failed());
  ExpectSeeksAgreeWithAScan(m_db, random);
}

TEST_F(SeekCostTest, RecordsWrittenBehindTheProgramsBackAreFoundAllTheSame) {
  m_db.SeekMatch(kKeys[0], {{kDrug, QStringLiteral("a")}, {kDose, QStringLiteral("b")}});
  const std::string rec = "v" + std::to_string(m_volume) + "_rec";
  const std::string prop = "v" + std::to_string(m_volume) + "_prop";
  // Another writer: the last indexed property first, then the key row, and a value replaced
  // rather than updated.
  Exec("INSERT INTO " + prop + " VALUES(900001, 103, 'b')");
  Exec("INSERT INTO " + prop + " VALUES(900001, 102, 'a')");
  Exec("INSERT INTO " + prop + " VALUES(900001, 1, 'Smith, J')");
  Exec("INSERT INTO " + rec + "(id, k1, k2) VALUES(900001, 'Smith, J', '')");
  Exec("INSERT INTO " + prop + " VALUES(900002, 1, 'Smith, J')");
  Exec("INSERT INTO " + rec + "(id, k1, k2) VALUES(900002, 'Smith, J', '')");
  Exec("INSERT INTO " + prop + " VALUES(900002, 102, 'x')");
  Exec("INSERT INTO " + prop + " VALUES(900002, 103, 'b')");
  Exec("INSERT OR REPLACE INTO " + prop + " VALUES(900002, 102, 'a')");

  const std::vector<Property> wanted = {{kDrug, QStringLiteral("a")}, {kDose, QStringLiteral("b")}};
  std::vector<RecordId> found;
  if (const RecordId complete = m_db.SeekMatch(kKeys[0], wanted)) {
    found.push_back(complete);
  }
  for (RecordId id = m_db.SeekIncomplete(kKeys[0], {kDrug, kDose}, 0); id != 0;
       id = m_db.SeekIncomplete(kKeys[0], {kDrug, kDose}, id)) {
    found.push_back(id);
  }
  // Each one is either found by the seek or offered for the caller to compare: none is lost, and
  // the replaced value is never matched under the value it had.
  EXPECT_NE(std::find(found.begin(), found.end(), 900001u), found.end());
  EXPECT_NE(std::find(found.begin(), found.end(), 900002u), found.end());
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], {{kDrug, QStringLiteral("x")}, {kDose, QStringLiteral("b")}}),
            0u);
}

TEST_F(SeekCostTest, AskingForOtherPropertiesRebuildsTheIndex) {
  const RecordId first = m_db.Add(Medication(kKeys[0], QStringLiteral("a"), QStringLiteral("b")));
  const RecordId second = m_db.Add(Medication(kKeys[0], QStringLiteral("a"), QStringLiteral("c")));
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], {{kDrug, QStringLiteral("a")}, {kDose, QStringLiteral("c")}}),
            second);
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], {{kDrug, QStringLiteral("a")}}), first);
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], {{kDose, QStringLiteral("c")}}), second);
  EXPECT_EQ(m_db.SeekMatch(kKeys[0], {{kDrug, QStringLiteral("a")}, {kDose, QStringLiteral("c")}}),
            second);
  // The position is the record found: the next move goes on from it.
  EXPECT_EQ(m_db.CurrentId(), second);
  EXPECT_EQ(m_db.SeekPrevious(), first);
}

}  // namespace
