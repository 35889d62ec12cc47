#pragma once

#include <QString>

#include "notes/CNoteSheet.h"

class CHPAssessPlanPage;
class CHPHistoryPage;
class CHPROSPage;
class CHPVSTestsPage;
class CPEPage;
class IPageHost;

// "Add H&P": the history-and-physical note sheet, with the pages "History", "ROS", "PE",
// "VS/Tests" and "A/P". Its pages read the current patient through the chart's strip, host. SAVE
// (on "A/P") ends it with kSaveResult; the new-note command then stores the note composed by
// NoteText.
class CHPSheet : public CNoteSheet {
  Q_OBJECT

 public:
  static constexpr int kSaveResult = 5000;

  explicit CHPSheet(IPageHost& host, QWidget* parent = nullptr);

  // The note's full text: head, patient, MR number, then the history, the review of systems,
  // the vital signs, the examination, the lab results, the tests and the assessment and plan.
  // An empty section adds nothing, while the template's own line ends stay.
  QString NoteText(const QString& head, const QString& patient, const QString& mrNumber) const;

  CHPHistoryPage* HistoryPage() const { return m_history; }
  CHPROSPage* RosPage() const { return m_ros; }
  CPEPage* PePage() const { return m_pe; }
  CHPVSTestsPage* VsTestsPage() const { return m_vsTests; }
  CHPAssessPlanPage* AssessPlanPage() const { return m_assessPlan; }

 private:
  CHPHistoryPage* m_history;
  CHPROSPage* m_ros;
  CPEPage* m_pe;
  CHPVSTestsPage* m_vsTests;
  CHPAssessPlanPage* m_assessPlan;
};
