#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/ui/CBaseListCtrl.h"

// A list of chart records (tests, lab results) from which a note page takes some into the note.
// Each row is a date and a name; several rows can be marked, and the marked rows are the
// selected ones: a tap (or the space bar) toggles a row's mark, and any other change of the
// selection is put back to the marks. A tap on a column header sorts the rows by that column,
// again on the same column in the other direction.
//
// The store that fills the list fills the arrays with it: a row's item data is its index into
// them, and marks[index] is its mark (0 or 1).
class CMarkedRecordList : public CBaseListCtrl {
  Q_OBJECT

 public:
  static constexpr int kDateColumn = 0;
  static constexpr int kNameColumn = 1;

  // nameHeadingId: the heading of the name column ("Test", "Lab"); nameId: what the list is
  // called for a person.
  CMarkedRecordList(int nameHeadingId, int nameId, QWidget* parent = nullptr);

  // Runs fill, the store filling the list and the arrays, with populating set; then every row is
  // unmarked unless marks says otherwise, and the selection shows the marks.
  void Populate(const std::function<void()>& fill);
  // Makes the selection show the marks.
  void ShowMarks();
  bool IsMarked(int row) const;
  void ToggleMark(int row);
  // The record ids of the marked rows, top to bottom.
  std::vector<uint32_t> MarkedIds() const;

  // Sorts by column, ascending unless column is the one sorted last, which reverses.
  void SortByColumn(int column);
  int SortColumn() const { return sortColumn; }
  bool SortAscending() const { return sortAscending; }

  // Day-and-hour texts, names and record ids of the rows, by item data.
  std::vector<QString> dates;
  std::vector<QString> names;
  std::vector<uint32_t> ids;
  std::vector<uint8_t> marks;
  // Set while the store fills the list: the selection is not put back meanwhile.
  bool populating = false;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The index into the arrays of row's data, or -1 outside them.
  int IndexOf(int row) const;
  void OnTapped(QTreeWidgetItem* item);
  void OnSelectionChanged();
  // Column widths for the list's width w: 3w/5 - 10 and 2w/5 - 15.
  void FitColumns();

  int sortColumn = -1;
  bool sortAscending = true;
};
