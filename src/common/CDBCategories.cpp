#include "common/CDBCategories.h"

#include "common/CListItem.h"
#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/StoreError.h"

using platform::Record;

namespace {

// Lists that a new device starts with: the list and the range of its entries in the string table.
struct FactoryList {
  int listId;
  int firstStringId;
  int lastStringId;
};

constexpr FactoryList kFactoryLists[] = {
    {CDBCategories::kPatientTypeList, ids::kPatientTypeHospital, ids::kPatientTypeClinic},
    {CDBCategories::kCodeStatusList, ids::kCodeStatusFirst, ids::kCodeStatusLast},
    {CDBCategories::kRaceList, ids::kRaceFirst, ids::kRaceLast},
    {CDBCategories::kAgeUnitList, ids::kAgeUnitFirst, ids::kAgeUnitLast},
    {CDBCategories::kRouteList, ids::kRouteFirst, ids::kRouteLast},
    {CDBCategories::kFrequencyList, ids::kFrequencyFirst, ids::kFrequencyLast},
    {CDBCategories::kTestNameList, ids::kTestNameFirst, ids::kTestNameLast},
};

}  // namespace

CDBCategories::CDBCategories() : CDBBaseDatabase(QString::fromLatin1(kVolumeName)) {}

CDBCategories::~CDBCategories() = default;

QString CDBCategories::ListKey(int listId) {
  return QStringLiteral("%1").arg(listId, 5, 10, QLatin1Char('0'));
}

bool CDBCategories::CreateDB() {
  // The store and its factory entries are made together: a store without them is never left.
  platform::StoreTransaction transaction;
  if (!CDBBaseDatabase::CreateDB()) {
    return false;
  }
  Seed();
  return transaction.Commit();
}

void CDBCategories::Seed() {
  platform::PropertyDatabase db;
  if (!db.Open(m_volumeName)) {
    return;
  }
  for (const FactoryList& list : kFactoryLists) {
    for (int id = list.firstStringId; id <= list.lastStringId; ++id) {
      db.Add({{m_keyProp, ListKey(list.listId)}, {kTextProp, strings::Load(id)}});
    }
  }
}

bool CDBCategories::MoveLegacyAgeUnits() {
  // A read that fails must not pass for "nothing to move": the scope sees every failure.
  const platform::StoreErrorScope failures;
  const bool moved = MoveFactoryAgeUnits();
  return moved && !failures.Failed();
}

bool CDBCategories::MoveFactoryAgeUnits() {
  constexpr int kLegacyAgeUnitList = 50;
  if (!GetListItems(kAgeUnitList).isEmpty() || !OpenByName()) {
    return true;
  }
  QStringList units;
  for (int id = ids::kAgeUnitFirst; id <= ids::kAgeUnitLast; ++id) {
    units.append(strings::Load(id));
  }
  std::vector<RecordId> legacy;
  Record record;
  const QString key = ListKey(kLegacyAgeUnitList);
  for (RecordId id = m_db.SeekEqual(key); id != 0; id = m_db.SeekNext()) {
    if (!ReadCurrent(record) || OwnerName() != key) {
      break;
    }
    if (units.contains(text)) {
      legacy.push_back(id);
    }
  }
  if (legacy.size() != static_cast<size_t>(units.size())) {
    m_db.Close();
    return true;  // not the factory list: a person's own entries are left alone
  }
  platform::StoreTransaction transaction;
  bool moved = true;
  for (const RecordId id : legacy) {
    moved = moved && m_db.Delete(id);
  }
  for (const QString& unit : units) {
    moved = moved && m_db.Add({{m_keyProp, ListKey(kAgeUnitList)}, {kTextProp, unit}}) != 0;
  }
  m_db.Close();
  return moved && transaction.Commit();
}

void CDBCategories::UnpackRecord(const Record& record) {
  CDBBaseDatabase::UnpackRecord(record);
  type = static_cast<uint16_t>(TextProp(record, m_keyProp).toUInt());
  text = TextProp(record, kTextProp);
  recordId = m_db.CurrentId();
}

void CDBCategories::PopulateComboBox(int listId, IComboBox& combo, bool withEditEntry) {
  combo.ResetContent();
  if (OpenByName()) {
    Record record;
    const QString key = ListKey(listId);
    for (RecordId id = m_db.SeekEqual(key); id != 0; id = m_db.SeekNext()) {
      if (!ReadCurrent(record) || OwnerName() != key) {
        break;
      }
      combo.SetItemData(combo.AddString(text), id);
    }
    m_db.Close();
  }
  if (withEditEntry) {
    combo.SetItemData(combo.AddString(strings::Load(ids::kEditCategoriesEntry)), kEditEntryData);
  }
}

QStringList CDBCategories::GetListItems(int listId) {
  QStringList entries;
  if (!OpenByName()) {
    return entries;
  }
  Record record;
  const QString key = ListKey(listId);
  for (RecordId id = m_db.SeekEqual(key); id != 0; id = m_db.SeekNext()) {
    if (!ReadCurrent(record) || OwnerName() != key) {
      break;
    }
    entries.append(text);
  }
  m_db.Close();
  return entries;
}

void CDBCategories::GetListItems(int listId, CListItem& item) {
  item.RemoveAllChoices();
  for (const QString& entry : GetListItems(listId)) {
    item.AddChoice(entry);
  }
  item.AddChoice(strings::Load(ids::kEditCategoriesEntry), static_cast<int32_t>(kEditEntryData));
}

bool CDBCategories::ContainsEntry(int listId, const QString& entry) {
  // A separate reader, so that walking the list does not overwrite this object's members.
  CDBCategories reader;
  return reader.GetListItems(listId).contains(entry, Qt::CaseInsensitive);
}

bool CDBCategories::AddNew(int listId) {
  if (listId >= 0) {
    type = static_cast<uint16_t>(listId);
  }
  if (ContainsEntry(type, text)) {
    return true;
  }
  if (!OpenByName()) {
    return false;
  }
  recordId = m_db.Add({{m_keyProp, ListKey(type)}, {kTextProp, text}});
  m_db.Close();
  return recordId != 0;
}

bool CDBCategories::Update(int listId, const QString& entry) {
  platform::StoreTransaction transaction;
  // DeleteByName answers false for an empty list as well; only a failure stops the update.
  const platform::StoreErrorScope failures;
  static_cast<void>(DeleteByName(ListKey(listId)));
  if (failures.Failed()) {
    return false;
  }
  text = entry;
  return AddNew(listId) && transaction.Commit();
}

bool CDBCategories::Rename(RecordId id, const QString& entry) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  const bool renamed = m_db.SeekById(id) == id && m_db.WriteCurrent({{kTextProp, entry}});
  m_db.Close();
  return renamed;
}

uint32_t CDBCategories::GetRecordCount() {
  if (!OpenByName()) {
    return 0;
  }
  const uint32_t count = m_db.RecordCount();
  m_db.Close();
  return count;
}

bool CDBCategories::First() {
  Record record;
  if (!OpenByName()) {
    return false;
  }
  if (m_db.SeekFirst() != 0 && ReadCurrent(record)) {
    return true;
  }
  m_db.Close();
  return false;
}

bool CDBCategories::Next() {
  Record record;
  if (m_db.IsOpen() && m_db.SeekNext() != 0 && ReadCurrent(record)) {
    return true;
  }
  m_db.Close();
  return false;
}
