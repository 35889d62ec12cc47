// The in-place editing of the editable list: which editor a row gets, what a pick means, and how
// an edit ends.
#include <QComboBox>
#include <QScopedValueRollback>
#include <QTimer>

#include "common/CDBCategories.h"
#include "common/DateChoices.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/PickLists.h"
#include "common/ui/UiSeams.h"

using list_editors::CellEditor;

namespace {

bool IsEditEntry(const CListItem::Choice& choice) {
  return choice.id == static_cast<int32_t>(CDBCategories::kEditEntryData) ||
         (choice.id == -1 && choice.text == strings::Load(ids::kEditCategoriesEntry));
}

// The category list a row's picks come from: its own, or the allergies list for the allergies
// row; -1 when none.
int CategoryListOf(const CListItem& item) {
  if (item.listId >= 0) {
    return item.listId;
  }
  return item.kind == CListItem::kAllergies ? int{CDBCategories::kAllergiesList} : -1;
}

}  // namespace

// ---------------------------------------------------------------- editing

void CBaseListCtrl::SetReadOnly(bool readOnly) {
  if (readOnly) {
    CloseEdit();
  }
  m_readOnly = readOnly;
}

void CBaseListCtrl::CloseEdit() {
  FinishEdit(true);
}

void CBaseListCtrl::CancelEdit() {
  FinishEdit(false);
}

bool CBaseListCtrl::IsEditing() const {
  return m_editor != nullptr && m_editor->Widget() != nullptr;
}

QWidget* CBaseListCtrl::Editor() const {
  return m_editor != nullptr ? m_editor->Widget() : nullptr;
}

bool CBaseListCtrl::IsDatePickerOpen() const {
  return IsEditing() && m_editor->GetKind() == CellEditor::Kind::kDatePicker;
}

bool CBaseListCtrl::CanEdit(int row, int column) const {
  if (m_readOnly || row < 0 || row >= GetItemCount() || column < 0 || column >= columnCount()) {
    return false;
  }
  const CListItem* item = GetRowItem(row);
  if (item == nullptr) {
    return false;  // a plain report row: nothing to edit
  }
  if (m_choiceColumn >= 0) {
    // The todo form: read-only items (kind 0, or from the desktop read-only) stay as they are.
    if (item->kind == CListItem::kText || item->accessState == 1) {
      return false;
    }
    if (column == m_choiceColumn) {
      return !item->choices.empty();
    }
    return true;
  }
  return item->accessState != 1;
}

bool CBaseListCtrl::EditRow(int row, int column) {
  if (m_choiceColumn < 0) {
    // One column: the row's text is its value (the phrase lists).
    column = columnCount() == 1 ? 0 : kValueColumn;
  }
  if (!CanEdit(row, column)) {
    return false;
  }
  if (IsEditing()) {
    if (m_editRow == row && m_editColumn == column) {
      return true;
    }
    CloseEdit();
    if (row >= GetItemCount()) {
      return false;  // a receiver of the closing notifications removed the row
    }
  }
  SelectRow(row);
  OpenEditor(MakeEditor(row, column), row, column);
  return true;
}

CellEditor* CBaseListCtrl::MakeEditor(int row, int column) {
  CListItem* item = GetRowItem(row);
  const QString text = GetItemText(row, column);
  QWidget* host = EditorHost();
  const bool valueColumn = column == kValueColumn;
  if (m_choiceColumn >= 0) {
    if (column == m_choiceColumn) {
      return new list_editors::ChoiceEditor(host, item, text);
    }
    return new list_editors::TextEditor(host, text, valueColumn ? item->limit : 0);
  }
  switch (item->kind) {
    case CListItem::kChoices:
      return new list_editors::ChoiceEditor(host, item, text);
    case CListItem::kPickList:
      LoadCategoryChoices(*item);
      return new list_editors::PickListEditor(host, item, text);
    case CListItem::kPickListMultiline:
    case CListItem::kAllergies:
      LoadCategoryChoices(*item);
      return new list_editors::MultiLineEditor(host, item, text);
    case CListItem::kDate:
      return new list_editors::DateChoicesEditor(host, text);
    default:
      return new list_editors::TextEditor(host, text, valueColumn ? item->limit : 0);
  }
}

void CBaseListCtrl::OpenEditor(CellEditor* editor, int row, int column) {
  m_editor = editor;
  m_editRow = row;
  m_editColumn = column;
  connect(editor, &CellEditor::commitRequested, this, &CBaseListCtrl::CloseEdit);
  connect(editor, &CellEditor::cancelRequested, this, &CBaseListCtrl::CancelEdit);
  if (editor->GetKind() == CellEditor::Kind::kDateChoices) {
    connect(editor, &CellEditor::picked, this,
            [this, row](int index) { OnDateChoicePicked(row, index); });
  } else {
    connect(editor, &CellEditor::picked, this,
            [this, row, column](int index) { OnChoicePicked(row, column, index); });
  }
  // A list of labelled rows names the editor by the row's label, any other by the column.
  const bool labelledRows = m_choiceColumn < 0 && column == kValueColumn;
  editor->SetAccessibleName(labelledRows ? GetItemText(row, kLabelColumn)
                                         : headerItem()->text(column));
  PlaceEditor(editor->Widget(), row, column, editor->Height());
  if (editor->IsDropDown()) {
    ui_seams::OpenDropDown(*editor->Picks());
  }
}

QWidget* CBaseListCtrl::EditorHost() const {
  // The editor stands beside the list, over its cell, rather than inside the list's viewport:
  // the list's accessible tree holds only rows and cells, so an editor inside it would be out
  // of reach of screen readers and UI robots walking the window.
  return parentWidget() != nullptr ? parentWidget() : viewport();
}

void CBaseListCtrl::PlaceEditor(QWidget* editor, int row, int column, int height) {
  const QRect cell = visualRect(indexFromItem(At(row), column));
  if (height > cell.height()) {
    // A taller editor grows its own row instead of covering the rows below it: a tap on any
    // other row then lands on that row, never in this editor.
    SetRowHeight(row, height);
  }
  PositionEditor();
  editor->show();
  editor->raise();
  // Tab leaves the editor for what follows the list, as it would from the list itself.
  QWidget::setTabOrder(this, editor);
  editor->setFocus();
}

void CBaseListCtrl::PositionEditor() {
  QWidget* editor = Editor();
  if (editor == nullptr || m_editRow < 0) {
    return;
  }
  QRect cell = visualRect(indexFromItem(At(m_editRow), m_editColumn));
  if (cell.width() < 40) {
    cell.setWidth(40);
  }
  // A cell scrolled out of the list takes its editor along out of sight.
  const bool inView = viewport()->rect().intersects(cell);
  cell.moveTopLeft(viewport()->mapTo(editor->parentWidget(), cell.topLeft()));
  editor->setGeometry(cell);
  if (editor->isVisible() != inView && editor->parentWidget()->isVisible()) {
    editor->setVisible(inView);
  }
}

void CBaseListCtrl::SetRowHeight(int row, int height) {
  QTreeWidgetItem* item = At(row);
  if (item == nullptr) {
    return;
  }
  for (int column = 0; column < columnCount(); ++column) {
    item->setData(column, Qt::SizeHintRole, height > 0 ? QVariant(QSize(0, height)) : QVariant());
  }
  doItemsLayout();
  if (height > 0) {
    scrollToItem(item);
  }
}

void CBaseListCtrl::LoadCategoryChoices(CListItem& item) {
  const int listId = CategoryListOf(item);
  if (listId < 0) {
    return;
  }
  item.RemoveAllChoices();
  for (const QString& entry : pick_lists::Entries(listId)) {
    item.AddChoice(entry);
  }
  item.AddChoice(strings::Load(ids::kEditCategoriesEntry),
                 static_cast<int32_t>(CDBCategories::kEditEntryData));
}

bool CBaseListCtrl::PickInEditor(int index) {
  QComboBox* combo = IsEditing() ? m_editor->Picks() : nullptr;
  if (combo == nullptr || index < 0 || index >= combo->count()) {
    return false;
  }
  combo->setCurrentIndex(index);
  emit combo->activated(index);
  return true;
}

void CBaseListCtrl::OnDateChoicePicked(int row, int index) {
  if (m_editor == nullptr || row >= GetItemCount()) {
    return;
  }
  ChoicePick pick;
  pick.row = row;
  pick.column = kValueColumn;
  pick.choiceId = list_editors::DateChoicesEditor::ChoiceId(index);
  pick.text = strings::Load(pick.choiceId);
  DropEditor();
  const bool noDate = pick.choiceId == ids::kNoDate;
  if (noDate) {
    if (CListItem* item = GetRowItem(row)) {
      item->ClearDate();
      item->changed = true;
    }
    SetItemText(row, kValueColumn, QString());
  }
  emit choicePicked(pick);
  if (!pick.handled && date_choices::IsDecade(pick.choiceId) && !IsDatePickerOpen() &&
      row < GetItemCount()) {
    ShowInPlaceDatePicker(row, kValueColumn, date_choices::DecadeStart(pick.choiceId), 0);
  }
  if (noDate) {
    emit valueChanged(row, kValueColumn);
  }
}

void CBaseListCtrl::OnChoicePicked(int row, int column, int index) {
  CListItem* item = m_editor != nullptr && row < GetItemCount() ? GetRowItem(row) : nullptr;
  if (item == nullptr || index < 0 || index >= static_cast<int>(item->choices.size())) {
    return;
  }
  const CListItem::Choice choice = item->choices[static_cast<size_t>(index)];
  const bool editEntry = IsEditEntry(choice);
  ChoicePick pick;
  pick.row = row;
  pick.column = column;
  pick.choiceId = choice.id;
  pick.text = choice.text;

  bool placed = false;
  if (auto* multi = qobject_cast<list_editors::MultiLineEditor*>(m_editor)) {
    // A pick adds to what the row holds; the editor stays open.
    if (editEntry) {
      multi->Picks()->setCurrentIndex(-1);
    } else {
      multi->InsertPick(choice.text);
    }
  } else {
    DropEditor();
    if (!editEntry) {
      SetItemText(row, column, choice.text);
      item->choiceId = choice.id;
      item->changed = true;
      placed = true;
    }
  }

  emit choicePicked(pick);
  if (!pick.handled && editEntry && row < GetItemCount()) {
    EditCategories(row);
  }
  if (placed) {
    emit valueChanged(row, column);
  }
}

void CBaseListCtrl::EditCategories(int row) {
  CListItem* item = GetRowItem(row);
  const int listId = item != nullptr ? CategoryListOf(*item) : -1;
  if (listId < 0) {
    return;
  }
  CEditCategoriesDlg editor(listId, window());
  editor.DoModal();
  item = GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  if (item->kind == CListItem::kChoices) {
    CDBCategories categories;
    categories.GetListItems(listId, *item);
  } else {
    LoadCategoryChoices(*item);
  }
  // An open multi-line editor offers the edited list at once.
  auto* multi = qobject_cast<list_editors::MultiLineEditor*>(m_editor);
  if (multi != nullptr && IsEditing() && m_editRow == row) {
    multi->SetPicks(item->choices);
  }
}

bool CBaseListCtrl::InsertInEditor(const QString& text) {
  return IsEditing() && m_editor->InsertText(text);
}

void CBaseListCtrl::ShowInPlaceDatePicker(int row, int column, const SYSTEMTIME& start,
                                          int /*flags*/) {
  if (m_readOnly || row < 0 || row >= GetItemCount()) {
    return;
  }
  if (IsDatePickerOpen() && m_editRow == row && m_editColumn == column) {
    static_cast<list_editors::DatePickerEditor*>(m_editor)->Restart(start);
    return;
  }
  // The date choices that led here give way without a notification; any other edit ends.
  if (m_editor != nullptr && m_editor->GetKind() == CellEditor::Kind::kDateChoices &&
      m_editRow == row) {
    DropEditor();
  } else {
    CloseEdit();
  }
  OpenEditor(new list_editors::DatePickerEditor(EditorHost(), GetItemText(row, column), start), row,
             column);
}

void CBaseListCtrl::DropEditor() {
  if (m_editor == nullptr) {
    return;
  }
  CellEditor* editor = m_editor;
  const int row = m_editRow;
  m_editor = nullptr;
  m_editRow = -1;
  m_editColumn = -1;
  editor->Release();
  if (editor->Height() > 0) {
    SetRowHeight(row, 0);  // back to its text's height
  }
  // Later: the editor may be on the stack of its own key handler or signal.
  editor->deleteLater();
  viewport()->setFocus();
}

void CBaseListCtrl::FinishEdit(bool take) {
  if (m_editor == nullptr || m_finishing) {
    return;
  }
  EditEnd end;
  bool changed = false;
  {
    // The editor's own signals while it closes finish nothing again; the owner's handlers, told
    // below, may start and finish another edit.
    const QScopedValueRollback finishing(m_finishing, true);
    end.row = m_editRow;
    end.column = m_editColumn;
    const bool dropDown = m_editor->IsDropDown();
    const QString original = m_editor->Original();
    // An editor whose widget is gone already holds nothing new.
    const bool alive = m_editor->Widget() != nullptr;
    QString text = alive ? m_editor->Text() : original;
    auto* picker = qobject_cast<list_editors::DatePickerEditor*>(m_editor);
    if (alive && picker != nullptr) {
      end.date = picker->Date();
      end.hasDate = true;
      text = date_choices::DateText(end.date);
    }
    DropEditor();
    // Closing a drop-down without a pick changes nothing.
    if (dropDown || end.row < 0 || end.row >= GetItemCount()) {
      return;
    }

    changed = take && (end.hasDate || text != original);
    if (take) {
      CListItem* item = GetRowItem(end.row);
      if (end.hasDate && item != nullptr) {
        item->date = end.date;
      }
      if (changed && item != nullptr) {
        item->changed = true;
      }
      SetItemText(end.row, end.column, text);
    }
    end.text = take ? text : original;
    end.hasDate = end.hasDate && take;
    end.cancelled = !take;
  }
  emit editEnded(end);
  if (changed) {
    emit valueChanged(end.row, end.column);
  }
}
