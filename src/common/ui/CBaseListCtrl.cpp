#include "common/ui/CBaseListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <numeric>

#include "common/DateChoices.h"
#include "common/PackedValues.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using list_editors::DisplayText;

namespace {

// The exact text of a cell; the display role holds it with line ends made plain.
constexpr int kExactTextRole = Qt::UserRole + 1;

bool IsWithin(const QWidget* ancestor, const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w == ancestor) {
      return true;
    }
  }
  return false;
}

bool IsInLayout(const QLayout* layout, const QWidget* widget) {
  if (layout == nullptr) {
    return false;
  }
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget || IsInLayout(item->layout(), widget)) {
      return true;
    }
  }
  return false;
}

// Rows a little taller than their text, so that a finger finds them.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // A row grown for its open editor is exactly the editor's height.
    const QVariant grown = index.data(Qt::SizeHintRole);
    if (grown.isValid()) {
      return grown.toSize();
    }
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(size.height() + 6);
    return size;
  }
};

}  // namespace

// A row: its texts and check state live in the tree item; the item data, icon index and the row
// item live here.
class CBaseListCtrl::RowData : public QTreeWidgetItem {
 public:
  RowData() : QTreeWidgetItem(UserType) {}

  uint32_t itemData = 0;
  int image = -1;
  bool checked = false;
  std::unique_ptr<CListItem> item;
};

CBaseListCtrl::CBaseListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setIndentation(0);
  setItemsExpandable(false);
  setUniformRowHeights(false);
  setWordWrap(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  setAlternatingRowColors(true);
  setItemDelegate(new RowDelegate(this));
  setColumnCount(2);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  setHeaderLabels({QString(), QString()});

  connect(this, &QTreeWidget::itemChanged, this, &CBaseListCtrl::OnTreeItemChanged);
  connect(this, &QTreeWidget::currentItemChanged, this, &CBaseListCtrl::OnCurrentItemChanged);
  connect(qApp, &QApplication::focusChanged, this, &CBaseListCtrl::OnFocusChanged);
}

CBaseListCtrl::~CBaseListCtrl() {
  delete m_editor;
}

void CBaseListCtrl::OnTreeItemChanged(QTreeWidgetItem* changed, int column) {
  auto* row = static_cast<RowData*>(changed);
  if (column != 0 || (m_styles & kCheckBoxes) == 0) {
    return;
  }
  const bool checked = row->checkState(0) == Qt::Checked;
  if (checked == row->checked) {
    return;
  }
  row->checked = checked;
  if (!m_changingChecks) {
    emit checkChanged(indexOfTopLevelItem(row), checked);
  }
}

void CBaseListCtrl::OnCurrentItemChanged(QTreeWidgetItem* current) {
  emit currentRowChanged(current != nullptr ? indexOfTopLevelItem(current) : -1);
}

bool CBaseListCtrl::HoldsFocusOf(const QWidget* widget) const {
  if (widget == nullptr) {
    return false;
  }
  if (IsWithin(this, widget) || (Editor() != nullptr && IsWithin(Editor(), widget))) {
    return true;
  }
  return std::any_of(
      m_companions.begin(), m_companions.end(),
      [widget](const QPointer<QWidget>& c) { return c != nullptr && IsWithin(c, widget); });
}

void CBaseListCtrl::OnFocusChanged(QWidget* old, QWidget* now) {
  if (now == nullptr || !HoldsFocusOf(old) || HoldsFocusOf(now)) {
    return;
  }
  // The focus left the list, its editor and its companions. The editor closes once the focus
  // change is over: closing it now would delete the widget that is giving up the focus.
  if (m_editor != nullptr) {
    QTimer::singleShot(0, this, &CBaseListCtrl::CloseEdit);
  }
  emit focusLost(GetSelectedRow());
}

// ---------------------------------------------------------------- columns and looks

int CBaseListCtrl::InsertColumn(int column, const QString& heading, int width,
                                Qt::Alignment alignment) {
  if (column < 0) {
    column = 0;
  }
  if (column >= columnCount()) {
    setColumnCount(column + 1);
  }
  headerItem()->setText(column, heading);
  headerItem()->setTextAlignment(column, alignment | Qt::AlignVCenter);
  setColumnWidth(column, width);
  return column;
}

void CBaseListCtrl::SetColumnWidth(int column, int width) {
  setColumnWidth(column, width);
}

int CBaseListCtrl::GetColumnWidth(int column) const {
  return columnWidth(column);
}

void CBaseListCtrl::SetExtendedStyle(unsigned styles) {
  m_styles = styles;
  setHeaderHidden((styles & kNoColumnHeader) != 0);
  header()->setSectionsMovable((styles & kHeaderDragDrop) != 0);
  for (int row = 0; row < GetItemCount(); ++row) {
    RowData* rowData = DataOf(row);
    if ((styles & kCheckBoxes) != 0) {
      rowData->setFlags(rowData->flags() | Qt::ItemIsUserCheckable);
      const QScopedValueRollback changing(m_changingChecks, true);
      rowData->setCheckState(0, rowData->checked ? Qt::Checked : Qt::Unchecked);
    }
  }
}

void CBaseListCtrl::SetImageList(const QList<QIcon>& icons) {
  m_icons = icons;
  for (int row = 0; row < GetItemCount(); ++row) {
    SetItemImage(row, DataOf(row)->image);
  }
}

void CBaseListCtrl::SetChoiceColumn(int column) {
  m_choiceColumn = column;
}

void CBaseListCtrl::SetSizeHintFromRows(bool on) {
  m_hintFromRows = on;
  updateGeometry();
}

QSize CBaseListCtrl::sizeHint() const {
  QSize hint = QTreeWidget::sizeHint();
  if (!m_hintFromRows) {
    return hint;
  }
  int height = 2 * frameWidth();
  if (!header()->isHidden()) {
    height += header()->sizeHint().height();
  }
  // Room for a multi-line editor too: its row grows while it is open.
  int editorRoom = 0;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    const int rowHeight = indexRowSizeHint(model()->index(row, 0));
    height += rowHeight;
    const CListItem* item = GetRowItem(row);
    if (item != nullptr &&
        (item->kind == CListItem::kAllergies || item->kind == CListItem::kPickListMultiline)) {
      editorRoom = qMax(editorRoom, list_editors::MultiLineEditor::kHeight - rowHeight);
    }
  }
  hint.setHeight(height + editorRoom);
  return hint;
}

int CBaseListCtrl::LabelColumnWidth() const {
  const int heading = header()->isHidden() ? 0 : header()->sectionSizeHint(kLabelColumn);
  return qMax(heading, sizeHintForColumn(kLabelColumn));
}

// ---------------------------------------------------------------- rows of CListItems

void CBaseListCtrl::UnpackList(const std::vector<CListItem>& items) {
  UnpackList(items, {});
}

void CBaseListCtrl::UnpackList(const std::vector<CListItem*>& items) {
  std::vector<CListItem> copies;
  copies.reserve(items.size());
  for (const CListItem* item : items) {
    copies.push_back(item != nullptr ? *item : CListItem());
  }
  UnpackList(copies, {});
}

void CBaseListCtrl::UnpackList(const std::vector<CListItem>& items, const QStringList& labels) {
  DeleteAllItems();
  for (size_t i = 0; i < items.size(); ++i) {
    const int row = static_cast<int>(i);
    const QString label = items[i].labelId != 0 ? strings::Load(items[i].labelId)
                                                : labels.value(static_cast<qsizetype>(i));
    InsertItem(row, label);
    SetRowItem(row, std::make_unique<CListItem>(items[i]));
    ShowRow(row, items[i], label);
  }
}

void CBaseListCtrl::ShowRow(int row, const CListItem& item, const QString& label) {
  QString value = item.value;
  if (value.isEmpty() && item.kind == CListItem::kDate && item.HasDate()) {
    value = date_choices::DateText(item.date);
  }
  if (value.isEmpty() && item.kind == CListItem::kChoices && item.choiceId != 0) {
    for (const CListItem::Choice& choice : item.choices) {
      if (choice.id == item.choiceId) {
        value = choice.text;
        break;
      }
    }
  }
  QTreeWidgetItem* at = At(row);
  at->setText(kLabelColumn, label);
  at->setData(kLabelColumn, kExactTextRole, label);
  if (columnCount() > kValueColumn) {
    at->setText(kValueColumn, DisplayText(value));
    at->setData(kValueColumn, kExactTextRole, value);
  }
  if (CListItem* own = DataOf(row)->item.get()) {
    own->value = value;
  }
}

void CBaseListCtrl::PackList(std::vector<CListItem>& items) const {
  const size_t count = std::min(items.size(), static_cast<size_t>(GetItemCount()));
  for (size_t i = 0; i < count; ++i) {
    if (const CListItem* own = GetRowItem(static_cast<int>(i))) {
      items[i] = *own;
    }
  }
}

void CBaseListCtrl::PackList(const std::vector<CListItem*>& items) const {
  const size_t count = std::min(items.size(), static_cast<size_t>(GetItemCount()));
  for (size_t i = 0; i < count; ++i) {
    const CListItem* own = GetRowItem(static_cast<int>(i));
    if (own != nullptr && items[i] != nullptr) {
      *items[i] = *own;
    }
  }
}

std::vector<packed_values::Pair> CBaseListCtrl::RowPairs() const {
  std::vector<packed_values::Pair> pairs;
  pairs.reserve(static_cast<size_t>(GetItemCount()));
  for (int row = 0; row < GetItemCount(); ++row) {
    pairs.push_back({GetItemText(row, kLabelColumn), GetItemText(row, kValueColumn)});
  }
  return pairs;
}

QString CBaseListCtrl::PackString() const {
  return packed_values::Pack(RowPairs());
}

QString CBaseListCtrl::PackNoteString() const {
  return packed_values::NoteText(RowPairs());
}

bool CBaseListCtrl::UnpackString(const QString& packed) {
  DropEditor();
  QStringList labels;
  for (int row = 0; row < GetItemCount(); ++row) {
    labels.append(GetItemText(row, kLabelColumn));
  }
  const packed_values::Placement placement = packed_values::Place(labels, packed);
  for (int row = 0; row < static_cast<int>(placement.values.size()); ++row) {
    SetItemText(row, kValueColumn, placement.values[static_cast<size_t>(row)]);
  }
  // Keep what the text holds: a value without its row is shown on a plain row of its own.
  for (const packed_values::Pair& extra : placement.extra) {
    AppendPlainRow(extra);
  }
  return !placement.extra.empty();
}

void CBaseListCtrl::UnpackStringList(const QString& packed) {
  DeleteAllItems();
  for (const packed_values::Pair& pair : packed_values::Split(packed)) {
    AppendPlainRow(pair);
  }
}

void CBaseListCtrl::AppendPlainRow(const packed_values::Pair& pair) {
  const int row = InsertItem(GetItemCount(), pair.name);
  auto item = std::make_unique<CListItem>();
  item->kind = CListItem::kText;
  SetRowItem(row, std::move(item));
  SetItemText(row, kValueColumn, pair.value);
}

void CBaseListCtrl::RefreshRow(int row) {
  const CListItem* item = GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  const CListItem copy = *item;
  ShowRow(row, copy, GetItemText(row, kLabelColumn));
}

// ---------------------------------------------------------------- companions

void CBaseListCtrl::AddCompanion(QWidget* control) {
  if (control == nullptr) {
    return;
  }
  m_companions.emplace_back(control);
  m_companionOffsets.push_back(control->pos() - pos());
}

void CBaseListCtrl::LayoutCompanions() {
  for (size_t i = 0; i < m_companions.size(); ++i) {
    QWidget* companion = m_companions[i];
    // A companion in a layout is placed by the layout, with the list.
    if (companion != nullptr && companion->parentWidget() == parentWidget() &&
        !IsInLayout(parentWidget()->layout(), companion)) {
      companion->move(pos() + m_companionOffsets[i]);
    }
  }
}

// ---------------------------------------------------------------- rows

QTreeWidgetItem* CBaseListCtrl::At(int row) const {
  return row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
}

CBaseListCtrl::RowData* CBaseListCtrl::DataOf(int row) const {
  return static_cast<RowData*>(At(row));
}

int CBaseListCtrl::GetSelectedRow() const {
  QTreeWidgetItem* current = currentItem();
  if (current == nullptr || !current->isSelected()) {
    return -1;
  }
  return indexOfTopLevelItem(current);
}

int CBaseListCtrl::GetItemImage(int row) const {
  const RowData* rowData = DataOf(row);
  return rowData != nullptr ? rowData->image : -1;
}

void CBaseListCtrl::DeleteItem(int row) {
  if (At(row) == nullptr) {
    return;
  }
  if (IsEditing() && m_editRow == row) {
    DropEditor();
  } else if (IsEditing() && m_editRow > row) {
    --m_editRow;
  }
  delete takeTopLevelItem(row);
}

void CBaseListCtrl::EnsureVisible(int row) {
  if (QTreeWidgetItem* item = At(row)) {
    scrollToItem(item);
  }
}

void CBaseListCtrl::SortRows(const std::function<bool(int rowA, int rowB)>& less) {
  CloseEdit();
  const int count = GetItemCount();
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), less);
  QTreeWidgetItem* current = currentItem();
  const bool currentSelected = current != nullptr && current->isSelected();
  const QSignalBlocker blocker(this);
  std::vector<QTreeWidgetItem*> items(static_cast<size_t>(count));
  for (int row = count - 1; row >= 0; --row) {
    items[static_cast<size_t>(row)] = takeTopLevelItem(row);
  }
  for (int row = 0; row < count; ++row) {
    addTopLevelItem(items[static_cast<size_t>(order[static_cast<size_t>(row)])]);
  }
  if (current != nullptr) {
    setCurrentItem(current);
    current->setSelected(currentSelected);
  }
}

// ---------------------------------------------------------------- IListControl

void CBaseListCtrl::DeleteAllItems() {
  DropEditor();
  clear();
}

int CBaseListCtrl::GetItemCount() const {
  return topLevelItemCount();
}

int CBaseListCtrl::InsertItem(int row, const QString& text) {
  row = std::clamp(row, 0, GetItemCount());
  auto* rowData = new RowData;
  rowData->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  rowData->setText(0, DisplayText(text));
  rowData->setData(0, kExactTextRole, text);
  if ((m_styles & kCheckBoxes) != 0) {
    rowData->setFlags(rowData->flags() | Qt::ItemIsUserCheckable);
    const QScopedValueRollback changing(m_changingChecks, true);
    rowData->setCheckState(0, Qt::Unchecked);
  }
  const QSignalBlocker blocker(this);
  insertTopLevelItem(row, rowData);
  if (IsEditing() && m_editRow >= row) {
    ++m_editRow;
  }
  return row;
}

void CBaseListCtrl::SetItemText(int row, int column, const QString& text) {
  QTreeWidgetItem* item = At(row);
  if (item == nullptr || column < 0) {
    return;
  }
  if (column >= columnCount()) {
    setColumnCount(column + 1);
  }
  item->setText(column, DisplayText(text));
  item->setData(column, kExactTextRole, text);
  if (column == kValueColumn) {
    if (CListItem* own = DataOf(row)->item.get()) {
      own->value = text;
    }
  }
}

QString CBaseListCtrl::GetItemText(int row, int column) const {
  const QTreeWidgetItem* item = At(row);
  if (item == nullptr || column < 0 || column >= columnCount()) {
    return {};
  }
  const QVariant exact = item->data(column, kExactTextRole);
  return exact.isValid() ? exact.toString() : item->text(column);
}

void CBaseListCtrl::SetItemData(int row, uint32_t value) {
  if (RowData* at = DataOf(row)) {
    at->itemData = value;
  }
}

uint32_t CBaseListCtrl::GetItemData(int row) const {
  const RowData* at = DataOf(row);
  return at != nullptr ? at->itemData : 0;
}

void CBaseListCtrl::SetCheck(int row, bool checked) {
  RowData* at = DataOf(row);
  if (at == nullptr) {
    return;
  }
  const QScopedValueRollback changing(m_changingChecks, true);
  at->checked = checked;
  if ((m_styles & kCheckBoxes) != 0) {
    at->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  }
}

bool CBaseListCtrl::GetCheck(int row) const {
  const RowData* at = DataOf(row);
  return at != nullptr && at->checked;
}

void CBaseListCtrl::SetItemImage(int row, int image) {
  RowData* at = DataOf(row);
  if (at == nullptr) {
    return;
  }
  at->image = image;
  at->setIcon(0, image >= 0 && image < m_icons.size() ? m_icons.at(image) : QIcon());
}

void CBaseListCtrl::SetRowItem(int row, std::unique_ptr<CListItem> item) {
  if (RowData* at = DataOf(row)) {
    at->item = std::move(item);
    if (at->item != nullptr && m_choiceColumn < 0) {
      // The row item's value is the value column's text.
      const QVariant shown = at->data(kValueColumn, kExactTextRole);
      if (shown.isValid() && at->item->value.isEmpty()) {
        at->item->value = shown.toString();
      }
    }
  }
}

CListItem* CBaseListCtrl::GetRowItem(int row) const {
  const RowData* at = DataOf(row);
  return at != nullptr ? at->item.get() : nullptr;
}

void CBaseListCtrl::SelectRow(int row) {
  QTreeWidgetItem* item = At(row);
  if (item == nullptr) {
    return;
  }
  setCurrentItem(item);
  item->setSelected(true);
  scrollToItem(item);
}

void CBaseListCtrl::SetFocus() {
  setFocus();
}

// ---------------------------------------------------------------- events

void CBaseListCtrl::mousePressEvent(QMouseEvent* event) {
  m_pressPos = event->position().toPoint();
  QTreeWidget::mousePressEvent(event);
}

bool CBaseListCtrl::IsOnCheckBox(const QModelIndex& index, const QPoint& at) const {
  if (index.column() != 0 || (m_styles & kCheckBoxes) == 0) {
    return false;
  }
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.index = index;
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const QRect check = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
  return at.x() <= check.right() + 2;
}

bool CBaseListCtrl::IsOnIcon(const QModelIndex& index, const QPoint& at) const {
  const int image = GetItemImage(index.row());
  if (index.column() != 0 || image < 0 || image >= m_icons.size()) {
    return false;
  }
  return at.x() <= visualRect(index).left() + iconSize().width() + 24;
}

void CBaseListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  QTreeWidget::mouseReleaseEvent(event);
  // A drag is not a tap.
  if (event->button() != Qt::LeftButton || (at - m_pressPos).manhattanLength() > 8) {
    return;
  }
  const QModelIndex index = indexAt(at);
  if (!index.isValid() || IsOnCheckBox(index, at)) {
    return;  // nothing there, or the tap toggled the check box
  }
  if (IsOnIcon(index, at)) {
    emit rowActivated(index.row());
    return;
  }
  EditRow(index.row(), index.column());
}

void CBaseListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  emit rowDoubleClicked(index.isValid() ? index.row() : -1, index.isValid() ? index.column() : -1);
}

void CBaseListCtrl::keyPressEvent(QKeyEvent* event) {
  const int row = GetSelectedRow();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (row >= 0) {
        emit rowActivated(row);
      }
      event->accept();
      return;
    case Qt::Key_F2:
    case Qt::Key_Space:
      // Space ticks the check box where rows have one; otherwise both keys edit the value.
      if (row >= 0 && !((m_styles & kCheckBoxes) != 0 && event->key() == Qt::Key_Space)) {
        EditRow(row, m_choiceColumn >= 0 ? m_choiceColumn + 1 : kValueColumn);
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QTreeWidget::keyPressEvent(event);
}

void CBaseListCtrl::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  PositionEditor();
}

void CBaseListCtrl::moveEvent(QMoveEvent* event) {
  QTreeWidget::moveEvent(event);
  LayoutCompanions();
  PositionEditor();
}

void CBaseListCtrl::scrollContentsBy(int dx, int dy) {
  QTreeWidget::scrollContentsBy(dx, dy);
  PositionEditor();
}
