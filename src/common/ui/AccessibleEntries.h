#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>

// The accessibility interfaces of the controls whose entries are drawn by the control itself, not
// made of widgets: the tabs of a tab strip and the entries of a combo box. Used by
// Accessibility.cpp, which installs them.
namespace accessibility {

// One entry of such a control: it has no object of its own; its name, state and place come from
// the control, and its press action chooses it as a tap would.
class EntryInterface : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  EntryInterface(QWidget* owner, int index, QAccessible::Role role);

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
  QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return m_role; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

  int Index() const { return m_index; }

 protected:
  // The control: set for the entry's life; isValid() tells whether it still exists.
  QWidget* Owner() const { return m_owner; }
  // The control's side of the entry.
  virtual int Count() const = 0;
  virtual QString Text() const = 0;
  virtual QString Description() const { return {}; }
  virtual bool IsCurrent() const = 0;
  virtual bool IsEnabled() const { return true; }
  virtual bool IsShowing() const { return Owner()->isVisible(); }
  // In the owner's coordinates.
  virtual QRect Place() const = 0;
  virtual void Choose() = 0;

 private:
  QWidget* m_owner;
  QPointer<QWidget> m_alive;
  int m_index;
  QAccessible::Role m_role;
};

// The entries' interfaces of one control, made on first use and registered with Qt, deleted with
// the control's interface.
class EntryCache {
 public:
  using Make = std::function<EntryInterface*(int index)>;

  explicit EntryCache(Make make) : m_make(std::move(make)) {}
  ~EntryCache();
  EntryCache(const EntryCache&) = delete;
  EntryCache& operator=(const EntryCache&) = delete;

  QAccessibleInterface* At(int index) const;
  // The index of child among the entries, -1 when it is none of them.
  static int IndexOf(const QAccessibleInterface* child, const QAccessibleInterface* owner);

 private:
  Make m_make;
  mutable QHash<int, QAccessible::Id> m_ids;
};

// A tab strip (QTabBar): named for what it holds (its accessible name), its tabs as children
// followed by the scroll buttons that show, the current tab selected.
QAccessibleInterface* MakeTabBarInterface(QWidget* tabBar);
// A combo box: named by its accessible name or its label, its current text as value, its
// entries as children (then its text box when editable), opened through its actions.
QAccessibleInterface* MakeComboBoxInterface(QWidget* combo);

}  // namespace accessibility
