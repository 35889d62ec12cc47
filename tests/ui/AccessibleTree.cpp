#include "AccessibleTree.h"

#include <QPointer>

#include <QAbstractButton>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QWidget>
#include <algorithm>

#include "common/ui/CPictureButton.h"
#include "support/Wait.h"

namespace accessible_tree {
namespace {

// The roles of the things a person operates or reads: each must have a name while it shows.
bool IsControl(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::PageTabList:
    case QAccessible::PageTab:
    case QAccessible::ProgressBar:
    case QAccessible::ToolBar:
    case QAccessible::MenuBar:
    case QAccessible::MenuItem:
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::Link:
    case QAccessible::HotkeyField:
      return true;
    default:
      return false;
  }
}

// The controls a person operates (the others are only read): one that does not show must not
// say it is enabled.
bool IsOperated(QAccessible::Role role) {
  switch (role) {
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::ProgressBar:
    case QAccessible::ToolBar:
      return false;
    default:
      return IsControl(role);
  }
}

// A control by its role, or a divider between two lists: a separator the keyboard moves.
bool IsControl(const QAccessibleInterface& object) {
  return IsControl(object.role()) ||
         (object.role() == QAccessible::Separator && object.state().focusable);
}

bool IsButton(QAccessible::Role role) {
  return role == QAccessible::PushButton || role == QAccessible::CheckBox ||
         role == QAccessible::RadioButton || role == QAccessible::ButtonMenu ||
         role == QAccessible::ButtonDropDown;
}

// Rows and cells are read through their list (see CheckTable); a list's scroll bar is announced
// by its role and orientation and moved with the list's own keys.
bool IsPartOfAList(QAccessible::Role role) {
  switch (role) {
    case QAccessible::Cell:
    case QAccessible::ListItem:
    case QAccessible::TreeItem:
    case QAccessible::Row:
    case QAccessible::Column:
    case QAccessible::ColumnHeader:
    case QAccessible::RowHeader:
    case QAccessible::ScrollBar:
      return true;
    default:
      return false;
  }
}

QString Plain(const QString& text) {
  QString plain = text;
  plain.remove(QLatin1Char('&'));
  return plain.simplified();
}

class Walker {
 public:
  std::vector<Finding> findings;

  void Visit(QAccessibleInterface& object, const QString& parentPath) {
    const QAccessible::Role role = object.role();
    const QString name = object.text(QAccessible::Name);
    const QString path = parentPath.isEmpty()
                             ? Describe(object)
                             : parentPath + QStringLiteral(" > ") + Describe(object);
    const QAccessible::State state = object.state();
    const bool showing = !state.invisible && !object.rect().isEmpty();
    if (!showing) {
      if (IsOperated(role) && !state.disabled) {
        Add(path, state.invisible ? QStringLiteral("is enabled but hidden")
                                  : QStringLiteral("is enabled but has no size"));
      }
      return;
    }
    if (IsControl(object) && name.trimmed().isEmpty() && !IsBlankText(object)) {
      Add(path, QStringLiteral("has no name"));
    }
    if (IsButton(role) && !state.disabled) {
      CheckPressable(object, path);
    }
    CheckPictureButton(object, path);
    CheckDate(object, path);
    CheckLabel(object, path);
    if (role == QAccessible::PageTabList) {
      CheckTabs(object, path);
      return;
    }
    if (object.tableInterface() != nullptr) {
      CheckTable(object, path);
      return;
    }
    if (role == QAccessible::ComboBox) {
      return;  // its entries are read when it opens
    }
    for (int i = 0; i < object.childCount(); ++i) {
      QAccessibleInterface* child = object.child(i);
      if (child != nullptr && !IsPartOfAList(child->role())) {
        Visit(*child, path);
      }
    }
  }

  static QString Describe(QAccessibleInterface& object) {
    const QString name = object.text(QAccessible::Name);
    const QString role = RoleName(object.role());
    if (!name.isEmpty()) {
      return QStringLiteral("\"%1\" (%2)").arg(name, role);
    }
    QString what = role;
    if (const QObject* owner = object.object()) {
      what += QStringLiteral(" %1").arg(QLatin1String(owner->metaObject()->className()));
      if (!owner->objectName().isEmpty()) {
        what += QStringLiteral(" \"%1\"").arg(owner->objectName());
      }
    }
    return QStringLiteral("[%1]").arg(what);
  }

 private:
  void Add(const QString& path, const QString& problem) { findings.push_back({path, problem}); }

  // A label that shows no text (an access state of " ", a blank value) has nothing to name.
  static bool IsBlankText(QAccessibleInterface& object) {
    const auto* label = qobject_cast<const QLabel*>(object.object());
    return object.role() == QAccessible::StaticText && label != nullptr &&
           Plain(label->text()).isEmpty();
  }

  void CheckPressable(QAccessibleInterface& object, const QString& path) {
    QAccessibleActionInterface* actions = object.actionInterface();
    const QStringList names = actions != nullptr ? actions->actionNames() : QStringList();
    const bool pressable = names.contains(QAccessibleActionInterface::pressAction()) ||
                           names.contains(QAccessibleActionInterface::toggleAction()) ||
                           names.contains(QAccessibleActionInterface::showMenuAction());
    if (!pressable) {
      Add(path, QStringLiteral("is an enabled button that cannot be pressed through its actions"));
    }
  }

  // A picture button is named by a word, not by its pictures' caption ("DELETE"); the
  // look-alike that stands in for a button on a read-only record is no button to press.
  void CheckPictureButton(QAccessibleInterface& object, const QString& path) {
    const auto* button = qobject_cast<const CPictureButton*>(object.object());
    if (button == nullptr) {
      return;
    }
    if (object.text(QAccessible::Name) == button->Caption()) {
      Add(path, QStringLiteral("is named by its pictures' caption, not by a word"));
    }
    if (!button->IsInert()) {
      return;
    }
    const QAccessible::State state = object.state();
    QAccessibleActionInterface* actions = object.actionInterface();
    if (!state.disabled || (actions != nullptr && !actions->actionNames().isEmpty())) {
      Add(path, QStringLiteral("is a read-only look-alike presented as a button to press"));
    }
  }

  void CheckDate(QAccessibleInterface& object, const QString& path) {
    const auto* edit = qobject_cast<const QDateTimeEdit*>(object.object());
    if (edit == nullptr) {
      return;
    }
    if (object.text(QAccessible::Value) != edit->text() || object.valueInterface() != nullptr) {
      Add(path, QStringLiteral("does not give the date it shows (\"%1\") as its value")
                    .arg(edit->text()));
    }
  }

  void CheckLabel(QAccessibleInterface& object, const QString& path) {
    const auto* label = qobject_cast<const QLabel*>(object.object());
    if (label == nullptr || object.role() != QAccessible::StaticText) {
      return;
    }
    const QString shown = Plain(label->text());
    if (shown.isEmpty()) {
      return;
    }
    const QString told =
        Plain(object.text(QAccessible::Name) + QLatin1Char(' ') + object.text(QAccessible::Value) +
              QLatin1Char(' ') + object.text(QAccessible::Description));
    if (!told.contains(shown)) {
      Add(path, QStringLiteral("shows \"%1\", which the reader is never told").arg(shown));
    }
  }

  void CheckTabs(QAccessibleInterface& strip, const QString& path) {
    const auto* bar = qobject_cast<const QTabBar*>(strip.object());
    const QString stripName = strip.text(QAccessible::Name);
    int selected = 0;
    for (int i = 0; i < strip.childCount(); ++i) {
      QAccessibleInterface* tab = strip.child(i);
      if (tab == nullptr || tab->role() != QAccessible::PageTab) {
        if (tab != nullptr) {
          Visit(*tab, path);
        }
        continue;
      }
      const QString tabPath = path + QStringLiteral(" > ") + Describe(*tab);
      if (tab->text(QAccessible::Name).isEmpty()) {
        Add(tabPath, QStringLiteral("has no name"));
      }
      if (tab->state().selected) {
        ++selected;
        if (bar != nullptr && i != bar->currentIndex()) {
          Add(tabPath, QStringLiteral("is marked selected but is not the current tab"));
        }
      }
      if (!stripName.isEmpty() && stripName == tab->text(QAccessible::Name)) {
        Add(path, QStringLiteral("is named by one of its tabs, not for what it holds"));
      }
    }
    if (bar != nullptr && bar->currentIndex() >= 0 && selected != 1) {
      Add(path, QStringLiteral("marks %1 tabs selected instead of its current tab").arg(selected));
    }
  }

  void CheckTable(QAccessibleInterface& list, const QString& path) {
    QAccessibleTableInterface* table = list.tableInterface();
    const int columns = table->columnCount();
    if (table->rowCount() == 0 || columns < 2) {
      return;  // a one-column list is read by its name and its rows
    }
    for (int column = 0; column < columns; ++column) {
      QAccessibleInterface* cell = table->cellAt(0, column);
      QAccessibleTableCellInterface* cellInfo =
          cell != nullptr ? cell->tableCellInterface() : nullptr;
      if (cellInfo == nullptr) {
        Add(path, QStringLiteral("does not give the cell of row 1, column %1").arg(column + 1));
        continue;
      }
      const QList<QAccessibleInterface*> headers = cellInfo->columnHeaderCells();
      const bool named = !headers.isEmpty() && headers.constFirst() != nullptr &&
                         !headers.constFirst()->text(QAccessible::Name).isEmpty();
      if (!named) {
        Add(path, QStringLiteral("gives column %1 no heading").arg(column + 1));
      }
    }
  }
};

QString States(const QAccessible::State& state, QAccessible::Role role) {
  QStringList states;
  if (state.disabled) {
    states << QStringLiteral("unavailable");
  }
  if (state.checkable) {
    states << (state.checked ? QStringLiteral("checked") : QStringLiteral("not checked"));
  }
  if (state.pressed) {
    states << QStringLiteral("pressed");
  }
  if (state.selected && role != QAccessible::StaticText) {
    states << QStringLiteral("selected");
  }
  if (state.readOnly && role != QAccessible::StaticText && role != QAccessible::Graphic &&
      !state.disabled) {
    states << QStringLiteral("read only");
  }
  if (state.passwordEdit) {
    states << QStringLiteral("password");
  }
  if (state.defaultButton) {
    states << QStringLiteral("default");
  }
  return states.join(QStringLiteral(", "));
}

// One line for each showing named object; tables give their columns and first rows.
class Announcer {
 public:
  QStringList lines;

  void Visit(QAccessibleInterface& object, int depth) {
    const QAccessible::State state = object.state();
    if (state.invisible || object.rect().isEmpty()) {
      return;
    }
    const QAccessible::Role role = object.role();
    const bool told =
        (!object.text(QAccessible::Name).isEmpty() || IsControl(role)) && !IsSilentLabel(object);
    if (told) {
      lines << QString(depth * 2, QLatin1Char(' ')) + Announce(object);
    }
    const int inner = told ? depth + 1 : depth;
    if (object.tableInterface() != nullptr) {
      Table(*object.tableInterface(), inner);
      return;
    }
    if (role == QAccessible::ComboBox) {
      return;
    }
    for (int i = 0; i < object.childCount(); ++i) {
      QAccessibleInterface* child = object.child(i);
      if (child != nullptr && (!IsPartOfAList(child->role()) || role == QAccessible::PageTabList)) {
        Visit(*child, inner);
      }
    }
  }

 private:
  static constexpr int kRowsShown = 3;

  // A label that shows nothing, or one that labels a control (the control is announced by it),
  // is not read on its own.
  static bool IsSilentLabel(QAccessibleInterface& object) {
    if (object.role() != QAccessible::StaticText) {
      return false;
    }
    if (object.text(QAccessible::Name).trimmed().isEmpty() &&
        object.text(QAccessible::Value).trimmed().isEmpty()) {
      return true;
    }
    return !object.relations(QAccessible::Labelled).isEmpty();
  }

  void Table(QAccessibleTableInterface& table, int depth) {
    const QString indent(depth * 2, QLatin1Char(' '));
    const int rows = table.rowCount();
    const int columns = table.columnCount();
    QStringList headings;
    for (int column = 0; column < columns && rows > 0; ++column) {
      headings << Heading(table, column);
    }
    lines << indent + QStringLiteral("%1 %2, %3 %4")
                          .arg(rows)
                          .arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                          .arg(columns)
                          .arg(columns == 1 ? QStringLiteral("column") : QStringLiteral("columns"));
    if (!headings.join(QString()).isEmpty()) {
      lines << indent + QStringLiteral("columns: ") + headings.join(QStringLiteral("; "));
    }
    for (int row = 0; row < qMin(rows, kRowsShown); ++row) {
      QStringList cells;
      for (int column = 0; column < columns; ++column) {
        QAccessibleInterface* cell = table.cellAt(row, column);
        cells << (cell != nullptr ? cell->text(QAccessible::Name) : QString());
      }
      const bool selected = table.isRowSelected(row);
      lines << indent + QStringLiteral("row %1: ").arg(row + 1) + cells.join(QStringLiteral("; ")) +
                   (selected ? QStringLiteral(" (selected)") : QString());
    }
  }

  static QString Heading(QAccessibleTableInterface& table, int column) {
    QAccessibleInterface* cell = table.cellAt(0, column);
    QAccessibleTableCellInterface* info = cell != nullptr ? cell->tableCellInterface() : nullptr;
    if (info == nullptr || info->columnHeaderCells().isEmpty()) {
      return {};
    }
    QAccessibleInterface* header = info->columnHeaderCells().constFirst();
    return header != nullptr ? header->text(QAccessible::Name) : QString();
  }
};

}  // namespace

std::vector<Finding> Check(QWidget& window) {
  QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&window);
  if (top == nullptr) {
    return {{window.objectName(), QStringLiteral("has no accessibility interface")}};
  }
  Walker walker;
  if (top->text(QAccessible::Name).isEmpty()) {
    walker.findings.push_back({Walker::Describe(*top), QStringLiteral("window has no title")});
  }
  walker.Visit(*top, QString());
  // The control with the focus is announced first; an in-place editor is reached only so.
  QWidget* focused = window.focusWidget();
  QAccessibleInterface* focus = focused != nullptr && focused->isVisible()
                                    ? QAccessible::queryAccessibleInterface(focused)
                                    : nullptr;
  if (focus != nullptr && IsControl(*focus) && focus->text(QAccessible::Name).isEmpty()) {
    walker.findings.push_back(
        {Walker::Describe(*focus), QStringLiteral("has the focus and no name")});
  }
  return walker.findings;
}

namespace {

// The role of the things the keyboard must reach.
bool IsReachedByTab(QAccessible::Role role) {
  switch (role) {
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::ProgressBar:
    case QAccessible::ToolBar:
    case QAccessible::MenuBar:
    case QAccessible::MenuItem:
    case QAccessible::PageTab:
      return false;
    default:
      return IsControl(role);
  }
}

// The widgets of the showing, enabled controls a person operates, in tree order.
void CollectOperated(QAccessibleInterface& object, std::vector<QAccessibleInterface*>& found) {
  const QAccessible::State state = object.state();
  if (state.invisible || object.rect().isEmpty()) {
    return;
  }
  const QAccessible::Role role = object.role();
  const bool divider = role == QAccessible::Separator && state.focusable;
  if ((IsReachedByTab(role) || divider) && !state.disabled &&
      qobject_cast<QWidget*>(object.object())) {
    found.push_back(&object);
  }
  if (role == QAccessible::PageTabList || role == QAccessible::ComboBox ||
      object.tableInterface() != nullptr) {
    return;  // reached as one control; its entries are chosen with the arrow keys
  }
  for (int i = 0; i < object.childCount(); ++i) {
    if (QAccessibleInterface* child = object.child(i)) {
      CollectOperated(*child, found);
    }
  }
}

QString NameOf(QWidget* widget) {
  QAccessibleInterface* object = QAccessible::queryAccessibleInterface(widget);
  return object != nullptr ? Walker::Describe(*object) : QString();
}

// True when b comes before a in reading order: wholly above it, or on its row and wholly left.
bool ComesBefore(const QRect& b, const QRect& a) {
  if (b.bottom() < a.top()) {
    return true;
  }
  const bool sameRow = b.top() <= a.bottom() && a.top() <= b.bottom();
  return sameRow && b.right() < a.left();
}

QRect GlobalRect(const QWidget* widget) {
  return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

}  // namespace

std::vector<QWidget*> TabChain(QWidget& window) {
  window.activateWindow();
  window.setFocus();
  // On an X server the window turns active only once the server's focus event arrives, later on
  // a loaded machine; until then Tab moves no focus at all.
  test_wait::Until([&window] { return window.isActiveWindow(); });
  std::vector<QWidget*> chain;
  // A date field's Tab moves between its day, month and year, and a help text's between its
  // links, before it leaves: Tab is pressed again while the focus stays, up to a bound.
  constexpr int kPressesInOneControl = 60;
  int pressesHere = 0;
  for (int presses = 0; presses < 800; ++presses) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &window, Qt::Key_Tab);
    QWidget* now = QApplication::focusWidget();
    if (now != nullptr && now == focus) {
      if (++pressesHere < kPressesInOneControl) {
        continue;
      }
      chain.push_back(now);  // kept twice: the walk ends on it
      break;
    }
    pressesHere = 0;
    if (now == nullptr || std::find(chain.begin(), chain.end(), now) != chain.end()) {
      break;
    }
    chain.push_back(now);
  }
  return chain;
}

namespace {

// A radio button of a group is reached when the group's checked one is: the arrow keys choose
// among them.
bool IsReached(QWidget* widget, const std::vector<QWidget*>& chain) {
  const auto within = [widget](QWidget* focused) {
    return focused == widget || widget->isAncestorOf(focused);
  };
  if (std::any_of(chain.begin(), chain.end(), within)) {
    return true;
  }
  const auto* radio = qobject_cast<const QRadioButton*>(widget);
  if (radio == nullptr || !radio->autoExclusive()) {
    return false;
  }
  return std::any_of(chain.begin(), chain.end(), [radio](QWidget* focused) {
    const auto* other = qobject_cast<const QRadioButton*>(focused);
    return other != nullptr &&
           (radio->group() != nullptr ? other->group() == radio->group()
                                      : other->parentWidget() == radio->parentWidget());
  });
}

}  // namespace

std::vector<Finding> CheckKeyboard(QWidget& window, TabOrder order) {
  std::vector<Finding> findings;
  // Collected before Tab walks the window: a control that Tab enables on its way (a Save that
  // an opened editor enables) was not there to reach.
  std::vector<QAccessibleInterface*> operated;
  if (QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&window)) {
    CollectOperated(*top, operated);
  }
  // The interface of a control deleted during the walk goes with it: the controls are held by
  // pointers that know when that happens.
  std::vector<QPointer<QObject>> objects;
  for (QAccessibleInterface* control : operated) {
    objects.emplace_back(control->object());
  }
  const std::vector<QWidget*> chain = TabChain(window);
  // A window of one control keeps the focus on it, as it should.
  if (operated.size() > 1 && chain.size() >= 2 && chain.back() == chain[chain.size() - 2]) {
    findings.push_back({NameOf(chain.back()), QStringLiteral("keeps the Tab key: the focus "
                                                             "cannot leave it")});
  }
  for (size_t i = 0; i < operated.size(); ++i) {
    // An in-place editor closes once the focus leaves its list, as the walk's start makes it:
    // gone or hidden after the walk, it was not there for Tab to reach.
    auto* widget = qobject_cast<QWidget*>(objects[i].data());
    if (widget == nullptr || !widget->isVisible()) {
      continue;
    }
    QAccessibleInterface* control = operated[i];
    if (!IsReached(widget, chain)) {
      findings.push_back({Walker::Describe(*control), QStringLiteral("is never reached by Tab")});
    }
  }
  if (order == TabOrder::kItsOwn) {
    return findings;
  }
  int backwards = 0;
  for (size_t i = 1; i < chain.size(); ++i) {
    if (ComesBefore(GlobalRect(chain[i]), GlobalRect(chain[i - 1]))) {
      ++backwards;
      if (backwards > 1) {
        findings.push_back({NameOf(chain[i]), QStringLiteral("is reached by Tab after %1, which "
                                                             "it stands before")
                                                  .arg(NameOf(chain[i - 1]))});
      }
    }
  }
  return findings;
}

QString Report(const std::vector<Finding>& findings) {
  QStringList lines;
  for (const Finding& finding : findings) {
    lines << finding.path + QStringLiteral(": ") + finding.problem;
  }
  return lines.join(QLatin1Char('\n'));
}

QStringList Announcements(QWidget& window) {
  Announcer announcer;
  if (QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&window)) {
    announcer.Visit(*top, 0);
  }
  return announcer.lines;
}

QString Announce(QAccessibleInterface& object) {
  QStringList parts;
  parts << object.text(QAccessible::Name) << RoleName(object.role());
  const QString value = object.text(QAccessible::Value);
  if (!value.isEmpty() && value != parts.constFirst()) {
    parts << value;
  }
  const QString states = States(object.state(), object.role());
  if (!states.isEmpty()) {
    parts << states;
  }
  QString line = parts.join(QStringLiteral(", "));
  const QString description = object.text(QAccessible::Description);
  if (!description.isEmpty() && description != object.text(QAccessible::Name)) {
    line += QStringLiteral(" (%1)").arg(description);
  }
  return line;
}

QString RoleName(QAccessible::Role role) {
  switch (role) {
    case QAccessible::Window:
      return QStringLiteral("window");
    case QAccessible::Dialog:
      return QStringLiteral("dialog");
    case QAccessible::PushButton:
      return QStringLiteral("push button");
    case QAccessible::CheckBox:
      return QStringLiteral("check box");
    case QAccessible::RadioButton:
      return QStringLiteral("radio button");
    case QAccessible::ButtonMenu:
      return QStringLiteral("menu button");
    case QAccessible::ButtonDropDown:
      return QStringLiteral("drop-down button");
    case QAccessible::ComboBox:
      return QStringLiteral("combo box");
    case QAccessible::EditableText:
      return QStringLiteral("text");
    case QAccessible::SpinBox:
      return QStringLiteral("spin box");
    case QAccessible::List:
      return QStringLiteral("list");
    case QAccessible::ListItem:
      return QStringLiteral("list item");
    case QAccessible::Tree:
      return QStringLiteral("tree");
    case QAccessible::Table:
      return QStringLiteral("table");
    case QAccessible::PageTabList:
      return QStringLiteral("page tab list");
    case QAccessible::PageTab:
      return QStringLiteral("page tab");
    case QAccessible::ProgressBar:
      return QStringLiteral("progress bar");
    case QAccessible::ToolBar:
      return QStringLiteral("tool bar");
    case QAccessible::MenuBar:
      return QStringLiteral("menu bar");
    case QAccessible::PopupMenu:
      return QStringLiteral("menu");
    case QAccessible::MenuItem:
      return QStringLiteral("menu item");
    case QAccessible::StaticText:
      return QStringLiteral("label");
    case QAccessible::Graphic:
      return QStringLiteral("picture");
    case QAccessible::Separator:
      return QStringLiteral("separator");
    case QAccessible::ScrollBar:
      return QStringLiteral("scroll bar");
    case QAccessible::Grouping:
      return QStringLiteral("group");
    case QAccessible::PropertyPage:
      return QStringLiteral("page");
    case QAccessible::Client:
    case QAccessible::Pane:
      return QStringLiteral("panel");
    default:
      return QStringLiteral("role 0x%1").arg(static_cast<int>(role), 0, 16);
  }
}

}  // namespace accessible_tree
