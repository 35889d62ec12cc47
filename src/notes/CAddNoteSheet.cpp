#include "notes/CAddNoteSheet.h"

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "notes/CPEPage.h"
#include "notes/CSOAPAssessPlanPage.h"
#include "notes/CSOAPObjectivePage.h"
#include "notes/CSOAPSubjectPage.h"

CAddNoteSheet::CAddNoteSheet(QWidget* parent)
    : CNoteSheet(strings::Load(ids::kAddSoapTitle), parent),
      m_subject(new CSOAPSubjectPage(this)),
      m_objective(new CSOAPObjectivePage(this)),
      m_pe(new CPEPage(ids::kSoapPagePe, this)),
      m_assessPlan(new CSOAPAssessPlanPage(this)) {
  AddPage(m_subject);
  AddPage(m_objective);
  AddPage(m_pe);
  AddPage(m_assessPlan);
}

void CAddNoteSheet::SetPatient(const QString& name) {
  m_subject->patient = name;
  m_objective->patient = name;
  m_assessPlan->patient = name;
}

QString CAddNoteSheet::NoteText(const QString& head, const QString& patient,
                                const QString& mrNumber) const {
  return strings::FormatId(ids::kSoapNoteTemplate, head, patient, mrNumber, m_subject->subjective,
                           m_objective->vitalsBlock, m_objective->objective, m_pe->peText,
                           m_objective->labsBlock, m_subject->testsBlock, m_assessPlan->medsBlock,
                           m_assessPlan->assessmentPlan);
}
