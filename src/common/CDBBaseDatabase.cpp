#include "common/CDBBaseDatabase.h"

#include "common/Controls.h"
#include "platform/Clock.h"

using platform::Record;

void GetCurrentTime(FILETIME& now) {
  now = clock_source::Now();
}

CDBBaseDatabase::CDBBaseDatabase(const QString& volumeName) : m_volumeName(volumeName) {}

CDBBaseDatabase::~CDBBaseDatabase() = default;

bool CDBBaseDatabase::ExistDB() {
  return platform::PropertyDatabase::Exists(m_volumeName);
}

bool CDBBaseDatabase::CreateDB() {
  return platform::PropertyDatabase::Create(m_volumeName, {{m_keyProp, true}});
}

bool CDBBaseDatabase::OpenDB() {
  return m_db.Open(m_volumeName, 0);
}

bool CDBBaseDatabase::OpenByName() {
  if (m_db.IsOpen()) {
    m_db.Close();
  }
  if (OpenDB()) {
    return true;
  }
  // Another process may have created it meanwhile: open again whatever CreateDB answered.
  static_cast<void>(CreateDB());
  return OpenDB();
}

bool CDBBaseDatabase::DeleteByName(const QString& name) {
  if (!OpenByName()) {
    return false;
  }
  // All the records of the name go, or none: one transaction.
  platform::StoreTransaction transaction;
  bool deleted = false;
  for (RecordId id = m_db.SeekEqual(name); id != 0; id = m_db.SeekEqual(name)) {
    if (!m_db.Delete(id)) {
      break;
    }
    deleted = true;
  }
  m_db.Close();
  return transaction.Commit() && deleted;
}

bool CDBBaseDatabase::ReadByCEOID(RecordId id) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  Record record;
  const bool found = m_db.SeekById(id) == id && ReadCurrent(record);
  m_db.Close();
  return found;
}

bool CDBBaseDatabase::DeleteByCEOID(RecordId id) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  const bool deleted = m_db.Delete(id);
  m_db.Close();
  return deleted;
}

bool CDBBaseDatabase::FindByName(const QString& name) {
  if (!OpenByName()) {
    return false;
  }
  Record record;
  const bool found = m_db.SeekEqual(name) != 0 && ReadCurrent(record);
  m_db.Close();
  return found;
}

bool CDBBaseDatabase::DeleteParent(const QString& name) {
  if (!OpenByName()) {
    return false;
  }
  // The owner's records lie together among the keys that begin with the owner's name; another
  // owner whose name extends this one may be interleaved, so each record's owner is checked. They
  // all go, or none: one transaction.
  platform::StoreTransaction transaction;
  Record record;
  bool deleted = false;
  for (RecordId id = m_db.SeekGreaterOrEqual(name); id != 0; id = m_db.SeekNext()) {
    if (!ReadCurrent(record) || PastOwnerKeys(TextProp(record, m_keyProp), name)) {
      break;
    }
    if (OwnerName() == name && m_db.Delete(id)) {
      deleted = true;
    }
  }
  m_db.Close();
  return transaction.Commit() && deleted;
}

CDBBaseDatabase::RecordId CDBBaseDatabase::DuplicateRecord(const QString& name, RecordId id) {
  if (id == 0 || !OpenByName()) {
    return 0;
  }
  Record record;
  RecordId copy = 0;
  if (m_db.SeekById(id) == id && m_db.Read(record)) {
    for (platform::Property& property : record.Properties()) {
      if (property.id == m_keyProp) {
        property.value = name;
      }
    }
    copy = m_db.Add(record);
  }
  m_db.Close();
  return copy;
}

void CDBBaseDatabase::PopulateComboBox(IComboBox& combo) {
  FillCombo(combo, false);
}

void CDBBaseDatabase::UniquePopulateComboBox(IComboBox& combo) {
  FillCombo(combo, true);
}

void CDBBaseDatabase::FillCombo(IComboBox& combo, bool unique) {
  combo.ResetContent();
  if (!OpenByName()) {
    return;
  }
  QString previous;
  Record record;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (!m_db.Read(record, {m_keyProp})) {
      if (ReadFailed()) {
        break;
      }
      continue;
    }
    const QString key = TextProp(record, m_keyProp);
    if (unique && combo.GetCount() > 0 && key.compare(previous, Qt::CaseInsensitive) == 0) {
      continue;
    }
    combo.SetItemData(combo.AddString(key), id);
    previous = key;
  }
  m_db.Close();
}

void CDBBaseDatabase::PopulateListCtrl(IListControl& list) {
  list.DeleteAllItems();
  if (!OpenByName()) {
    return;
  }
  Record record;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (m_db.Read(record, {m_keyProp})) {
      const int row = list.InsertItem(list.GetItemCount(), TextProp(record, m_keyProp));
      list.SetItemData(row, id);
    } else if (ReadFailed()) {
      break;
    }
  }
  m_db.Close();
}

void CDBBaseDatabase::PopulateStringList(QStringList& keys) {
  keys.clear();
  if (!OpenByName()) {
    return;
  }
  Record record;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (m_db.Read(record, {m_keyProp})) {
      keys.append(TextProp(record, m_keyProp));
    } else if (ReadFailed()) {
      break;
    }
  }
  m_db.Close();
}

bool CDBBaseDatabase::Serialize(std::vector<uint8_t>& bytes) {
  bytes.clear();
  return false;
}

bool CDBBaseDatabase::Write(const uint8_t*, size_t) {
  return false;
}

void CDBBaseDatabase::UnpackRecord(const Record& record) {
  desktopId = IntProp(record, m_desktopIdProp);
  accessState = IntProp(record, m_accessStateProp);
  m_currentKey = TextProp(record, m_keyProp);
}

bool CDBBaseDatabase::PastOwnerKeys(const QString& key, const QString& name) const {
  return !key.startsWith(name, Qt::CaseInsensitive);
}

QString CDBBaseDatabase::OwnerName() const {
  return m_currentKey;
}

bool CDBBaseDatabase::ReadData(bytes::Reader& reader, void* out, size_t count) {
  return reader.ReadData(out, count);
}

bool CDBBaseDatabase::WriteData(bytes::Writer& writer, const void* data, size_t count) {
  writer.WriteData(data, count);
  return true;
}

bool CDBBaseDatabase::ReadString(bytes::Reader& reader, QString& out) {
  return reader.ReadString(out);
}

bool CDBBaseDatabase::WriteString(bytes::Writer& writer, const QString& text) {
  writer.WriteString(text);
  return true;
}

size_t CDBBaseDatabase::AddStringSize(const QString& text) {
  return bytes::AddStringSize(text);
}

bool CDBBaseDatabase::WriteSyncMarks(RecordId id) {
  if (!OpenByName()) {
    return false;
  }
  platform::Record marks;
  AddSyncProps(marks);
  const bool written = m_db.SeekById(id) == id && m_db.WriteCurrent(marks);
  m_db.Close();
  return written;
}

CDBBaseDatabase::RecordId CDBBaseDatabase::StoreReceived(RecordId id) {
  const platform::Record record = ReceivedProperties();
  if (record.Properties().empty() || !OpenByName()) {
    return 0;
  }
  const RecordId stored = WriteRecordProps(record, id);
  m_db.Close();
  return stored;
}

CDBBaseDatabase::RecordId CDBBaseDatabase::WriteRecordProps(const Record& record, RecordId id) {
  if (id == 0) {
    return m_db.Add(record);
  }
  if (m_db.SeekById(id) != id || !m_db.WriteCurrent(record)) {
    return 0;
  }
  return id;
}

bool CDBBaseDatabase::ReadCurrent(Record& record) {
  if (!m_db.Read(record)) {
    return false;
  }
  UnpackRecord(record);
  return true;
}

void CDBBaseDatabase::AddSyncProps(Record& record) const {
  record.Add(m_desktopIdProp, QString::number(desktopId));
  record.Add(m_accessStateProp, QString::number(accessState));
}

int32_t CDBBaseDatabase::IntProp(const Record& record, PropId id, int32_t fallback) {
  const platform::Property* property = record.Find(id);
  if (!property) {
    return fallback;
  }
  bool ok = false;
  const int value = property->value.trimmed().toInt(&ok);
  return ok ? value : 0;
}

QString CDBBaseDatabase::TextProp(const Record& record, PropId id) {
  const platform::Property* property = record.Find(id);
  return property ? property->value : QString();
}
