#pragma once

#include <QDate>
#include <QString>

#include "common/CDBPatient.h"
#include "common/FieldTable.h"
#include "platform/FileTime.h"

// The rows of a patient's demographics, shared by "Add Patient" (every row) and the "Info" page
// (every row but the name, the patient type and the allergies, which are edited elsewhere).
namespace patient_fields {

// The fourteen rows, in the order "Add Patient" shows them.
const field_table::Table<CDBPatient>& AllRows();
// The ten rows of the "Info" page.
const field_table::Table<CDBPatient>& InfoRows();

// "45 Years" -> "45" and "Years": the text up to the first blank is the value, everything after
// it the unit; with no blank the whole text is the value and the unit is empty.
void SplitAge(const QString& text, QString& value, QString& unit);

// The calendar day of a time; invalid for a zero time.
QDate DayOf(const FILETIME& time);
// time moved to the day picked, keeping its time of day (a zero time gives midnight).
FILETIME WithDay(const FILETIME& time, const QDate& day);

}  // namespace patient_fields
