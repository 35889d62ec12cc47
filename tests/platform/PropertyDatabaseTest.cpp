#include "platform/PropertyDatabase.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QTemporaryDir>
#include <algorithm>
#include <set>
#include <thread>

#include "platform/Device.h"
#include "support/TempDevice.h"

using platform::PropertyDatabase;
using platform::PropId;
using platform::Record;
using platform::RecordId;
using platform::SortOrder;

namespace {

constexpr PropId kKey = 1;
constexpr PropId kOther = 2;
constexpr PropId kUnusedSort = 200;

Record KeyRecord(const QString& key, const QString& other = QString()) {
  Record record;
  record.Add(kKey, key);
  if (!other.isNull()) {
    record.Add(kOther, other);
  }
  return record;
}

QString KeyOfCurrent(PropertyDatabase& db) {
  Record record;
  if (!db.Read(record, {kKey})) {
    return QStringLiteral("<unreadable>");
  }
  const platform::Property* key = record.Find(kKey);
  return key ? key->value : QStringLiteral("<none>");
}

// Keys of every record from the first, moving with SeekNext.
QStringList KeysInOrder(PropertyDatabase& db) {
  QStringList keys;
  for (RecordId id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
    keys << KeyOfCurrent(db);
  }
  return keys;
}

QStringList KeysInReverse(PropertyDatabase& db) {
  QStringList keys;
  for (RecordId id = db.SeekLast(); id != 0; id = db.SeekPrevious()) {
    keys << KeyOfCurrent(db);
  }
  return keys;
}

bool Exec(const char* sql) {
  return sqlite3_exec(platform::Device::Current()->ObjectStore(), sql, nullptr, nullptr, nullptr) ==
         SQLITE_OK;
}

class PropertyDatabaseTest : public ::testing::Test {
 protected:
  // A store keyed case-insensitively on kKey, with a second order on kUnusedSort, as the chart
  // stores make theirs.
  void SetUp() override {
    ASSERT_TRUE(
        PropertyDatabase::Create(QStringLiteral("Chart"), {{kKey, true}, {kUnusedSort, true}}));
    ASSERT_TRUE(m_db.Open(QStringLiteral("Chart")));
  }

  RecordId Add(const QString& key, const QString& other = QString()) {
    const RecordId id = m_db.Add(KeyRecord(key, other));
    EXPECT_NE(id, 0u);
    return id;
  }

  TempDevice m_device;
  PropertyDatabase m_db;
};

// ---- Catalogue --------------------------------------------------------------------------------

TEST(PropertyDatabaseCatalog, CreateExistsNamesAndOpen) {
  TempDevice device;
  EXPECT_TRUE(PropertyDatabase::Names().empty());
  EXPECT_FALSE(PropertyDatabase::Exists(QStringLiteral("OVMeds")));

  EXPECT_TRUE(
      PropertyDatabase::Create(QStringLiteral("OVMeds"), {{kKey, true}, {kUnusedSort, true}}));
  EXPECT_TRUE(PropertyDatabase::Create(QStringLiteral("OVToDo"), {{101, false}}));
  EXPECT_TRUE(PropertyDatabase::Create(QStringLiteral("OVLists"), {{kKey, true}}));
  EXPECT_EQ(PropertyDatabase::Names(),
            (std::vector<QString>{"OVMeds", "OVToDo", "OVLists"}));  // creation order

  // A name that exists, in any case, cannot be created again.
  EXPECT_FALSE(PropertyDatabase::Create(QStringLiteral("OVMeds"), {{kKey, true}}));
  EXPECT_FALSE(PropertyDatabase::Create(QStringLiteral("ovmeds"), {{kKey, true}}));
  EXPECT_TRUE(PropertyDatabase::Exists(QStringLiteral("OVMEDS")));
  EXPECT_EQ(PropertyDatabase::Names().size(), 3u);

  // Nonsense requests fail without making anything.
  EXPECT_FALSE(PropertyDatabase::Create(QString(), {{kKey, true}}));
  EXPECT_FALSE(PropertyDatabase::Create(QStringLiteral("None"), {}));
  EXPECT_FALSE(
      PropertyDatabase::Create(QStringLiteral("Three"), {{1, true}, {2, true}, {3, true}}));
  EXPECT_EQ(PropertyDatabase::Names().size(), 3u);

  PropertyDatabase db;
  EXPECT_FALSE(db.Open(QStringLiteral("Missing")));
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(db.Open(QStringLiteral("OVToDo"), 1));  // it has one sort order only
  EXPECT_FALSE(db.Open(QStringLiteral("OVToDo"), -1));
  EXPECT_TRUE(db.Open(QStringLiteral("ovtodo")));
  EXPECT_EQ(db.Name(), QStringLiteral("OVToDo"));
  EXPECT_TRUE(db.Open(QStringLiteral("OVMeds"), 1));
  db.Close();
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(db.Add(KeyRecord("x")), 0u);
  EXPECT_EQ(db.SeekFirst(), 0u);
}

TEST(PropertyDatabaseCatalog, WithoutCurrentDeviceEverythingFails) {
  TempDevice device;  // current for this thread only
  ASSERT_TRUE(PropertyDatabase::Create(QStringLiteral("Here"), {{kKey, true}}));
  std::thread other([] {
    ASSERT_EQ(platform::Device::Current(), nullptr);
    EXPECT_FALSE(PropertyDatabase::Create(QStringLiteral("Elsewhere"), {{kKey, true}}));
    EXPECT_FALSE(PropertyDatabase::Exists(QStringLiteral("Here")));
    EXPECT_TRUE(PropertyDatabase::Names().empty());
    PropertyDatabase db;
    EXPECT_FALSE(db.Open(QStringLiteral("Here")));
  });
  other.join();
}

// ---- Seeks ------------------------------------------------------------------------------------

TEST_F(PropertyDatabaseTest, SeeksAnswerTheRecordReachedAndTiesGoByRecordId) {
  const RecordId carter = Add("Carter");
  const RecordId baker1 = Add("Baker", "first");
  const RecordId adams = Add("Adams");
  const RecordId baker2 = Add("baker", "second");  // same key case-insensitively
  ASSERT_LT(baker1, baker2);

  EXPECT_EQ(m_db.SeekNext(), 0u);  // no position yet
  EXPECT_EQ(m_db.SeekPrevious(), 0u);

  EXPECT_EQ(m_db.SeekEqual("BAKER"), baker1);
  EXPECT_EQ(m_db.CurrentId(), baker1);
  EXPECT_EQ(m_db.SeekNext(), baker2);
  EXPECT_EQ(m_db.SeekNext(), carter);
  EXPECT_EQ(m_db.SeekNext(), 0u);
  EXPECT_EQ(m_db.CurrentId(), carter);  // a failed move leaves the position
  EXPECT_EQ(m_db.SeekPrevious(), baker2);
  EXPECT_EQ(m_db.SeekPrevious(), baker1);
  EXPECT_EQ(m_db.SeekPrevious(), adams);
  EXPECT_EQ(m_db.SeekPrevious(), 0u);
  EXPECT_EQ(m_db.CurrentId(), adams);

  EXPECT_EQ(m_db.SeekEqual("Bake"), 0u);
  EXPECT_EQ(m_db.SeekEqual("Bakers"), 0u);
  EXPECT_EQ(m_db.CurrentId(), adams);

  EXPECT_EQ(m_db.SeekGreaterOrEqual("B"), baker1);
  EXPECT_EQ(m_db.SeekGreaterOrEqual("baker"), baker1);
  EXPECT_EQ(m_db.SeekGreaterOrEqual("Bakerz"), carter);
  EXPECT_EQ(m_db.SeekGreaterOrEqual(""), adams);
  EXPECT_EQ(m_db.SeekGreaterOrEqual("Z"), 0u);
  EXPECT_EQ(m_db.CurrentId(), adams);

  EXPECT_EQ(m_db.SeekLastLessThan("Carter"), baker2);  // the last of the tied keys
  EXPECT_EQ(m_db.SeekLastLessThan("Baker"), adams);
  EXPECT_EQ(m_db.SeekLastLessThan("zzz"), carter);
  EXPECT_EQ(m_db.SeekLastLessThan("Adams"), 0u);
  EXPECT_EQ(m_db.SeekLastLessThan(""), 0u);

  EXPECT_EQ(m_db.SeekFirst(), adams);
  EXPECT_EQ(m_db.SeekLast(), carter);

  EXPECT_EQ(m_db.SeekById(baker2), baker2);
  EXPECT_EQ(m_db.SeekNext(), carter);
  EXPECT_EQ(m_db.SeekById(baker2), baker2);
  EXPECT_EQ(m_db.SeekPrevious(), baker1);
  EXPECT_EQ(m_db.SeekById(0), 0u);
  EXPECT_EQ(m_db.SeekById(baker2 + 1000), 0u);
  EXPECT_EQ(m_db.CurrentId(), baker1);
}

TEST_F(PropertyDatabaseTest, AWalkFromTheShorterNameMeetsItsOwnRecordsFirst) {
  // Keys are a patient name followed by a day and hour string.
  const RecordId jo1 = Add("Smith, Jo20240101080000");
  const RecordId j2 = Add("Smith, J20240301090000");
  const RecordId j1 = Add("Smith, J20240101100000");
  const RecordId jo2 = Add("Smith, Jo20231201080000");
  Add("Smith, Jane20240101080000");
  Add("Smith, I20240101080000");

  std::vector<RecordId> walk;
  for (RecordId id = m_db.SeekGreaterOrEqual("Smith, J"); id != 0; id = m_db.SeekNext()) {
    walk.push_back(id);
  }
  ASSERT_GE(walk.size(), 4u);
  EXPECT_EQ(walk[0], j1);
  EXPECT_EQ(walk[1], j2);
  EXPECT_EQ(KeyOfCurrent(m_db), "Smith, Jo20240101080000");  // walk ends on the last key
  EXPECT_EQ(std::count(walk.begin(), walk.end(), jo1), 1);
  EXPECT_EQ(std::count(walk.begin(), walk.end(), jo2), 1);

  // The latest record of each patient: the last key below name + "99999999".
  EXPECT_EQ(m_db.SeekLastLessThan("Smith, J99999999"), j2);
  EXPECT_EQ(m_db.SeekLastLessThan("Smith, Jo99999999"), jo1);
  EXPECT_EQ(m_db.SeekGreaterOrEqual("Smith, Jo"), jo2);
}

TEST(PropertyDatabaseOrder, CaseInsensitiveAndCaseSensitiveOrders) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Folded", {{kKey, true}}));
  ASSERT_TRUE(PropertyDatabase::Create("Exact", {{kKey, false}}));
  for (const char* name : {"Folded", "Exact"}) {
    PropertyDatabase db;
    ASSERT_TRUE(db.Open(name));
    for (const char* key : {"apple", "Banana", "cherry", "Apple", "_under"}) {
      ASSERT_NE(db.Add(KeyRecord(key)), 0u);
    }
  }

  PropertyDatabase folded;
  ASSERT_TRUE(folded.Open("Folded"));
  EXPECT_EQ(KeysInOrder(folded), QStringList({"_under", "apple", "Apple", "Banana", "cherry"}));
  EXPECT_EQ(KeysInReverse(folded), QStringList({"cherry", "Banana", "Apple", "apple", "_under"}));
  EXPECT_NE(folded.SeekEqual("APPLE"), 0u);
  EXPECT_EQ(KeyOfCurrent(folded), "apple");

  PropertyDatabase exact;
  ASSERT_TRUE(exact.Open("Exact"));
  EXPECT_EQ(KeysInOrder(exact), QStringList({"Apple", "Banana", "_under", "apple", "cherry"}));
  EXPECT_EQ(exact.SeekEqual("APPLE"), 0u);
  EXPECT_NE(exact.SeekEqual("Apple"), 0u);
  EXPECT_EQ(KeyOfCurrent(exact), "Apple");
  EXPECT_NE(exact.SeekGreaterOrEqual("a"), 0u);
  EXPECT_EQ(KeyOfCurrent(exact), "apple");
}

TEST(PropertyDatabaseOrder, ComparesUtf16BeyondAscii) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Folded", {{kKey, true}}));
  ASSERT_TRUE(PropertyDatabase::Create("Exact", {{kKey, false}}));
  const QString emoji = QString::fromUcs4(U"\U0001F600");  // surrogate pair D83D DE00
  const QString fullwidthTilde = QString(QChar(0xFF5E));
  const QString lone = QString(QChar(0xD800)) + "x";  // unpaired surrogate

  PropertyDatabase exact;
  ASSERT_TRUE(exact.Open("Exact"));
  for (const QString& key : {fullwidthTilde, emoji, lone}) {
    ASSERT_NE(exact.Add(KeyRecord(key)), 0u);
  }
  // Code unit order: D800 < D83D < FF5E (code point order would put U+FF5E first).
  EXPECT_EQ(KeysInOrder(exact), QStringList({lone, emoji, fullwidthTilde}));
  EXPECT_NE(exact.SeekEqual(lone), 0u);  // an unpaired surrogate survives storage unchanged

  PropertyDatabase folded;
  ASSERT_TRUE(folded.Open("Folded"));
  ASSERT_NE(folded.Add(KeyRecord(QStringLiteral(u"émile"))), 0u);
  ASSERT_NE(folded.Add(KeyRecord(QStringLiteral(u"Zoë"))), 0u);
  EXPECT_NE(folded.SeekEqual(QStringLiteral(u"ÉMILE")), 0u);
  EXPECT_EQ(KeyOfCurrent(folded), QStringLiteral(u"émile"));
  EXPECT_NE(folded.SeekEqual(QStringLiteral(u"ZOË")), 0u);
}

TEST_F(PropertyDatabaseTest, SecondSortOrderAndMissingSortPropertySortAsEmpty) {
  ASSERT_TRUE(PropertyDatabase::Create("Two", {{kKey, true}, {kOther, false}}));
  PropertyDatabase two;
  ASSERT_TRUE(two.Open("Two"));
  const RecordId c = two.Add(KeyRecord("c", "1"));
  const RecordId a = two.Add(KeyRecord("a", "3"));
  const RecordId b = two.Add(KeyRecord("b", "2"));
  const RecordId none = two.Add(KeyRecord("0"));  // no kOther: sorts first on the second order

  PropertyDatabase bySecond;
  ASSERT_TRUE(bySecond.Open("Two", 1));
  std::vector<RecordId> order;
  for (RecordId id = bySecond.SeekFirst(); id != 0; id = bySecond.SeekNext()) {
    order.push_back(id);
  }
  EXPECT_EQ(order, (std::vector<RecordId>{none, c, b, a}));
  EXPECT_EQ(bySecond.SeekEqual("2"), b);
  EXPECT_EQ(bySecond.SeekEqual(""), none);

  // Writing the second order's property moves the record in that order.
  ASSERT_EQ(two.SeekById(c), c);
  Record change;
  change.Add(kOther, "4");
  ASSERT_TRUE(two.WriteCurrent(change));
  EXPECT_EQ(bySecond.SeekLast(), c);

  // The chart stores' second order names a property no record has: it keeps records by id.
  const RecordId x = Add("x");
  const RecordId y = Add("a");
  PropertyDatabase unused;
  ASSERT_TRUE(unused.Open("Chart", 1));
  EXPECT_EQ(unused.SeekFirst(), x);
  EXPECT_EQ(unused.SeekNext(), y);
}

// ---- Delete while walking ---------------------------------------------------------------------

TEST_F(PropertyDatabaseTest, DeletingDuringAWalkVisitsEveryRemainingRecord) {
  std::set<RecordId> kept;
  for (int i = 0; i < 30; ++i) {
    // Two patients interleaved in key order, with tied keys among them.
    Add(QStringLiteral("Doe, A%1").arg(i / 2, 4, 10, QChar('0')));
    kept.insert(Add(QStringLiteral("Doe, B%1").arg(i % 7, 4, 10, QChar('0'))));
    Add(QStringLiteral("Doe, A%1").arg(i / 2, 4, 10, QChar('0')));
  }
  std::set<RecordId> visited;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (KeyOfCurrent(m_db).startsWith("Doe, A")) {
      ASSERT_TRUE(m_db.Delete(m_db.CurrentId()));
    } else {
      visited.insert(id);
    }
  }
  EXPECT_EQ(visited, kept);
  EXPECT_EQ(m_db.RecordCount(), kept.size());

  // Deleting every record on the way, as deleting all of a patient's records does.
  uint32_t deleted = 0;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    ASSERT_TRUE(m_db.Delete(id));
    ++deleted;
  }
  EXPECT_EQ(deleted, kept.size());
  EXPECT_EQ(m_db.RecordCount(), 0u);
}

TEST_F(PropertyDatabaseTest, DeleteAnswersWhetherARecordWentAndKeepsThePosition) {
  const RecordId a = Add("a");
  const RecordId b = Add("b");
  const RecordId c = Add("c");
  EXPECT_EQ(m_db.SeekById(b), b);
  EXPECT_TRUE(m_db.Delete(b));
  EXPECT_FALSE(m_db.Delete(b));
  EXPECT_FALSE(m_db.Delete(0));
  Record record;
  EXPECT_FALSE(m_db.Read(record));  // the current record is gone
  EXPECT_FALSE(m_db.WriteCurrent(KeyRecord("b2")));
  EXPECT_EQ(m_db.SeekPrevious(), a);
  EXPECT_EQ(m_db.SeekNext(), c);
  EXPECT_EQ(m_db.SeekById(b), 0u);
  EXPECT_EQ(m_db.RecordCount(), 2u);

  // A record of another database is not reached through this one.
  ASSERT_TRUE(PropertyDatabase::Create("Other", {{kKey, true}}));
  PropertyDatabase other;
  ASSERT_TRUE(other.Open("Other"));
  EXPECT_EQ(other.SeekById(a), 0u);
  EXPECT_FALSE(other.Delete(a));
  EXPECT_EQ(m_db.RecordCount(), 2u);
}

// ---- Reading and writing ----------------------------------------------------------------------

TEST_F(PropertyDatabaseTest, ReadsAllPropertiesInIdOrderOrAListWithNotFoundMarks) {
  Record record;
  record.Add(105, "five");
  record.Add(kKey, "key");
  record.Add(103, "");  // present, empty
  record.Add(104, "first");
  record.Add(104, "last wins");
  const RecordId id = m_db.Add(record);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(m_db.CurrentId(), 0u);  // adding does not move

  Record out;
  EXPECT_FALSE(m_db.Read(out));  // nothing current yet
  ASSERT_EQ(m_db.SeekById(id), id);
  ASSERT_TRUE(m_db.Read(out));
  ASSERT_EQ(out.Properties().size(), 4u);
  const std::vector<std::pair<PropId, QString>> expected = {
      {kKey, "key"}, {103, ""}, {104, "last wins"}, {105, "five"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(out.Properties()[i].id, expected[i].first);
    EXPECT_EQ(out.Properties()[i].value, expected[i].second);
    EXPECT_FALSE(out.Properties()[i].notFound);
  }

  ASSERT_TRUE(m_db.Read(out, {105, 106, kKey, 103}));
  ASSERT_EQ(out.Properties().size(), 4u);
  EXPECT_EQ(out.Properties()[0].value, "five");
  EXPECT_EQ(out.Properties()[1].id, 106);
  EXPECT_TRUE(out.Properties()[1].notFound);
  EXPECT_EQ(out.Find(106), nullptr);
  EXPECT_EQ(out.Properties()[2].value, "key");
  ASSERT_NE(out.Find(103), nullptr);  // an empty value is still a value
  EXPECT_TRUE(out.Find(103)->value.isEmpty());

  // A record without any property exists and reads back empty.
  const RecordId empty = m_db.Add(Record());
  ASSERT_NE(empty, 0u);
  ASSERT_EQ(m_db.SeekById(empty), empty);
  EXPECT_TRUE(m_db.Read(out));
  EXPECT_TRUE(out.Properties().empty());
  EXPECT_EQ(m_db.SeekFirst(), empty);  // its key is the empty text
}

TEST_F(PropertyDatabaseTest, WriteOverKeepsOtherPropertiesAndThePositionFollowsTheKey) {
  Add("A");
  const RecordId c = Add("C");
  const RecordId e = Add("E");
  Record full = KeyRecord("G", "other");
  full.Add(110, "ten");
  const RecordId g = m_db.Add(full);

  ASSERT_EQ(m_db.SeekById(g), g);
  Record change;
  change.Add(110, "changed");
  change.Add(111, "new");
  change.Properties().push_back({kOther, "marked not found: not written", true});
  ASSERT_TRUE(m_db.WriteCurrent(change));
  Record out;
  ASSERT_TRUE(m_db.Read(out));
  ASSERT_EQ(out.Properties().size(), 4u);
  EXPECT_EQ(out.Find(kKey)->value, "G");
  EXPECT_EQ(out.Find(kOther)->value, "other");
  EXPECT_EQ(out.Find(110)->value, "changed");
  EXPECT_EQ(out.Find(111)->value, "new");

  // Writing the key moves the record in the order, and the position with it.
  ASSERT_TRUE(m_db.WriteCurrent(KeyRecord("D")));
  EXPECT_EQ(m_db.SeekNext(), e);
  EXPECT_EQ(m_db.SeekById(g), g);
  EXPECT_EQ(m_db.SeekPrevious(), c);
  EXPECT_EQ(KeysInOrder(m_db), QStringList({"A", "C", "D", "E"}));
  EXPECT_EQ(m_db.SeekEqual("d"), g);
  EXPECT_EQ(m_db.SeekEqual("G"), 0u);
}

TEST_F(PropertyDatabaseTest, AFailedChangeLeavesNothingBehind) {
  const RecordId a = Add("a", "before");
  // Make the property table refuse property 99 in the middle of a change.
  ASSERT_TRUE(
      Exec("CREATE TRIGGER refuse BEFORE INSERT ON v1_prop WHEN NEW.pid = 99"
           " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  Record bad = KeyRecord("b", "x");
  bad.Add(99, "refused");
  EXPECT_EQ(m_db.Add(bad), 0u);
  EXPECT_EQ(m_db.RecordCount(), 1u);
  EXPECT_EQ(m_db.SeekEqual("b"), 0u);

  ASSERT_EQ(m_db.SeekById(a), a);
  Record change = KeyRecord("z", "after");
  change.Add(99, "refused");
  EXPECT_FALSE(m_db.WriteCurrent(change));
  Record out;
  ASSERT_TRUE(m_db.Read(out));
  EXPECT_EQ(out.Find(kKey)->value, "a");
  EXPECT_EQ(out.Find(kOther)->value, "before");
  EXPECT_EQ(m_db.SeekEqual("z"), 0u);

  // The failed add used no id: the next one follows the last that was stored.
  const RecordId next = Add("c");
  EXPECT_EQ(next, a + 1);
}

// ---- Record ids -------------------------------------------------------------------------------

TEST_F(PropertyDatabaseTest, RecordIdsAreNeverReusedAcrossTheDevice) {
  std::set<RecordId> seen;
  RecordId last = 0;
  for (int i = 0; i < 5; ++i) {
    last = Add(QString::number(i));
    seen.insert(last);
  }
  ASSERT_TRUE(m_db.Delete(last));
  const RecordId after = Add("again");
  EXPECT_GT(after, last);

  ASSERT_TRUE(PropertyDatabase::Create("Other", {{kKey, true}}));
  PropertyDatabase other;
  ASSERT_TRUE(other.Open("Other"));
  const RecordId elsewhere = other.Add(KeyRecord("x"));
  EXPECT_GT(elsewhere, after);
  EXPECT_EQ(seen.count(elsewhere), 0u);
}

TEST_F(PropertyDatabaseTest, RecordIdsStopAtThirtyTwoBitsInsteadOfWrapping) {
  const RecordId first = Add("first");
  ASSERT_TRUE(Exec("UPDATE store_meta SET value = 4294967294 WHERE name = 'last_record_id'"));
  EXPECT_EQ(Add("last"), 0xFFFF'FFFFu);
  EXPECT_EQ(m_db.Add(KeyRecord("none left")), 0u);
  EXPECT_EQ(m_db.RecordCount(), 2u);
  EXPECT_EQ(m_db.SeekById(first), first);
}

// ---- Transactions of the caller ---------------------------------------------------------------

TEST_F(PropertyDatabaseTest, ChangesInsideACallersTransactionGoWithIt) {
  const RecordId kept = Add("kept");
  ASSERT_TRUE(Exec("BEGIN"));
  EXPECT_NE(m_db.Add(KeyRecord("dropped")), 0u);
  EXPECT_EQ(m_db.RecordCount(), 2u);
  ASSERT_TRUE(Exec("ROLLBACK"));
  EXPECT_EQ(m_db.RecordCount(), 1u);
  EXPECT_EQ(m_db.SeekFirst(), kept);

  ASSERT_TRUE(Exec("BEGIN"));
  const RecordId added = m_db.Add(KeyRecord("committed"));
  ASSERT_TRUE(Exec("COMMIT"));
  EXPECT_EQ(m_db.SeekEqual("committed"), added);
}

// ---- Durability and connections ---------------------------------------------------------------

TEST(PropertyDatabaseDevice, DataSurvivesClosingAndReopeningTheDevice) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  RecordId id = 0;
  {
    platform::Device device(folder.path());
    platform::DeviceScope scope(device);
    ASSERT_TRUE(PropertyDatabase::Create("OVNotes", {{kKey, true}, {kUnusedSort, true}}));
    PropertyDatabase db;
    ASSERT_TRUE(db.Open("OVNotes"));
    id = db.Add(KeyRecord("Doe, Jane20240101", "note"));
    ASSERT_NE(id, 0u);
  }
  for (int round = 0; round < 3; ++round) {
    // Devices come and go, possibly at the same address: each starts with clean statements.
    auto device = std::make_unique<platform::Device>(folder.path());
    platform::DeviceScope scope(*device);
    EXPECT_EQ(PropertyDatabase::Names(), std::vector<QString>{"OVNotes"});
    PropertyDatabase db;
    ASSERT_TRUE(db.Open("OVNotes"));
    ASSERT_EQ(db.SeekEqual("doe, jane20240101"), id);
    Record out;
    ASSERT_TRUE(db.Read(out));
    EXPECT_EQ(out.Find(kOther)->value, "note");
    const RecordId added = db.Add(KeyRecord(QStringLiteral("round %1").arg(round)));
    EXPECT_GT(added, id);
    id = db.SeekEqual("doe, jane20240101");
  }
}

// ---- Seeks are index lookups ------------------------------------------------------------------

TEST(PropertyDatabaseIndexes, EverySeekIsAnIndexedLookup) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Big", {{kKey, true}, {kUnusedSort, true}}));
  PropertyDatabase db;
  ASSERT_TRUE(db.Open("Big"));
  constexpr int kRecords = 3000;
  ASSERT_TRUE(Exec("BEGIN"));  // one commit for the whole fill
  for (int i = 0; i < kRecords; ++i) {
    ASSERT_NE(
        db.Add(KeyRecord(QStringLiteral("Patient %1").arg(i * 7 % kRecords, 5, 10, QChar('0')))),
        0u);
  }
  ASSERT_TRUE(Exec("COMMIT"));

  sqlite3* connection = device.device().ObjectStore();
  const auto forEachSeekStatement = [connection](const auto& visit) {
    for (sqlite3_stmt* s = sqlite3_next_stmt(connection, nullptr); s;
         s = sqlite3_next_stmt(connection, s)) {
      const QString sql = QString::fromUtf8(sqlite3_sql(s));
      if (sql.startsWith("SELECT id,")) {
        visit(s, sql);
      }
    }
  };
  const auto seekEverything = [&db] {
    db.SeekFirst();
    db.SeekLast();
    db.SeekEqual("Patient 01500");
    db.SeekNext();
    db.SeekPrevious();
    db.SeekGreaterOrEqual("patient 02000x");
    db.SeekLastLessThan("Patient 01000");
    db.SeekById(1234);
  };
  seekEverything();  // prepares each statement
  int statements = 0;
  forEachSeekStatement([&statements](sqlite3_stmt* s, const QString&) {
    sqlite3_stmt_status(s, SQLITE_STMTSTATUS_VM_STEP, 1);
    sqlite3_stmt_status(s, SQLITE_STMTSTATUS_SORT, 1);
    ++statements;
  });
  EXPECT_EQ(statements, 8);
  seekEverything();
  forEachSeekStatement([connection](sqlite3_stmt* s, const QString& sql) {
    // A scan would take thousands of steps; a lookup takes a few dozen.
    EXPECT_LT(sqlite3_stmt_status(s, SQLITE_STMTSTATUS_VM_STEP, 0), 100) << sql.toStdString();
    EXPECT_EQ(sqlite3_stmt_status(s, SQLITE_STMTSTATUS_SORT, 0), 0) << sql.toStdString();

    const QByteArray explain = "EXPLAIN QUERY PLAN " + sql.toUtf8();
    sqlite3_stmt* plan = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(connection, explain.constData(), -1, &plan, nullptr), SQLITE_OK);
    QString detail;
    while (sqlite3_step(plan) == SQLITE_ROW) {
      detail += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)));
    }
    sqlite3_finalize(plan);
    EXPECT_TRUE(detail.contains("INDEX") || detail.contains("INTEGER PRIMARY KEY"))
        << sql.toStdString() << ": " << detail.toStdString();
    EXPECT_FALSE(detail.contains("TEMP B-TREE")) << sql.toStdString();
  });
}

}  // namespace
