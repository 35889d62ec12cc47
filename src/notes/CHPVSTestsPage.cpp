#include "notes/CHPVSTestsPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CMarkedRecordList.h"
#include "notes/NoteBlocks.h"
#include "notes/NoteWidgets.h"

CHPVSTestsPage::CHPVSTestsPage(IPageHost& host, QWidget* parent)
    : CHPPage(ids::kHpPageVsTests, host, parent) {}

void CHPVSTestsPage::OnInitPage() {
  m_vitals = new QComboBox(this);
  m_vitals->setObjectName(QStringLiteral("vitalsCombo"));
  m_vitals->setAccessibleName(strings::Load(ids::kNameVitalsToInclude));
  m_tests = new CMarkedRecordList(ids::kColumnTest, ids::kNameTestsToInclude, this);
  m_tests->setObjectName(QStringLiteral("testsList"));
  m_labs = new CMarkedRecordList(ids::kColumnLab, ids::kNameLabsToInclude, this);
  m_labs->setObjectName(QStringLiteral("labsList"));

  // CANCEL stands beside the vitals: the labs list, sized for the input panel, comes last.
  auto* vitalsRow = new QHBoxLayout;
  vitalsRow->addWidget(note_widgets::Caption(ids::kVitalsCaption, m_vitals, this));
  vitalsRow->addWidget(m_vitals, 1);
  vitalsRow->addWidget(CancelButton());
  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(vitalsRow);
  layout->addWidget(note_widgets::Caption(ids::kTestsCaption, m_tests, this));
  layout->addWidget(m_tests, 1);
  layout->addWidget(note_widgets::Caption(ids::kLabsCaption, m_labs, this));
  layout->addWidget(m_labs, 1);
  SetMainControl(m_labs);

  const QString patient = CurrentPatient();
  note_blocks::FillLabs(*m_labs, patient);
  note_blocks::FillVitals(*m_vitals, patient);
  note_blocks::FillTests(*m_tests, patient);
}

bool CHPVSTestsPage::OnKillActive() {
  testsBlock = note_blocks::TestsBlock(*m_tests);
  labsBlock = note_blocks::LabsBlock(*m_labs);
  vitalsBlock = note_blocks::VitalsBlock(*m_vitals, vitalsBlock);
  return true;
}
