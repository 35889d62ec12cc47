#pragma once

#include <QString>

class CAsciiPr;

// The checkout list on the printer: a short hand-over summary per patient, with what the user
// chose to include, and the choice kept in the registry.
namespace checkout_print {

struct Contents {
  bool meds = true;
  bool vitals = true;
  bool todo = true;
};

// HKEY_CURRENT_USER Software\Quillfen\Options "ChecklistMeds", "ChecklistVitals" and
// "ChecklistTodo": 4-byte binary integers, 1 = include (the default for a missing value).
Contents LoadContents();
bool SaveContents(const Contents& contents);

// Prints the patient's summary: name, MR number, room and code status; age, race, sex, admission
// and diagnosis; the problems; then, as chosen, the latest vital signs, the medications and the
// todo items by priority. Prints nothing for a patient who is not on file.
void PrintPatient(CAsciiPr& printer, const QString& name, const Contents& contents);

}  // namespace checkout_print
