#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class CBaseListCtrl;

// One row of the labs or tests list as the store filled it: the day-and-hour text behind column
// 0, the lab type or test name behind column 1, the record, the row's mark (labs) and its access
// state.
struct DatedEntry {
  QString date;
  QString name;
  uint32_t recordId = 0;
  bool marked = false;
  uint8_t accessState = 0;
};

// The column sort of the labs and tests lists. Rows are ordered by exact (case-sensitive)
// comparison of their entries' texts, reversed when descending; rows that compare equal keep
// their order.
struct ListSort {
  // A click on column: the column clicked last, clicked again, turns the direction round; the
  // first click and a click on another column sort ascending.
  void Click(int heading);
  // Orders the list's rows by the current column and direction.
  void Apply(CBaseListCtrl& list, const std::vector<DatedEntry>& entries) const;

  int column = 0;
  bool ascending = true;
  // Whether a heading was clicked yet: before the first click the list shows the order it was
  // filled in (column 0 ascending).
  bool clicked = false;
};

// The rows of a dated list (labs, tests) and what the store gave for each. A row's item data is
// its index into the entries, so the rows can be sorted and deleted while the entries stay.
class DatedList {
 public:
  explicit DatedList(CBaseListCtrl& list) : m_list(list) {}

  // Refills the list with the patient's tests, or lab results, in the store's order: for no
  // patient an empty list, without a walk of the store.
  void FillTests(const QString& patient);
  void FillLabs(const QString& patient);

  // The entry of row; nullptr for no row, or a row whose data names no entry.
  DatedEntry* EntryOf(int row);
  const DatedEntry* EntryOf(int row) const;
  // The record of row; 0 for none.
  uint32_t RecordIdOf(int row) const;
  // The row that shows recordId; -1 for none.
  int RowOf(uint32_t recordId) const;

  // A click on heading (see ListSort::Click); ApplySort puts the rows into the sort's order.
  void ClickHeading(int heading);
  void ApplySort();
  const ListSort& Sort() const { return m_sort; }

 private:
  // The entries of the rows the store has just put into the list, from its arrays (one element
  // a row; marks and states may be empty: none marked, all writable).
  void Assign(const std::vector<QString>& dates, const std::vector<QString>& names,
              const std::vector<uint32_t>& recordIds, const std::vector<uint8_t>& marks = {},
              const std::vector<uint8_t>& states = {});
  // Empties the list and the entries; false when there is a patient to fill for.
  bool ClearFor(const QString& patient);

  CBaseListCtrl& m_list;
  std::vector<DatedEntry> m_entries;
  ListSort m_sort;
};
