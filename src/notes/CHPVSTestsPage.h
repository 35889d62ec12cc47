#pragma once

#include <QString>

#include "notes/CHPPage.h"

class CMarkedRecordList;
class QComboBox;

// "VS/Tests" of the H&P sheet: a vital-signs entry to quote, and the patient's tests and lab
// results, of which the marked ones go into the note.
class CHPVSTestsPage : public CHPPage {
  Q_OBJECT

 public:
  CHPVSTestsPage(IPageHost& host, QWidget* parent = nullptr);

  // Rebuilds testsBlock and labsBlock from the marked records and takes the chosen vital-signs
  // entry's block (kept as it was while none is chosen).
  bool OnKillActive() override;

  // The controls, made when the page is first shown (null before).
  QComboBox* VitalsCombo() const { return m_vitals; }
  CMarkedRecordList* TestsList() const { return m_tests; }
  CMarkedRecordList* LabsList() const { return m_labs; }

  QString vitalsBlock;
  QString labsBlock;
  QString testsBlock;

 protected:
  void OnInitPage() override;

 private:
  QComboBox* m_vitals = nullptr;
  CMarkedRecordList* m_tests = nullptr;
  CMarkedRecordList* m_labs = nullptr;
};
