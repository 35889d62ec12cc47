#include "store/PatientDeletion.h"

#include "common/CDBPatient.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace patient_records {

bool DeletePatient(const QString& name) {
  // One transaction: a patient is never left half deleted, with records that no patient owns.
  platform::StoreErrorScope failures;
  platform::StoreTransaction transaction;
  CDBPatient patients;
  const bool found = patients.DeleteByName(name);
  CDBPatient::ForgetReadOnly(name);
  CDBNotes().DeleteAllOfPatient(name);
  CDBVitals().DeleteAllOfPatient(name);
  CDBLabValues().DeleteAllOfPatient(name);
  CDBMeds().DeleteAllOfPatient(name);
  CDBTest().DeleteAllOfPatient(name);
  CDBToDo().DeleteAllOfPatient(name);
  return !failures.Failed() && transaction.Commit() && found;
}

}  // namespace patient_records
