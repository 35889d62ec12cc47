#include "notes/CSOAPObjectivePage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CAutoTextCaption.h"
#include "notes/CMarkedRecordList.h"
#include "notes/NoteBlocks.h"
#include "notes/NoteWidgets.h"
#include "store/CDBNotes.h"

CSOAPObjectivePage::CSOAPObjectivePage(QWidget* parent)
    : CNoteSheetPage(ids::kSoapPageObjective, parent) {}

void CSOAPObjectivePage::OnInitPage() {
  m_vitals = new QComboBox(this);
  m_vitals->setObjectName(QStringLiteral("vitalsCombo"));
  m_vitals->setAccessibleName(strings::Load(ids::kNameVitalsToInclude));
  m_box = note_widgets::MakeTextBox(ids::kNameObjective, this);
  m_autoText = new CAutoTextCaption(ids::kObjectiveCaption, kAutoTextList, m_box, this);
  m_undo = note_widgets::MakeButton(ids::kPictureUndo, ids::kNameRecallLatest, this);
  m_labs = new CMarkedRecordList(ids::kColumnLab, ids::kNameLabsToInclude, this);
  m_labs->setObjectName(QStringLiteral("labsList"));

  auto* vitalsRow = new QHBoxLayout;
  vitalsRow->addWidget(note_widgets::Caption(ids::kVitalsCaption, m_vitals, this));
  vitalsRow->addWidget(m_vitals, 1);
  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(vitalsRow);
  layout->addWidget(m_autoText);
  layout->addWidget(m_box, 1);
  layout->addLayout(note_widgets::ButtonRow({m_undo, CancelButton()}));
  layout->addWidget(note_widgets::Caption(ids::kLabsCaption, m_labs, this));
  layout->addWidget(m_labs, 1);
  SetMainControl(m_labs);

  note_blocks::FillLabs(*m_labs, patient);
  note_blocks::FillVitals(*m_vitals, patient);
  connect(m_undo, &QAbstractButton::clicked, this, &CSOAPObjectivePage::OnUndo);
}

bool CSOAPObjectivePage::OnKillActive() {
  objective = note_widgets::BoxText(*m_box);
  labsBlock = note_blocks::LabsBlock(*m_labs);
  vitalsBlock = note_blocks::VitalsBlock(*m_vitals, vitalsBlock);
  return true;
}

void CSOAPObjectivePage::OnUndo() {
  CDBNotes notes;
  note_widgets::SetBoxText(*m_box, notes.LatestObjective(patient));
}
