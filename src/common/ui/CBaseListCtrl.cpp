#include "common/ui/CBaseListCtrl.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/PickLists.h"

namespace {

// The exact text of a cell; the display role holds it with line ends made plain.
constexpr int kExactTextRole = Qt::UserRole + 1;

QString DisplayOf(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

bool IsEditEntry(const CListItem::Choice& choice) {
  return choice.id == static_cast<int32_t>(CDBCategories::kEditEntryData) ||
         (choice.id == -1 && choice.text == strings::Load(ids::kEditCategoriesEntry));
}

bool IsDecade(int32_t id) {
  return id >= ids::kDecadeFirst && id <= ids::kDecadeLast;
}

// 15 June of the decade's fifth year, 01:00:01.
SYSTEMTIME DecadeStart(int32_t decadeId) {
  SYSTEMTIME start{};
  start.wYear = static_cast<uint16_t>(1915 + 10 * (decadeId - ids::kDecadeFirst));
  start.wMonth = 6;
  start.wDay = 15;
  start.wHour = 1;
  start.wMinute = 0;
  start.wSecond = 1;
  start.wDayOfWeek =
      static_cast<uint16_t>(QDate(start.wYear, start.wMonth, start.wDay).dayOfWeek() % 7);
  return start;
}

bool IsWithin(const QWidget* ancestor, const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w == ancestor) {
      return true;
    }
  }
  return false;
}

// The multi-line editor: the text and, below it, a drop-down of the row's picks.
class MultiLineEditor : public QFrame {
 public:
  explicit MultiLineEditor(QWidget* parent)
      : QFrame(parent), text(new QPlainTextEdit(this)), picks(new QComboBox(this)) {
    setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    layout->addWidget(text, 1);
    layout->addWidget(picks);
    text->setObjectName(QStringLiteral("text"));
    picks->setObjectName(QStringLiteral("picks"));
    text->setTabChangesFocus(true);
    setFocusProxy(text);
  }

  QPlainTextEdit* text;
  QComboBox* picks;
};

// Rows a little taller than their text, so that a finger finds them.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
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

struct CBaseListCtrl::EditorState {
  enum class Type { kText, kMultiLine, kChoices, kPickList, kDateChoices, kDatePicker };

  Type type = Type::kText;
  QPointer<QWidget> widget;
  // The parts of the editor, as its type has them (owned by widget).
  QLineEdit* line = nullptr;
  QComboBox* combo = nullptr;
  QPlainTextEdit* multi = nullptr;
  QDateEdit* picker = nullptr;
  QString original;
  SYSTEMTIME start{};  // the date picker's start: its time of day is kept
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

  connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* changed, int column) {
    auto* row = static_cast<RowData*>(changed);
    if (column != 0 || (styles_ & kCheckBoxes) == 0) {
      return;
    }
    const bool checked = row->checkState(0) == Qt::Checked;
    if (checked == row->checked) {
      return;
    }
    row->checked = checked;
    if (!changingChecks_) {
      Notification n;
      n.code = kNotifyItemChanged;
      n.row = indexOfTopLevelItem(row);
      n.column = 0;
      n.text = checked ? QStringLiteral("1") : QStringLiteral("0");
      Send(n);
    }
  });
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem* /*previous*/) {
            Notification n;
            n.code = kNotifyItemChanged;
            n.row = current != nullptr ? indexOfTopLevelItem(current) : -1;
            Send(n);
          });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    auto inside = [this](const QWidget* w) {
      if (w == nullptr) {
        return false;
      }
      if (IsWithin(this, w)) {
        return true;
      }
      for (const QPointer<QWidget>& companion : companions_) {
        if (companion != nullptr && IsWithin(companion, w)) {
          return true;
        }
      }
      return false;
    };
    if (now == nullptr || !inside(old) || inside(now)) {
      return;
    }
    // The focus left the list, its editor and its companions.
    if (editor_ != nullptr) {
      QTimer::singleShot(0, this, [this] { CloseEdit(); });
    }
    Notification n;
    n.code = kNotifyKillFocus;
    n.row = GetSelectedRow();
    Send(n);
  });
}

CBaseListCtrl::~CBaseListCtrl() {
  if (editor_ != nullptr && editor_->widget != nullptr) {
    delete editor_->widget;
  }
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
  styles_ = styles;
  setHeaderHidden((styles & kNoColumnHeader) != 0);
  header()->setSectionsMovable((styles & kHeaderDragDrop) != 0);
  for (int row = 0; row < GetItemCount(); ++row) {
    RowData* rowData = DataOf(row);
    if ((styles & kCheckBoxes) != 0) {
      rowData->setFlags(rowData->flags() | Qt::ItemIsUserCheckable);
      changingChecks_ = true;
      rowData->setCheckState(0, rowData->checked ? Qt::Checked : Qt::Unchecked);
      changingChecks_ = false;
    }
  }
}

void CBaseListCtrl::SetImageList(const QList<QIcon>& icons) {
  icons_ = icons;
  for (int row = 0; row < GetItemCount(); ++row) {
    SetItemImage(row, DataOf(row)->image);
  }
}

void CBaseListCtrl::SetChoiceColumn(int column) {
  choiceColumn_ = column;
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
    value = DateText(item.date);
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
    at->setText(kValueColumn, DisplayOf(value));
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

QString CBaseListCtrl::PackString() const {
  QString packed;
  for (int row = 0; row < GetItemCount(); ++row) {
    packed += GetItemText(row, kLabelColumn);
    packed += QLatin1Char('\n');
    packed += GetItemText(row, kValueColumn);
    packed += QLatin1Char('\n');
  }
  return packed;
}

QString CBaseListCtrl::PackNoteString() const {
  QString packed;
  for (int row = 0; row < GetItemCount(); ++row) {
    QString value = GetItemText(row, kValueColumn);
    if (value.trimmed().isEmpty()) {
      continue;
    }
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    value.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    packed += GetItemText(row, kLabelColumn) + QLatin1String(": ") + value + QLatin1String("\r\n");
  }
  return packed;
}

namespace {

// The name and value pairs of a packed text: a name runs to a line feed after its first
// character; its value runs to the next line feed (or the end of the text).
std::vector<std::pair<QString, QString>> SplitPairs(const QString& packed) {
  std::vector<std::pair<QString, QString>> pairs;
  qsizetype pos = 0;
  while (pos < packed.size()) {
    const qsizetype nameEnd = packed.indexOf(QLatin1Char('\n'), pos);
    if (nameEnd <= pos) {
      break;  // no more line feeds, or an empty name: the pairs end here
    }
    const QString name = packed.mid(pos, nameEnd - pos);
    const qsizetype valueEnd = packed.indexOf(QLatin1Char('\n'), nameEnd + 1);
    if (valueEnd < 0) {
      pairs.emplace_back(name, packed.mid(nameEnd + 1));
      break;
    }
    pairs.emplace_back(name, packed.mid(nameEnd + 1, valueEnd - nameEnd - 1));
    pos = valueEnd + 1;
  }
  return pairs;
}

}  // namespace

bool CBaseListCtrl::UnpackString(const QString& packed) {
  DropEditor();
  std::vector<bool> named(static_cast<size_t>(GetItemCount()), false);
  bool mismatch = false;
  for (const auto& [name, value] : SplitPairs(packed)) {
    int found = -1;
    for (int row = 0; row < GetItemCount(); ++row) {
      if (row < static_cast<int>(named.size()) && !named[static_cast<size_t>(row)] &&
          GetItemText(row, kLabelColumn) == name) {
        found = row;
        break;
      }
    }
    if (found < 0) {
      // Keep what the text holds: a value without its row is shown on a row of its own.
      mismatch = true;
      found = InsertItem(GetItemCount(), name);
      auto item = std::make_unique<CListItem>();
      item->kind = CListItem::kText;
      SetRowItem(found, std::move(item));
    } else {
      named[static_cast<size_t>(found)] = true;
    }
    SetItemText(found, kValueColumn, value);
  }
  for (size_t row = 0; row < named.size(); ++row) {
    if (!named[row]) {
      SetItemText(static_cast<int>(row), kValueColumn, QString());
    }
  }
  return mismatch;
}

void CBaseListCtrl::UnpackStringList(const QString& packed) {
  DeleteAllItems();
  for (const auto& [name, value] : SplitPairs(packed)) {
    const int row = InsertItem(GetItemCount(), name);
    auto item = std::make_unique<CListItem>();
    item->kind = CListItem::kText;
    item->value = value;
    SetRowItem(row, std::move(item));
    SetItemText(row, kValueColumn, value);
  }
}

void CBaseListCtrl::RefreshRow(int row) {
  const CListItem* item = GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  const CListItem copy = *item;
  ShowRow(row, copy, GetItemText(row, kLabelColumn));
}

// ---------------------------------------------------------------- editing

void CBaseListCtrl::SetReadOnly(bool readOnly) {
  if (readOnly) {
    CloseEdit();
  }
  readOnly_ = readOnly;
}

void CBaseListCtrl::CloseEdit() {
  FinishEdit(true);
}

void CBaseListCtrl::CancelEdit() {
  FinishEdit(false);
}

bool CBaseListCtrl::IsEditing() const {
  return editor_ != nullptr && editor_->widget != nullptr;
}

QWidget* CBaseListCtrl::Editor() const {
  return editor_ != nullptr ? editor_->widget : nullptr;
}

bool CBaseListCtrl::IsDatePickerOpen() const {
  return IsEditing() && editor_->type == EditorState::Type::kDatePicker;
}

bool CBaseListCtrl::CanEdit(int row, int column) const {
  if (readOnly_ || row < 0 || row >= GetItemCount() || column < 0 || column >= columnCount()) {
    return false;
  }
  const CListItem* item = GetRowItem(row);
  if (item == nullptr) {
    return false;  // a plain report row: nothing to edit
  }
  if (choiceColumn_ >= 0) {
    // The todo form: read-only items (kind 0, or from the desktop read-only) stay as they are.
    if (item->kind == CListItem::kText || item->accessState == 1) {
      return false;
    }
    if (column == choiceColumn_) {
      return !item->choices.empty();
    }
    return true;
  }
  return item->accessState != 1;
}

bool CBaseListCtrl::EditRow(int row, int column) {
  if (choiceColumn_ < 0) {
    // One column: the row's text is its value (the phrase lists).
    column = columnCount() == 1 ? 0 : kValueColumn;
  }
  if (!CanEdit(row, column)) {
    return false;
  }
  if (IsEditing()) {
    if (editRow_ == row && editColumn_ == column) {
      return true;
    }
    CloseEdit();
    if (row >= GetItemCount()) {
      return false;  // a receiver of the closing notifications removed the row
    }
  }
  SelectRow(row);
  CListItem* item = GetRowItem(row);
  if (choiceColumn_ >= 0) {
    if (column == choiceColumn_) {
      OpenChoiceEditor(row, column);
    } else {
      OpenTextEditor(row, column);
    }
    return true;
  }
  const int kind = item != nullptr ? item->kind : CListItem::kText;
  switch (kind) {
    case CListItem::kChoices:
      OpenChoiceEditor(row, column);
      break;
    case CListItem::kPickList:
      OpenPickListEditor(row, false);
      break;
    case CListItem::kPickListMultiline:
    case CListItem::kAllergies:
      OpenPickListEditor(row, true);
      break;
    case CListItem::kDate:
      OpenDateChoices(row);
      break;
    default:
      OpenTextEditor(row, column);
      break;
  }
  return true;
}

void CBaseListCtrl::PlaceEditor(QWidget* editor, int row, int column, int height) {
  QRect cell = visualRect(indexFromItem(At(row), column));
  if (height > cell.height()) {
    cell.setHeight(height);
    if (cell.bottom() > viewport()->height()) {
      cell.moveBottom(std::max(viewport()->height(), height) - 1);
    }
  }
  if (cell.width() < 40) {
    cell.setWidth(40);
  }
  editor->setGeometry(cell);
  editor->show();
  editor->raise();
  editor->setFocus();
}

void CBaseListCtrl::OpenTextEditor(int row, int column) {
  auto* edit = new QLineEdit(viewport());
  edit->setObjectName(QStringLiteral("listEditor"));
  const CListItem* item = GetRowItem(row);
  if (item != nullptr && item->limit > 0 && column == kValueColumn) {
    edit->setMaxLength(item->limit);
  }
  const QString text = GetItemText(row, column);
  edit->setText(text);
  edit->selectAll();
  editor_ = std::make_unique<EditorState>();
  editor_->type = EditorState::Type::kText;
  editor_->widget = edit;
  editor_->line = edit;
  editor_->original = text;
  editRow_ = row;
  editColumn_ = column;
  connect(edit, &QLineEdit::returnPressed, this, [this] { CloseEdit(); });
  edit->installEventFilter(this);
  PlaceEditor(edit, row, column);
}

void CBaseListCtrl::OpenChoiceEditor(int row, int column) {
  const CListItem* item = GetRowItem(row);
  auto* combo = new QComboBox(viewport());
  combo->setObjectName(QStringLiteral("listEditor"));
  int current = -1;
  if (item != nullptr) {
    const QString text = GetItemText(row, column);
    for (size_t i = 0; i < item->choices.size(); ++i) {
      combo->addItem(item->choices[i].text);
      if (current < 0 && (item->choices[i].text == text ||
                          (item->choiceId != 0 && item->choices[i].id == item->choiceId))) {
        current = static_cast<int>(i);
      }
    }
  }
  combo->setCurrentIndex(current);
  editor_ = std::make_unique<EditorState>();
  editor_->type = EditorState::Type::kChoices;
  editor_->widget = combo;
  editor_->combo = combo;
  editor_->original = GetItemText(row, column);
  editRow_ = row;
  editColumn_ = column;
  connect(combo, &QComboBox::activated, this,
          [this, row, column](int index) { OnChoicePicked(row, column, index); });
  combo->installEventFilter(this);
  PlaceEditor(combo, row, column);
  if (combo->isVisible() &&
      !QGuiApplication::platformName().startsWith(QLatin1String("offscreen"))) {
    combo->showPopup();
  }
}

void CBaseListCtrl::LoadCategoryChoices(CListItem& item) {
  int listId = item.listId;
  if (listId < 0 && item.kind == CListItem::kAllergies) {
    listId = CDBCategories::kAllergiesList;
  }
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

void CBaseListCtrl::OpenPickListEditor(int row, bool multiLine) {
  CListItem* item = GetRowItem(row);
  if (item != nullptr) {
    LoadCategoryChoices(*item);
  }
  const QString text = GetItemText(row, kValueColumn);
  editor_ = std::make_unique<EditorState>();
  editor_->original = text;
  editRow_ = row;
  editColumn_ = kValueColumn;

  QComboBox* picks = nullptr;
  if (multiLine) {
    auto* editor = new MultiLineEditor(viewport());
    editor->setObjectName(QStringLiteral("listEditor"));
    editor->text->setPlainText(DisplayOf(text));
    editor->text->moveCursor(QTextCursor::End);
    editor->text->installEventFilter(this);
    picks = editor->picks;
    picks->setPlaceholderText(strings::Load(ids::kPopupListTitle));
    editor_->type = EditorState::Type::kMultiLine;
    editor_->widget = editor;
    editor_->multi = editor->text;
    editor_->combo = editor->picks;
  } else {
    auto* combo = new QComboBox(viewport());
    combo->setObjectName(QStringLiteral("listEditor"));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (item != nullptr && item->limit > 0) {
      combo->lineEdit()->setMaxLength(item->limit);
    }
    combo->lineEdit()->installEventFilter(this);
    connect(combo->lineEdit(), &QLineEdit::returnPressed, this, [this] { CloseEdit(); });
    picks = combo;
    editor_->type = EditorState::Type::kPickList;
    editor_->widget = combo;
    editor_->combo = combo;
    editor_->line = combo->lineEdit();
  }
  if (item != nullptr) {
    for (const CListItem::Choice& choice : item->choices) {
      picks->addItem(choice.text);
    }
  }
  picks->setCurrentIndex(-1);
  if (!multiLine) {
    picks->setEditText(text);
    picks->lineEdit()->selectAll();
  }
  connect(picks, &QComboBox::activated, this,
          [this, row](int index) { OnChoicePicked(row, kValueColumn, index); });
  PlaceEditor(editor_->widget, row, kValueColumn, multiLine ? 96 : 0);
}

void CBaseListCtrl::OpenDateChoices(int row) {
  auto* combo = new QComboBox(viewport());
  combo->setObjectName(QStringLiteral("listEditor"));
  for (int id = ids::kNoDate; id <= ids::kDecadeLast; ++id) {
    combo->addItem(strings::Load(id), id);
  }
  combo->setCurrentIndex(-1);
  editor_ = std::make_unique<EditorState>();
  editor_->type = EditorState::Type::kDateChoices;
  editor_->widget = combo;
  editor_->combo = combo;
  editor_->original = GetItemText(row, kValueColumn);
  editRow_ = row;
  editColumn_ = kValueColumn;
  connect(combo, &QComboBox::activated, this,
          [this, row](int index) { OnChoicePicked(row, kValueColumn, index); });
  combo->installEventFilter(this);
  PlaceEditor(combo, row, kValueColumn);
  if (combo->isVisible() &&
      !QGuiApplication::platformName().startsWith(QLatin1String("offscreen"))) {
    combo->showPopup();
  }
}

bool CBaseListCtrl::PickInEditor(int index) {
  if (!IsEditing()) {
    return false;
  }
  QComboBox* combo = nullptr;
  combo = editor_->combo;
  if (combo == nullptr || index < 0 || index >= combo->count()) {
    return false;
  }
  combo->setCurrentIndex(index);
  emit combo->activated(index);
  return true;
}

void CBaseListCtrl::OnChoicePicked(int row, int column, int index) {
  if (editor_ == nullptr || row >= GetItemCount()) {
    return;
  }
  CListItem* item = GetRowItem(row);
  const EditorState::Type type = editor_->type;
  Notification n;
  n.code = kNotifyChoice;
  n.row = row;
  n.column = column;

  if (type == EditorState::Type::kDateChoices) {
    n.choiceId = ids::kNoDate + index;
    n.text = strings::Load(n.choiceId);
    DropEditor();
    if (n.choiceId == ids::kNoDate) {
      if (item != nullptr) {
        item->ClearDate();
        item->changed = true;
      }
      SetItemText(row, kValueColumn, QString());
    }
    Send(n);
    if (!n.handled && IsDecade(n.choiceId) && !IsDatePickerOpen() && row < GetItemCount()) {
      ShowInPlaceDatePicker(row, kValueColumn, DecadeStart(n.choiceId), 0);
    }
    if (n.choiceId == ids::kNoDate) {
      Notification changed;
      changed.code = kNotifyItemChanged;
      changed.row = row;
      Send(changed);
    }
    return;
  }

  if (item == nullptr || index < 0 || index >= static_cast<int>(item->choices.size())) {
    return;
  }
  const CListItem::Choice choice = item->choices[static_cast<size_t>(index)];
  n.choiceId = choice.id;
  n.text = choice.text;
  const bool editEntry = IsEditEntry(choice);
  bool placed = false;

  if (type == EditorState::Type::kMultiLine) {
    QPlainTextEdit* text = editor_->multi;
    editor_->combo->setCurrentIndex(-1);
    if (!editEntry && text != nullptr) {
      // A pick adds to what the row holds, at the caret.
      QTextCursor cursor = text->textCursor();
      const QString before = text->toPlainText().left(cursor.selectionStart());
      QString insert = choice.text;
      if (!cursor.hasSelection() && !before.isEmpty() && !before.back().isSpace()) {
        insert.prepend(QLatin1String(", "));
      }
      cursor.insertText(insert);
      text->setTextCursor(cursor);
      text->setFocus();
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

  const int runsBefore = CEditCategoriesDlg::RunCount();
  Send(n);
  if (!n.handled && editEntry && CEditCategoriesDlg::RunCount() == runsBefore &&
      row < GetItemCount()) {
    EditCategories(row);
  }
  if (placed) {
    Notification changed;
    changed.code = kNotifyItemChanged;
    changed.row = row;
    Send(changed);
  }
}

void CBaseListCtrl::EditCategories(int row) {
  CListItem* item = GetRowItem(row);
  if (item == nullptr) {
    return;
  }
  const int listId = item->listId >= 0                     ? item->listId
                     : item->kind == CListItem::kAllergies ? int{CDBCategories::kAllergiesList}
                                                           : -1;
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
  if (IsEditing() && editRow_ == row && editor_->type == EditorState::Type::kMultiLine) {
    QComboBox* picks = editor_->combo;
    picks->clear();
    for (const CListItem::Choice& choice : item->choices) {
      picks->addItem(choice.text);
    }
    picks->setCurrentIndex(-1);
  }
}

bool CBaseListCtrl::InsertInEditor(const QString& text) {
  if (!IsEditing()) {
    return false;
  }
  switch (editor_->type) {
    case EditorState::Type::kText:
    case EditorState::Type::kPickList:
      if (editor_->line != nullptr) {
        editor_->line->insert(text);
        editor_->line->setFocus();
        return true;
      }
      return false;
    case EditorState::Type::kMultiLine:
      if (editor_->multi != nullptr) {
        editor_->multi->insertPlainText(text);
        editor_->multi->setFocus();
        return true;
      }
      return false;
    default:
      return false;
  }
}

void CBaseListCtrl::ShowInPlaceDatePicker(int row, int column, const SYSTEMTIME& start,
                                          int /*flags*/) {
  if (readOnly_ || row < 0 || row >= GetItemCount()) {
    return;
  }
  const QDate date(start.wYear, start.wMonth, start.wDay);
  if (IsDatePickerOpen() && editRow_ == row && editColumn_ == column) {
    editor_->picker->setDate(date);
    editor_->start = start;
    return;
  }
  if (editor_ != nullptr && editor_->type == EditorState::Type::kDateChoices && editRow_ == row) {
    DropEditor();
  } else {
    CloseEdit();
  }
  auto* picker = new QDateEdit(viewport());
  picker->setObjectName(QStringLiteral("listEditor"));
  picker->setCalendarPopup(true);
  picker->setMinimumDate(QDate(1800, 1, 1));
  picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  picker->setDate(date.isValid() ? date : QDate::currentDate());
  editor_ = std::make_unique<EditorState>();
  editor_->type = EditorState::Type::kDatePicker;
  editor_->widget = picker;
  editor_->picker = picker;
  editor_->original = GetItemText(row, column);
  editor_->start = start;
  editRow_ = row;
  editColumn_ = column;
  picker->installEventFilter(this);
  connect(picker->calendarWidget(), &QCalendarWidget::clicked, this,
          [this] { QTimer::singleShot(0, this, [this] { CloseEdit(); }); });
  PlaceEditor(picker, row, column);
}

void CBaseListCtrl::DropEditor() {
  if (editor_ == nullptr) {
    return;
  }
  std::unique_ptr<EditorState> state = std::move(editor_);
  editRow_ = -1;
  editColumn_ = -1;
  if (state->widget != nullptr) {
    QWidget* widget = state->widget;
    widget->removeEventFilter(this);
    widget->hide();
    widget->deleteLater();
  }
  viewport()->setFocus();
}

void CBaseListCtrl::FinishEdit(bool take) {
  if (editor_ == nullptr || finishing_) {
    return;
  }
  finishing_ = true;
  const EditorState::Type type = editor_->type;
  const QString original = editor_->original;
  const SYSTEMTIME start = editor_->start;
  const int row = editRow_;
  const int column = editColumn_;
  QString text = original;
  SYSTEMTIME date{};
  bool hasDate = false;
  bool isChoiceEditor = false;

  if (editor_->widget != nullptr) {
    switch (type) {
      case EditorState::Type::kText:
      case EditorState::Type::kPickList:
        text = editor_->line != nullptr ? editor_->line->text() : original;
        break;
      case EditorState::Type::kMultiLine:
        text = editor_->multi != nullptr ? editor_->multi->toPlainText() : original;
        break;
      case EditorState::Type::kDatePicker: {
        const QDate picked = editor_->picker != nullptr ? editor_->picker->date() : QDate();
        date = start;
        date.wYear = static_cast<uint16_t>(picked.year());
        date.wMonth = static_cast<uint16_t>(picked.month());
        date.wDay = static_cast<uint16_t>(picked.day());
        date.wDayOfWeek = static_cast<uint16_t>(picked.dayOfWeek() % 7);
        hasDate = true;
        text = DateText(date);
        break;
      }
      case EditorState::Type::kChoices:
      case EditorState::Type::kDateChoices:
        // Closing a drop-down without a pick changes nothing.
        isChoiceEditor = true;
        break;
    }
  }
  DropEditor();
  if (isChoiceEditor || row < 0 || row >= GetItemCount()) {
    finishing_ = false;
    return;
  }

  const bool changed = take && (hasDate || text != original);
  if (take) {
    CListItem* item = GetRowItem(row);
    if (hasDate && item != nullptr) {
      item->date = date;
    }
    if (changed && item != nullptr) {
      item->changed = true;
    }
    SetItemText(row, column, text);
  }
  Notification n;
  n.code = kNotifyEndLabelEdit;
  n.row = row;
  n.column = column;
  n.text = take ? text : original;
  n.hasDate = hasDate && take;
  n.date = date;
  n.cancelled = !take;
  finishing_ = false;
  Send(n);
  if (changed) {
    Notification itemChanged;
    itemChanged.code = kNotifyItemChanged;
    itemChanged.row = row;
    itemChanged.column = column;
    Send(itemChanged);
  }
}

QString CBaseListCtrl::DateText(const SYSTEMTIME& date) {
  const QDate day(date.wYear, date.wMonth, date.wDay);
  if (!day.isValid()) {
    return {};
  }
  return strings::FormatId(ids::kDobText, strings::Load(ids::kWeekdayFirst + day.dayOfWeek() % 7),
                           int{date.wMonth}, int{date.wDay}, int{date.wYear});
}

// ---------------------------------------------------------------- companions

void CBaseListCtrl::AddCompanion(QWidget* control) {
  if (control == nullptr) {
    return;
  }
  companions_.emplace_back(control);
  companionOffsets_.push_back(control->pos() - pos());
}

void CBaseListCtrl::LayoutCompanions() {
  for (size_t i = 0; i < companions_.size(); ++i) {
    QWidget* companion = companions_[i];
    if (companion != nullptr && companion->parentWidget() == parentWidget()) {
      companion->move(pos() + companionOffsets_[i]);
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
  if (IsEditing() && editRow_ == row) {
    DropEditor();
  } else if (IsEditing() && editRow_ > row) {
    --editRow_;
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
  rowData->setText(0, DisplayOf(text));
  rowData->setData(0, kExactTextRole, text);
  if ((styles_ & kCheckBoxes) != 0) {
    rowData->setFlags(rowData->flags() | Qt::ItemIsUserCheckable);
    changingChecks_ = true;
    rowData->setCheckState(0, Qt::Unchecked);
    changingChecks_ = false;
  }
  const QSignalBlocker blocker(this);
  insertTopLevelItem(row, rowData);
  if (IsEditing() && editRow_ >= row) {
    ++editRow_;
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
  item->setText(column, DisplayOf(text));
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
  changingChecks_ = true;
  at->checked = checked;
  if ((styles_ & kCheckBoxes) != 0) {
    at->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  }
  changingChecks_ = false;
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
  at->setIcon(0, image >= 0 && image < icons_.size() ? icons_.at(image) : QIcon());
}

void CBaseListCtrl::SetRowItem(int row, std::unique_ptr<CListItem> item) {
  if (RowData* at = DataOf(row)) {
    at->item = std::move(item);
    if (at->item != nullptr && choiceColumn_ < 0) {
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

void CBaseListCtrl::Send(Notification& notification) {
  emit notify(notification);
}

void CBaseListCtrl::mousePressEvent(QMouseEvent* event) {
  pressPos_ = event->position().toPoint();
  QTreeWidget::mousePressEvent(event);
}

void CBaseListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  QTreeWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || (at - pressPos_).manhattanLength() > 8) {
    return;
  }
  const QModelIndex index = indexAt(at);
  if (!index.isValid()) {
    return;
  }
  const int row = index.row();
  const int column = index.column();
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.index = index;
  if (column == 0 && (styles_ & kCheckBoxes) != 0) {
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect check =
        style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
    if (at.x() <= check.right() + 2) {
      return;  // the tap toggled the check box
    }
  }
  if (column == 0 && GetItemImage(row) >= 0 && GetItemImage(row) < icons_.size()) {
    const int iconRight = option.rect.left() + iconSize().width() + 24;
    if (at.x() <= iconRight) {
      Notification n;
      n.code = kNotifyActivate;
      n.row = row;
      n.column = 0;
      Send(n);
      return;
    }
  }
  EditRow(row, column);
}

void CBaseListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  Notification n;
  n.code = kNotifyDoubleClick;
  n.row = index.isValid() ? index.row() : -1;
  n.column = index.isValid() ? index.column() : -1;
  Send(n);
}

void CBaseListCtrl::keyPressEvent(QKeyEvent* event) {
  const int row = GetSelectedRow();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (row >= 0) {
        Notification n;
        n.code = kNotifyActivate;
        n.row = row;
        Send(n);
      }
      event->accept();
      return;
    case Qt::Key_F2:
    case Qt::Key_Space:
      if (row >= 0 && !((styles_ & kCheckBoxes) != 0 && event->key() == Qt::Key_Space)) {
        EditRow(row, choiceColumn_ >= 0 ? choiceColumn_ + 1 : kValueColumn);  // value column
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
  QWidget* widget = Editor();
  if (widget != nullptr && editRow_ >= 0) {
    const QRect cell = visualRect(indexFromItem(At(editRow_), editColumn_));
    const QRect now = widget->geometry();
    widget->setGeometry(cell.x(), now.y(), cell.width(), now.height());
  }
}

void CBaseListCtrl::moveEvent(QMoveEvent* event) {
  QTreeWidget::moveEvent(event);
  LayoutCompanions();
}

void CBaseListCtrl::scrollContentsBy(int dx, int dy) {
  QTreeWidget::scrollContentsBy(dx, dy);
  if (QWidget* widget = Editor()) {
    widget->move(widget->pos() + QPoint(dx, dy));
  }
}

bool CBaseListCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsEditing()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      CancelEdit();
      return true;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && editor_->type == EditorState::Type::kMultiLine &&
        (key->modifiers() & Qt::ControlModifier) != 0) {
      CloseEdit();
      return true;
    }
    if (enter && editor_->type == EditorState::Type::kDatePicker) {
      CloseEdit();
      return true;
    }
  }
  return QTreeWidget::eventFilter(watched, event);
}
