#pragma once

#include <QDialog>
#include <vector>

#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/FileTime.h"

class CDBPatient;
class CPatientForm;
class CPictureButton;
class QDateEdit;

// "Add Patient": the full-screen dialog in which a new patient's demographics are entered, an
// admission date and fourteen rows in the editable list. SAVE fills the caller's patient object
// and closes with OK, once the name is not on file yet and first name, last name and patient
// type are given; CANCEL closes without touching the object.
class CAddPatientDlg : public QDialog {
  Q_OBJECT

 public:
  // The rows, in the order of the patient row table (patient_fields::AllRows).
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

  CBaseListCtrl* List() const;
  QDateEdit* AdmitDatePicker() const;
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }
  const std::vector<CListItem>& Items() const;
  FILETIME AdmitDate() const;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnChoicePicked(CBaseListCtrl::ChoicePick& pick);
  // The Pt Type row's edit entry: the category editor, then the edited types, row emptied.
  void EditPatientTypes();
  // The list ends just above the input panel when it is up, and leaves room for the command
  // bar when it is down.
  void FitToInputPanel();

  CDBPatient& patient;
  CPatientForm* m_form;
  CPictureButton* m_cancel;
  CPictureButton* m_save;
};
