#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "chart/VsTestsListSort.h"
#include "chart/VsTestsSubPage.h"

class CBaseListCtrl;
class CDBLabValues;
class CPictureButton;

// The labs sub-page of "VS/Tests". The upper list shows every lab result of the current patient,
// date and time and lab type, sortable by either column. A tap marks a row (it stays
// highlighted) or unmarks it; SELECT brings the marked results into the lower list, one line of
// values each, in the upper list's order, for side-by-side reading; CLEAR empties the lower list.
// The focused upper row is the one OPEN ("Edit Lab Results") and DELETE act on; a double tap on
// a lower row opens that result. Marks, the lower list's results, the focused result and the
// sort survive reloads and tab changes.
class CLabsPage : public CVsTestsSubPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 136;

  explicit CLabsPage(CVSTestsPage& container);

  bool OnSetActive() override;
  // Type 2 and the focused upper row's record id; false when no upper row is focused.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // OPEN, DELETE, SELECT, CLEAR.
  void OnOpen();
  void OnDelete();
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
  CPictureButton* OpenButton() const { return m_open; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  CPictureButton* SelectButton() const { return m_select; }
  CPictureButton* ClearButton() const { return m_clear; }
  const std::vector<uint32_t>& MarkedIds() const { return markedIds; }
  const std::vector<uint32_t>& ShownIds() const { return shownIds; }
  const ListSort& Sort() const { return sort; }
  bool IsMarked(int row) const;
  // The lower column's width for a summary: the text's width and the cell's margins.
  int SummaryWidth(const QString& text) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Data: the patient's results into the upper list and the arrays; one result read; values
  // written; a result deleted. Reads and writes answer whether the store took them.
  void FillUpperList();
  static bool ReadResult(uint32_t recordId, CDBLabValues& result);
  static bool StoreValues(uint32_t recordId, const QString& values);
  static bool DeleteResult(uint32_t recordId);

  // Rows and the arrays: a row's item data is its index into them.
  size_t EntryOf(int row) const;
  uint32_t RecordIdOf(int row) const;
  int RowOf(uint32_t recordId) const;
  int FocusedRow() const;
  void SetHighlight(int row, bool highlighted);

  void ReapplyMarks();
  void ApplySelectionState(bool focused);
  void ShowAccessOf(int row);
  void UpdateSelect();
  void UpdateClear();
  void RebuildLowerList();
  void SortUpperList();
  void OpenResult(uint32_t recordId);

  CBaseListCtrl* m_upper;
  CBaseListCtrl* m_lower;
  CPictureButton* m_open;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;
  CPictureButton* m_select;
  CPictureButton* m_clear;

  // The five arrays that the store fills with the upper list, one element per row.
  std::vector<QString> dates;
  std::vector<QString> groups;
  std::vector<uint32_t> ids;
  std::vector<uint8_t> changed;  // the row's mark
  std::vector<uint8_t> accessStates;

  std::vector<uint32_t> markedIds;
  std::vector<uint32_t> shownIds;
  ListSort sort;
  // Set while the upper list is refilled: its notifications are not the user's.
  bool reloading = false;
};
