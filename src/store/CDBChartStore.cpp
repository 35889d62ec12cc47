#include "store/CDBChartStore.h"

#include "common/CDBPatient.h"
#include "platform/ValueRules.h"

bool CDBChartStore::CreateDB() {
  return platform::PropertyDatabase::Create(m_volumeName,
                                            {{m_keyProp, true}, {kUnusedSortProp, true}});
}

bool CDBChartStore::Serialize(std::vector<uint8_t>& bytes) {
  bytes.clear();
  bytes::Writer writer(bytes);
  writer.WriteU8(RecordType());
  writer.WriteI32(desktopId);
  writer.WriteI32(accessState != 0 ? 1 : 0);
  WriteFields(writer);
  return true;
}

bool CDBChartStore::Write(const uint8_t* bytes, size_t length) {
  bytes::Reader reader(bytes, length);
  uint8_t type = 0;
  int32_t receivedDesktopId = 0;
  int32_t accessFlag = 0;
  if (!reader.ReadU8(type) || type != RecordType() || !reader.ReadI32(receivedDesktopId) ||
      !reader.ReadI32(accessFlag) || !value_rules::ValidAccessState(accessFlag) ||
      !ReadFields(reader)) {
    return false;
  }
  // A record belongs to the patient filed before it in the same transfer; without one it has no
  // owner and is refused rather than filed under a stale or empty name.
  if (CDBPatient::LastPatientWritten().isEmpty()) {
    return false;
  }
  desktopId = receivedDesktopId;
  accessState = accessFlag;
  patient = CDBPatient::LastPatientWritten();
  return MergeReceived();
}

bool CDBChartStore::FindFirstOfPatient(const QString& name) {
  if (!OpenByName()) {
    return false;
  }
  platform::Record record;
  for (RecordId id = m_db.SeekGreaterOrEqual(name); id != 0; id = m_db.SeekNext()) {
    if (!ReadCurrent(record) || PastOwnerKeys(TextProp(record, m_keyProp), name)) {
      break;
    }
    if (patient == name) {
      return true;
    }
  }
  m_db.Close();
  return false;
}

bool CDBChartStore::FindNextOfPatient(const QString& name) {
  platform::Record record;
  while (m_db.IsOpen() && m_db.SeekNext() != 0 && ReadCurrent(record) &&
         !PastOwnerKeys(TextProp(record, m_keyProp), name)) {
    if (patient == name) {
      return true;
    }
  }
  m_db.Close();
  return false;
}

bool CDBChartStore::UpdateTwoProps(RecordId id, PropId valueProp, const QString& value,
                                   PropId stampProp) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  bool written = false;
  platform::Record current;
  if (m_db.SeekById(id) == id && m_db.Read(current, {valueProp, stampProp})) {
    written = m_db.WriteCurrent({{valueProp, value}, {stampProp, GetCurrentTimeStamp()}});
  }
  m_db.Close();
  return written;
}
