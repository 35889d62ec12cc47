#include "beam/CBeamRecord.h"

#include "common/CDBPatient.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

CBeamRecord::CBeamRecord() = default;

CBeamRecord::~CBeamRecord() = default;

std::unique_ptr<CDBBaseDatabase> CBeamRecord::MakeStore(uint32_t code) {
  switch (code) {
    case beam::kPatientRecord:
      return std::make_unique<CDBPatient>();
    case beam::kLabRecord:
      return std::make_unique<CDBLabValues>();
    case beam::kMedRecord:
      return std::make_unique<CDBMeds>();
    case beam::kNoteRecord:
      return std::make_unique<CDBNotes>();
    case beam::kTestRecord:
      return std::make_unique<CDBTest>();
    case beam::kTodoRecord:
      return std::make_unique<CDBToDo>();
    case beam::kVitalsRecord:
      return std::make_unique<CDBVitals>();
    default:
      return nullptr;
  }
}

bool CBeamRecord::SetRecordType(uint32_t code) {
  if (code == m_type && m_store) {
    return true;
  }
  m_store.reset();  // the old store closes before a new one opens
  m_store = MakeStore(code);
  m_type = m_store ? code : uint32_t{beam::kNoRecord};
  return m_store != nullptr;
}

bool CBeamRecord::ReadById(uint32_t code, RecordId recordId) {
  return SetRecordType(code) && m_store->ReadByCEOID(recordId);
}

bool CBeamRecord::FindPatient(const QString& name) {
  return SetRecordType(beam::kPatientRecord) && m_store->FindByName(name);
}

bool CBeamRecord::SerializeRecord(std::vector<uint8_t>& bytes) {
  return m_store && m_store->Serialize(bytes);
}

bool CBeamRecord::WriteRecord(const uint8_t* bytes, size_t length) {
  if (length == 0 || !SetRecordType(bytes[0])) {
    return false;
  }
  return m_store->Write(bytes, length);
}

QString CBeamRecord::GetPatientName() const {
  return m_store ? m_store->OwnerName() : QString();
}

int32_t CBeamRecord::GetDesktopId() const {
  return m_store ? m_store->desktopId : 0;
}

CDBChartStore* CBeamRecord::ChartStore() const {
  return m_type >= beam::kLabRecord && m_type <= beam::kVitalsRecord
             ? static_cast<CDBChartStore*>(m_store.get())
             : nullptr;
}

bool CBeamRecord::FirstOf(uint8_t code, const QString& name) {
  if (code < beam::kLabRecord || code > beam::kVitalsRecord) {
    return false;
  }
  // Always a fresh store: a walk never continues from what an earlier one left.
  m_store.reset();
  m_type = beam::kNoRecord;
  if (!SetRecordType(code)) {
    return false;
  }
  return ChartStore()->FindFirstOfPatient(name);
}

bool CBeamRecord::NextOf(uint8_t code, const QString& name) {
  if (m_type != code || !ChartStore()) {
    return false;
  }
  return ChartStore()->FindNextOfPatient(name);
}

uint32_t CBeamRecord::CountOf(uint8_t code, const QString& name) {
  // Counted on a holder of its own, so that the record held here stays.
  CBeamRecord walker;
  uint32_t count = 0;
  for (bool found = walker.FirstOf(code, name); found; found = walker.NextOf(code, name)) {
    ++count;
  }
  return count;
}
