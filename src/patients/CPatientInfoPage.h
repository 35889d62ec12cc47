#pragma once

#include <QDate>
#include <vector>

#include "app/CPatientTabPage.h"
#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/FileTime.h"

class CPictureButton;
class QDateEdit;
class QLabel;

// The "Info" tab: shows and edits the demographics of the current patient in the editable
// two-column list, with the admission date in a picker above it. Name, patient type and
// allergies are edited elsewhere (the add-patient dialog, the patient list's MOVE, the
// medications page).
class CPatientInfoPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 131;

  // The rows, in order.
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
  void UpdateSize() override;

  // SAVE: writes the rows and the admission date over the current patient.
  void OnSave();

  CBaseListCtrl* List() const { return m_list; }
  QDateEdit* AdmitDatePicker() const { return m_admitPicker; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnInitDialog();
  void Load();
  void BuildRows();
  void OnListNotify(CBaseListCtrl::Notification& notification);
  void Layout();

  QLabel* m_admitLabel;
  QDateEdit* m_admitPicker;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CBaseListCtrl* m_list;

  std::vector<CListItem> m_items;
  // The stored admission date, and the day the picker showed for it when loaded: a picker left
  // alone keeps the stored value whole (its time of day, or no date at all).
  FILETIME m_admitDate;
  QDate m_admitDayShown;
};
