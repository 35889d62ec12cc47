#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "chart/VsTestsListSort.h"
#include "chart/VsTestsSubPage.h"

class CBaseListCtrl;
class CDBTest;
class CPictureButton;
class QPlainTextEdit;

// The tests sub-page of "VS/Tests": the current patient's tests (imaging and other studies) by
// date and name, the selected test's free-text result in the box below, where it can be edited
// and saved, and DELETE after a confirmation. A click on a column heading sorts the list; a
// reload shows the store's order again, while the direction of the last sort is remembered.
class CTestsPage : public CVsTestsSubPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 138;

  explicit CTestsPage(CVSTestsPage& container);

  // Refills the list, selecting the test shown before when it is still there (else the first).
  bool OnSetActive() override;
  // Type 5 and the selected test's record id; false when no test is selected.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // SAVE and DELETE.
  void OnSave();
  void OnDelete();
  void OnColumnClick(int column);

  CBaseListCtrl* List() const { return m_list; }
  QPlainTextEdit* ResultBox() const { return m_result; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  const ListSort& Sort() const { return sort; }
  int ReadOnlyState() const { return readOnly; }

 private:
  // Data: the patient's tests into the list and the arrays; one test read; a result written
  // (database errors are shown by the store); a test deleted.
  void FillList();
  static bool ReadTest(uint32_t recordId, CDBTest& test);
  static bool StoreResult(uint32_t recordId, const QString& result);
  static bool DeleteTest(uint32_t recordId);

  uint32_t RecordIdOf(int row) const;
  int RowOf(uint32_t recordId) const;

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

  CBaseListCtrl* m_list;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;
  QPlainTextEdit* m_result;

  // The three arrays that the store fills with the list, one element per row.
  std::vector<QString> dates;
  std::vector<QString> tests;
  std::vector<uint32_t> ids;

  QString resultText;
  int readOnly = 0;
  ListSort sort;
  // Set while the list is refilled: its selection changes load no test.
  bool reloading = false;
};
