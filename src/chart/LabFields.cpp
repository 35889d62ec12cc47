#include "chart/LabFields.h"

#include <array>

#include "common/StringIds.h"
#include "common/StringTable.h"

namespace lab_fields {
namespace {

struct LabelRun {
  int first;
  int last;
};

// The value labels of each lab type, in the order of GroupNames; the last run is "Misc".
constexpr std::array<LabelRun, 7> kRuns = {{
    {ids::kCbcValueFirst, ids::kCbcValueLast},
    {ids::kChemistryValueFirst, ids::kChemistryValueLast},
    {ids::kLftValueFirst, ids::kLftValueLast},
    {ids::kUaValueFirst, ids::kUaValueLast},
    {ids::kCoagsValueFirst, ids::kCoagsValueLast},
    {ids::kAbgValueFirst, ids::kAbgValueLast},
    {ids::kMiscValueName, ids::kMiscResult},
}};

field_table::Table<CDBLabValues> MakeRows(const LabelRun& run) {
  field_table::Table<CDBLabValues> table;
  for (int label = run.first; label <= run.last; ++label) {
    table.push_back({.labelId = label, .kind = CListItem::kTextLimited});
  }
  return table;
}

}  // namespace

QStringList GroupNames() {
  QStringList names;
  for (int id = ids::kLabGroupFirst; id <= ids::kLabGroupLast; ++id) {
    names.append(strings::Load(id));
  }
  return names;
}

const field_table::Table<CDBLabValues>& Rows(int groupIndex) {
  static const std::array<field_table::Table<CDBLabValues>, kRuns.size()> tables = [] {
    std::array<field_table::Table<CDBLabValues>, kRuns.size()> made;
    for (size_t i = 0; i < kRuns.size(); ++i) {
      made[i] = MakeRows(kRuns[i]);
    }
    return made;
  }();
  const bool offered = groupIndex >= 0 && static_cast<size_t>(groupIndex) < tables.size();
  return tables[offered ? static_cast<size_t>(groupIndex) : tables.size() - 1];
}

}  // namespace lab_fields
