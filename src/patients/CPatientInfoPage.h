#pragma once

#include "common/ui/CBaseListCtrl.h"
#include "shell/CPatientTabPage.h"

class CPatientForm;
class CPictureButton;
class QDateEdit;

// The "Info" tab: shows and edits the demographics of the current patient in the editable
// two-column list, with the admission date in a picker above it. Name, patient type and
// allergies are edited elsewhere (the add-patient dialog, the patient list's MOVE, the
// medications page).
class CPatientInfoPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 131;

  // The rows, in the order of the patient row table (patient_fields::InfoRows).
  enum Row {
    kMrNumberRow = 0,
    kRoomRow,
    kDoctorRow,
    kAgeRow,
    kDobRow,
    kRaceRow,
    kSexRow,
    kCodeRow,
    kDxRow,
    kProblemsRow,
    kRowCount
  };

  explicit CPatientInfoPage(QWidget* parent = nullptr);

  // Loads the current patient.
  bool OnSetActive() override;
  // Ends any in-place edit and empties the list.
  bool OnKillActive() override;

  // SAVE: writes the rows and the admission date over the current patient.
  void OnSave();

  CBaseListCtrl* List() const;
  QDateEdit* AdmitDatePicker() const;
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }

 private:
  void Load();
  void OnEdited();
  void ShowReadOnly(bool readOnly);

  CPatientForm* m_form;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
};
