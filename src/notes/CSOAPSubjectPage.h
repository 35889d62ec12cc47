#pragma once

#include <QString>

#include "notes/CNoteSheetPage.h"

class CAutoTextCaption;
class CMarkedRecordList;
class CPictureButton;
class QPlainTextEdit;

// "Subject", the first page of the SOAP sheet: the subjective text, with auto text and the recall
// of the latest note's subjective section (UNDO), and the patient's tests, of which the marked
// ones go into the note.
class CSOAPSubjectPage : public CNoteSheetPage {
  Q_OBJECT

 public:
  // The auto-text list that the subjective box offers.
  static constexpr int kAutoTextList = 30;

  explicit CSOAPSubjectPage(QWidget* parent = nullptr);

  // Takes the box into subjective and rebuilds testsBlock from the marked tests.
  bool OnKillActive() override;
  // UNDO: the box gets the subjective section of the patient's latest note.
  void OnUndo();

  // The controls, made when the page is first shown (null before).
  QPlainTextEdit* SubjectiveBox() const { return m_box; }
  CMarkedRecordList* TestsList() const { return m_tests; }
  CAutoTextCaption* AutoText() const { return m_autoText; }
  CPictureButton* UndoButton() const { return m_undo; }

  QString patient;
  QString subjective;
  QString testsBlock;

 protected:
  void OnInitPage() override;

 private:
  QPlainTextEdit* m_box = nullptr;
  CAutoTextCaption* m_autoText = nullptr;
  CPictureButton* m_undo = nullptr;
  CMarkedRecordList* m_tests = nullptr;
};
