#include "common/ui/AccessibleEntries.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QToolButton>

#include "common/ui/Accessibility.h"

namespace accessibility {

// ---------------------------------------------------------------------------------------------
// EntryInterface

EntryInterface::EntryInterface(QWidget* owner, int index, QAccessible::Role role)
    : m_owner(owner), m_alive(owner), m_index(index), m_role(role) {}

bool EntryInterface::isValid() const {
  return m_alive != nullptr && m_index < Count();
}

QWindow* EntryInterface::window() const {
  QAccessibleInterface* owner = parent();
  return owner != nullptr ? owner->window() : nullptr;
}

QAccessibleInterface* EntryInterface::parent() const {
  return m_alive != nullptr ? QAccessible::queryAccessibleInterface(m_owner) : nullptr;
}

QString EntryInterface::text(QAccessible::Text t) const {
  if (!isValid()) {
    return {};
  }
  switch (t) {
    case QAccessible::Name: {
      QString name = Text();
      return name.remove(QLatin1Char('&'));
    }
    case QAccessible::Description:
      return Description();
    default:
      return {};
  }
}

QRect EntryInterface::rect() const {
  if (!isValid() || !IsShowing()) {
    return {};
  }
  const QRect place = Place();
  return QRect(Owner()->mapToGlobal(place.topLeft()), place.size());
}

QAccessible::State EntryInterface::state() const {
  QAccessible::State state;
  if (!isValid()) {
    state.invalid = true;
    return state;
  }
  state.selectable = true;
  state.selected = IsCurrent();
  state.focusable = Owner()->focusPolicy() != Qt::NoFocus;
  state.focused = state.selected && Owner()->hasFocus();
  state.disabled = !Owner()->isEnabled() || !IsEnabled();
  state.invisible = !IsShowing();
  return state;
}

void* EntryInterface::interface_cast(QAccessible::InterfaceType type) {
  return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                              : nullptr;
}

QStringList EntryInterface::actionNames() const {
  if (!isValid() || state().disabled) {
    return {};
  }
  return {pressAction()};
}

void EntryInterface::doAction(const QString& actionName) {
  if (actionName == pressAction() && !actionNames().isEmpty()) {
    Choose();
  }
}

// ---------------------------------------------------------------------------------------------
// EntryCache

EntryCache::~EntryCache() {
  for (const QAccessible::Id id : std::as_const(m_ids)) {
    QAccessible::deleteAccessibleInterface(id);
  }
}

QAccessibleInterface* EntryCache::At(int index) const {
  if (const QAccessible::Id id = m_ids.value(index)) {
    return QAccessible::accessibleInterface(id);
  }
  EntryInterface* entry = m_make(index);
  m_ids.insert(index, QAccessible::registerAccessibleInterface(entry));
  return entry;
}

int EntryCache::IndexOf(const QAccessibleInterface* child, const QAccessibleInterface* owner) {
  if (child == nullptr || child->object() != nullptr || child->parent() != owner) {
    return -1;
  }
  return static_cast<const EntryInterface*>(child)->Index();
}

namespace {

// ---------------------------------------------------------------------------------------------
// Tab strips

class TabInterface : public EntryInterface {
 public:
  TabInterface(QTabBar* bar, int index) : EntryInterface(bar, index, QAccessible::PageTab) {}

 protected:
  QTabBar* Bar() const { return static_cast<QTabBar*>(Owner()); }
  int Count() const override { return Bar()->count(); }
  QString Text() const override {
    const QString name = Bar()->accessibleTabName(Index());
    return name.isEmpty() ? Bar()->tabText(Index()) : name;
  }
  QString Description() const override { return Bar()->tabToolTip(Index()); }
  bool IsCurrent() const override { return Bar()->currentIndex() == Index(); }
  bool IsEnabled() const override { return Bar()->isTabEnabled(Index()); }
  QRect Place() const override { return Bar()->tabRect(Index()); }
  // A tap on the tab: the strip's own handler decides whether the page may be left.
  void Choose() override { Bar()->setCurrentIndex(Index()); }
};

class TabBarInterface : public QAccessibleWidget {
 public:
  explicit TabBarInterface(QTabBar* bar)
      : QAccessibleWidget(bar, QAccessible::PageTabList),
        m_tabs([bar](int index) { return new TabInterface(bar, index); }) {}

  int childCount() const override {
    return static_cast<int>(Bar()->count() + ScrollButtons().size());
  }

  QAccessibleInterface* child(int index) const override {
    if (index < 0) {
      return nullptr;
    }
    if (index < Bar()->count()) {
      return m_tabs.At(index);
    }
    const QList<QToolButton*> buttons = ScrollButtons();
    const qsizetype button = index - Bar()->count();
    return button < buttons.size() ? QAccessible::queryAccessibleInterface(buttons.at(button))
                                   : nullptr;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    const int tab = EntryCache::IndexOf(child, this);
    if (tab >= 0) {
      return tab;
    }
    const auto* button = child != nullptr ? qobject_cast<QToolButton*>(child->object()) : nullptr;
    const qsizetype at = ScrollButtons().indexOf(button);
    return at >= 0 ? Bar()->count() + static_cast<int>(at) : -1;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value && Bar()->currentIndex() >= 0) {
      return Bar()->tabText(Bar()->currentIndex()).remove(QLatin1Char('&'));
    }
    // Never the current tab's text as the strip's name: a reader would take the strip for a tab.
    return QAccessibleWidget::text(t);
  }

 private:
  QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }

  // The arrows that scroll the tabs, while there are more tabs than room.
  QList<QToolButton*> ScrollButtons() const {
    QList<QToolButton*> shown;
    for (QToolButton* button : Bar()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
      if (button->isVisible()) {
        shown.append(button);
      }
    }
    return shown;
  }

  EntryCache m_tabs;
};

// ---------------------------------------------------------------------------------------------
// Combo boxes

class ComboEntryInterface : public EntryInterface {
 public:
  ComboEntryInterface(QComboBox* combo, int index)
      : EntryInterface(combo, index, QAccessible::ListItem) {}

 protected:
  QComboBox* Combo() const { return static_cast<QComboBox*>(Owner()); }
  int Count() const override { return Combo()->count(); }
  QString Text() const override { return Combo()->itemText(Index()); }
  bool IsCurrent() const override { return Combo()->currentIndex() == Index(); }
  bool IsEnabled() const override {
    const QModelIndex item = Combo()->model()->index(Index(), Combo()->modelColumn());
    return (Combo()->model()->flags(item) & Qt::ItemIsEnabled) != 0;
  }
  // The entries show while the list is open.
  bool IsShowing() const override { return Combo()->view()->isVisible(); }
  QRect Place() const override {
    QAbstractItemView* view = Combo()->view();
    const QRect inView = view->visualRect(Combo()->model()->index(Index(), Combo()->modelColumn()));
    return QRect(Combo()->mapFromGlobal(view->viewport()->mapToGlobal(inView.topLeft())),
                 inView.size());
  }
  void Choose() override {
    Combo()->hidePopup();
    ChooseEntry(*Combo(), Index());
  }
};

class ComboBoxInterface : public QAccessibleWidget {
 public:
  explicit ComboBoxInterface(QComboBox* combo)
      : QAccessibleWidget(combo, QAccessible::ComboBox),
        m_entries([combo](int index) { return new ComboEntryInterface(combo, index); }) {}

  int childCount() const override { return Combo()->count() + (TextBox() != nullptr ? 1 : 0); }

  QAccessibleInterface* child(int index) const override {
    if (index >= 0 && index < Combo()->count()) {
      return m_entries.At(index);
    }
    if (index == Combo()->count() && TextBox() != nullptr) {
      return QAccessible::queryAccessibleInterface(TextBox());
    }
    return nullptr;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    const int entry = EntryCache::IndexOf(child, this);
    if (entry >= 0) {
      return entry;
    }
    return child != nullptr && TextBox() != nullptr && child->object() == TextBox()
               ? Combo()->count()
               : -1;
  }

  // The name is the label's (or the one given), never the current entry; the entry is the value.
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return TextBox() != nullptr ? TextBox()->text() : Combo()->currentText();
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = Combo()->view()->isVisible();
    state.collapsed = !state.expanded;
    state.hasPopup = true;
    state.editable = Combo()->isEditable();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (Combo()->isEnabled()) {
      names << showMenuAction() << pressAction();
    }
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (!Combo()->isEnabled()) {
      return;
    }
    if (actionName == showMenuAction() || actionName == pressAction()) {
      if (Combo()->view()->isVisible()) {
        Combo()->hidePopup();
      } else {
        Combo()->showPopup();
      }
      return;
    }
    QAccessibleWidget::doAction(actionName);
  }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
  QLineEdit* TextBox() const { return Combo()->isEditable() ? Combo()->lineEdit() : nullptr; }

  EntryCache m_entries;
};

}  // namespace

QAccessibleInterface* MakeTabBarInterface(QWidget* tabBar) {
  auto* bar = qobject_cast<QTabBar*>(tabBar);
  return bar != nullptr ? new TabBarInterface(bar) : nullptr;
}

QAccessibleInterface* MakeComboBoxInterface(QWidget* combo) {
  auto* box = qobject_cast<QComboBox*>(combo);
  return box != nullptr ? new ComboBoxInterface(box) : nullptr;
}

void ChooseEntry(QComboBox& combo, int index) {
  if (index < 0 || index >= combo.count()) {
    return;
  }
  combo.setCurrentIndex(index);
  emit combo.activated(index);
  emit combo.textActivated(combo.itemText(index));
}

}  // namespace accessibility
