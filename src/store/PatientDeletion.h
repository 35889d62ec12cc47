#pragma once

#include <QString>

namespace patient_records {

// Deletes the patient from the patient store, then every record of that patient from the note,
// vitals, lab, medication, test and todo stores, in that order, all in one transaction. Answers
// whether the patient was on file and is gone with all of its records; on a failure of the device
// (reported) nothing is deleted.
[[nodiscard]] bool DeletePatient(const QString& name);

}  // namespace patient_records
