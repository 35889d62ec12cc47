#pragma once

#include <QRect>
#include <QSize>

class CBaseListCtrl;
class QDialog;
class QPlainTextEdit;
class QWidget;

// How the program uses a window larger than the hand-held screen it was laid out for. At the
// hand-held size (a window of 480 x 640 pixels or smaller) every page and dialog keeps its fixed
// pixel rules. Above it, lists of records take the extra height, short boxes grow
// only as far as their text, label columns are as wide as their longest label, and entry dialogs
// open over the main window at the size of their content.
namespace window_room {

// The hand-held screen the pixel rules were made for: 240 x 320, doubled.
inline QSize HandHeldSize() {
  return {480, 640};
}

// True when a window of that size is laid out by the hand-held rules: it is no wider and no
// taller than the hand-held screen.
bool IsHandHeld(const QSize& window);
// The same for the main window, by the size it last told (SetMainWindowSize); true while no
// main window has told one (a page or dialog made on its own keeps the hand-held rules).
bool IsHandHeld();
// The main window tells its size inside its frame whenever it changes (an empty size: no main
// window); the frame's title and borders do not make a hand-held window larger.
void SetMainWindowSize(const QSize& size);

// The widths of a two-column list's label and value columns in its width w: at the hand-held
// size (2 w) / 5 - labelLess and (3 w) / 5 - valueLess; above it the label column is as wide as
// its longest label (at most half the list) and the value column takes the rest, less both.
QSize ItemValueWidths(const CBaseListCtrl& list, int w, int labelLess, int valueLess);

// Height of a plain text box that shows all of its text (at least minimumLines lines), frame
// included, at the box's present width.
int TextBoxContentHeight(const QPlainTextEdit& box, int minimumLines);

// Shares a page's height between a list of records and the text box under it, which its layout
// gives equal stretch: at the hand-held size the list keeps listHeight and the box takes the
// rest; above it the list takes the extra height and the box what its text needs (two lines at
// least, boxMinimum pixels at least, half of pageHeight at most, beyond which it scrolls).
void FitListAndBox(QWidget& list, int listHeight, QPlainTextEdit& box, int boxMinimum,
                   int pageHeight);

// Where an entry dialog goes on a desktop (the main window's rectangle): the whole desktop at the
// hand-held size; above it, the dialog's size hint (its rows and buttons), at least the hand-held
// width and at most the desktop, centred over the desktop.
QRect EntryDialogRect(const QSize& sizeHint, const QRect& desktop);

// Places an entry dialog by the rule above, over input_panel::Desktop(): at once on the whole
// desktop; above the hand-held size again when it is first shown (its rows are filled by then),
// at its content's size, its lists reporting the height of their rows as their size hint.
void PlaceEntryDialog(QDialog& dialog);

}  // namespace window_room
