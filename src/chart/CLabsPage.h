#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "chart/VsTestsDatedList.h"
#include "chart/VsTestsSubPage.h"

class CBaseListCtrl;
class CPageSplitter;
class CPictureButton;

// The labs sub-page of "VS/Tests". The two lists share the page's height along a line the person
// moves (CPageSplitter). The upper list shows every lab result of the current patient,
// date and time and lab type, sortable by either column. A tap marks a row (it stays
// highlighted) or unmarks it; SELECT brings the marked results into the lower list, one line of
// values each, in the upper list's order, for side-by-side reading; CLEAR empties the lower list.
// The focused upper row is the one OPEN ("Edit Lab Results") and DELETE act on; a double tap on
// a lower row opens that result. Marks, the lower list's results, the focused result and the
// sort survive reloads and tab changes.
class CLabsPage : public CVsTestsSubPage {
  Q_OBJECT

 public:
  explicit CLabsPage(CVSTestsPage& container);

  // OPEN, SELECT, CLEAR (DELETE is the base's).
  void OnOpen();
  void OnSelect();
  void OnClear();
  // A click on an upper column heading.
  void OnColumnClick(int column);
  // A tap on an upper row: marks or unmarks it.
  void OnRowTapped(int row);
  // The focused upper row changed (row -1: none).
  void OnUpperItemChanged(int row);
  // A double tap on a lower row.
  void OnLowerDoubleTap(int row, int column);

  CBaseListCtrl* UpperList() const { return m_upper; }
  CBaseListCtrl* LowerList() const { return m_lower; }
  // The line between the two lists.
  CPageSplitter* Splitter() const { return m_splitter; }
  CPictureButton* OpenButton() const { return m_open; }
  CPictureButton* SelectButton() const { return m_select; }
  CPictureButton* ClearButton() const { return m_clear; }
  const std::vector<uint32_t>& MarkedIds() const { return m_markedIds; }
  const std::vector<uint32_t>& ShownIds() const { return m_shownIds; }
  const ListSort& Sort() const { return m_rows.Sort(); }
  bool IsMarked(int row) const;
  // The lower column's width for a summary: the text's width and the cell's margins.
  int SummaryWidth(const QString& text) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Refills the upper list, keeping the marks, the lower list's results, the focused result and
  // the sort.
  void Refill(uint32_t kept) override;
  // The focused upper row's result (type 2); 0 when no upper row is focused.
  uint32_t SelectedRecordId() const override;
  bool SelectedIsReadOnly() const override;
  // Takes the deleted result out of both lists; no other result becomes the focused one.
  void OnRecordDeleted(uint32_t recordId) override;

  int FocusedRow() const;
  void SetHighlight(int row, bool highlighted);

  void ReapplyMarks();
  void ApplySelectionState(bool focused);
  void ShowAccessOf(int row);
  void UpdateSelect();
  void UpdateClear();
  void RebuildLowerList();
  // Height that shows every selected result (at least a few rows).
  int LowerContentHeight() const;
  void SortUpperList();
  void OpenResult(uint32_t recordId);

  CBaseListCtrl* m_upper;
  CBaseListCtrl* m_lower;
  CPageSplitter* m_splitter;
  CPictureButton* m_open;
  CPictureButton* m_select = nullptr;
  CPictureButton* m_clear = nullptr;

  // The upper list's rows: date, lab type, record, mark and access state.
  DatedList m_rows;
  std::vector<uint32_t> m_markedIds;
  std::vector<uint32_t> m_shownIds;
  // Set while the upper list is refilled or a row taken out: its notifications are not the
  // user's.
  bool m_reloading = false;
};
