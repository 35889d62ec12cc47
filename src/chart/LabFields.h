#pragma once

#include <QStringList>

#include "common/FieldTable.h"
#include "store/CDBLabValues.h"

// The lab types that "Add Lab Results" offers and the value rows of each, free one-line texts
// without a limit. A result keeps its values as one packed text (CDBLabValues::values), which the
// list packs as a whole, so no row stands for a member of its own.
namespace lab_fields {

// The lab type whose four main values are typed into the fishbone boxes.
inline constexpr int kCbcIndex = 0;

// "CBC", "Chemistry", "LFTs", "UA", "Coags", "ABG", "Misc", in that order.
QStringList GroupNames();
// The value rows of the lab type at index of GroupNames; any index outside them (no lab type
// chosen, or one typed that is not offered) gives the free-form rows of "Misc".
const field_table::Table<CDBLabValues>& Rows(int groupIndex);

}  // namespace lab_fields
