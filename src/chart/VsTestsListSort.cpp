#include "chart/VsTestsListSort.h"

#include <QHeaderView>

#include "common/ui/CBaseListCtrl.h"

namespace {

// The key of a row for column; rows whose data names no array element have the empty key.
const QString* KeyOf(const CBaseListCtrl& list, int row, int column,
                     const std::vector<QString>& dates, const std::vector<QString>& names) {
  const std::vector<QString>* keys = column == 0 ? &dates : column == 1 ? &names : nullptr;
  const size_t index = list.GetItemData(row);
  return keys != nullptr && index < keys->size() ? &(*keys)[index] : nullptr;
}

bool Less(const QString* a, const QString* b) {
  if (a == nullptr || b == nullptr) {
    return false;  // another column: all rows compare equal
  }
  return QString::compare(*a, *b, Qt::CaseSensitive) < 0;
}

}  // namespace

void ListSort::Click(int heading) {
  ascending = clicked && heading == column ? !ascending : true;
  column = heading;
  clicked = true;
}

void ListSort::Apply(CBaseListCtrl& list, const std::vector<QString>& dates,
                     const std::vector<QString>& names) const {
  list.SortRows([&](int rowA, int rowB) {
    const QString* a = KeyOf(list, rowA, column, dates, names);
    const QString* b = KeyOf(list, rowB, column, dates, names);
    return ascending ? Less(a, b) : Less(b, a);
  });
  list.header()->setSortIndicatorShown(true);
  list.header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
