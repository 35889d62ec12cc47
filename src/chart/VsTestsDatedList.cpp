#include "chart/VsTestsDatedList.h"

#include <QHeaderView>
#include <utility>

#include "common/ui/CBaseListCtrl.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"

namespace {

// The key of a row for column; rows whose data names no entry have no key.
const QString* KeyOf(const CBaseListCtrl& list, int row, int column,
                     const std::vector<DatedEntry>& entries) {
  const size_t index = list.GetItemData(row);
  if (index >= entries.size()) {
    return nullptr;
  }
  return column == 0 ? &entries[index].date : column == 1 ? &entries[index].name : nullptr;
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

void ListSort::Apply(CBaseListCtrl& list, const std::vector<DatedEntry>& entries) const {
  list.SortRows([&](int rowA, int rowB) {
    const QString* a = KeyOf(list, rowA, column, entries);
    const QString* b = KeyOf(list, rowB, column, entries);
    return ascending ? Less(a, b) : Less(b, a);
  });
  list.header()->setSortIndicatorShown(true);
  list.header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void DatedList::Assign(const std::vector<QString>& dates, const std::vector<QString>& names,
                       const std::vector<uint32_t>& recordIds, const std::vector<uint8_t>& marks,
                       const std::vector<uint8_t>& states) {
  m_entries.assign(recordIds.size(), DatedEntry{});
  for (size_t i = 0; i < m_entries.size(); ++i) {
    DatedEntry& entry = m_entries[i];
    entry.date = i < dates.size() ? dates[i] : QString();
    entry.name = i < names.size() ? names[i] : QString();
    entry.recordId = recordIds[i];
    entry.marked = i < marks.size() && marks[i] != 0;
    entry.accessState = i < states.size() ? states[i] : 0;
  }
}

bool DatedList::ClearFor(const QString& patient) {
  if (!patient.isEmpty()) {
    return false;
  }
  m_list.DeleteAllItems();
  m_entries.clear();
  return true;
}

void DatedList::FillTests(const QString& patient) {
  if (ClearFor(patient)) {
    return;
  }
  std::vector<QString> dates;
  std::vector<QString> names;
  std::vector<uint32_t> recordIds;
  CDBTest().FillList(m_list, patient, dates, names, recordIds, true);
  Assign(dates, names, recordIds);
}

void DatedList::FillLabs(const QString& patient) {
  if (ClearFor(patient)) {
    return;
  }
  std::vector<QString> dates;
  std::vector<QString> groups;
  std::vector<uint32_t> recordIds;
  std::vector<uint8_t> marks;
  std::vector<uint8_t> states;
  CDBLabValues().FillList(m_list, patient, dates, groups, recordIds, marks, states, true);
  Assign(dates, groups, recordIds, marks, states);
}

DatedEntry* DatedList::EntryOf(int row) {
  return const_cast<DatedEntry*>(std::as_const(*this).EntryOf(row));
}

const DatedEntry* DatedList::EntryOf(int row) const {
  if (row < 0 || row >= m_list.GetItemCount()) {
    return nullptr;
  }
  const size_t index = m_list.GetItemData(row);
  return index < m_entries.size() ? &m_entries[index] : nullptr;
}

uint32_t DatedList::RecordIdOf(int row) const {
  const DatedEntry* entry = EntryOf(row);
  return entry != nullptr ? entry->recordId : 0;
}

int DatedList::RowOf(uint32_t recordId) const {
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    if (RecordIdOf(row) == recordId) {
      return row;
    }
  }
  return -1;
}

void DatedList::ClickHeading(int heading) {
  m_sort.Click(heading);
}

void DatedList::ApplySort() {
  m_sort.Apply(m_list, m_entries);
}
