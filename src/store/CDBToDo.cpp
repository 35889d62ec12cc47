#include "store/CDBToDo.h"

#include "common/CDBPatient.h"
#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

namespace {

// The row icons of the todo list.
constexpr int kIconNoNote = 0;
constexpr int kIconNote = 1;

}  // namespace

CDBToDo::CDBToDo() : CDBChartStore(QString::fromLatin1(kVolumeName)) {
  m_keyProp = kPatientProp;
  isOpen = OpenByName();
}

CDBToDo::~CDBToDo() {
  m_db.Close();
}

bool CDBToDo::CreateDB() {
  return platform::PropertyDatabase::Create(m_volumeName,
                                            {{kPatientProp, false}, {kUnusedSortProp, true}});
}

bool CDBToDo::Ready() {
  if (!isOpen) {
    return false;
  }
  // The base class's walks and lookups close the database when they end; this store keeps it
  // open, so it comes back here on the first sort order.
  return m_db.IsOpen() || m_db.Open(m_volumeName, 0);
}

// ---- Records ----------------------------------------------------------------------------------

void CDBToDo::UnpackRecord(const Record& record) {
  CDBChartStore::UnpackRecord(record);
  patient = TextProp(record, kPatientProp);
  flags = static_cast<uint32_t>(IntProp(record, kFlagsProp));
  text = TextProp(record, kTextProp);
  note = TextProp(record, kNoteProp);
  timeStamp = TextProp(record, kTimeStampProp);
  // An item that came from the desktop is as writable as its patient; an item made on the device
  // is always writable, whatever access-state property the record carries.
  accessState = desktopId != 0 ? CDBPatient::FindReadOnlyByName(patient) : 0;
}

Record CDBToDo::ItemProperties() const {
  Record record;
  record.Add(kPatientProp, patient);
  record.Add(kFlagsProp, QString::number(flags));
  record.Add(kTextProp, text);
  record.Add(kNoteProp, note);
  return record;
}

Record CDBToDo::ReceivedProperties() const {
  Record record = ItemProperties();
  record.Add(kTimeStampProp, timeStamp);
  AddSyncProps(record);
  return record;
}

CDBToDo::RecordId CDBToDo::AddNew(bool received) {
  if (!Ready()) {
    return 0;
  }
  Record record = ItemProperties();
  // A received item keeps the sender's time-stamp text exactly as it came, so that a round trip
  // through another device changes nothing; an item made here is stamped now.
  const QString stamp = received ? timeStamp : GetCurrentTimeStamp();
  record.Add(kTimeStampProp, stamp);
  if (received) {
    AddSyncProps(record);
  }
  const RecordId id = WriteRecordProps(record);
  if (id != 0) {
    timeStamp = stamp;
  }
  return id;
}

bool CDBToDo::UpdateByCEOID(RecordId id) {
  if (id == 0 || !Ready()) {
    return false;
  }
  Record record = ItemProperties();
  record.Add(kTimeStampProp, GetCurrentTimeStamp());
  return WriteRecordProps(record, id) == id;
}

bool CDBToDo::RemoveByCEOID(RecordId id) {
  if (id == 0 || !Ready() || m_db.SeekById(id) != id) {
    return false;
  }
  return m_db.Delete(id);
}

bool CDBToDo::ReadByCEOID(RecordId id) {
  if (id == 0 || !Ready()) {
    return false;
  }
  Record record;
  return m_db.SeekById(id) == id && ReadCurrent(record);
}

bool CDBToDo::DeleteParent(const QString& name) {
  if (!Ready()) {
    return false;
  }
  // The key order is case-sensitive, so the seek reaches exactly this patient's items and they
  // lie together; a deleted record's position still leads to the one after it.
  Record record;
  bool deleted = false;
  for (RecordId id = m_db.SeekEqual(name); id != 0; id = m_db.SeekNext()) {
    if (!m_db.Read(record, {kPatientProp}) || TextProp(record, kPatientProp) != name) {
      break;
    }
    deleted = m_db.Delete(id) || deleted;
  }
  return deleted;
}

// ---- Walks ------------------------------------------------------------------------------------

bool CDBToDo::SeekPatientItem(RecordId id, const QString& name, int priority) {
  Record record;
  for (; id != 0; id = m_db.SeekNext()) {
    if (!ReadCurrent(record) || patient != name) {
      return false;
    }
    if (priority == -1 || (flags & kPriorityMask) == static_cast<uint32_t>(priority)) {
      return true;
    }
  }
  return false;
}

bool CDBToDo::FindFirstOfPatient(const QString& name, int priority) {
  return Ready() && SeekPatientItem(m_db.SeekEqual(name), name, priority);
}

bool CDBToDo::FindNextOfPatient(const QString& name, int priority) {
  return Ready() && SeekPatientItem(m_db.SeekNext(), name, priority);
}

// ---- The todo list ----------------------------------------------------------------------------

std::unique_ptr<CListItem> CDBToDo::MakeRowItem(uint32_t priority) {
  auto item = std::make_unique<CListItem>();
  for (int choice = ids::kTodoPriority1; choice <= ids::kTodoPriority5; ++choice) {
    item->AddChoice(strings::Load(choice), choice);
  }
  // The ids of "1" to "5" follow that of "All", so priority p selects id "All" + p.
  item->choiceId = ids::kTodoPriorityAll + static_cast<int32_t>(priority & kPriorityMask);
  item->kind = CListItem::kPickList;
  return item;
}

uint32_t CDBToDo::ParsePriority(const QString& priorityText) {
  bool ok = false;
  const uint32_t value = priorityText.trimmed().toUInt(&ok);
  return ok ? value & 0xFFFF : 0;
}

void CDBToDo::FillList(const QString& name, IListControl& list) {
  list.DeleteAllItems();
  int row = 0;
  for (bool found = FindFirstOfPatient(name, -1); found; found = FindNextOfPatient(name, -1)) {
    const RecordId id = m_db.CurrentId();
    row = list.InsertItem(row, QString::number(flags & kPriorityMask));
    list.SetItemText(row, 1, text);
    list.SetItemData(row, id);
    list.SetCheck(row, (flags & kCheckedFlag) != 0);
    list.SetItemImage(row, note.isEmpty() ? kIconNoNote : kIconNote);
    std::unique_ptr<CListItem> item = MakeRowItem(flags);
    item->value = text;
    item->kind = accessState == 1 ? CListItem::kText : CListItem::kPickList;
    item->recordId = id;
    item->note = note;
    item->changed = false;
    item->accessState = static_cast<uint8_t>(accessState);
    list.SetRowItem(row, std::move(item));
    ++row;
  }
}

int CDBToDo::SaveList(const QString& name, IListControl& list) {
  if (!Ready()) {
    return 0;
  }
  patient = name;
  const int rows = list.GetItemCount();
  for (int row = 0; row < rows; ++row) {
    const bool checked = list.GetCheck(row);
    flags = ParsePriority(list.GetItemText(row, 0)) & ~kCheckedFlag;
    if (checked) {
      flags |= kCheckedFlag;
    }
    text = list.GetItemText(row, 1);
    CListItem* item = list.GetRowItem(row);
    if (!item) {
      // A row without its item is taken as new; the item keeps the id it is stored under.
      list.SetRowItem(row, MakeRowItem(flags));
      item = list.GetRowItem(row);
    }
    note = item->note;

    bool saved = true;
    if (item->recordId == 0) {
      item->recordId = AddNew(false);
      saved = item->recordId != 0;
      list.SetItemData(row, item->recordId);
    } else if (item->changed) {
      saved = UpdateByCEOID(item->recordId);
    } else if (item->accessState != 1) {
      // Ticking the check box does not mark the row as changed, but the done mark must not be
      // lost: an item whose stored mark differs from its box is written too.
      Record stored;
      if (m_db.SeekById(item->recordId) == item->recordId && m_db.Read(stored, {kFlagsProp}) &&
          ((static_cast<uint32_t>(IntProp(stored, kFlagsProp)) & kCheckedFlag) != 0) != checked) {
        saved = UpdateByCEOID(item->recordId);
      }
    }
    // A row whose write failed stays marked, so that the next save tries it again.
    if (saved) {
      item->changed = false;
    }
  }
  return rows;
}

void CDBToDo::ConvertLegacyTodo(const QString& name) {
  if (!Ready()) {
    return;
  }
  CDBPatient patients;
  const QString old = patients.FindTodoByName(name);
  if (old.isEmpty()) {
    return;
  }
  patient = name;
  flags = 0;
  text = strings::Load(ids::kConvertedTodoItem);
  note = old;
  // The item and the cleared text are stored together, so the text is converted exactly once.
  platform::StoreTransaction transaction;
  if (AddNew(false) != 0 && patients.UpdateTodo(name, QString())) {
    transaction.Commit();
  }
}

// ---- Serialised form and received items --------------------------------------------------------

void CDBToDo::WriteFields(bytes::Writer& writer) const {
  writer.WriteU32(flags);
  writer.WriteString(text);
  writer.WriteString(note);
  writer.WriteString(timeStamp);
}

bool CDBToDo::ReadFields(bytes::Reader& reader) {
  uint32_t receivedFlags = 0;
  QString receivedText;
  QString receivedNote;
  QString receivedStamp;
  if (!reader.ReadU32(receivedFlags) || !reader.ReadString(receivedText) ||
      !reader.ReadString(receivedNote) || !reader.ReadString(receivedStamp)) {
    return false;
  }
  flags = receivedFlags;
  text = receivedText;
  note = receivedNote;
  timeStamp = receivedStamp;
  return true;
}

bool CDBToDo::MergeReceived() {
  if (!Ready()) {
    return false;
  }
  // The same item is the patient's first one with the received text; an item without a text
  // property never matches.
  if (m_db.SeekMatch(patient, {{kTextProp, text, false}}) == 0) {
    return !ReadFailed() && AddNew(true) != 0;
  }
  // The sender's time-stamp text is stored as it came, like an added item's.
  Record update;
  update.Add(kTimeStampProp, timeStamp);
  AddSyncProps(update);
  update.Add(kNoteProp, note);
  update.Add(kFlagsProp, QString::number(flags));
  return m_db.WriteCurrent(update);
}
