#include "common/ui/Accessibility.h"

#include <QAccessibleWidget>
#include <QDateTimeEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/AccessibleEntries.h"
#include "common/ui/CPictureButton.h"

namespace accessibility {
namespace {

// A picture button: pressed through its press action while a person could tap it, that is
// while it shows, is enabled and is no look-alike.
class PictureButtonInterface : public QAccessibleWidget {
 public:
  explicit PictureButtonInterface(CPictureButton* button)
      : QAccessibleWidget(button, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      return Button()->SpokenName();
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.disabled = !CanPress();
    state.pressed = Button()->IsPushed() || Button()->isDown();
    return state;
  }

  QStringList actionNames() const override {
    if (!CanPress()) {
      return {};
    }
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (!CanPress()) {
      return;
    }
    if (actionName == pressAction()) {
      Button()->click();
      return;
    }
    QAccessibleWidget::doAction(actionName);
  }

 private:
  CPictureButton* Button() const { return static_cast<CPictureButton*>(widget()); }
  bool CanPress() const {
    return Button()->isEnabled() && Button()->isVisible() && !Button()->IsInert();
  }
};

// A date or time field: its value and its text are the date it shows, and its actions step the
// part of the date under the caret, as the arrow keys do. Qt gives the text box inside the field
// no interface of its own, so the field reads and moves the caret of that box itself.
class DateFieldInterface : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit DateFieldInterface(QDateTimeEdit* edit)
      : QAccessibleWidget(edit, QAccessible::EditableText) {}

  int childCount() const override { return 0; }
  QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return Edit()->text();
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = !Edit()->isReadOnly();
    state.readOnly = Edit()->isReadOnly();
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QStringList actionNames() const override {
    QStringList names;
    if (Edit()->isEnabled() && !Edit()->isReadOnly()) {
      names << increaseAction() << decreaseAction();
    }
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (!Edit()->isEnabled() || Edit()->isReadOnly()) {
      return;
    }
    if (actionName == increaseAction()) {
      Edit()->stepBy(1);
    } else if (actionName == decreaseAction()) {
      Edit()->stepBy(-1);
    } else {
      QAccessibleWidget::doAction(actionName);
    }
  }

  // The text interface, on the box inside the field.
  QString text(int startOffset, int endOffset) const override {
    return Edit()->text().mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(Edit()->text().size()); }
  int cursorPosition() const override { return Box()->cursorPosition(); }
  void setCursorPosition(int position) override { Box()->setCursorPosition(position); }
  int selectionCount() const override { return Box()->hasSelectedText() ? 1 : 0; }
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    const bool has = selectionIndex == 0 && Box()->hasSelectedText();
    *startOffset = has ? Box()->selectionStart() : 0;
    *endOffset = has ? Box()->selectionEnd() : 0;
  }
  void addSelection(int startOffset, int endOffset) override {
    Box()->setSelection(startOffset, endOffset - startOffset);
  }
  void removeSelection(int /*selectionIndex*/) override { Box()->deselect(); }
  void setSelection(int /*selectionIndex*/, int startOffset, int endOffset) override {
    Box()->setSelection(startOffset, endOffset - startOffset);
  }
  QRect characterRect(int offset) const override {
    const QFontMetrics metrics = Box()->fontMetrics();
    const QString shown = Edit()->text();
    const int left = metrics.horizontalAdvance(shown.left(offset));
    const int width =
        offset >= 0 && offset < shown.size() ? metrics.horizontalAdvance(shown.at(offset)) : 1;
    const QRect inBox(left, 0, width, Box()->height());
    return QRect(Box()->mapToGlobal(inBox.topLeft()), inBox.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Box()->cursorPositionAt(Box()->mapFromGlobal(point));
  }
  void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return {};
  }

 private:
  QDateTimeEdit* Edit() const { return static_cast<QDateTimeEdit*>(widget()); }
  QLineEdit* Box() const { return Edit()->findChild<QLineEdit*>(); }
};

// A tool button. Its interface is made once, often while the button is being built, so it asks
// on every call whether the button opens a menu at a tap: then its actions open the menu too (Qt's
// own would do nothing). The menu, and whatever a press opens (the pop-up lists of the POPUP
// buttons), opens once the caller has returned: it runs a loop of its own, which inside the
// accessibility bus's call would hold the caller's answer and lose the pop-up.
class ToolButtonInterface : public QAccessibleWidget {
 public:
  explicit ToolButtonInterface(QToolButton* button)
      : QAccessibleWidget(button, QAccessible::PushButton) {}

  QAccessible::Role role() const override {
    return OpensMenu() ? QAccessible::ButtonMenu : QAccessible::PushButton;
  }

  QString text(QAccessible::Text t) const override {
    QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty()) {
      text = Button()->text().remove(QLatin1Char('&'));
    }
    return text;
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = Button()->isCheckable();
    state.checked = Button()->isChecked();
    state.pressed = Button()->isDown();
    state.hasPopup = OpensMenu();
    state.expanded = OpensMenu() && Button()->menu()->isVisible();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (Button()->isEnabled() && Button()->isVisible()) {
      if (OpensMenu()) {
        names << showMenuAction();
      }
      names << pressAction();
      if (Button()->isCheckable()) {
        names << toggleAction();
      }
    }
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (!Button()->isEnabled() || !Button()->isVisible()) {
      return;
    }
    if (OpensMenu() && (actionName == showMenuAction() || actionName == pressAction())) {
      QMetaObject::invokeMethod(Button(), &QToolButton::showMenu, Qt::QueuedConnection);
    } else if (actionName == pressAction() || actionName == toggleAction()) {
      QMetaObject::invokeMethod(Button(), &QAbstractButton::click, Qt::QueuedConnection);
    } else {
      QAccessibleWidget::doAction(actionName);
    }
  }

 private:
  QToolButton* Button() const { return static_cast<QToolButton*>(widget()); }
  bool OpensMenu() const {
    return Button()->menu() != nullptr && Button()->popupMode() == QToolButton::InstantPopup;
  }
};

// A label. Its interface too is made before its text or name are set, so it reads them on every
// call. A label given a name of its own ("Patient record" for a label showing "Read Only") is
// named by both, "Patient record: Read Only": a screen reader that reads names alone must still
// hear the state or progress that the label shows. It also tells the text it shows as its value
// and, unless it has one, its description; a label standing for a control (its buddy) says so.
class LabelInterface : public QAccessibleWidget {
 public:
  explicit LabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QAccessible::Role role() const override {
    return Shown().isEmpty() && !Label()->pixmap().isNull() ? QAccessible::Graphic
                                                            : QAccessible::StaticText;
  }

  QString text(QAccessible::Text t) const override {
    const bool named = !widget()->accessibleName().isEmpty();
    if (t == QAccessible::Name) {
      return named ? NameWithShown() : Shown();
    }
    if (t == QAccessible::Value && named) {
      return Shown();
    }
    if (t == QAccessible::Description && named && widget()->accessibleDescription().isEmpty()) {
      return Shown();
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
  }

  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
      QAccessible::Relation match) const override {
    auto related = QAccessibleWidget::relations(match);
    if ((match & QAccessible::Labelled) != 0 && Label()->buddy() != nullptr) {
      if (QAccessibleInterface* buddy = QAccessible::queryAccessibleInterface(Label()->buddy())) {
        related.append({buddy, QAccessible::Labelled});
      }
    }
    return related;
  }

 private:
  QLabel* Label() const { return static_cast<QLabel*>(widget()); }
  QString NameWithShown() const {
    const QString name = widget()->accessibleName();
    const QString shown = Shown();
    return shown.isEmpty() || shown == name ? name : name + QLatin1String(": ") + shown;
  }
  QString Shown() const {
    QString text = Label()->text();
    if (Label()->textFormat() == Qt::RichText ||
        (Label()->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
      QTextDocument document;
      document.setHtml(text);
      text = document.toPlainText();
    }
    if (Label()->buddy() != nullptr) {
      text.remove(QLatin1Char('&'));
    }
    return text.trimmed();
  }
};

// The "more commands" arrow that a tool bar shows when its buttons do not fit.
class ToolBarExtensionInterface : public QAccessibleWidget {
 public:
  explicit ToolBarExtensionInterface(QAbstractButton* button)
      : QAccessibleWidget(button, QAccessible::CheckBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return strings::Load(ids::kMoreCommandsName);
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button()->isChecked();
    // Hidden while every button fits: there is nothing to show then.
    state.disabled = state.disabled || !Button()->isVisible();
    return state;
  }

  QStringList actionNames() const override {
    if (!Button()->isEnabled() || !Button()->isVisible()) {
      return {};
    }
    return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (actionName == toggleAction() && !actionNames().isEmpty()) {
      Button()->click();
      return;
    }
    QAccessibleWidget::doAction(actionName);
  }

 private:
  QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Asked for each class of an object from the most derived one up, before Qt's own factory.
// A scroll bar keeps Qt's own interface, which gives its value; it is only named ("Vertical
// scroll bar"), once, when a reader first asks for it: one that shows beside a long text would
// otherwise reach the reader without a name.
void NameScrollBar(QScrollBar& bar) {
  if (bar.accessibleName().isEmpty()) {
    bar.setAccessibleName(strings::Load(bar.orientation() == Qt::Vertical
                                            ? ids::kVerticalScrollBarName
                                            : ids::kHorizontalScrollBarName));
  }
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) {
    return nullptr;
  }
  if (className == QLatin1String("CPictureButton")) {
    return new PictureButtonInterface(static_cast<CPictureButton*>(widget));
  }
  if (className == QLatin1String("QDateTimeEdit") || className == QLatin1String("QDateEdit") ||
      className == QLatin1String("QTimeEdit")) {
    return new DateFieldInterface(static_cast<QDateTimeEdit*>(widget));
  }
  if (className == QLatin1String("QTabBar")) {
    return MakeTabBarInterface(widget);
  }
  if (className == QLatin1String("QComboBox")) {
    return MakeComboBoxInterface(widget);
  }
  if (className == QLatin1String("QToolButton")) {
    return new ToolButtonInterface(static_cast<QToolButton*>(widget));
  }
  if (className == QLatin1String("QToolBarExtension")) {
    return new ToolBarExtensionInterface(static_cast<QAbstractButton*>(widget));
  }
  if (className == QLatin1String("QLabel")) {
    return new LabelInterface(static_cast<QLabel*>(widget));
  }
  if (className == QLatin1String("QSplitterHandle")) {
    // The divider between two lists: a separator that takes the focus, as such dividers are
    // announced, rather than Qt's grip, which is not counted among the controls.
    return new QAccessibleWidget(widget, QAccessible::Separator);
  }
  if (className == QLatin1String("QScrollBar")) {
    NameScrollBar(static_cast<QScrollBar&>(*widget));
  }
  return nullptr;
}

// Appends the controls that Tab reaches in layout, in the order it places them: a grid by rows
// then columns, any other layout in its own order; a widget that takes no focus itself (a group
// of controls) is entered.
void CollectInLayoutOrder(const QLayout& layout, std::vector<QWidget*>& controls) {
  struct Placed {
    int row;
    int column;
    QLayoutItem* item;
  };
  std::vector<Placed> items;
  const auto* grid = qobject_cast<const QGridLayout*>(&layout);
  for (int i = 0; i < layout.count(); ++i) {
    int row = 0;
    int column = i;
    int rowSpan = 0;
    int columnSpan = 0;
    if (grid != nullptr) {
      grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
    }
    items.push_back({row, column, layout.itemAt(i)});
  }
  std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  for (const Placed& placed : items) {
    if (const QLayout* inner = placed.item->layout()) {
      CollectInLayoutOrder(*inner, controls);
    } else if (QWidget* widget = placed.item->widget()) {
      if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
        controls.push_back(widget);
      } else if (widget->layout() != nullptr) {
        CollectInLayoutOrder(*widget->layout(), controls);
      }
    }
  }
}

}  // namespace

void TabInLayoutOrder(QWidget& container) {
  if (container.layout() == nullptr) {
    return;
  }
  std::vector<QWidget*> controls;
  CollectInLayoutOrder(*container.layout(), controls);
  for (size_t i = 1; i < controls.size(); ++i) {
    QWidget::setTabOrder(controls[i - 1], controls[i]);
  }
}

void SetTabOrder(std::initializer_list<QWidget*> controls) {
  QWidget* previous = nullptr;
  for (QWidget* control : controls) {
    if (previous != nullptr) {
      QWidget::setTabOrder(previous, control);
    }
    previous = control;
  }
}

void NameScrollArrows(QTabBar& tabs) {
  for (QToolButton* arrow : tabs.findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
    const bool left = arrow->arrowType() == Qt::LeftArrow;
    arrow->setAccessibleName(
        strings::Load(left ? ids::kScrollTabsLeftName : ids::kScrollTabsRightName));
  }
}

void Install() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace accessibility
