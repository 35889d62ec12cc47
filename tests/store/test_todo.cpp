#include <gtest/gtest.h>

#include <vector>

#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/Clock.h"
#include "platform/Device.h"
#include "store/CDBToDo.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using platform::RecordId;

using test_time::At;

// Adds an item made on the device; answers its record id.
RecordId AddItem(const QString& patient, uint32_t flags, const QString& text,
                 const QString& note = {}) {
  CDBToDo store;
  store.patient = patient;
  store.flags = flags;
  store.text = text;
  store.note = note;
  return store.AddNew(false);
}

// Adds an item as a beam transfer files it, with the desktop's marks.
RecordId AddReceivedItem(const QString& patient, const QString& text, int32_t desktopId,
                         int32_t accessState, const QString& timeStamp) {
  CDBToDo store;
  store.patient = patient;
  store.flags = 1;
  store.text = text;
  store.desktopId = desktopId;
  store.accessState = accessState;
  store.timeStamp = timeStamp;
  return store.AddNew(true);
}

// A patient that came from the desktop with the given access state.
bool AddDesktopPatient(const QString& first, const QString& last, int32_t accessState) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.desktopId = 500;
  patient.accessState = accessState;
  return patient.CreateRecord(true);
}

// Files a patient the way a beam transfer does, so that records received next belong to it.
bool FileReceivedPatient(const QString& first, const QString& last) {
  CDBPatient sent;
  sent.firstName = first;
  sent.lastName = last;
  sent.name = CDBPatient::MakeFullName(first, last);
  std::vector<uint8_t> block;
  CDBPatient received;
  return sent.Serialize(block) && received.Write(block.data(), block.size());
}

std::vector<uint8_t> Serialized(uint32_t flags, const QString& text, const QString& note,
                                const QString& timeStamp, int32_t desktopId = 0) {
  CDBToDo store;
  store.flags = flags;
  store.text = text;
  store.note = note;
  store.timeStamp = timeStamp;
  store.desktopId = desktopId;
  std::vector<uint8_t> block;
  store.Serialize(block);
  return block;
}

// The patient's items in store order, with their record ids.
struct Item {
  RecordId id = 0;
  uint32_t flags = 0;
  QString text;
  QString note;
  QString timeStamp;
  int32_t desktopId = 0;
  int32_t accessState = 0;
};

std::vector<Item> ItemsOf(const QString& patient, int priority = -1) {
  CDBToDo store;
  std::vector<Item> items;
  for (bool found = store.FindFirstOfPatient(patient, priority); found;
       found = store.FindNextOfPatient(patient, priority)) {
    items.push_back({0, store.flags, store.text, store.note, store.timeStamp, store.desktopId,
                     store.accessState});
  }
  memory_controls::List list;
  store.FillList(patient, list);
  if (priority == -1 && list.Rows().size() == items.size()) {
    for (size_t i = 0; i < items.size(); ++i) {
      items[i].id = list.Rows()[i].item->recordId;
    }
  }
  return items;
}

std::vector<QString> TextsOf(const QString& patient, int priority = -1) {
  std::vector<QString> texts;
  for (const Item& item : ItemsOf(patient, priority)) {
    texts.push_back(item.text);
  }
  return texts;
}

class TodoStore : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

// ---- Store basics -----------------------------------------------------------------------------

TEST_F(TodoStore, StaysOpenAndAddsUpdatesAndRemovesItems) {
  clock_source::Fix(At(2024, 3, 4, 10, 20));
  CDBToDo store;
  ASSERT_TRUE(store.isOpen);
  EXPECT_TRUE(platform::PropertyDatabase::Exists("OVToDo"));

  store.patient = "Lee, Bo";
  store.flags = 2;
  store.text = "Call family";
  store.note = "after rounds";
  const RecordId id = store.AddNew(false);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(store.timeStamp, "20240304102000");

  // A walk that the base class closes at its end leaves the store usable.
  store.CloseWalk();
  CDBToDo reader;
  ASSERT_TRUE(reader.LoadByCEOID(id));
  EXPECT_EQ(reader.patient, "Lee, Bo");
  EXPECT_EQ(reader.flags, 2u);
  EXPECT_EQ(reader.text, "Call family");
  EXPECT_EQ(reader.note, "after rounds");
  EXPECT_EQ(reader.timeStamp, "20240304102000");
  EXPECT_EQ(reader.desktopId, 0);
  EXPECT_EQ(reader.accessState, 0);

  clock_source::Fix(At(2024, 3, 5, 8, 0));
  store.text = "Call son";
  EXPECT_TRUE(store.UpdateByCEOID(id));
  ASSERT_TRUE(reader.LoadByCEOID(id));
  EXPECT_EQ(reader.text, "Call son");
  EXPECT_EQ(reader.timeStamp, "20240305080000");

  EXPECT_FALSE(store.UpdateByCEOID(id + 1000));
  EXPECT_FALSE(store.UpdateByCEOID(0));
  EXPECT_FALSE(store.RemoveByCEOID(id + 1000));
  EXPECT_TRUE(store.RemoveByCEOID(id));
  EXPECT_FALSE(store.RemoveByCEOID(id));
  EXPECT_FALSE(reader.LoadByCEOID(id));
}

TEST_F(TodoStore, UpdateKeepsTheDesktopMarks) {
  ASSERT_TRUE(AddDesktopPatient("Ann", "Ray", 2));
  const RecordId id = AddReceivedItem("Ray, Ann", "Labs", 44, 2, "20200101000000");
  CDBToDo store;
  ASSERT_TRUE(store.LoadByCEOID(id));
  store.text = "Labs drawn";
  ASSERT_TRUE(store.UpdateByCEOID(id));
  CDBToDo reader;
  ASSERT_TRUE(reader.LoadByCEOID(id));
  EXPECT_EQ(reader.text, "Labs drawn");
  EXPECT_EQ(reader.desktopId, 44);
  EXPECT_EQ(reader.accessState, 2);
}

TEST_F(TodoStore, AccessStateFollowsThePatientOnlyForDesktopItems) {
  ASSERT_TRUE(AddDesktopPatient("Ann", "Ray", 1));
  // From the desktop: read-only like its patient, whatever the item's own property says.
  const RecordId fromDesktop = AddReceivedItem("Ray, Ann", "a", 7, 2, "");
  // Made on the device (no desktop identifier): writable even though the record says 1.
  const RecordId madeHere = AddReceivedItem("Ray, Ann", "b", 0, 1, "");
  CDBToDo store;
  ASSERT_TRUE(store.LoadByCEOID(fromDesktop));
  EXPECT_EQ(store.accessState, 1);
  ASSERT_TRUE(store.LoadByCEOID(madeHere));
  EXPECT_EQ(store.accessState, 0);
}

TEST_F(TodoStore, OperationsFailQuietlyWhenTheDatabaseCannotBeOpened) {
  platform::Device unusable(QStringLiteral("/dev/null/no-device"));
  platform::DeviceScope scope(unusable);
  CDBToDo store;
  EXPECT_FALSE(store.isOpen);
  store.patient = "Lee, Bo";
  store.text = "x";
  EXPECT_EQ(store.AddNew(false), 0u);
  EXPECT_FALSE(store.UpdateByCEOID(1));
  EXPECT_FALSE(store.RemoveByCEOID(1));
  EXPECT_FALSE(store.FindFirstOfPatient("Lee, Bo", -1));

  memory_controls::List list;
  list.InsertItem(0, "1");
  list.SetRowItem(0, CDBToDo::MakeRowItem(1));
  EXPECT_EQ(store.SaveList("Lee, Bo", list), 0);
  store.FillList("Lee, Bo", list);
  EXPECT_EQ(list.GetItemCount(), 0);
}

// ---- Walks and the key order ------------------------------------------------------------------

TEST_F(TodoStore, FindsThePatientsItemsByPriority) {
  AddItem("Lee, Bo", 1, "one");
  AddItem("Lee, Bo", 3, "three");
  AddItem("Lee, Bo", 5, "five");
  AddItem("Lee, Bo", 3 | CDBToDo::kCheckedFlag, "three done");
  AddItem("Lee, Bob", 3, "other patient");
  AddItem("Lee, Al", 3, "patient before");

  EXPECT_EQ(TextsOf("Lee, Bo", 3), (std::vector<QString>{"three", "three done"}));
  EXPECT_EQ(TextsOf("Lee, Bo", 5), (std::vector<QString>{"five"}));
  EXPECT_TRUE(TextsOf("Lee, Bo", 2).empty());
  EXPECT_TRUE(TextsOf("Lee, Bo", 0).empty());
  EXPECT_EQ(TextsOf("Lee, Bo"), (std::vector<QString>{"one", "three", "five", "three done"}));
  EXPECT_TRUE(TextsOf("Lee, B").empty());
  EXPECT_TRUE(TextsOf("Nobody").empty());

  // The walk ends at the patient's last item, also when asked past it.
  CDBToDo store;
  ASSERT_TRUE(store.FindFirstOfPatient("Lee, Bo", 5));
  EXPECT_EQ(store.text, "five");
  EXPECT_FALSE(store.FindNextOfPatient("Lee, Bo", 5));
  EXPECT_FALSE(store.FindNextOfPatient("Lee, Bo", -1));
}

TEST_F(TodoStore, PatientNamesDifferingInCaseOwnDifferentItems) {
  AddItem("smith, a", 1, "lower 1");
  AddItem("Smith, A", 1, "upper 1");
  AddItem("Smith, B", 1, "between");
  AddItem("smith, a", 2, "lower 2");
  AddItem("Smith, A", 2, "upper 2");
  AddItem("Smith, a", 2, "mixed");

  EXPECT_EQ(TextsOf("Smith, A"), (std::vector<QString>{"upper 1", "upper 2"}));
  EXPECT_EQ(TextsOf("smith, a"), (std::vector<QString>{"lower 1", "lower 2"}));

  memory_controls::List list;
  CDBToDo store;
  store.FillList("Smith, A", list);
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemText(0, 1), "upper 1");

  store.DeleteAllOfPatient("smith, a");
  EXPECT_TRUE(TextsOf("smith, a").empty());
  EXPECT_EQ(TextsOf("Smith, A"), (std::vector<QString>{"upper 1", "upper 2"}));
  EXPECT_EQ(TextsOf("Smith, a"), (std::vector<QString>{"mixed"}));
  EXPECT_EQ(TextsOf("Smith, B"), (std::vector<QString>{"between"}));

  // Deleting through the base class's slot does the same, and the store stays open.
  CDBBaseDatabase& base = store;
  EXPECT_TRUE(base.DeleteParent("Smith, A"));
  EXPECT_FALSE(base.DeleteParent("Smith, A"));
  EXPECT_TRUE(TextsOf("Smith, A").empty());
  EXPECT_EQ(TextsOf("Smith, a"), (std::vector<QString>{"mixed"}));
  EXPECT_NE(AddItem("Smith, A", 1, "again"), 0u);
}

// ---- The todo list ----------------------------------------------------------------------------

TEST_F(TodoStore, FillListBuildsRowsAndRowItems) {
  AddItem("Lee, Bo", 2, "plain");
  const RecordId noted = AddItem("Lee, Bo", 4 | CDBToDo::kCheckedFlag, "noted", "see chart");
  AddItem("Lee, Bob", 1, "not this patient");

  memory_controls::List list;
  list.InsertItem(0, "stale row");
  CDBToDo store;
  store.FillList("Lee, Bo", list);
  ASSERT_EQ(list.GetItemCount(), 2);

  EXPECT_EQ(list.GetItemText(0, 0), "2");
  EXPECT_EQ(list.GetItemText(0, 1), "plain");
  EXPECT_FALSE(list.GetCheck(0));
  EXPECT_EQ(list.Rows()[0].image, 0);

  EXPECT_EQ(list.GetItemText(1, 0), "4");
  EXPECT_EQ(list.GetItemText(1, 1), "noted");
  EXPECT_TRUE(list.GetCheck(1));
  EXPECT_EQ(list.Rows()[1].image, 1);

  const CListItem* item = list.GetRowItem(1);
  ASSERT_NE(item, nullptr);
  const std::vector<CListItem::Choice> choices{
      {"1", 3733}, {"2", 3734}, {"3", 3735}, {"4", 3736}, {"5", 3737}};
  EXPECT_EQ(item->choices, choices);
  EXPECT_EQ(item->choiceId, 3736);
  EXPECT_EQ(item->kind, CListItem::kPickList);
  EXPECT_EQ(item->recordId, noted);
  EXPECT_EQ(item->note, "see chart");
  EXPECT_FALSE(item->changed);
  EXPECT_EQ(item->accessState, 0);
}

TEST_F(TodoStore, ItemsOfAReadOnlyPatientGetRowsThatCannotBeEdited) {
  ASSERT_TRUE(AddDesktopPatient("Ann", "Ray", 1));
  AddReceivedItem("Ray, Ann", "from desktop", 31, 1, "20220202020202");
  AddItem("Ray, Ann", 1, "made here");

  memory_controls::List list;
  CDBToDo store;
  store.FillList("Ray, Ann", list);
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetRowItem(0)->kind, CListItem::kText);
  EXPECT_EQ(list.GetRowItem(0)->accessState, 1);
  EXPECT_EQ(list.GetRowItem(1)->kind, CListItem::kPickList);
  EXPECT_EQ(list.GetRowItem(1)->accessState, 0);
}

TEST_F(TodoStore, ACheckedItemOfPriorityThreeIsStoredAs131AndShownChecked) {
  memory_controls::List list;
  list.InsertItem(0, "3");
  list.SetItemText(0, 1, "Repeat labs");
  list.SetCheck(0, true);
  list.SetRowItem(0, CDBToDo::MakeRowItem(3));

  CDBToDo store;
  EXPECT_EQ(store.SaveList("Lee, Bo", list), 1);
  const RecordId id = list.GetRowItem(0)->recordId;
  ASSERT_NE(id, 0u);
  CDBToDo reader;
  ASSERT_TRUE(reader.LoadByCEOID(id));
  EXPECT_EQ(reader.flags, 131u);

  store.FillList("Lee, Bo", list);
  ASSERT_EQ(list.GetItemCount(), 1);
  EXPECT_EQ(list.GetItemText(0, 0), "3");
  EXPECT_TRUE(list.GetCheck(0));
  EXPECT_EQ(list.GetRowItem(0)->choiceId, 3735);
}

TEST_F(TodoStore, SaveListAddsNewRowsAndRewritesOnlyChangedOnes) {
  clock_source::Fix(At(2024, 1, 1, 9, 0));
  AddItem("Lee, Bo", 1, "first");
  AddItem("Lee, Bo", 2, "second");
  CDBToDo store;
  memory_controls::List list;
  store.FillList("Lee, Bo", list);
  ASSERT_EQ(list.GetItemCount(), 2);

  clock_source::Fix(At(2024, 1, 2, 9, 0));
  list.SetItemText(0, 0, "5");
  list.SetItemText(0, 1, "first, edited");
  list.GetRowItem(0)->note = "a note";
  list.GetRowItem(0)->changed = true;
  // An edit to a row not marked as changed is not written.
  list.SetItemText(1, 1, "second, unmarked");
  const int added = list.InsertItem(2, "not a number");
  list.SetItemText(added, 1, "new");
  list.SetRowItem(added, CDBToDo::MakeRowItem(1));
  list.GetRowItem(added)->changed = true;

  EXPECT_EQ(store.SaveList("Lee, Bo", list), 3);
  for (int row = 0; row < 3; ++row) {
    EXPECT_FALSE(list.GetRowItem(row)->changed) << row;
  }
  const RecordId newId = list.GetRowItem(2)->recordId;
  EXPECT_NE(newId, 0u);

  const std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, "first, edited");
  EXPECT_EQ(items[0].flags, 5u);
  EXPECT_EQ(items[0].note, "a note");
  EXPECT_EQ(items[0].timeStamp, "20240102090000");
  EXPECT_EQ(items[1].text, "second");
  EXPECT_EQ(items[1].timeStamp, "20240101090000");
  EXPECT_EQ(items[2].id, newId);
  EXPECT_EQ(items[2].text, "new");
  EXPECT_EQ(items[2].flags, 0u);  // a priority that is not a number

  // Saving again adds nothing: the new row kept its record id.
  EXPECT_EQ(store.SaveList("Lee, Bo", list), 3);
  EXPECT_EQ(ItemsOf("Lee, Bo").size(), 3u);
}

TEST_F(TodoStore, SaveListKeepsTheDoneMarkOfAnUnmarkedRow) {
  ASSERT_TRUE(AddDesktopPatient("Ann", "Ray", 1));
  AddItem("Lee, Bo", 2, "tick me");
  AddItem("Lee, Bo", 2 | CDBToDo::kCheckedFlag, "untick me");
  AddReceivedItem("Ray, Ann", "read only", 9, 1, "20200101000000");
  CDBToDo store;
  memory_controls::List list;
  store.FillList("Lee, Bo", list);
  list.SetCheck(0, true);
  list.SetCheck(1, false);
  store.SaveList("Lee, Bo", list);
  std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].flags, 2u | CDBToDo::kCheckedFlag);
  EXPECT_EQ(items[1].flags, 2u);

  // A read-only item is not written.
  store.FillList("Ray, Ann", list);
  list.SetCheck(0, true);
  store.SaveList("Ray, Ann", list);
  items = ItemsOf("Ray, Ann");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].flags, 1u);
  EXPECT_EQ(items[0].timeStamp, "20200101000000");
}

TEST_F(TodoStore, PriorityTextsAreKeptTo16Bits) {
  EXPECT_EQ(CDBToDo::ParsePriority("3"), 3u);
  EXPECT_EQ(CDBToDo::ParsePriority(" 4 "), 4u);
  EXPECT_EQ(CDBToDo::ParsePriority("65539"), 3u);
  // Between 256 and 65535 a priority keeps every bit, not only its low byte.
  EXPECT_EQ(CDBToDo::ParsePriority("256"), 256u);
  EXPECT_EQ(CDBToDo::ParsePriority("300"), 300u);
  EXPECT_EQ(CDBToDo::ParsePriority("65535"), 65535u);
  EXPECT_EQ(CDBToDo::ParsePriority(""), 0u);
  EXPECT_EQ(CDBToDo::ParsePriority("high"), 0u);
  EXPECT_EQ(CDBToDo::ParsePriority("-1"), 0u);
}

TEST_F(TodoStore, LegacyTodoTextIsConvertedOnce) {
  CDBPatient patients;
  patients.firstName = "Bo";
  patients.lastName = "Lee";
  ASSERT_TRUE(patients.CreateRecord(false));
  ASSERT_TRUE(patients.UpdateTodo("Lee, Bo", "old todo text"));

  CDBToDo store;
  store.ConvertLegacyTodo("Lee, Bo");
  store.ConvertLegacyTodo("Lee, Bo");
  const std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].text, "Converted Ovelin 5.0 Todo Item");
  EXPECT_EQ(items[0].flags, 0u);
  EXPECT_EQ(items[0].note, "old todo text");
  EXPECT_TRUE(CDBPatient().FindTodoByName("Lee, Bo").isEmpty());

  // A patient without old text, or without a record, gets nothing.
  store.ConvertLegacyTodo("Nobody");
  EXPECT_TRUE(ItemsOf("Nobody").empty());
}

// ---- Serialised form and received items -------------------------------------------------------

TEST_F(TodoStore, SerialisesToTheExactBytes) {
  const std::vector<uint8_t> expected{
      6,                                             // record type code
      0x04, 0x03, 0x02, 0x01,                        // desktopId
      1,    0,    0,    0,                           // access flag
      131,  0,    0,    0,                           // flags
      3,    0,    0,    0,    'H', 0, 'i', 0, 0, 0,  // text
      1,    0,    0,    0,    0,   0,                // note (empty)
      3,    0,    0,    0,    '2', 0, '0', 0, 0, 0,  // timeStamp
  };
  CDBToDo store;
  store.desktopId = 0x01020304;
  store.accessState = 2;
  store.flags = 131;
  store.text = "Hi";
  store.timeStamp = "20";
  std::vector<uint8_t> block;
  ASSERT_TRUE(store.Serialize(block));
  EXPECT_EQ(block, expected);
  EXPECT_EQ(CDBToDo::kFixedSize, 13u);

  store.accessState = 0;
  ASSERT_TRUE(store.Serialize(block));
  EXPECT_EQ(block[5], 0);
}

TEST_F(TodoStore, ReceivedBlocksThatAreNotWholeTodoItemsAreRefused) {
  ASSERT_TRUE(FileReceivedPatient("Bo", "Lee"));
  std::vector<uint8_t> block = Serialized(2, "text", "note", "20240101010101");
  CDBToDo store;
  for (size_t length = 0; length < block.size(); ++length) {
    EXPECT_FALSE(store.Write(block.data(), length)) << length;
  }
  std::vector<uint8_t> otherKind = block;
  otherKind[0] = 3;
  EXPECT_FALSE(store.Write(otherKind.data(), otherKind.size()));
  std::vector<uint8_t> unterminated = block;
  unterminated[unterminated.size() - 2] = 'x';
  EXPECT_FALSE(store.Write(unterminated.data(), unterminated.size()));
  EXPECT_TRUE(ItemsOf("Lee, Bo").empty());

  EXPECT_TRUE(store.Write(block.data(), block.size()));
  EXPECT_EQ(ItemsOf("Lee, Bo").size(), 1u);
}

TEST_F(TodoStore, ReceivedItemWithoutAPatientFiledFirstIsRefused) {
  CDBPatient::ResetLastPatientWritten();
  const std::vector<uint8_t> block = Serialized(1, "orphan", "", "20240101010101");
  CDBToDo store;
  EXPECT_FALSE(store.Write(block.data(), block.size()));
  EXPECT_TRUE(platform::PropertyDatabase::Exists("OVToDo"));
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open("OVToDo"));
  EXPECT_EQ(db.RecordCount(), 0u);
}

TEST_F(TodoStore, AnItemBeamedToAnotherDeviceArrivesUnchanged) {
  std::vector<uint8_t> patientBlock;
  std::vector<uint8_t> itemBlock;
  Item sent;
  {
    ASSERT_TRUE(AddDesktopPatient("Ann", "Ray", 1));
    AddReceivedItem("Ray, Ann", "Echo today", 77, 1, "20230405060708");
    CDBToDo store;
    ASSERT_TRUE(store.FindFirstOfPatient("Ray, Ann", -1));
    store.flags = 4 | CDBToDo::kCheckedFlag;
    store.note = "ask cardiology";
    ASSERT_TRUE(store.Serialize(itemBlock));
    sent = {0,
            store.flags,
            store.text,
            store.note,
            store.timeStamp,
            store.desktopId,
            store.accessState};
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName("Ray, Ann"));
    ASSERT_TRUE(patient.Serialize(patientBlock));
  }
  EXPECT_EQ(sent.accessState, 1);

  TempDevice receiver;
  clock_source::Fix(At(2025, 6, 7, 8, 9));
  CDBPatient patient;
  ASSERT_TRUE(patient.Write(patientBlock.data(), patientBlock.size()));
  CDBToDo store;
  ASSERT_TRUE(store.Write(itemBlock.data(), itemBlock.size()));
  const std::vector<Item> items = ItemsOf("Ray, Ann");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].flags, sent.flags);
  EXPECT_EQ(items[0].text, sent.text);
  EXPECT_EQ(items[0].note, sent.note);
  EXPECT_EQ(items[0].timeStamp, "20230405060708");
  EXPECT_EQ(items[0].desktopId, sent.desktopId);
  EXPECT_EQ(items[0].accessState, sent.accessState);
}

TEST_F(TodoStore, ReceivedItemOverwritesTheFirstItemWithTheSameText) {
  clock_source::Fix(At(2024, 5, 5, 5, 5));
  AddItem("Lee, Bo", 1, "Labs", "first");
  AddItem("Lee, Bo", 2, "Labs", "second");
  AddItem("Lee, Bo", 3, "labs", "differs in case");
  AddItem("Lee, Bob", 1, "Labs", "other patient");
  ASSERT_TRUE(FileReceivedPatient("Bo", "Lee"));

  const std::vector<uint8_t> block = Serialized(5, "Labs", "received", "19991231235959", 12);
  CDBToDo store;
  ASSERT_TRUE(store.Write(block.data(), block.size()));
  ASSERT_TRUE(store.Write(block.data(), block.size()));  // no duplicate on a second receipt

  const std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].flags, 5u);
  EXPECT_EQ(items[0].note, "received");
  EXPECT_EQ(items[0].timeStamp, "19991231235959");
  EXPECT_EQ(items[0].desktopId, 12);
  EXPECT_EQ(items[1].note, "second");
  EXPECT_EQ(items[1].timeStamp, "20240505050500");
  EXPECT_EQ(items[2].note, "differs in case");
  EXPECT_EQ(ItemsOf("Lee, Bob")[0].note, "other patient");
}

TEST_F(TodoStore, ReceivedNewItemKeepsTheSendersTimeStampText) {
  clock_source::Fix(At(2024, 5, 5, 5, 5));
  ASSERT_TRUE(FileReceivedPatient("Bo", "Lee"));
  // A time text that this device would never make is still kept as it came.
  const std::vector<uint8_t> block = Serialized(2, "Consult", "n", "2024-05-05 5:05 PM", 0);
  CDBToDo store;
  ASSERT_TRUE(store.Write(block.data(), block.size()));
  const std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].text, "Consult");
  EXPECT_EQ(items[0].timeStamp, "2024-05-05 5:05 PM");
}

TEST_F(TodoStore, ItemsWithoutATextPropertyNeverMatchAReceivedItem) {
  {
    CDBToDo create;  // makes the database
  }
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open("OVToDo"));
  ASSERT_NE(db.Add({{CDBToDo::kPatientProp, "Lee, Bo"}, {CDBToDo::kFlagsProp, "1"}}), 0u);
  ASSERT_TRUE(FileReceivedPatient("Bo", "Lee"));

  const std::vector<uint8_t> block = Serialized(3, "", "empty text", "20240101000000");
  CDBToDo store;
  ASSERT_TRUE(store.Write(block.data(), block.size()));
  const std::vector<Item> items = ItemsOf("Lee, Bo");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].flags, 1u);
  EXPECT_TRUE(items[0].note.isEmpty());
  EXPECT_EQ(items[1].note, "empty text");
}

}  // namespace
