#pragma once

#include <QString>
#include <vector>

#include "chart/VsTestsEntryDlg.h"
#include "common/CListItem.h"
#include "platform/FileTime.h"

class CBaseListCtrl;
class CPictureButton;

// "Add Vitals": the full-screen dialog in which one new vital-signs entry is typed in, a date, a
// time and the thirteen free-text rows of the vitals template. SAVE takes the pickers' values and
// packs the rows (empty values included) and ends with OK; nothing is computed or checked, so an
// entry with every value empty is stored like any other. CANCEL ends with Cancel.
class CAddVitalsDlg : public CVsTestsEntryDlg {
  Q_OBJECT

 public:
  explicit CAddVitalsDlg(QWidget* parent = nullptr);

  // Controls -> members (save) or members -> controls.
  void UpdateData(bool save);
  void OnSave();
  void OnCancel();

  CBaseListCtrl* List() const { return m_list; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }

  // Both the dialog's opening time until SAVE takes the pickers.
  FILETIME date;
  FILETIME time;
  // Filled by SAVE: every row as name, line feed, value, line feed.
  QString packedValues;

 private:
  CPictureButton* m_save;
  CPictureButton* m_cancel;
  CBaseListCtrl* m_list;
  std::vector<CListItem> items;
};
