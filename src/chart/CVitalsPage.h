#pragma once

#include <QString>
#include <vector>

#include "chart/VsTestsSubPage.h"
#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"

class CDBVitals;
class CPictureButton;
class QComboBox;

// The vitals sub-page of "VS/Tests": one vital-signs entry of the current patient at a time. The
// "Select date:" drop-down lists the patient's entries by date and time; the "Vital"/"Value" list
// shows the chosen one, in the thirteen template rows for an entry made on the device (a value
// whose name has no row gets a row of its own) or, for an entry that came read-only from the
// desktop, exactly the pairs stored in it. SAVE writes the edited values back into the entry,
// DELETE removes it after a confirmation.
class CVitalsPage : public CVsTestsSubPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 137;

  explicit CVitalsPage(CVSTestsPage& container);

  // Refills the date list, keeping the shown entry when it is still there (else the first).
  bool OnSetActive() override;
  // Type 7 and the chosen entry's record id; false when the date list has no entry chosen.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // The date list's choice changed: the chosen entry is shown; unsaved edits are dropped.
  void OnDateChanged(int index);
  // SAVE and DELETE.
  void OnSave();
  void OnDelete();

  QComboBox* DateList() const { return m_dateList; }
  CBaseListCtrl* ValueList() const { return m_values; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  // The access state of the shown entry: any value but 0 makes it read-only here.
  int ReadOnlyState() const { return readOnly; }

 private:
  // Data: the patient's entries into the date list; one entry read; values written; an entry
  // deleted. The writes answer whether the store took them.
  void FillDateList();
  static void ReadEntry(uint32_t recordId, CDBVitals& entry);
  static bool StoreValues(uint32_t recordId, const QString& values);
  static bool DeleteEntry(uint32_t recordId);

  // Shows the entry chosen in the date list, or an empty page when none is chosen.
  void LoadSelectedEntry();
  void ShowNoEntry();
  // A writable entry: its values in the template rows. A read-only one: its stored pairs.
  void ShowInTemplateRows(const QString& values);
  void ShowStoredPairs(const QString& values);
  void ApplyReadOnly(int state);
  uint32_t ChosenRecordId() const;
  void SelectDate(int index);

  // The value list's notifications: each of them counts as an edit of the shown entry, which
  // SAVE can store while it is writable.
  void OnChoicePicked(CBaseListCtrl::ChoicePick& pick);
  void OnEditEnded(const CBaseListCtrl::EditEnd& end);
  void OnValueChanged(int row, int column);
  void OnFocusLost(int row);
  void EnableSaveForShownEntry();

  QComboBox* m_dateList;
  CBaseListCtrl* m_values;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;

  std::vector<CListItem> templateRows;
  // The value list does not hold the template rows as they were built (emptied, or a value
  // without its row was added).
  bool templateLost = false;
  int readOnly = 0;
};
