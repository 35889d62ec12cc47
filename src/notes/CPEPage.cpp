#include "notes/CPEPage.h"

#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CNoteRowList.h"
#include "notes/NoteWidgets.h"

namespace {

// A system's row is labelled by the name of its auto-text list (General 2300 ...), and its pick
// list is the label id - 2240 (60 ...).
constexpr int kFirstLabel = ids::kListGeneral;
constexpr int kPickListOffset = 2240;

std::vector<CListItem> ExaminationRows() {
  std::vector<CListItem> rows;
  for (int label = kFirstLabel; label < kFirstLabel + CPEPage::kRowCount; ++label) {
    CListItem row(label, QString());
    row.kind = CListItem::kPickListMultiline;
    row.listId = label - kPickListOffset;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

CPEPage::CPEPage(int titleId, QWidget* parent) : CNoteSheetPage(titleId, parent) {}

void CPEPage::OnInitPage() {
  m_list = new CNoteRowList(ids::kColumnPe, this);
  m_list->setObjectName(QStringLiteral("peList"));
  m_list->setAccessibleName(strings::Load(ids::kNamePeRows));
  rows = ExaminationRows();
  m_list->UnpackList(rows);
  m_insPlus = MakeSignButton(ids::kPictureInsPlus, ids::kNameInsertPlus, ids::kInsertPlus, m_list);
  m_insMinus =
      MakeSignButton(ids::kPictureInsMinus, ids::kNameInsertMinus, ids::kInsertMinus, m_list);

  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(note_widgets::ButtonRow({m_insPlus, m_insMinus, CancelButton()}));
  layout->addWidget(m_list, 1);
  SetMainControl(m_list);
}

bool CPEPage::OnKillActive() {
  m_list->CloseEdit();
  m_list->PackList(rows);
  peText = m_list->PackNoteString();
  return true;
}
