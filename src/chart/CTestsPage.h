#pragma once

#include <QString>
#include <cstdint>

#include "chart/VsTestsDatedList.h"
#include "chart/VsTestsSubPage.h"

class CBaseListCtrl;
class QPlainTextEdit;

// The tests sub-page of "VS/Tests": the current patient's tests (imaging and other studies) by
// date and name, the selected test's free-text result in the box below, where it can be edited
// and saved, and DELETE after a confirmation. A click on a column heading sorts the list; a
// reload shows the store's order again, while the direction of the last sort is remembered.
class CTestsPage : public CVsTestsSubPage {
  Q_OBJECT

 public:
  explicit CTestsPage(CVSTestsPage& container);

  CBaseListCtrl* List() const { return m_list; }
  QPlainTextEdit* ResultBox() const { return m_result; }
  const ListSort& Sort() const { return m_rows.Sort(); }

  // Above the hand-held size the list takes the extra height and the result box what its text
  // needs; at the hand-held size the list keeps its 180 pixels.
  void UpdateSize() override;

  // SAVE (DELETE is the base's).
  void OnSave();
  void OnColumnClick(int column);

 private:
  // The list's selection changed.
  void OnListItemChanged();
  // The result box's text changed.
  void OnResultChanged();
  // Selects row and shows its test.
  void SelectAndShow(int row);
  void ShowRow(int row);
  void ApplySelectionState(bool selected);
  void ApplyReadOnly(int state);
  // Puts text into the result box without counting it as an edit.
  void SetResultText(const QString& text);

  // Refills the list, selecting the test shown before when it is still there (else the first).
  void Refill(uint32_t kept) override;
  // The selected test (type 5).
  uint32_t SelectedRecordId() const override;
  // Takes the deleted test's row out and shows the test that took its place.
  void OnRecordDeleted(uint32_t recordId) override;

  CBaseListCtrl* m_list;
  QPlainTextEdit* m_result = nullptr;
  DatedList m_rows;
  // Set while the list is refilled or a row taken out: its selection changes load no test.
  bool m_reloading = false;
};
