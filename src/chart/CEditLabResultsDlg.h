#pragma once

#include <QString>

#include "chart/VsTestsEntryDlg.h"

class CBaseListCtrl;
class CPictureButton;
class QLineEdit;

// "Edit Lab Results": one stored result's date and lab type, read-only, and its values as
// "Item"/"Value" rows in their stored order, editable unless the result came read-only from the
// desktop (then NOSAVE stands for SAVE). SAVE packs the rows back into packedValues and ends with
// OK; CANCEL ends with Cancel. The caller fills the members, calls UpdateData(false), runs the
// dialog and on OK reads packedValues.
class CEditLabResultsDlg : public CVsTestsEntryDlg {
  Q_OBJECT

 public:
  explicit CEditLabResultsDlg(QWidget* parent = nullptr);

  // Members -> controls (save false) or the rows -> packedValues (save true).
  void UpdateData(bool save);
  void OnSave();
  void OnCancel();

  CBaseListCtrl* List() const { return m_list; }
  QLineEdit* DateBox() const { return m_dateBox; }
  QLineEdit* LabBox() const { return m_labBox; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  CPictureButton* CancelButton() const { return m_cancel; }

  QString dateText;
  QString labName;
  QString packedValues;
  // The result's access state: any value but 0 makes the dialog read-only.
  int readOnly = 0;

 private:
  void OnValueChanged(int row, int column);

  QLineEdit* m_dateBox;
  QLineEdit* m_labBox;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CPictureButton* m_cancel;
  CBaseListCtrl* m_list;
};
