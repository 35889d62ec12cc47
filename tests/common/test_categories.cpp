#include <gtest/gtest.h>

#include "common/CDBCategories.h"
#include "common/CListItem.h"
#include "common/MemoryControls.h"
#include "support/LegacyCategories.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

class Categories : public ::testing::Test {
 protected:
  TempDevice device;
  CDBCategories store;
};

TEST_F(Categories, FactoryListsAreSeededOnce) {
  EXPECT_EQ(store.GetListItems(CDBCategories::kPatientTypeList),
            (QStringList{"Hospital", "Clinic"}));
  EXPECT_EQ(store.GetListItems(CDBCategories::kCodeStatusList),
            (QStringList{"Full", "DNR", "DNI", "No CPR"}));
  EXPECT_EQ(store.GetListItems(CDBCategories::kRouteList).size(), 9);
  EXPECT_EQ(store.GetListItems(CDBCategories::kFrequencyList).first(), "QD");
  EXPECT_EQ(store.GetListItems(CDBCategories::kTestNameList).size(), 10);
  EXPECT_TRUE(store.GetListItems(CDBCategories::kRoomList).isEmpty());
  const uint32_t seeded = store.GetRecordCount();

  // Emptying a list does not bring its factory entries back.
  EXPECT_TRUE(store.DeleteByName(CDBCategories::ListKey(CDBCategories::kPatientTypeList)));
  CDBCategories later;
  EXPECT_TRUE(later.GetListItems(CDBCategories::kPatientTypeList).isEmpty());
  EXPECT_EQ(later.GetRecordCount(), seeded - 2);
}

TEST_F(Categories, AddNewRefusesDuplicatesWithinAList) {
  store.text = "ICU";
  EXPECT_TRUE(store.AddNew(CDBCategories::kPatientTypeList));
  store.text = "icu";
  EXPECT_TRUE(store.AddNew(CDBCategories::kPatientTypeList));
  store.text = "ICU";
  store.type = CDBCategories::kRoomList;
  EXPECT_TRUE(store.AddNew(-1));
  EXPECT_EQ(store.GetListItems(CDBCategories::kPatientTypeList),
            (QStringList{"Hospital", "Clinic", "ICU"}));
  EXPECT_EQ(store.GetListItems(CDBCategories::kRoomList), (QStringList{"ICU"}));
}

TEST_F(Categories, ComboAndRowChoicesEndWithTheEditEntry) {
  memory_controls::Combo combo;
  store.PopulateComboBox(CDBCategories::kPatientTypeList, combo, true);
  ASSERT_EQ(combo.GetCount(), 3);
  EXPECT_EQ(combo.Entries()[0].text, "Hospital");
  EXPECT_NE(combo.Entries()[0].data, 0u);
  EXPECT_EQ(combo.Entries()[2].text, "Edit Categories...");
  EXPECT_EQ(combo.Entries()[2].data, 0xFFFFu);
  store.PopulateComboBox(CDBCategories::kPatientTypeList, combo, false);
  EXPECT_EQ(combo.GetCount(), 2);

  CListItem item;
  item.AddChoice("stale");
  store.GetListItems(CDBCategories::kCodeStatusList, item);
  ASSERT_EQ(item.choices.size(), 5u);
  EXPECT_EQ(item.choices.front().text, "Full");
  EXPECT_EQ(item.choices.back().id, 0xFFFF);
}

TEST_F(Categories, UpdateReplacesTheListAndRenameKeepsItsPlace) {
  store.text = "old sentence";
  ASSERT_TRUE(store.AddNew(CDBCategories::kHpiList));
  ASSERT_TRUE(store.Update(CDBCategories::kHpiList, "Smith, Ann is a 45 Year old"));
  EXPECT_EQ(store.GetListItems(CDBCategories::kHpiList),
            (QStringList{"Smith, Ann is a 45 Year old"}));

  memory_controls::Combo combo;
  store.PopulateComboBox(CDBCategories::kPatientTypeList, combo, false);
  ASSERT_TRUE(store.Rename(combo.Entries()[0].data, "Ward"));
  EXPECT_EQ(store.GetListItems(CDBCategories::kPatientTypeList), (QStringList{"Ward", "Clinic"}));
}

TEST_F(Categories, WalkVisitsEveryRecordInStoreOrder) {
  const uint32_t count = store.GetRecordCount();
  uint32_t visited = 0;
  int previousType = -1;
  for (bool more = store.First(); more; more = store.Next()) {
    EXPECT_GE(store.type, previousType);
    previousType = store.type;
    EXPECT_FALSE(store.text.isEmpty());
    ++visited;
  }
  EXPECT_EQ(visited, count);
}

}  // namespace

namespace {

class LegacyAgeUnits : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(LegacyAgeUnits, MoveOnceToTheirOwnListAndLeaveThePersonsEntries) {
  legacy_categories::MakeLegacyAgeUnits();
  ASSERT_TRUE(CDBCategories().GetListItems(CDBCategories::kAgeUnitList).isEmpty());
  EXPECT_TRUE(CDBCategories().MoveLegacyAgeUnits());
  EXPECT_EQ(CDBCategories().GetListItems(CDBCategories::kAgeUnitList),
            (QStringList{"Days", "Months", "Years"}));
  EXPECT_EQ(CDBCategories().GetListItems(50), QStringList{"Chest pain"});

  // Once moved, nothing moves again, even when the words come back to list 50.
  CDBCategories again;
  again.text = "Days";
  ASSERT_TRUE(again.AddNew(50));
  EXPECT_TRUE(CDBCategories().MoveLegacyAgeUnits());
  EXPECT_EQ(CDBCategories().GetListItems(50), (QStringList{"Chest pain", "Days"}));
}

TEST_F(LegacyAgeUnits, ANewDeviceHasItsAgeUnitsWhereTheyBelongAndMovesNothing) {
  EXPECT_EQ(CDBCategories().GetListItems(CDBCategories::kAgeUnitList),
            (QStringList{"Days", "Months", "Years"}));
  EXPECT_TRUE(CDBCategories().GetListItems(50).isEmpty());
  EXPECT_TRUE(CDBCategories().MoveLegacyAgeUnits());
  EXPECT_TRUE(CDBCategories().GetListItems(50).isEmpty());
}

}  // namespace
