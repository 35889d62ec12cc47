#pragma once

#include <QString>

#include <initializer_list>

class CPictureButton;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QWidget;

// Small pieces that the notes page, the new-note dialog and the note sheets share.
namespace note_widgets {

// A picture button for caption (a string id), named for a person by nameId and reachable with
// the Tab key. A tap does not take the focus, so a list's open editor stays open.
CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent);

// A multi-line text box of a note, named nameId for a person; Enter starts a new line and Tab
// moves on to the next control.
QPlainTextEdit* MakeTextBox(int nameId, QWidget* parent);
// A row of buttons from the left.
QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons);
// The caption of a control, which a person reaches the control by.
QLabel* Caption(int textId, QWidget* control, QWidget* parent);
// The margins and spacing of a note sheet page's layout.
void SetPageMargins(QBoxLayout& layout);

// A note's text box and the text it stands for: notes end their lines with CR LF, the box with
// line feeds alone. BoxText answers the box's text with CR LF line ends; SetBoxText shows a text
// of either kind of line ends.
QString BoxText(const QPlainTextEdit& box);
void SetBoxText(QPlainTextEdit& box, const QString& text);

}  // namespace note_widgets
