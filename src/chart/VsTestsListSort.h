#pragma once

#include <QString>
#include <vector>

class CBaseListCtrl;

// The column sort of the labs and tests lists. Each row's item data is its index into the
// arrays that the store filled with the list: the day-and-hour texts behind column 0 and the
// names behind column 1. Rows are ordered by exact (case-sensitive) comparison of those texts,
// reversed when descending; rows that compare equal keep their order.
struct ListSort {
  // A click on column: the column clicked last, clicked again, turns the direction round; the
  // first click and a click on another column sort ascending.
  void Click(int heading);
  // Orders the list's rows by the current column and direction.
  void Apply(CBaseListCtrl& list, const std::vector<QString>& dates,
             const std::vector<QString>& names) const;

  int column = 0;
  bool ascending = true;
  // Whether a heading was clicked yet: before the first click the list shows the order it was
  // filled in (column 0 ascending).
  bool clicked = false;
};
