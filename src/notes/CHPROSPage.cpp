#include "notes/CHPROSPage.h"

#include <QDialog>
#include <QVBoxLayout>

#include "chart/CEditAutoTextDlg.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/PickLists.h"
#include "notes/NoteWidgets.h"
#include "store/CDBLists.h"

namespace {

// The systems' list: "System" (column w/2) and "Response" (w/2 - 18), whole-row selection.
class SystemsList : public CBaseListCtrl {
 public:
  explicit SystemsList(QWidget* parent) : CBaseListCtrl(parent) {
    InsertColumn(kLabelColumn, strings::Load(ids::kColumnSystem), 0);
    InsertColumn(kValueColumn, strings::Load(ids::kColumnResponse), 0);
    SetExtendedStyle(kFullRowSelect);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    CBaseListCtrl::resizeEvent(event);
    const int half = width() / 2;
    SetColumnWidth(kLabelColumn, half);
    SetColumnWidth(kValueColumn, qMax(0, half - 18));
  }
};

QString ListKey() {
  return QString::number(ids::kListSystem);
}

// A system's row: the choices "--", "No" and "Yes", showing answer.
CListItem AnswerRow(const QString& answer) {
  CListItem row(0, answer);
  row.kind = CListItem::kChoices;
  for (int id = ids::kChoiceUnanswered; id <= ids::kChoiceYes; ++id) {
    row.AddChoice(strings::Load(id), id);
    if (strings::Load(id) == answer) {
      row.choiceId = id;
    }
  }
  return row;
}

}  // namespace

CHPROSPage::CHPROSPage(IPageHost& host, QWidget* parent) : CHPPage(ids::kHpPageRos, host, parent) {}

void CHPROSPage::OnInitPage() {
  m_list = new SystemsList(this);
  m_list->setObjectName(QStringLiteral("rosList"));
  m_list->setAccessibleName(strings::Load(ids::kNameRosRows));
  m_editList = note_widgets::MakeButton(ids::kPictureEditList, ids::kNameEditRosList, this);

  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(note_widgets::ButtonRow({m_editList, CancelButton()}));
  layout->addWidget(m_list, 1);
  SetMainControl(m_list);
  FillRows();
  connect(m_editList, &QAbstractButton::clicked, this, &CHPROSPage::OnEditList);
}

void CHPROSPage::FillRows() {
  CDBLists lists;
  if (!lists.FindByName(ListKey())) {
    return;
  }
  m_list->CloseEdit();
  rows.clear();
  // Every entry the editor shows is a system, the last one too when no line feed ends it.
  const QStringList systems = pick_lists::SplitContent(lists.content);
  for (const QString& system : systems) {
    rows.push_back(AnswerRow(AnswerShown(system)));
  }
  m_list->UnpackList(rows, systems);
}

QString CHPROSPage::AnswerShown(const QString& system) const {
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (m_list->GetItemText(row, CBaseListCtrl::kLabelColumn) == system) {
      return m_list->GetValue(row);
    }
  }
  return strings::Load(ids::kChoiceUnanswered);
}

void CHPROSPage::OnEditList() {
  CEditAutoTextDlg editor(ListKey(), window());
  if (editor.DoModal() == QDialog::Accepted) {
    FillRows();
  }
}

bool CHPROSPage::OnKillActive() {
  m_list->CloseEdit();
  m_list->setFocus();
  m_list->PackList(rows);
  const QString unanswered = strings::Load(ids::kChoiceUnanswered);
  rosText.clear();
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    const QString answer = m_list->GetValue(row);
    if (m_list->GetRowItem(row) != nullptr && answer != unanswered) {
      rosText += strings::FormatId(ids::kRosLine,
                                   m_list->GetItemText(row, CBaseListCtrl::kLabelColumn), answer);
    }
  }
  return true;
}
