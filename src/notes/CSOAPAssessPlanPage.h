#pragma once

#include <QString>

#include "notes/CNoteSheetPage.h"

class CAutoTextCaption;
class CPictureButton;
class QCheckBox;
class QPlainTextEdit;

// "A/P", the last page of the SOAP sheet: the assessment and plan (auto text, UNDO recalls the
// latest note's), whether the patient's medications go into the note, and SAVE, which ends the
// sheet so that the note is stored.
class CSOAPAssessPlanPage : public CNoteSheetPage {
  Q_OBJECT

 public:
  // The auto-text list that the assessment-and-plan box offers.
  static constexpr int kAutoTextList = 32;

  explicit CSOAPAssessPlanPage(QWidget* parent = nullptr);

  // Takes the box into assessmentPlan and the check box into addMeds; medsBlock is the
  // "Medications:" block while the box is ticked, and empty while it is clear.
  bool OnKillActive() override;
  // SAVE: takes the page's values, then ends the sheet with the save result.
  void OnSave();
  // UNDO: the box gets the assessment and plan of the patient's latest note.
  void OnUndo();

  // The controls, made when the page is first shown (null before).
  QCheckBox* AddMedsCheck() const { return m_addMedsCheck; }
  QPlainTextEdit* AssessPlanBox() const { return m_box; }
  CAutoTextCaption* AutoText() const { return m_autoText; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* UndoButton() const { return m_undo; }

  QString patient;
  int addMeds = 0;
  QString assessmentPlan;
  QString medsBlock;

 protected:
  void OnInitPage() override;

 private:
  QCheckBox* m_addMedsCheck = nullptr;
  CPictureButton* m_save = nullptr;
  CAutoTextCaption* m_autoText = nullptr;
  CPictureButton* m_undo = nullptr;
  QPlainTextEdit* m_box = nullptr;
};
