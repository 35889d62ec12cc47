#include "chart/CEditAutoTextDlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "chart/MedsControls.h"
#include "common/CListItem.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CAutoListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "common/ui/WindowRoom.h"
#include "store/CDBLists.h"

namespace {

constexpr int kMargin = 4;

}  // namespace

CEditAutoTextDlg::CEditAutoTextDlg(const QString& name, QWidget* parent)
    : QDialog(parent),
      listName(name),
      m_list(new CAutoListCtrl(this)),
      m_save(meds_controls::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_cancel(meds_controls::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_insert(meds_controls::MakeButton(ids::kPictureInsertAuto, ids::kInsertName, this)),
      m_delete(meds_controls::MakeButton(ids::kPictureDeleteAuto, ids::kRemoveName, this)) {
  setWindowTitle(strings::Load(ids::kEditAutoTextTitle));
  auto* help = new QLabel(strings::Load(ids::kEditAutoTextHelp), this);
  help->setWordWrap(true);
  help->setBuddy(m_list);
  m_list->setObjectName(QStringLiteral("phrases"));
  m_list->setAccessibleName(strings::Load(ids::kPhrasesName));
  m_list->SetExtendedStyle(CAutoListCtrl::kFullRowSelect);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(4);
  for (QWidget* button : {m_save, m_cancel, m_insert, m_delete}) {
    buttons->addWidget(button, 0, Qt::AlignHCenter);
  }
  buttons->addStretch(1);
  auto* body = new QHBoxLayout;
  body->setSpacing(4);
  body->addWidget(m_list, 1);
  body->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(4);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(help);
  layout->addLayout(body, 1);

  Load();
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  FitToInputPanel();

  connect(m_save, &QAbstractButton::clicked, this, &CEditAutoTextDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CEditAutoTextDlg::OnCancel);
  connect(m_insert, &QAbstractButton::clicked, this, &CEditAutoTextDlg::OnInsert);
  connect(m_delete, &QAbstractButton::clicked, this, &CEditAutoTextDlg::OnDelete);
}

void CEditAutoTextDlg::Load() {
  CDBLists lists;
  if (lists.FindByName(listName)) {
    listRecordId = lists.recordId;
    m_list->UnpackSingleString(lists.content);
  }
  m_delete->setEnabled(m_list->GetItemCount() > 0);
}

int CEditAutoTextDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

void CEditAutoTextDlg::OnInsert() {
  m_list->CloseEdit();
  const int selected = m_list->GetSelectedRow();
  const int row = selected >= 0 ? selected + 1 : 0;
  m_list->InsertItem(row, QString());
  // The row item makes the new phrase editable in place.
  m_list->SetRowItem(row, std::make_unique<CListItem>());
  m_delete->setEnabled(true);
  m_list->setFocus();
  m_list->EditRow(row);
}

void CEditAutoTextDlg::OnDelete() {
  const int row = m_list->GetSelectedRow();
  if (row < 0) {
    return;
  }
  m_list->DeleteItem(row);
  const int count = m_list->GetItemCount();
  if (count == 0) {
    m_delete->setEnabled(false);
  } else {
    // The row that took the removed one's place, or the new last row.
    m_list->SelectRow(std::min(row, count - 1));
  }
  m_list->setFocus();
}

void CEditAutoTextDlg::OnSave() {
  m_list->CloseEdit();
  const QString text = m_list->PackSingleString();
  CDBLists lists;
  bool stored = false;
  if (listRecordId != 0) {
    stored = lists.UpdateValues(listRecordId, text);
  } else {
    lists.patient = listName;
    lists.content = text;
    stored = lists.AddNew();
    if (stored) {
      listRecordId = lists.recordId;
    }
  }
  if (!stored) {
    // The dialog stays, with the phrases as they were typed, so that nothing is reported as
    // stored that was not.
    messages::Show(strings::Load(ids::kAutoTextNotSaved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  accept();
}

void CEditAutoTextDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}

bool CEditAutoTextDlg::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    FitToInputPanel();
    return true;
  }
  return QDialog::event(event);
}

void CEditAutoTextDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitToInputPanel();
}

void CEditAutoTextDlg::FitToInputPanel() {
  const std::optional<int> bottom = meds_controls::ListBottomMargin(*this);
  if (!bottom || layout() == nullptr) {
    return;
  }
  layout()->setContentsMargins(kMargin, kMargin, kMargin, *bottom);
  // Laid out at once, not at the next show: the panel may move while the dialog is up.
  layout()->setGeometry(rect());
}
