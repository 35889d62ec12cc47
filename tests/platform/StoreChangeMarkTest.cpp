#include "platform/StoreChangeMark.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "support/TempDevice.h"

using platform::CurrentStoreChangeMark;
using platform::PropertyDatabase;
using platform::Record;
using platform::RecordId;

namespace {

constexpr platform::PropId kKey = 1;

Record KeyRecord(const QString& key) {
  Record record;
  record.Add(kKey, key);
  return record;
}

// What is read under a mark may be kept while the mark stays: it must move with every committed
// change of the store, whoever made it, and not with reads; and there is none while a change may
// still be rolled back.
TEST(StoreChangeMark, MovesWithEveryCommittedChangeAndNotWithReads) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Marked", {{kKey, true}}));
  PropertyDatabase db;
  ASSERT_TRUE(db.Open("Marked"));
  const RecordId first = db.Add(KeyRecord("a"));
  ASSERT_NE(first, 0u);

  auto mark = CurrentStoreChangeMark();
  ASSERT_TRUE(mark.has_value());
  Record record;
  ASSERT_EQ(db.SeekFirst(), first);
  ASSERT_TRUE(db.Read(record));
  EXPECT_EQ(CurrentStoreChangeMark(), mark);

  // This connection's changes: an added, a written and a deleted record.
  const auto changed = [&mark] {
    const auto now = CurrentStoreChangeMark();
    const bool moved = now.has_value() && now != mark;
    mark = now;
    return moved;
  };
  const RecordId second = db.Add(KeyRecord("b"));
  EXPECT_TRUE(changed());
  ASSERT_EQ(db.SeekById(second), second);
  ASSERT_TRUE(db.WriteCurrent(KeyRecord("c")));
  EXPECT_TRUE(changed());
  ASSERT_TRUE(db.Delete(second));
  EXPECT_TRUE(changed());

  // Another connection's commit to the file, as another program on the device makes one.
  std::thread([&device] {
    platform::Device other(device.folder());
    const platform::DeviceScope scope(other);
    PropertyDatabase theirs;
    ASSERT_TRUE(theirs.Open("Marked"));
    EXPECT_NE(theirs.Add(KeyRecord("d")), 0u);
  }).join();
  EXPECT_TRUE(changed());

  {
    platform::StoreTransaction transaction;
    ASSERT_TRUE(transaction.Active());
    EXPECT_NE(db.Add(KeyRecord("e")), 0u);
    EXPECT_FALSE(CurrentStoreChangeMark().has_value());
  }  // rolled back
  EXPECT_TRUE(CurrentStoreChangeMark().has_value());
}

}  // namespace
