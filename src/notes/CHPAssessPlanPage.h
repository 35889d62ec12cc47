#pragma once

#include <QString>

#include "notes/CHPPage.h"

class CAutoTextCaption;
class CPictureButton;
class QPlainTextEdit;

// "A/P", the last page of the H&P sheet: the assessment and plan (auto text, UNDO recalls the
// latest note's), and SAVE, which ends the sheet so that the note is stored.
class CHPAssessPlanPage : public CHPPage {
  Q_OBJECT

 public:
  // The auto-text list that the assessment-and-plan box offers.
  static constexpr int kAutoTextList = 32;

  CHPAssessPlanPage(IPageHost& host, QWidget* parent = nullptr);

  // SAVE: takes the box into assessmentPlan, then ends the sheet with the H&P save result.
  void OnSave();
  // UNDO: the box gets the assessment and plan of the patient's latest note.
  void OnUndo();

  // The controls, made when the page is first shown (null before).
  QPlainTextEdit* AssessPlanBox() const { return m_box; }
  CAutoTextCaption* AutoText() const { return m_autoText; }
  CPictureButton* UndoButton() const { return m_undo; }
  CPictureButton* SaveButton() const { return m_save; }

  QString assessmentPlan;

 protected:
  void OnInitPage() override;

 private:
  CPictureButton* m_undo = nullptr;
  CPictureButton* m_save = nullptr;
  CAutoTextCaption* m_autoText = nullptr;
  QPlainTextEdit* m_box = nullptr;
};
