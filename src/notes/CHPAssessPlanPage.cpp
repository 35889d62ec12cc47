#include "notes/CHPAssessPlanPage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CAutoTextCaption.h"
#include "notes/CHPSheet.h"
#include "notes/NoteWidgets.h"
#include "store/CDBNotes.h"

CHPAssessPlanPage::CHPAssessPlanPage(IPageHost& host, QWidget* parent)
    : CHPPage(ids::kHpPageAssessPlan, host, parent) {}

void CHPAssessPlanPage::OnInitPage() {
  m_undo = note_widgets::MakeButton(ids::kPictureUndo, ids::kNameRecallLatest, this);
  m_save = note_widgets::MakeButton(ids::kPictureSave, ids::kNameSaveNoteSheet, this);
  m_box = note_widgets::MakeTextBox(ids::kNameAssessPlan, this);
  m_autoText = new CAutoTextCaption(ids::kAssessPlanCaption, kAutoTextList, m_box, this);

  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(note_widgets::ButtonRow({m_undo, m_save, CancelButton()}));
  layout->addWidget(m_autoText);
  layout->addWidget(m_box, 1);
  SetMainControl(m_box);

  connect(m_save, &QAbstractButton::clicked, this, &CHPAssessPlanPage::OnSave);
  connect(m_undo, &QAbstractButton::clicked, this, &CHPAssessPlanPage::OnUndo);
}

void CHPAssessPlanPage::OnSave() {
  assessmentPlan = note_widgets::BoxText(*m_box);
  if (Sheet() != nullptr) {
    Sheet()->EndSheet(CHPSheet::kSaveResult);
  }
}

void CHPAssessPlanPage::OnUndo() {
  CDBNotes notes;
  note_widgets::SetBoxText(*m_box, notes.LatestAssessmentPlan(CurrentPatient()));
}
