#pragma once

#include <initializer_list>

class QComboBox;
class QTabBar;
class QWidget;

// How the program's controls present themselves to screen readers and UI robots, where Qt's own
// accessibility interfaces would mislead them:
// - a picture button is named by the word a person would say ("Delete", not "DELETE"); its
//   read-only look-alike, and a button while it is hidden, are unavailable and cannot be pressed;
// - a date field gives the date it shows as its value and text (Qt's would read 0);
// - a tab strip is named for what it holds, marks its current tab selected and selects a tab
//   through the tab's press action;
// - a combo box is named by its label, not by its current entry, and offers its entries as
//   children that are chosen through their press action, as a tap on the entry would;
// - a tool button whose menu opens at a tap opens it through its actions too;
// - a label given a name of its own still tells the text it shows (as value and description),
//   and a label says which control it stands for;
// - the tool bar's "more commands" arrow is unavailable while it is hidden.
// - the divider between two lists of a page is a separator that takes the focus.
namespace accessibility {

// Installs the interfaces above for every control made afterwards; once per process, after the
// application object and before the first window (calling it again does nothing).
void Install();

// Chooses entry index of combo as a person does in its list: the entry becomes current and the
// combo box tells that it was activated.
void ChooseEntry(QComboBox& combo, int index);

// Tab moves through controls in the order given: each one follows the one before it.
void SetTabOrder(std::initializer_list<QWidget*> controls);

// Tab moves through the controls of container in the order its layouts place them: top to
// bottom, left to right, a grid by rows. Called once the container's layouts are complete.
void TabInLayoutOrder(QWidget& container);

// Names the arrows that scroll a tab strip's tabs when they do not fit.
void NameScrollArrows(QTabBar& tabs);

}  // namespace accessibility
