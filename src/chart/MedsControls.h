#pragma once

#include <optional>

class CPictureButton;
class QWidget;

// What the medication page and dialogs and the auto-text editor make their controls with, and
// how their full-screen dialogs keep the main list clear of the soft input panel.
namespace meds_controls {

// A picture button with the caption captionId, named for screen readers by the text nameId and
// reached with the Tab key; an inert look-alike ("NO" + caption) takes no focus.
CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent);

// The room to leave under a full-screen dialog's main list: 5 pixels above the input panel while
// it shows, 35 pixels above the bottom of the visible desktop while it is hidden (room for the
// command bar), and never less than 5 pixels above the dialog's own bottom. None when the panel
// cannot be asked; the list then keeps its size.
std::optional<int> ListBottomMargin(const QWidget& dialog);

}  // namespace meds_controls
