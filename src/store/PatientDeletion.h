#pragma once

#include <QString>

namespace patient_records {

// Deletes the patient from the patient store, then every record of that patient from the note,
// vitals, lab, medication, test and todo stores, in that order. Answers whether the patient was
// on file.
bool DeletePatient(const QString& name);

}  // namespace patient_records
