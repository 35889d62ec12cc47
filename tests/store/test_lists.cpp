#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Clock.h"
#include "store/CDBLists.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

QString Content(const QString& listId) {
  CDBLists lists;
  return lists.FindByName(listId) ? lists.content : QStringLiteral("<missing>");
}

uint32_t ListCount() {
  platform::PropertyDatabase db;
  return db.Open(CDBLists::kVolumeName) ? db.RecordCount() : 0;
}

class ListsStore : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

TEST_F(ListsStore, FreshDeviceGetsTheDefaultLists) {
  EXPECT_EQ(Content("2103"), "NKDA\n");

  const QStringList system = Content("534").split(u'\n');
  ASSERT_EQ(system.size(), 20);  // nineteen entries, each ended by a line feed
  EXPECT_EQ(system.front(), "Weight Change");
  EXPECT_EQ(system[18], "Impotence");
  EXPECT_EQ(system.back(), "");

  EXPECT_TRUE(Content("2100").startsWith("Constipation\nCough\nDiarrhea\n"));
  EXPECT_TRUE(Content("2100").endsWith("Runny Nose\nVomitting\n"));
  EXPECT_EQ(Content("2106"), "Ca\nCVA\nHTN\nMI\n");
  EXPECT_EQ(Content("2107"), "ETOH\nIllicits\nTobacco\n");
  EXPECT_EQ(Content("2300"), "WNL\nNAD\n");
  EXPECT_EQ(Content("2302"), "WNL\nNo Increased WOB\n= Expansion BIL\nCTA\nNo Egophony\n");
  EXPECT_EQ(Content("2307").count(u'\n'), 8);
  // The history names without a default list.
  EXPECT_EQ(Content("2101"), "<missing>");
  EXPECT_EQ(Content("2102"), "<missing>");
  EXPECT_EQ(ListCount(), 15u);

  // Added in the order of the table: record ids rise with it.
  std::vector<uint32_t> ids;
  for (const CDBLists::DefaultList& list : CDBLists::kDefaultLists) {
    CDBLists lists;
    ASSERT_TRUE(lists.FindByName(QString::number(list.listId)));
    ids.push_back(lists.recordId);
  }
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(CDBLists::kDefaultLists[0].listId, 2100);
  EXPECT_EQ(CDBLists::kDefaultLists[14].listId, 534);
}

TEST_F(ListsStore, DefaultsAreAddedOnlyWhenTheDatabaseIsCreated) {
  CDBLists lists;
  ASSERT_TRUE(lists.FindByName("2103"));
  ASSERT_TRUE(lists.UpdateValues(lists.recordId, "NKDA\nPCN\n"));
  EXPECT_FALSE(CDBLists().CreateDB());
  CDBLists reopened;
  EXPECT_TRUE(reopened.FindByName("2300"));
  EXPECT_EQ(Content("2103"), "NKDA\nPCN\n");
  EXPECT_EQ(ListCount(), 15u);
}

TEST_F(ListsStore, FirstAddOnAFreshDeviceKeepsItsOwnMembers) {
  // The database is created inside this add; the defaults must not replace what is being added.
  CDBLists lists;
  lists.patient = "2101";
  lists.content = "Started yesterday\n";
  ASSERT_TRUE(lists.AddNew());
  EXPECT_NE(lists.recordId, 0u);
  EXPECT_EQ(lists.patient, "2101");
  EXPECT_EQ(Content("2101"), "Started yesterday\n");
  EXPECT_EQ(Content("2103"), "NKDA\n");
  EXPECT_EQ(ListCount(), 16u);
}

TEST_F(ListsStore, FindAndUpdateByRecordId) {
  CDBLists lists;
  EXPECT_FALSE(lists.FindByName("9999"));
  EXPECT_EQ(lists.recordId, 0u);

  ASSERT_TRUE(lists.FindByName("2106"));
  const auto id = lists.recordId;
  EXPECT_EQ(lists.patient, "2106");

  clock_source::Fix(CDBBaseDatabase::StringToTime("20240310142233"));
  ASSERT_TRUE(lists.UpdateValues(id, "Ca\n"));
  EXPECT_EQ(lists.content, "Ca\n");
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open(CDBLists::kVolumeName));
  ASSERT_EQ(db.SeekById(id), id);
  platform::Record record;
  ASSERT_TRUE(db.Read(record));
  ASSERT_NE(record.Find(CDBLists::kTimeStampProp), nullptr);
  EXPECT_EQ(record.Find(CDBLists::kTimeStampProp)->value, "20240310142233");
  EXPECT_EQ(record.Find(CDBLists::kContentProp)->value, "Ca\n");
  EXPECT_EQ(record.Find(CDBBaseDatabase::kKeyProp)->value, "2106");
  db.Close();

  EXPECT_FALSE(lists.UpdateValues(id + 1000, "x\n"));
  EXPECT_FALSE(lists.UpdateValues(0, "x\n"));
  EXPECT_EQ(lists.content, "Ca\n");
}

}  // namespace
