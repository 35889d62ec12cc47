#include "chart/MedsFields.h"

#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace meds_fields {
namespace {

using FieldRow = field_table::Row<CDBMeds>;

// The category list of a free-text row is the row index + 9.
constexpr int kListOffset = 9;
constexpr int kNameLimit = 30;
constexpr int kCountLimit = 8;

FieldRow PickList(Row row, QString CDBMeds::*member, int limit) {
  FieldRow field;
  field.labelId = ids::kMedLabelFirst + row;
  field.kind = CListItem::kPickList;
  field.listId = row + kListOffset;
  field.limit = limit;
  field.text = member;
  return field;
}

field_table::Table<CDBMeds> MakeRows() {
  // The Drug row offers the favourites instead of a category list.
  FieldRow drug = PickList(kDrugRow, &CDBMeds::drug, kNameLimit);
  drug.listId = -1;
  FieldRow trackDays;
  trackDays.labelId = ids::kMedLabelTrackDays;
  trackDays.kind = CListItem::kChoices;
  trackDays.limit = kNameLimit;
  trackDays.choiceIds = {ids::kChoiceNo, ids::kChoiceYes};
  trackDays.text = &CDBMeds::trackDays;
  return {
      drug,
      PickList(kDoseRow, &CDBMeds::dose, kNameLimit),
      PickList(kRouteRow, &CDBMeds::route, kNameLimit),
      PickList(kFrequencyRow, &CDBMeds::frequency, kNameLimit),
      trackDays,
      PickList(kDaysRow, &CDBMeds::days, kCountLimit),
      PickList(kDispensedRow, &CDBMeds::dispensed, kCountLimit),
      PickList(kRefillsRow, &CDBMeds::refills, kCountLimit),
  };
}

}  // namespace

const field_table::Table<CDBMeds>& Rows() {
  static const field_table::Table<CDBMeds> rows = MakeRows();
  return rows;
}

std::vector<CListItem> NewRows() {
  std::vector<CListItem> items = field_table::Build(Rows());
  CListItem& trackDays = items[kTrackDaysRow];
  trackDays.value = strings::Load(ids::kChoiceNo);
  trackDays.choiceId = ids::kChoiceNo;
  return items;
}

}  // namespace meds_fields
