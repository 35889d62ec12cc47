#pragma once

#include <QString>
#include <vector>

#include "chart/VsTestsEntryDlg.h"
#include "common/CListItem.h"
#include "platform/FileTime.h"

class CBaseListCtrl;
class CPictureButton;
class QComboBox;
class QLineEdit;

// "Add Lab Results": the full-screen dialog in which a new lab result is entered, its date and
// time, its lab type ("Lab:", one of the offered types or any typed name) and the value rows of
// that type. For a "CBC" the four main values go into the fishbone boxes above the rows (WBC at
// the left, Hb at the top, Hct at the bottom, Plt at the right) and are stored first. A result
// saved without any value is a lab still to be drawn: SAVE also files a "Deferred:" todo of
// priority 1 for the patient. The caller stores the result itself on OK.
class CAddLabResultsDlg : public CVsTestsEntryDlg {
  Q_OBJECT

 public:
  explicit CAddLabResultsDlg(QWidget* parent = nullptr);

  // Controls -> members (save) or members -> controls.
  void UpdateData(bool save);
  // SAVE: refuses an empty lab type; packs the values (the fishbone's first for a "CBC"); files
  // the deferred-lab todo when no value was entered; ends with OK.
  void OnSave();
  void OnCancel();
  // The lab type's text changed: the rows of the type it names (the free-form "Misc" rows when
  // it names none), with the fishbone only for "CBC".
  void OnLabTypeChanged(const QString& text);

  CBaseListCtrl* List() const { return m_list; }
  QComboBox* LabTypeBox() const { return m_labType; }
  QWidget* Fishbone() const { return m_fishbone; }
  QLineEdit* WbcBox() const { return m_wbc; }
  QLineEdit* HbBox() const { return m_hb; }
  QLineEdit* HctBox() const { return m_hct; }
  QLineEdit* PltBox() const { return m_plt; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }

  FILETIME date;
  FILETIME time;
  QString labType;
  QString wbc;
  QString hb;
  QString hct;
  QString plt;
  // The patient the deferred-lab todo is filed for; set by the caller.
  QString patientName;
  QString packedValues;

 private:
  QWidget* MakeFishbone();
  void ShowRowsOf(int groupIndex);
  bool AnyRowValue() const;
  QString FishbonePairs() const;
  // The "Deferred: <date and time> <lab type>" todo; false when the todo store refused it.
  bool AddDeferredTodo() const;

  CPictureButton* m_save;
  CPictureButton* m_cancel;
  QComboBox* m_labType;
  QLineEdit* m_wbc;
  QLineEdit* m_hb;
  QLineEdit* m_hct;
  QLineEdit* m_plt;
  QWidget* m_fishbone;
  CBaseListCtrl* m_list;
  std::vector<CListItem> rows;
  // The lab type whose rows are shown (-1: the free-form rows of a type not offered).
  int m_rowsIndex = -2;
};
