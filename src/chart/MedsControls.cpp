#include "chart/MedsControls.h"

#include <QWidget>

#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"

namespace meds_controls {
namespace {

constexpr int kGapPanelUp = 5;
constexpr int kGapPanelDown = 35;

}  // namespace

CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent) {
  auto* button = new CPictureButton(strings::Load(captionId), parent);
  button->setAccessibleName(strings::Load(nameId));
  if (!button->IsInert()) {
    button->setFocusPolicy(Qt::TabFocus);
  }
  return button;
}

std::optional<int> ListBottomMargin(const QWidget& dialog) {
  input_panel::SipInfo info;
  if (!input_panel::GetInfo(info)) {
    return std::nullopt;
  }
  const int gap = info.up ? kGapPanelUp : kGapPanelDown;
  return qMax(kGapPanelUp, dialog.height() - info.visibleDesktop.height() + gap);
}

}  // namespace meds_controls
