#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QRegularExpression>

#include "common/MemoryControls.h"
#include "dated_support.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBTest.h"

using namespace dated_support;

namespace {

const QString kPatient = QStringLiteral("Smith, J");

void SetTest(CDBTest& test, const FILETIME& when, const QString& name, const QString& result) {
  test.patient = kPatient;
  test.date = when;
  test.time = when;
  test.test = name;
  test.result = result;
}

bool AddTest(const FILETIME& when, const QString& name, const QString& result = {}) {
  CDBTest test;
  SetTest(test, when, name, result);
  return test.AddNew(false);
}

struct Filled {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> tests;
  std::vector<CDBTest::RecordId> ids;

  void Fill(bool ascending) { CDBTest().FillList(list, kPatient, dates, tests, ids, ascending); }
};

class TestStore : public DatedStoreTest {};

TEST_F(TestStore, SerialisedFormHasTheFixedOffsets) {
  CDBTest test;
  SetTest(test, At(2024, 3, 5, 10, 0), QStringLiteral("CXR"), QStringLiteral("clear"));
  test.timeStamp = At(2024, 3, 5, 11, 0);
  test.desktopId = 5;
  test.accessState = 1;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(test.Serialize(bytes));
  ExpectedBytes expected;
  expected.U8(5).U32(5).U32(1).Time(test.timeStamp).Time(test.date).Time(test.time);
  expected.Text(QStringLiteral("CXR")).Text(QStringLiteral("clear"));
  EXPECT_EQ(bytes, expected.Bytes());
}

TEST_F(TestStore, SerialisedOnOneDeviceAndFiledOnAnother) {
  const FILETIME when = At(2024, 3, 5, 10, 20, 30);
  std::vector<uint8_t> bytes;
  {
    TempDevice sender;
    clock_source::Fix(At(2024, 3, 5, 11, 0, 59));
    ASSERT_TRUE(AddTest(when, QStringLiteral("EKG"), QStringLiteral("NSR")));
    CDBTest test;
    ASSERT_TRUE(test.FindFirstOfPatient(kPatient));
    test.CloseWalk();
    ASSERT_TRUE(test.Serialize(bytes));
  }
  TempDevice receiver;
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  ASSERT_TRUE(CDBTest().Write(bytes.data(), bytes.size()));
  CDBTest stored;
  ASSERT_TRUE(stored.FindByName(kPatient + QStringLiteral("20240305102030")));
  EXPECT_EQ(stored.patient, kPatient);
  EXPECT_EQ(stored.date, when);
  EXPECT_EQ(stored.time, when);
  EXPECT_EQ(stored.test, QStringLiteral("EKG"));
  EXPECT_EQ(stored.result, QStringLiteral("NSR"));
  EXPECT_EQ(stored.timeStamp, At(2024, 3, 5, 11, 0, 59));
}

TEST_F(TestStore, ReceivedTestMatchesOnlyTheSameNameAtTheSameTime) {
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  const FILETIME when = At(2024, 3, 5, 10, 0);
  ASSERT_TRUE(AddTest(when, QStringLiteral("CXR"), QStringLiteral("pending")));
  for (const char* name : {"CT", "CXR"}) {
    CDBTest sent;
    SetTest(sent, when, QString::fromLatin1(name), QStringLiteral("read"));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(sent.Serialize(bytes));
    ASSERT_TRUE(CDBTest().Write(bytes.data(), bytes.size()));
  }
  Filled filled;
  filled.Fill(true);
  ASSERT_EQ(filled.tests.size(), 2u);
  for (const CDBTest::RecordId id : filled.ids) {
    CDBTest stored;
    ASSERT_TRUE(stored.LoadByCEOID(id));
    EXPECT_EQ(stored.result, QStringLiteral("read")) << stored.test.toStdString();
  }
}

TEST_F(TestStore, FillListOrdersRowsAndArrays) {
  ASSERT_TRUE(AddTest(At(2024, 3, 5, 10, 0), QStringLiteral("CXR")));
  ASSERT_TRUE(AddTest(At(2024, 3, 6, 9, 0), QStringLiteral("Echo")));
  CDBTest other;
  SetTest(other, At(2024, 3, 5, 12, 0), QStringLiteral("MRI"), {});
  other.patient = QStringLiteral("Smith, Jo");
  ASSERT_TRUE(other.AddNew(false));

  Filled filled;
  filled.Fill(false);
  ASSERT_EQ(filled.list.GetItemCount(), 2);
  EXPECT_EQ(filled.tests, (std::vector<QString>{"Echo", "CXR"}));
  EXPECT_EQ(filled.dates, (std::vector<QString>{"20240306090000", "20240305100000"}));
  EXPECT_EQ(filled.list.GetItemText(0, 0), QStringLiteral("03/06/2024 09:00 AM"));
  EXPECT_EQ(filled.list.GetItemText(0, 1), QStringLiteral("Echo"));
  EXPECT_EQ(filled.list.GetItemData(1), 1u);
  filled.Fill(true);
  EXPECT_EQ(filled.tests, (std::vector<QString>{"CXR", "Echo"}));
}

TEST_F(TestStore, MissingResultReadsEmpty) {
  {
    platform::PropertyDatabase db;
    ASSERT_TRUE(CDBTest().CreateDB());
    ASSERT_TRUE(db.Open(QStringLiteral("OVTest")));
    ASSERT_NE(db.Add({{CDBTest::kKeyProp, kPatient + "20240305100000"},
                      {CDBTest::kDateProp, "20240305100000"},
                      {CDBTest::kTestProp, "US"}}),
              0u);
  }
  CDBTest test;
  test.result = QStringLiteral("left over");
  ASSERT_TRUE(test.FindByName(kPatient + "20240305100000"));
  EXPECT_EQ(test.test, QStringLiteral("US"));
  EXPECT_EQ(test.result, QString());
}

TEST_F(TestStore, UpdateResultWritesResultAndStamp) {
  ASSERT_TRUE(AddTest(At(2024, 3, 5, 10, 0), QStringLiteral("CXR"), QStringLiteral("pending")));
  Filled filled;
  filled.Fill(true);
  ASSERT_EQ(filled.ids.size(), 1u);
  clock_source::Fix(At(2024, 3, 9, 9, 9, 9));
  CDBTest test;
  EXPECT_TRUE(test.UpdateResult(filled.ids[0], QStringLiteral("RLL infiltrate")));
  ASSERT_TRUE(test.LoadByCEOID(filled.ids[0]));
  EXPECT_EQ(test.result, QStringLiteral("RLL infiltrate"));
  EXPECT_EQ(test.test, QStringLiteral("CXR"));
  EXPECT_EQ(test.timeStamp, At(2024, 3, 9, 9, 9, 9));

  // An id that names no test: nothing written, nothing shown.
  EXPECT_FALSE(test.UpdateResult(filled.ids[0] + 1000, QStringLiteral("x")));
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

// Runs one statement on the device's object store.
void Exec(sqlite3* db, const QString& sql) {
  ASSERT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
}

TEST_F(TestStore, UpdateResultShowsTheDatabaseErrorWhenTheWriteFails) {
  ASSERT_TRUE(AddTest(At(2024, 3, 5, 10, 0), QStringLiteral("CXR"), QStringLiteral("pending")));
  Filled filled;
  filled.Fill(true);
  ASSERT_EQ(filled.ids.size(), 1u);

  // Make every property write of the store fail (tables as docs/store-file.md lays them out).
  sqlite3* db = device.device().ObjectStore();
  sqlite3_stmt* query = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db, "SELECT num FROM volumes WHERE name = 'OVTest'", -1, &query, nullptr),
      SQLITE_OK);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  const QString table = QStringLiteral("v%1_prop").arg(sqlite3_column_int64(query, 0));
  sqlite3_finalize(query);
  for (const char* event : {"INSERT", "UPDATE"}) {
    Exec(db, QStringLiteral("CREATE TEMP TRIGGER refuse_%1 BEFORE %1 ON main.%2 BEGIN "
                            "SELECT RAISE(ABORT, 'refused'); END")
                 .arg(QLatin1String(event), table));
  }

  CDBTest test;
  EXPECT_FALSE(test.UpdateResult(filled.ids[0], QStringLiteral("read")));
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^dberror -?\\d+$")).match(shown[0].text).hasMatch())
      << shown[0].text.toStdString();
  EXPECT_EQ(shown[0].buttons, messages::Buttons::Ok);
  EXPECT_EQ(shown[0].caption, QStringLiteral("Ovelin"));

  Exec(db, QStringLiteral("DROP TRIGGER refuse_INSERT"));
  Exec(db, QStringLiteral("DROP TRIGGER refuse_UPDATE"));
  ASSERT_TRUE(test.LoadByCEOID(filled.ids[0]));
  EXPECT_EQ(test.result, QStringLiteral("pending"));
}

}  // namespace
