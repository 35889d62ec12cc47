#include "notes/CNoteSheetPage.h"

#include <QLayout>
#include <QTabBar>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "notes/CNoteSheet.h"
#include "notes/NoteWidgets.h"

namespace {

// Room left under the main control, above the end of the visible desktop, for the tabs (and,
// with the input panel down, the command bar).
constexpr int kGapPanelUp = 23;
constexpr int kGapPanelDown = 50;
constexpr int kMinimumBottom = 2;

}  // namespace

CNoteSheetPage::CNoteSheetPage(int titleId, QWidget* parent)
    : QWidget(parent),
      m_titleId(titleId),
      m_cancel(note_widgets::MakeButton(ids::kPictureCancel, ids::kNameCancelNote, this)) {
  m_cancel->hide();
  connect(m_cancel, &QAbstractButton::clicked, this, &CNoteSheetPage::OnCancel);
}

QString CNoteSheetPage::Title() const {
  return strings::Load(m_titleId);
}

void CNoteSheetPage::EnsureCreated() {
  if (m_created) {
    return;
  }
  m_created = true;
  OnInitPage();
  m_cancel->show();
  accessibility::TabInLayoutOrder(*this);
}

void CNoteSheetPage::OnCancel() {
  if (m_sheet != nullptr) {
    m_sheet->EndSheet(CNoteSheet::kCancelResult);
  }
}

void CNoteSheetPage::FitToInputPanel() {
  input_panel::SipInfo info;
  if (m_main == nullptr || layout() == nullptr || !input_panel::GetInfo(info)) {
    return;
  }
  const int gap = info.up ? kGapPanelUp : kGapPanelDown;
  const int wantedBottom = info.visibleDesktop.top() + info.visibleDesktop.height() - gap;
  const int pageBottom = mapToGlobal(QPoint(0, height())).y();
  QMargins margins = layout()->contentsMargins();
  margins.setBottom(qMax(kMinimumBottom, pageBottom - wantedBottom));
  if (margins != layout()->contentsMargins()) {
    layout()->setContentsMargins(margins);
    // Laid out at once: the panel may move while the sheet is up.
    layout()->setGeometry(rect());
  }
}

void CNoteSheetPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitToInputPanel();
}

void CNoteSheetPage::UseBoldTabFont() {
  if (m_sheet == nullptr) {
    return;
  }
  QFont bold = m_sheet->TabBar()->font();
  bold.setBold(true);
  m_sheet->TabBar()->setFont(bold);
}

CPictureButton* CNoteSheetPage::MakeSignButton(int captionId, int nameId, int signId,
                                               CBaseListCtrl* list) {
  CPictureButton* button = note_widgets::MakeButton(captionId, nameId, this);
  list->AddCompanion(button);
  connect(button, &QAbstractButton::clicked, list,
          [list, signId] { list->InsertInEditor(strings::Load(signId)); });
  return button;
}
