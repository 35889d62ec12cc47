// A bulk transaction keeps SQLite's temporary files in memory while it lives and puts the
// connection's setting back afterwards; what it files is stored as without it, and a failed part
// of it is still taken back alone.

#include "platform/BulkWriteScope.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

using platform::PropertyDatabase;

int64_t TempStore() {
  sqlite3_stmt* read = nullptr;
  int64_t value = -1;
  if (sqlite3_prepare_v2(platform::Device::Current()->ObjectStore(), "PRAGMA temp_store", -1, &read,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(read) == SQLITE_ROW) {
    value = sqlite3_column_int64(read, 0);
  }
  sqlite3_finalize(read);
  return value;
}

class BulkWriteScopeTest : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(BulkWriteScopeTest, TemporaryFilesStayInMemoryForTheScopeOnly) {
  const int64_t usual = TempStore();
  {
    const platform::BulkWriteScope bulk;
    EXPECT_EQ(TempStore(), 2);  // MEMORY
  }
  EXPECT_EQ(TempStore(), usual);
}

TEST_F(BulkWriteScopeTest, SavepointsInsideStillTakeBackTheirOwnChangesAlone) {
  const QString volume = QStringLiteral("bulk");
  ASSERT_TRUE(PropertyDatabase::Create(volume, {{1, true}}));
  const platform::BulkWriteScope bulk;
  platform::StoreTransaction outer;
  ASSERT_TRUE(outer.Active());
  PropertyDatabase db;
  ASSERT_TRUE(db.Open(volume));
  ASSERT_NE(db.Add({{1, QStringLiteral("kept")}}), 0u);
  {
    platform::StoreTransaction part;  // a savepoint of the outer one, never committed
    ASSERT_NE(db.Add({{1, QStringLiteral("taken back")}}), 0u);
  }
  ASSERT_TRUE(outer.Commit());
  EXPECT_EQ(db.RecordCount(), 1u);
  EXPECT_NE(db.SeekEqual(QStringLiteral("kept")), 0u);
}

}  // namespace
