#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <vector>

#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/FileTime.h"

class CDBPatient;
class CPictureButton;
class QDateEdit;
class QLabel;

// What the add-patient dialog and the "Info" page share: the date-of-birth row's choices, the
// age text and the admission date picker.
namespace patient_fields {

// Where the date picker opens for a decade choice of a date row: 15 June of the decade's fifth
// year, 01:00:01 ("1950's" opens on 15 June 1955).
SYSTEMTIME DecadeStart(int decadeId);
bool IsDecade(int choiceId);

// "45 Years" -> "45" and "Years": the text up to the first blank is the value, everything after
// it the unit; with no blank the whole text is the value and the unit is empty.
void SplitAge(const QString& text, QString& value, QString& unit);

// The stored date of birth of a date row: its date when the year is 1800 or later, else zero
// (no date).
FILETIME DateOfBirth(const CListItem& row);

// The calendar day of a time; invalid for a zero time.
QDate DayOf(const FILETIME& time);
// time moved to the day picked, keeping its time of day (a zero time gives midnight).
FILETIME WithDay(const FILETIME& time, const QDate& day);

// The short-date picker of the admission date, its calendar in a 15-pixel "System" font.
QDateEdit* MakeAdmitDatePicker(QWidget* parent);

// The "Item" and "Value" columns share the list's width w: (2 w) / 5 - 10 and (3 w) / 5 - 15.
void AddColumns(CBaseListCtrl& list);
void SizeColumns(CBaseListCtrl& list);

}  // namespace patient_fields

// "Add Patient": the full-screen dialog in which a new patient's demographics are entered, an
// admission date and fourteen rows in the editable list. SAVE fills the caller's patient object
// and closes with OK, once the name is not on file yet and first name, last name and patient
// type are given; CANCEL closes without touching the object.
class CAddPatientDlg : public QDialog {
  Q_OBJECT

 public:
  // The rows, in order.
  enum Row {
    kFirstNameRow = 0,
    kLastNameRow,
    kPatientTypeRow,
    kMrNumberRow,
    kRoomRow,
    kDoctorRow,
    kAgeRow,
    kDobRow,
    kRaceRow,
    kSexRow,
    kCodeRow,
    kDxRow,
    kAllergiesRow,
    kProblemsRow,
    kRowCount
  };

  // patient receives the entered values on SAVE; the caller keeps it.
  explicit CAddPatientDlg(CDBPatient& patientStore, QWidget* parent = nullptr);

  // SAVE and CANCEL.
  void OnSave();
  void OnCancel();

  CBaseListCtrl* List() const { return m_list; }
  QDateEdit* AdmitDatePicker() const { return m_admitPicker; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }
  const std::vector<CListItem>& Items() const { return m_items; }
  const FILETIME& AdmitDate() const { return admitDate; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnInitDialog();
  void BuildRows();
  void OnListNotify(CBaseListCtrl::Notification& notification);
  // The Pt Type row's edit entry: the category editor, then the edited types, row emptied.
  void EditPatientTypes();
  // Places the controls; the list's height follows the input panel.
  void Layout();

  CDBPatient& patient;
  FILETIME admitDate;
  std::vector<CListItem> m_items;

  QLabel* m_admitLabel;
  QDateEdit* m_admitPicker;
  CPictureButton* m_cancel;
  CPictureButton* m_save;
  CBaseListCtrl* m_list;
};
