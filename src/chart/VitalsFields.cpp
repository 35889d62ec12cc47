#include "chart/VitalsFields.h"

#include "common/StringIds.h"

namespace vitals_fields {

const field_table::Table<CDBVitals>& Rows() {
  static const field_table::Table<CDBVitals> rows = [] {
    field_table::Table<CDBVitals> table;
    for (int label = ids::kVitalFirst; label <= ids::kVitalLast; ++label) {
      table.push_back({.labelId = label, .kind = CListItem::kTextLimited});
    }
    return table;
  }();
  return rows;
}

}  // namespace vitals_fields
