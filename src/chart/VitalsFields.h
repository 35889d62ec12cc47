#pragma once

#include "common/FieldTable.h"
#include "store/CDBVitals.h"

// The rows in which a vitals entry is typed and shown: "Tmax", "Temp", "Pulse", "Resp", "BP",
// "SAO2", "Weight", "In IV", "In PO", "In", "Out U", "Out Oth", "Out", each free one-line text
// without a limit. The "Add Vitals" dialog and the vitals sub-page share them. An entry keeps its
// values as one packed text (CDBVitals::values), which the list packs and unpacks as a whole, so
// no row stands for a member of its own.
namespace vitals_fields {

const field_table::Table<CDBVitals>& Rows();

}  // namespace vitals_fields
