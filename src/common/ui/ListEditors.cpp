#include "common/ui/ListEditors.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPopupList.h"

namespace list_editors {
namespace {

// A combo box whose list drops down just below it (or above it, where the window ends), its
// left edge at the box's: the style's own placement centres the current entry on the box and
// covers the cells on either side of it, such as a todo row's check box and note icon.
class DropDownCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;

  void showPopup() override {
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup != window()) {
      const QRect box(mapToGlobal(QPoint()), size());
      popup->setGeometry(popup_list::PlaceNextTo(box, popup->size(), this));
    }
  }
};

QComboBox* MakeCombo(QWidget* parent) {
  auto* combo = new DropDownCombo(parent);
  combo->setObjectName(QStringLiteral("listEditor"));
  return combo;
}

void AddChoices(QComboBox& combo, const CListItem* item) {
  if (item == nullptr) {
    return;
  }
  for (const CListItem::Choice& choice : item->choices) {
    combo.addItem(choice.text);
  }
}

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The multi-line editor's frame: the text and, below it, a drop-down of the row's picks.
class MultiLineFrame : public QFrame {
 public:
  explicit MultiLineFrame(QWidget* parent)
      : QFrame(parent), text(new QPlainTextEdit(this)), picks(new DropDownCombo(this)) {
    setObjectName(QStringLiteral("listEditor"));
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

}  // namespace

QString DisplayText(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

// ---------------------------------------------------------------------------------------------
// CellEditor

CellEditor::CellEditor(Kind kind, QWidget* widget, const QString& original)
    : QObject(widget->parentWidget()), m_kind(kind), m_widget(widget), m_original(original) {}

CellEditor::~CellEditor() {
  Release();
}

void CellEditor::Release() {
  for (const QPointer<QObject>& watched : m_watched) {
    if (watched != nullptr) {
      watched->removeEventFilter(this);
    }
  }
  m_watched.clear();
  if (m_widget != nullptr) {
    m_widget->hide();
    m_widget->deleteLater();
    m_widget = nullptr;
  }
}

void CellEditor::SetAccessibleName(const QString& name) {
  m_widget->setAccessibleName(name);
  for (QWidget* part : m_widget->findChildren<QWidget*>()) {
    if (part->focusPolicy() != Qt::NoFocus) {
      part->setAccessibleName(name);
    }
  }
}

void CellEditor::WatchKeys(QObject* target) {
  target->installEventFilter(this);
  m_watched.emplace_back(target);
}

void CellEditor::ForwardPicks(QComboBox* combo) {
  connect(combo, &QComboBox::activated, this, &CellEditor::picked);
}

// Return ends the edit in every one-line editor, and is used up there: passed on, it would reach
// the list and activate the row (the todo page opened its note dialog after a typed item).
bool CellEditor::IsCommitKey(int key, Qt::KeyboardModifiers /*modifiers*/) const {
  return IsEnter(key);
}

bool CellEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return QObject::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) {
    emit cancelRequested();
    return true;
  }
  if (IsCommitKey(key->key(), key->modifiers())) {
    emit commitRequested();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The editors

TextEditor::TextEditor(QWidget* parent, const QString& text, int limit)
    : CellEditor(Kind::kText, new QLineEdit(parent), text) {
  m_line = static_cast<QLineEdit*>(Widget());
  m_line->setObjectName(QStringLiteral("listEditor"));
  if (limit > 0) {
    m_line->setMaxLength(limit);
  }
  m_line->setText(text);
  m_line->selectAll();
  WatchKeys(m_line);
}

QString TextEditor::Text() const {
  return m_line->text();
}

bool TextEditor::InsertText(const QString& text) {
  m_line->insert(text);
  m_line->setFocus();
  return true;
}

ChoiceEditor::ChoiceEditor(QWidget* parent, const CListItem* item, const QString& text)
    : CellEditor(Kind::kChoices, MakeCombo(parent), text) {
  m_combo = static_cast<QComboBox*>(Widget());
  int current = -1;
  if (item != nullptr) {
    for (size_t i = 0; i < item->choices.size(); ++i) {
      const CListItem::Choice& choice = item->choices[i];
      m_combo->addItem(choice.text);
      if (current < 0 &&
          (choice.text == text || (item->choiceId != 0 && choice.id == item->choiceId))) {
        current = static_cast<int>(i);
      }
    }
  }
  m_combo->setCurrentIndex(current);
  ForwardPicks(m_combo);
  WatchKeys(m_combo);
}

PickListEditor::PickListEditor(QWidget* parent, const CListItem* item, const QString& text)
    : CellEditor(Kind::kPickList, MakeCombo(parent), text) {
  m_combo = static_cast<QComboBox*>(Widget());
  m_combo->setEditable(true);
  m_combo->setInsertPolicy(QComboBox::NoInsert);
  if (item != nullptr && item->limit > 0) {
    m_combo->lineEdit()->setMaxLength(item->limit);
  }
  AddChoices(*m_combo, item);
  m_combo->setCurrentIndex(-1);
  m_combo->setEditText(text);
  m_combo->lineEdit()->selectAll();
  ForwardPicks(m_combo);
  WatchKeys(m_combo->lineEdit());
}

QString PickListEditor::Text() const {
  return m_combo->lineEdit()->text();
}

bool PickListEditor::InsertText(const QString& text) {
  m_combo->lineEdit()->insert(text);
  m_combo->lineEdit()->setFocus();
  return true;
}

MultiLineEditor::MultiLineEditor(QWidget* parent, const CListItem* item, const QString& text)
    : CellEditor(Kind::kMultiLine, new MultiLineFrame(parent), text),
      m_text(static_cast<MultiLineFrame*>(Widget())->text),
      m_picks(static_cast<MultiLineFrame*>(Widget())->picks) {
  m_text->setPlainText(DisplayText(text));
  m_text->moveCursor(QTextCursor::End);
  m_picks->setPlaceholderText(strings::Load(ids::kPopupListTitle));
  AddChoices(*m_picks, item);
  m_picks->setCurrentIndex(-1);
  ForwardPicks(m_picks);
  WatchKeys(m_text);
}

QString MultiLineEditor::Text() const {
  return m_text->toPlainText();
}

bool MultiLineEditor::InsertText(const QString& text) {
  m_text->insertPlainText(text);
  m_text->setFocus();
  return true;
}

void MultiLineEditor::InsertPick(const QString& pick) {
  m_picks->setCurrentIndex(-1);
  QTextCursor cursor = m_text->textCursor();
  const QString before = m_text->toPlainText().left(cursor.selectionStart());
  QString insert = pick;
  if (!cursor.hasSelection() && !before.isEmpty() && !before.back().isSpace()) {
    insert.prepend(QLatin1String(", "));
  }
  cursor.insertText(insert);
  m_text->setTextCursor(cursor);
  m_text->setFocus();
}

void MultiLineEditor::SetPicks(const std::vector<CListItem::Choice>& choices) {
  m_picks->clear();
  for (const CListItem::Choice& choice : choices) {
    m_picks->addItem(choice.text);
  }
  m_picks->setCurrentIndex(-1);
}

// Return alone is a new line of the text; Tab would otherwise only step to the picks below it.
bool MultiLineEditor::IsCommitKey(int key, Qt::KeyboardModifiers modifiers) const {
  return (IsEnter(key) && (modifiers & Qt::ControlModifier) != 0) || key == Qt::Key_Tab ||
         key == Qt::Key_Backtab;
}

// The picks stay in reach of the keyboard now that Tab ends the edit: Alt+Down opens them, as
// it opens any drop-down.
bool MultiLineEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_text && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier) != 0 &&
        m_picks->count() > 0) {
      m_picks->showPopup();
      return true;
    }
  }
  return CellEditor::eventFilter(watched, event);
}

DateChoicesEditor::DateChoicesEditor(QWidget* parent, const QString& text)
    : CellEditor(Kind::kDateChoices, MakeCombo(parent), text) {
  m_combo = static_cast<QComboBox*>(Widget());
  for (int id = ids::kDateChoiceFirst; id <= ids::kDateChoiceLast; ++id) {
    m_combo->addItem(strings::Load(id), id);
  }
  m_combo->setCurrentIndex(-1);
  ForwardPicks(m_combo);
  WatchKeys(m_combo);
}

int32_t DateChoicesEditor::ChoiceId(int index) {
  return ids::kDateChoiceFirst + index;
}

DatePickerEditor::DatePickerEditor(QWidget* parent, const QString& text, const SYSTEMTIME& start)
    : CellEditor(Kind::kDatePicker, new QDateEdit(parent), text), m_start(start) {
  m_picker = static_cast<QDateEdit*>(Widget());
  m_picker->setObjectName(QStringLiteral("listEditor"));
  m_picker->setCalendarPopup(true);
  m_picker->setMinimumDate(QDate(1800, 1, 1));
  m_picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  Restart(start);
  // A tap on a day ends the edit once the calendar has closed itself.
  connect(m_picker->calendarWidget(), &QCalendarWidget::clicked, this,
          [this] { QTimer::singleShot(0, this, &CellEditor::commitRequested); });
  WatchKeys(m_picker);
}

void DatePickerEditor::Restart(const SYSTEMTIME& start) {
  m_start = start;
  const QDate date(start.wYear, start.wMonth, start.wDay);
  m_picker->setDate(date.isValid() ? date : QDate::currentDate());
}

SYSTEMTIME DatePickerEditor::Date() const {
  const QDate picked = m_picker->date();
  SYSTEMTIME date = m_start;
  date.wYear = static_cast<uint16_t>(picked.year());
  date.wMonth = static_cast<uint16_t>(picked.month());
  date.wDay = static_cast<uint16_t>(picked.day());
  date.wDayOfWeek = static_cast<uint16_t>(picked.dayOfWeek() % 7);
  return date;
}

}  // namespace list_editors
