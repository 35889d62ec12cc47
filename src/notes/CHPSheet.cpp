#include "notes/CHPSheet.h"

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "notes/CHPAssessPlanPage.h"
#include "notes/CHPHistoryPage.h"
#include "notes/CHPROSPage.h"
#include "notes/CHPVSTestsPage.h"
#include "notes/CPEPage.h"

CHPSheet::CHPSheet(IPageHost& host, QWidget* parent)
    : CNoteSheet(strings::Load(ids::kAddHpTitle), parent),
      m_history(new CHPHistoryPage(host, this)),
      m_ros(new CHPROSPage(host, this)),
      m_pe(new CPEPage(ids::kHpPagePe, this)),
      m_vsTests(new CHPVSTestsPage(host, this)),
      m_assessPlan(new CHPAssessPlanPage(host, this)) {
  AddPage(m_history);
  AddPage(m_ros);
  AddPage(m_pe);
  AddPage(m_vsTests);
  AddPage(m_assessPlan);
}

QString CHPSheet::NoteText(const QString& head, const QString& patient,
                           const QString& mrNumber) const {
  return strings::FormatId(ids::kHpNoteTemplate, head, patient, mrNumber, m_history->historyText,
                           m_ros->rosText, m_vsTests->vitalsBlock, m_pe->peText,
                           m_vsTests->labsBlock, m_vsTests->testsBlock,
                           m_assessPlan->assessmentPlan);
}
