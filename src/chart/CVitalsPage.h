#pragma once

#include <QString>
#include <vector>

#include "chart/VsTestsSubPage.h"
#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"

class CDBVitals;
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
  explicit CVitalsPage(CVSTestsPage& container);

  // The date list's choice changed: the chosen entry is shown; unsaved edits are dropped.
  void OnDateChanged(int index);
  // SAVE (DELETE is the base's).
  void OnSave();

  QComboBox* DateList() const { return m_dateList; }
  CBaseListCtrl* ValueList() const { return m_values; }

 private:
  // Refills the date list, keeping the shown entry when it is still there (else the first).
  void Refill(uint32_t kept) override;
  // The chosen entry (type 7); 0 when the date list has no entry chosen.
  uint32_t SelectedRecordId() const override;
  // Takes the deleted entry out of the date list and shows the one that took its place.
  void OnRecordDeleted(uint32_t recordId) override;

  // The patient's entries into the date list.
  void FillDateList();

  // Shows the entry chosen in the date list, or an empty page when none is chosen.
  void LoadSelectedEntry();
  void ShowNoEntry();
  // A writable entry: its values in the template rows. A read-only one: its stored pairs.
  void ShowInTemplateRows(const QString& values);
  void ShowStoredPairs(const QString& values);
  void ApplyReadOnly(int state);
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

  std::vector<CListItem> m_templateRows;
  // The value list does not hold the template rows as they were built (emptied, or a value
  // without its row was added).
  bool m_templateLost = false;
};
