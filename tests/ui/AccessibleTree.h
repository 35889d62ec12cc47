#pragma once

#include <QAccessible>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

// Reads a window the way a screen reader does: through Qt's accessibility interfaces, from the
// window's interface down, never through the widgets themselves.
namespace accessible_tree {

// One thing a person using a screen reader would miss or be misled by.
struct Finding {
  QString path;  // the names and roles from the window down to the object
  QString problem;
};

// Walks the window's tree and answers what is wrong:
// - a showing control that a person operates or reads (buttons, boxes, lists, tabs, texts,
//   pictures, bars) has no name;
// - a control that a person operates says it is enabled while it does not show (is hidden, or
//   has no size);
// - a button that is enabled and showing cannot be pressed through its actions;
// - a tab strip is named by its current tab, or does not mark exactly that tab selected;
// - a list's cells do not tell their column headings;
// - a date field's value is not the date it shows;
// - a label's shown text reaches the reader neither as name, value nor description;
// - a picture button is named by its pictures' caption; a read-only look-alike offers a press;
// - the control with the focus (an in-place editor, say) has no name.
// The window has been shown; hidden subtrees (the pages of other tabs) are not read.
std::vector<Finding> Check(QWidget& window);

// Presses Tab from the window's first control until the focus comes back, and answers the
// controls it visited, in order.
std::vector<QWidget*> TabChain(QWidget& window);

// Whether the window's Tab order must follow its reading order, or is an order of its own (the
// fishbone of the lab results, which follows the clinical order of its values).
enum class TabOrder { kReading, kItsOwn };

// What the keyboard misses in the window (shown, its first control focused):
// - a control that shows, is enabled and is operated (buttons, boxes, lists, tab strips) that
//   Tab never reaches (a radio button is reached with its group);
// - a control that keeps Tab for itself, so that the focus cannot leave it;
// - with TabOrder::kReading, Tab moving back up or to the left more than once around the window
//   (reading order is top to bottom, left to right, then back to the top).
std::vector<Finding> CheckKeyboard(QWidget& window, TabOrder order = TabOrder::kReading);

// The findings as one text, a line each, for a test's failure message.
QString Report(const std::vector<Finding>& findings);

// What a screen reader announces for each showing object, in tree order, one line each:
// "name, role, value, states", indented by depth. Unnamed containers are read through.
QStringList Announcements(QWidget& window);

// The announcement of one object ("Delete, button, unavailable").
QString Announce(QAccessibleInterface& object);

// The role as a screen reader says it ("push button", "page tab").
QString RoleName(QAccessible::Role role);

}  // namespace accessible_tree
