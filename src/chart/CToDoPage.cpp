#include "chart/CToDoPage.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <optional>

#include "chart/CDeleteToDoDlg.h"
#include "chart/CToDoDlg.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"

namespace {

constexpr int kMargin = 2;
// The list reaches this far above the bottom of the page.
constexpr int kBottomGap = 7;
// The priority column is at least this wide, and wide enough for its check box, icon and digit.
constexpr int kPriorityWidth = 45;
// Between the text column's end and the list's scroll bar.
constexpr int kTextColumnGap = 2;

constexpr int kIconNoNote = 0;
constexpr int kIconNote = 1;

QIcon TodoIcon(const char* file) {
  return QIcon(QStringLiteral(":/pictures/") + QLatin1String(file));
}

CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent) {
  auto* button = new CPictureButton(strings::Load(captionId), parent);
  button->setAccessibleName(strings::Load(nameId));
  // Reached with Tab; a tap does not take the focus from an open editor.
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

bool AskYesNo(int questionId, const QString& verb) {
  return messages::Show(strings::FormatId(questionId, verb), strings::Load(ids::kAppName),
                        messages::Buttons::YesNo,
                        messages::Icon::Question) == messages::Answer::Yes;
}

void Tell(int textId) {
  messages::Show(strings::Load(textId), strings::Load(ids::kAppName), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
}

}  // namespace

CToDoPage::CToDoPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_editNote(MakeButton(ids::kPictureEditNote, ids::kTodoEditNoteName, this)),
      m_newTodo(MakeButton(ids::kPictureNewTodo, ids::kTodoNewItemName, this)),
      m_delete(MakeButton(ids::kPictureDelete, ids::kButtonDelete, this)),
      m_status(new QLabel(strings::Load(ids::kAccessStateNone), this)),
      m_list(new CBaseListCtrl(this)),
      m_layout(new QVBoxLayout(this)) {
  m_recordType = CDBToDo::kRecordType;
  m_status->setObjectName(QStringLiteral("accessState"));
  m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_status->setAccessibleName(strings::Load(ids::kTodoAccessStateName));
  m_list->setObjectName(QStringLiteral("todoList"));
  m_list->setAccessibleName(strings::Load(ids::kTodoListName));

  m_list->SetExtendedStyle(CBaseListCtrl::kCheckBoxes | CBaseListCtrl::kFullRowSelect |
                           CBaseListCtrl::kHeaderDragDrop | CBaseListCtrl::kNoColumnHeader);
  // The headings are not shown; a screen reader tells them with each cell.
  m_list->InsertColumn(kPriorityColumn, strings::Load(ids::kTodoPriorityName), kPriorityWidth);
  m_list->InsertColumn(kTextColumn, strings::Load(ids::kTodoItemTextName), kPriorityWidth);
  m_list->SetChoiceColumn(kPriorityColumn);
  m_list->SetImageList({TodoIcon("todo_nonote.svg"), TodoIcon("todo_note.svg")});

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(2);
  buttons->addWidget(m_editNote);
  buttons->addWidget(m_newTodo);
  buttons->addWidget(m_delete);
  buttons->addStretch(1);
  buttons->addWidget(m_status);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, kBottomGap);
  m_layout->setSpacing(kMargin);
  m_layout->addLayout(buttons);
  m_layout->addWidget(m_list, 1);

  connect(m_editNote, &QAbstractButton::clicked, this, &CToDoPage::OnEditNote);
  connect(m_newTodo, &QAbstractButton::clicked, this, &CToDoPage::OnNewTodo);
  connect(m_delete, &QAbstractButton::clicked, this, &CToDoPage::OnDelete);
  connect(m_list, &CBaseListCtrl::checkChanged, this, &CToDoPage::OnCheckChanged);
  connect(m_list, &CBaseListCtrl::currentRowChanged, this, &CToDoPage::OnCurrentRowChanged);
  connect(m_list, &CBaseListCtrl::rowActivated, this, &CToDoPage::OnRowActivated);
  connect(m_list, &CBaseListCtrl::editEnded, this, &CToDoPage::OnEditEnded);
  connect(m_list, &CBaseListCtrl::choicePicked, this, &CToDoPage::OnChoicePicked);

  m_newTodo->setEnabled(false);
  UpdateButtons();
}

// ---------------------------------------------------------------- page slots

bool CToDoPage::OnSetActive() {
  m_list->CloseEdit();
  const uint32_t remembered = m_recordId;
  const QString patient = CurrentPatient();
  // Rows still in the list are written back first: a reload while the page is shown (a refresh
  // after a synchronisation or a beam) must not lose them.
  SaveRows();
  if (patient.isEmpty()) {
    // Nobody's items are shown without a patient: the rows of a patient who is gone must neither
    // stay on the screen nor be saved under another name.
    m_list->DeleteAllItems();
    m_listPatient.clear();
    ++m_loads;
    m_newTodo->setEnabled(false);
    m_recordId = 0;
    UpdateButtons();
    return true;
  }
  m_newTodo->setEnabled(true);
  CPatientTabPage::OnSetActive();
  LoadRows(patient);
  if (!SelectItem(remembered)) {
    m_recordId = 0;
  }
  UpdateButtons();
  return true;
}

bool CToDoPage::OnKillActive() {
  CPatientTabPage::OnKillActive();
  m_list->CloseEdit();
  setFocus();
  SaveRows();
  return true;
}

void CToDoPage::UpdateSize() {
  // Laid out at once, so that the list's bottom follows the page's new size.
  m_layout->setGeometry(rect());
  FitColumns();
}

void CToDoPage::resizeEvent(QResizeEvent* event) {
  CPatientTabPage::resizeEvent(event);
  FitColumns();
}

int CToDoPage::PriorityColumnWidth() const {
  // The check box, the note icon and the digit share the column, each with the cell's margins;
  // the desktop's style draws them larger than the hand-held did.
  const QStyle* style = m_list->style();
  const int margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
  const int icon = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_list);
  const int check = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, m_list);
  const int digit = m_list->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  return qMax(kPriorityWidth, check + icon + digit + 3 * margin);
}

void CToDoPage::FitColumns() {
  const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
  const int priority = PriorityColumnWidth();
  m_list->SetColumnWidth(kPriorityColumn, priority);
  m_list->SetColumnWidth(
      kTextColumn, qMax(kPriorityWidth, m_list->width() - scrollBar - priority - kTextColumnGap));
}

bool CToDoPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  m_list->CloseEdit();
  SaveRows();
  const CListItem* item = m_list->GetRowItem(m_list->GetSelectedRow());
  if (item == nullptr || item->recordId == 0) {
    type = 0;
    recordId = 0;
    return false;
  }
  m_recordId = item->recordId;
  type = CDBToDo::kRecordType;
  recordId = item->recordId;
  return true;
}

// ---------------------------------------------------------------- the rows and the store

void CToDoPage::SaveRows() {
  if (m_listPatient.isEmpty() || m_list->GetItemCount() == 0) {
    return;
  }
  m_store.SaveList(m_listPatient, *m_list);
  // The store leaves a row that it could not write as it was (new or changed), so that the next
  // save tries it again; the user learns that it is not stored yet.
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    const CListItem* item = m_list->GetRowItem(row);
    if (item == nullptr || item->recordId == 0 || item->changed) {
      Tell(ids::kTodoNotStored);
      return;
    }
  }
}

void CToDoPage::LoadRows(const QString& patient) {
  m_store.ConvertLegacyTodo(patient);
  m_store.FillList(patient, *m_list);
  m_listPatient = patient;
  ++m_loads;
  SortRows();
}

void CToDoPage::SortRows() {
  // By the priority choice's string id: priority 0 first (the converted items), then 1 to 5;
  // items of one priority keep the store's order.
  m_list->SortRows([this](int rowA, int rowB) {
    const CListItem* a = m_list->GetRowItem(rowA);
    const CListItem* b = m_list->GetRowItem(rowB);
    return (a != nullptr ? a->choiceId : 0) < (b != nullptr ? b->choiceId : 0);
  });
}

bool CToDoPage::SelectItem(uint32_t recordId) {
  if (recordId == 0) {
    return false;
  }
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    const CListItem* item = m_list->GetRowItem(row);
    if (item != nullptr && item->recordId == recordId) {
      m_list->SelectRow(row);
      m_list->EnsureVisible(row);
      return true;
    }
  }
  return false;
}

bool CToDoPage::IsReadOnly(int row) const {
  const CListItem* item = m_list->GetRowItem(row);
  return item != nullptr && item->accessState == 1;
}

// ---------------------------------------------------------------- buttons

int CToDoPage::UpdateButtons() {
  const int focused = m_list->indexOfTopLevelItem(m_list->currentItem());
  const CListItem* focusedItem = m_list->GetRowItem(focused);
  const int state = focusedItem != nullptr ? qBound(0, int{focusedItem->accessState}, 2) : 0;
  m_status->setText(strings::Load(ids::kAccessStateFirst + state));

  const int selected = m_list->GetSelectedRow();
  bool deleteEnabled = false;
  bool noteEnabled = false;
  int count = 0;
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    const CListItem* item = m_list->GetRowItem(row);
    const bool readOnly = IsReadOnly(row);
    if (m_list->GetCheck(row) && !readOnly) {
      deleteEnabled = true;
      ++count;
    }
    if (row == selected && item != nullptr) {
      m_recordId = item->recordId;
      noteEnabled = !readOnly || !item->note.isEmpty();
      deleteEnabled = deleteEnabled || !readOnly;
    }
  }
  m_delete->setEnabled(deleteEnabled);
  m_editNote->setEnabled(noteEnabled);
  return count;
}

void CToDoPage::OnNewTodo() {
  const int row = m_list->InsertItem(m_list->GetItemCount(), strings::Load(ids::kTodoPriority1));
  m_list->SetItemText(row, kTextColumn, QString());
  m_list->SetItemImage(row, kIconNoNote);
  std::unique_ptr<CListItem> item = CDBToDo::MakeRowItem(1);
  item->changed = true;
  m_list->SetRowItem(row, std::move(item));
  UpdateButtons();
  // The new item is empty: its text is typed at once.
  m_list->EditRow(row, kTextColumn);
}

void CToDoPage::OnEditNote() {
  const int row = m_list->GetSelectedRow();
  if (row >= 0) {
    OpenNote(row);
  }
}

void CToDoPage::OpenNote(int row) {
  CListItem* item = m_list->GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  m_list->CloseEdit();
  CToDoDlg dialog(this);
  dialog.itemText = m_list->GetItemText(row, kTextColumn);
  dialog.note = item->note;
  dialog.readOnly = item->accessState == 1;
  const uint64_t loadsBefore = m_loads;
  std::optional<input_panel::RaisedScope> raised;
  if (!dialog.readOnly) {
    raised.emplace();
  }
  if (dialog.DoModal() != QDialog::Accepted || dialog.readOnly) {
    return;
  }
  // A reload while the dialog was up (a refresh after a synchronisation) replaced the rows: the
  // item edited is not the one in the list any more.
  if (m_loads != loadsBefore || row >= m_list->GetItemCount() || m_list->GetRowItem(row) != item) {
    Tell(ids::kNoteEditLostToSync);
  } else {
    item->note = dialog.note;
    item->changed = true;
    m_list->SetItemImage(row, item->note.isEmpty() ? kIconNoNote : kIconNote);
  }
  UpdateButtons();
}

void CToDoPage::OnDelete() {
  const int scope = ChooseDeleteScope(ids::kVerbDelete);
  if (scope == kScopeAllChecked) {
    // Only items made on the device go: those from the desktop stay, even when writable.
    for (int row = m_list->GetItemCount() - 1; row >= 0; --row) {
      const CListItem* item = m_list->GetRowItem(row);
      if (m_list->GetCheck(row) && item != nullptr && item->accessState == 0) {
        DeleteRow(row);
      }
    }
  } else if (scope == kScopeCurrentOnly) {
    DeleteRow(m_list->GetSelectedRow());
  }
  UpdateButtons();
}

int CToDoPage::ChooseDeleteScope(int verbId) {
  const QString verb = strings::Load(verbId);
  const int selected = m_list->GetSelectedRow();
  const bool selectedDeletable = m_list->GetRowItem(selected) != nullptr && !IsReadOnly(selected);
  const int checkedCount = UpdateButtons();
  if (selectedDeletable && checkedCount > 0) {
    CDeleteToDoDlg dialog(verbId, this);
    return dialog.DoModal();
  }
  if (selectedDeletable) {
    return AskYesNo(ids::kAskDeleteSelectedTodo, verb) ? kScopeCurrentOnly : kScopeNothing;
  }
  if (checkedCount > 0) {
    return AskYesNo(ids::kAskDeleteCheckedTodos, verb) ? kScopeAllChecked : kScopeNothing;
  }
  return kScopeNothing;
}

void CToDoPage::DeleteRow(int row) {
  const CListItem* item = m_list->GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  const uint32_t id = item->recordId;
  // An item that is already gone from the store (deleted elsewhere) simply leaves the list; one
  // that the store could not delete stays, so that the list shows what is stored.
  if (id != 0 && !m_store.RemoveByCEOID(id) && m_store.ReadByCEOID(id)) {
    Tell(ids::kTodoNotDeleted);
    return;
  }
  m_list->DeleteItem(row);
}

// ---------------------------------------------------------------- list notifications

void CToDoPage::OnCheckChanged(int row, bool checked) {
  // The done mark of a read-only item is the desktop's: the box goes back as it was.
  if (IsReadOnly(row)) {
    m_list->SetCheck(row, !checked);
  }
  UpdateButtons();
}

void CToDoPage::OnCurrentRowChanged(int /*row*/) {
  UpdateButtons();
}

void CToDoPage::OnRowActivated(int row) {
  const CListItem* item = m_list->GetRowItem(row);
  if (item == nullptr || (item->accessState != 0 && item->note.isEmpty())) {
    return;
  }
  OpenNote(row);
}

void CToDoPage::OnEditEnded(const CBaseListCtrl::EditEnd& end) {
  CListItem* item = m_list->GetRowItem(end.row);
  if (end.column == kTextColumn && !end.cancelled && item != nullptr) {
    item->changed = true;
  }
}

void CToDoPage::OnChoicePicked(CBaseListCtrl::ChoicePick& pick) {
  CListItem* item = m_list->GetRowItem(pick.row);
  if (pick.column != kPriorityColumn || item == nullptr) {
    return;
  }
  m_list->SetItemText(pick.row, kPriorityColumn, pick.text);
  item->changed = true;
  item->choiceId = ids::kTodoPriorityAll + static_cast<int32_t>(CDBToDo::ParsePriority(pick.text));
  m_recordId = item->recordId;
  SortRows();
  m_list->EnsureVisible(m_list->GetSelectedRow());
  pick.handled = true;
}
