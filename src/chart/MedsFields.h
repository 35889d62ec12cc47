#pragma once

#include "common/FieldTable.h"
#include "store/CDBMeds.h"

// The eight rows of a medication, as "Add Meds" shows them, and the members of the medication
// store they stand for. Every caller that enters or edits a medication goes through this one
// table.
namespace meds_fields {

enum Row {
  kDrugRow = 0,
  kDoseRow,
  kRouteRow,
  kFrequencyRow,
  kTrackDaysRow,
  kDaysRow,
  kDispensedRow,
  kRefillsRow,
  kRowCount
};

// Drug (its choices are the favourites, filled by the dialog), Dose, Route, Frequency, Track
// Days ("No" or "Yes"), # Days, # Dispensed, # Refills. Each free-text row but the Drug row picks
// from category list row + 9.
const field_table::Table<CDBMeds>& Rows();

// The rows with a new medication's values: all empty, "Track Days" "No".
std::vector<CListItem> NewRows();

}  // namespace meds_fields
