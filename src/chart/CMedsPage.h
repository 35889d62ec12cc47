#pragma once

#include <QString>
#include <cstdint>

#include "common/ui/CBaseListCtrl.h"
#include "shell/CPatientTabPage.h"

class CPictureButton;
class CPopupList;
class QLabel;
class QPlainTextEdit;
class QVBoxLayout;

// The medication list of the "Meds/Rx" tab: one column without a heading, one row per
// medication, kept in ascending order of its text (letter case aside) as rows come in; a row's
// item data is its medication's record id. Rows are read, not edited.
class CMedsListCtrl : public CBaseListCtrl {
  Q_OBJECT

 public:
  explicit CMedsListCtrl(QWidget* parent = nullptr);

  // Inserts the row where its text belongs, whatever row is asked for; answers where that is.
  int InsertItem(int row, const QString& text) override;
  // The focused row, -1 when none.
  int GetFocusedRow() const;
};

// The "Meds/Rx" tab: the current patient's medications, one row each, and the patient's
// allergies as free text. A medication is read or edited in "Add Meds" (OPEN) and deleted after
// a confirmation (DELETE); new medications come from the toolbar's add-medication command. The
// allergies are saved with SAVE; the "Allergies" caption and its POPUP button offer the
// allergies category list.
class CMedsPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 132;

  explicit CMedsPage(QWidget* parent = nullptr);

  // Reloads the allergies and the medications of the current patient, selecting the medication
  // selected before when it is still listed.
  bool OnSetActive() override;
  // The allergies box reaches down to 7 pixels above the page's bottom. Above the hand-held size
  // the medication list takes the extra height and the box only what its text needs.
  void UpdateSize() override;
  // The focused row's medication (record type 3); false when the list is empty or no row is
  // focused.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // The page's commands.
  void OnOpen();
  void OnDelete();
  void OnSaveAllergies();
  // Opens the allergies pop-up and appends the picked entry (what a tap on the caption does).
  void OnAllergiesPopup();

  CMedsListCtrl* List() const { return m_list; }
  QLabel* PatientStateLabel() const { return m_patientState; }
  QLabel* MedStateLabel() const { return m_medState; }
  QLabel* AllergiesCaption() const { return m_allergiesCaption; }
  QPlainTextEdit* AllergiesBox() const { return m_allergiesBox; }
  CPopupList* AllergiesPopup() const { return m_popup; }
  CPictureButton* OpenButton() const { return m_open; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  const QString& Allergies() const { return allergies; }
  int SelectedReadOnly() const { return selectedReadOnly; }

 protected:
  // A pen-up on the "Allergies" caption opens the pop-up while the pop-up button is enabled.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadAllergies();
  // Shares the page's height between the list and the allergies box by the window's size.
  void FitToRoom();
  void ShowPatientReadOnly(int accessState);
  void ShowNoPatient();
  void FillMedications();
  void SelectRemembered();
  // Selects and focuses a row, scrolled into view, and takes on its selection state.
  void Select(int row);
  // The selection's state: the selected medication's access state and the DELETE and OPEN
  // buttons follow the focused row; ClearSelection is the state without one.
  void SelectionChanged(int row);
  void ClearSelection();
  void ShowMedReadOnly(int accessState);
  void ShowError(int textId);

  // Notifications: the list's focused row moved; the allergies text changed; an entry was picked
  // from the pop-up.
  void OnCurrentRowChanged(int row);
  void OnAllergiesChanged();
  void OnPopupNotify(int code, const QString& text);

  QString patientName;
  QString allergies;
  int selectedReadOnly = 0;

  QLabel* m_patientState;
  QLabel* m_medState;
  CPictureButton* m_open;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;
  CMedsListCtrl* m_list;
  QLabel* m_allergiesCaption;
  CPopupList* m_popup;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  QPlainTextEdit* m_allergiesBox;
  QVBoxLayout* m_layout;
};
