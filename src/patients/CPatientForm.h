#pragma once

#include <QDate>
#include <QWidget>
#include <vector>

#include "common/CListItem.h"
#include "common/FieldTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/FileTime.h"

class CDBPatient;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

// What "Add Patient" and the "Info" page share: the "Admit Date:" picker with the form's buttons
// beside it, and under them the editable "Item"/"Value" list of a patient's rows. The form
// builds its rows from a patient row table, exchanges them with a patient record in both
// directions (UpdateData), and carries the date-of-birth row's rules: "No Date" clears the date,
// a decade opens the date picker, a picked date of birth sets the age.
class CPatientForm : public QWidget {
  Q_OBJECT

 public:
  CPatientForm(const field_table::Table<CDBPatient>& rows, QWidget* parent = nullptr);

  // The owner's buttons, right of the date picker (and after it in the tab order).
  void AddButton(QWidget* button);
  // Margins around the form: left and right, top, and below the list.
  void SetMargins(int side, int top, int bottom);

  // Record -> rows and picker (save false), or rows and picker -> record (save true). Saving
  // takes what an open in-place editor holds.
  void UpdateData(bool save, CDBPatient& patient);
  // Empty rows; the picker on admitted's day (today when admitted is zero).
  void Clear(const FILETIME& admitted);
  // No in-place editor opens and the date picker is disabled.
  void SetReadOnly(bool readOnly);

  // The admission date: the one given to UpdateData or Clear, moved to the day picked when the
  // picker was changed; left alone, it keeps its time of day (or stays no date at all).
  FILETIME AdmitDate() const;
  // The admission date was stored as admitted: a later AdmitDate starts from it.
  void RememberAdmitDate(const FILETIME& admitted);

  CBaseListCtrl* List() const { return m_list; }
  QDateEdit* AdmitDatePicker() const { return m_admitPicker; }
  const std::vector<CListItem>& Items() const { return m_items; }
  // Row index of a label in this form; -1 when the form has no such row.
  int RowOf(int labelId) const;

 signals:
  // A value was picked, an edit ended, the row changed or the list lost the focus: what the
  // Info page counts as an edit.
  void edited();

 protected:
  // The columns follow the list's width.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowAdmitDate(const FILETIME& admitted);
  void OnChoicePicked(CBaseListCtrl::ChoicePick& pick);
  void OnEditEnded(const CBaseListCtrl::EditEnd& end);
  void SizeColumns();

  const field_table::Table<CDBPatient>& m_rows;
  std::vector<CListItem> m_items;
  FILETIME m_admitDate;
  QDate m_admitDayShown;

  QLabel* m_admitLabel;
  QDateEdit* m_admitPicker;
  CBaseListCtrl* m_list;
  QHBoxLayout* m_top;
  QVBoxLayout* m_layout;
  // Tab reaches the buttons after the picker and before the list.
  QWidget* m_lastBeforeList;
};
