#pragma once

#include <QString>

#include "notes/CNoteSheet.h"

class CPEPage;
class CSOAPAssessPlanPage;
class CSOAPObjectivePage;
class CSOAPSubjectPage;

// "Add SOAP": the SOAP note sheet, with the pages "Subject", "Objective", "PE" and "A/P". Its
// SAVE (on "A/P") ends it with kSaveResult; the new-note command then stores the note composed
// by NoteText.
class CAddNoteSheet : public CNoteSheet {
  Q_OBJECT

 public:
  static constexpr int kSaveResult = 1;

  explicit CAddNoteSheet(QWidget* parent = nullptr);

  // The patient whose records the pages offer and whose latest note UNDO recalls.
  void SetPatient(const QString& name);

  // The note's full text: head, patient, MR number, then the sections and blocks in the SOAP
  // order. An empty block adds nothing, while the template's own line ends stay.
  QString NoteText(const QString& head, const QString& patient, const QString& mrNumber) const;

  CSOAPSubjectPage* SubjectPage() const { return m_subject; }
  CSOAPObjectivePage* ObjectivePage() const { return m_objective; }
  CPEPage* PePage() const { return m_pe; }
  CSOAPAssessPlanPage* AssessPlanPage() const { return m_assessPlan; }

 private:
  CSOAPSubjectPage* m_subject;
  CSOAPObjectivePage* m_objective;
  CPEPage* m_pe;
  CSOAPAssessPlanPage* m_assessPlan;
};
