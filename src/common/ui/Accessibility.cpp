#include "common/ui/Accessibility.h"

#include <QAccessibleWidget>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

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
// part of the date under the caret, as the arrow keys do.
class DateFieldInterface : public QAccessibleWidget {
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

  // Reading, moving the caret and typing go to the text box inside the field.
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface || type == QAccessible::EditableTextInterface) {
      if (QAccessibleInterface* text = TextBox()) {
        return text->interface_cast(type);
      }
      return nullptr;
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

 private:
  QDateTimeEdit* Edit() const { return static_cast<QDateTimeEdit*>(widget()); }
  QAccessibleInterface* TextBox() const {
    return QAccessible::queryAccessibleInterface(
        Edit()->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly));
  }
};

// A tool button whose menu opens at a tap: its actions open the menu too. The menu opens once
// the caller has returned (it runs a loop of its own).
class MenuButtonInterface : public QAccessibleWidget {
 public:
  explicit MenuButtonInterface(QToolButton* button)
      : QAccessibleWidget(button, QAccessible::ButtonMenu) {}

  QString text(QAccessible::Text t) const override {
    QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty()) {
      text = Button()->text().remove(QLatin1Char('&'));
    }
    return text;
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = true;
    state.expanded = Button()->menu() != nullptr && Button()->menu()->isVisible();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (Button()->isEnabled()) {
      names << showMenuAction() << pressAction();
    }
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (!Button()->isEnabled()) {
      return;
    }
    if (actionName == showMenuAction() || actionName == pressAction()) {
      QMetaObject::invokeMethod(Button(), &QToolButton::showMenu, Qt::QueuedConnection);
      return;
    }
    QAccessibleWidget::doAction(actionName);
  }

 private:
  QToolButton* Button() const { return static_cast<QToolButton*>(widget()); }
};

// A label given a name of its own ("Patient record" for a label showing "Read Only"): Qt would
// read the name alone, so the shown text is its value and, unless it has one, its description.
class NamedLabelInterface : public QAccessibleWidget {
 public:
  explicit NamedLabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return Shown();
    }
    if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty()) {
      return Shown();
    }
    return QAccessibleWidget::text(t);
  }

 private:
  QString Shown() const {
    auto* label = static_cast<QLabel*>(widget());
    return label->textFormat() == Qt::RichText ? QString() : label->text().trimmed();
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

bool IsMenuButton(const QToolButton* button) {
  return button != nullptr && button->menu() != nullptr &&
         button->popupMode() == QToolButton::InstantPopup;
}

// Asked for each class of an object from the most derived one up, before Qt's own factory.
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
  if (className == QLatin1String("QToolButton") &&
      IsMenuButton(qobject_cast<QToolButton*>(widget))) {
    return new MenuButtonInterface(static_cast<QToolButton*>(widget));
  }
  if (className == QLatin1String("QToolBarExtension")) {
    return new ToolBarExtensionInterface(static_cast<QAbstractButton*>(widget));
  }
  if (className == QLatin1String("QLabel") && !widget->accessibleName().isEmpty()) {
    return new NamedLabelInterface(static_cast<QLabel*>(widget));
  }
  return nullptr;
}

}  // namespace

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
