#include "notes/CSOAPSubjectPage.h"

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

CSOAPSubjectPage::CSOAPSubjectPage(QWidget* parent)
    : CNoteSheetPage(ids::kSoapPageSubject, parent) {}

void CSOAPSubjectPage::OnInitPage() {
  m_box = note_widgets::MakeTextBox(ids::kNameSubjective, this);
  m_autoText = new CAutoTextCaption(ids::kSubjectiveCaption, kAutoTextList, m_box, this);
  m_undo = note_widgets::MakeButton(ids::kPictureUndo, ids::kNameRecallLatest, this);
  m_tests = new CMarkedRecordList(ids::kColumnTest, ids::kNameTestsToInclude, this);
  m_tests->setObjectName(QStringLiteral("testsList"));

  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addWidget(m_autoText);
  layout->addWidget(m_box, 1);
  layout->addLayout(note_widgets::ButtonRow({m_undo, CancelButton()}));
  layout->addWidget(note_widgets::Caption(ids::kTestsCaption, m_tests, this));
  layout->addWidget(m_tests, 1);
  SetMainControl(m_tests);

  note_blocks::FillTests(*m_tests, patient);
  UseBoldTabFont();
  connect(m_undo, &QAbstractButton::clicked, this, &CSOAPSubjectPage::OnUndo);
}

bool CSOAPSubjectPage::OnKillActive() {
  subjective = note_widgets::BoxText(*m_box);
  testsBlock = note_blocks::TestsBlock(*m_tests);
  return true;
}

void CSOAPSubjectPage::OnUndo() {
  CDBNotes notes;
  note_widgets::SetBoxText(*m_box, notes.LatestSubjective(patient));
}
