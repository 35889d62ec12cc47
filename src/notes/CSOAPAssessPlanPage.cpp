#include "notes/CSOAPAssessPlanPage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CAddNoteSheet.h"
#include "notes/CAutoTextCaption.h"
#include "notes/NoteWidgets.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"

CSOAPAssessPlanPage::CSOAPAssessPlanPage(QWidget* parent)
    : CNoteSheetPage(ids::kSoapPageAssessPlan, parent) {}

void CSOAPAssessPlanPage::OnInitPage() {
  m_addMedsCheck = new QCheckBox(strings::Load(ids::kAddMedsToNote), this);
  m_addMedsCheck->setObjectName(QStringLiteral("addMedsCheck"));
  m_save = note_widgets::MakeButton(ids::kPictureSave, ids::kNameSaveNoteSheet, this);
  m_box = note_widgets::MakeTextBox(ids::kNameAssessPlan, this);
  m_autoText = new CAutoTextCaption(ids::kAssessPlanCaption, kAutoTextList, m_box, this);
  m_undo = note_widgets::MakeButton(ids::kPictureUndo, ids::kNameRecallLatest, this);

  auto* captionRow = new QHBoxLayout;
  captionRow->addWidget(m_autoText, 1);
  captionRow->addWidget(m_undo);
  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addWidget(m_addMedsCheck);
  layout->addLayout(note_widgets::ButtonRow({m_save, CancelButton()}));
  layout->addLayout(captionRow);
  layout->addWidget(m_box, 1);
  SetMainControl(m_box);

  connect(m_save, &QAbstractButton::clicked, this, &CSOAPAssessPlanPage::OnSave);
  connect(m_undo, &QAbstractButton::clicked, this, &CSOAPAssessPlanPage::OnUndo);
}

bool CSOAPAssessPlanPage::OnKillActive() {
  addMeds = m_addMedsCheck->isChecked() ? 1 : 0;
  assessmentPlan = note_widgets::BoxText(*m_box);
  // The block follows the check box each time: a box cleared again leaves the medications out.
  medsBlock = addMeds == 1 ? CDBMeds().FormatMedsSection(patient) : QString();
  return true;
}

void CSOAPAssessPlanPage::OnSave() {
  OnKillActive();
  if (Sheet() != nullptr) {
    Sheet()->EndSheet(CAddNoteSheet::kSaveResult);
  }
}

void CSOAPAssessPlanPage::OnUndo() {
  CDBNotes notes;
  note_widgets::SetBoxText(*m_box, notes.LatestAssessmentPlan(patient));
}
