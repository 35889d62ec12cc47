#pragma once

#include <QString>

#include "notes/CNoteSheetPage.h"

class CAutoTextCaption;
class CMarkedRecordList;
class CPictureButton;
class QComboBox;
class QPlainTextEdit;

// "Objective", the second page of the SOAP sheet: a vital-signs entry to quote, the objective
// text (auto text, UNDO recalls the latest note's objective section) and the patient's lab
// results, of which the marked ones go into the note.
class CSOAPObjectivePage : public CNoteSheetPage {
  Q_OBJECT

 public:
  // The auto-text list that the objective box offers.
  static constexpr int kAutoTextList = 31;

  explicit CSOAPObjectivePage(QWidget* parent = nullptr);

  // Takes the box into objective, rebuilds labsBlock from the marked results and takes the
  // chosen vital-signs entry's block (kept as it was while none is chosen).
  bool OnKillActive() override;
  // UNDO: the box gets the objective section of the patient's latest note.
  void OnUndo();

  // The controls, made when the page is first shown (null before).
  QComboBox* VitalsCombo() const { return m_vitals; }
  QPlainTextEdit* ObjectiveBox() const { return m_box; }
  CAutoTextCaption* AutoText() const { return m_autoText; }
  CPictureButton* UndoButton() const { return m_undo; }
  CMarkedRecordList* LabsList() const { return m_labs; }

  QString patient;
  QString objective;
  QString vitalsBlock;
  QString labsBlock;

 protected:
  void OnInitPage() override;

 private:
  QComboBox* m_vitals = nullptr;
  QPlainTextEdit* m_box = nullptr;
  CAutoTextCaption* m_autoText = nullptr;
  CPictureButton* m_undo = nullptr;
  CMarkedRecordList* m_labs = nullptr;
};
