#include "shell/CPatientDataSource.h"

#include "platform/StoreError.h"
#include "store/CDBLabValues.h"
#include "store/CDBVitals.h"

namespace {

QDateTime ToDateTime(const FILETIME& time) {
  SYSTEMTIME fields;
  if (!filetime::ToSystemTime(time, fields)) {
    return {};
  }
  return QDateTime(QDate(fields.wYear, fields.wMonth, fields.wDay),
                   QTime(fields.wHour, fields.wMinute, fields.wSecond, fields.wMilliseconds));
}

XMValueRecord ToValueRecord(const CDBDatedStore& store, const QString& group,
                            const QString& values) {
  XMValueRecord record;
  record.time = ToDateTime(store.date);
  record.name = group;
  record.values = values;
  for (const packed::Pair& pair : packed::SplitPairs(values)) {
    record.pairs.append({pair.name, pair.value});
  }
  record.accessState = store.accessState;
  return record;
}

// Walks the patient's records of store, oldest first, handing each to add. A failure of the
// device anywhere in the walk empties records and answers false with its cause.
template <typename Store, typename Add>
bool ReadAll(const QString& patient, QList<XMValueRecord>& records, QString& error, Add add) {
  records.clear();
  error.clear();
  if (patient.isEmpty()) {
    return true;
  }
  const platform::StoreErrorScope failures;
  Store store;
  for (bool found = store.FindFirstOfPatient(patient); found;
       found = store.FindNextOfPatient(patient)) {
    add(store);
  }
  if (failures.Failed()) {
    records.clear();
    error = failures.Error().Describe();
    return false;
  }
  return true;
}

}  // namespace

void CPatientDataSource::NotifyChanged(const QString& name) {
  for (IPatientDataListener* listener : m_listeners) {
    listener->OnPatientDataChanged(name);
  }
}

bool CPatientDataSource::GetVitals(QList<XMValueRecord>& records, QString& error) {
  return ReadAll<CDBVitals>(m_patient, records, error, [&records](CDBVitals& entry) {
    records.append(ToValueRecord(entry, QString(), entry.values));
  });
}

bool CPatientDataSource::GetLabResults(QList<XMValueRecord>& records, QString& error) {
  return ReadAll<CDBLabValues>(m_patient, records, error, [&records](CDBLabValues& result) {
    records.append(ToValueRecord(result, result.group, result.values));
  });
}

void CPatientDataSource::AddDataListener(IPatientDataListener* listener) {
  if (listener != nullptr) {
    m_listeners.push_back(listener);
  }
}
