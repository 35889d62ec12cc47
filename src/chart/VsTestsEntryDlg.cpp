#include "chart/VsTestsEntryDlg.h"

#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "chart/VsTestsWidgets.h"
#include "common/CDBBaseDatabase.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/InputPanel.h"
#include "common/ui/QtControls.h"
#include "common/ui/WindowRoom.h"

namespace {

constexpr int kMargin = 4;
constexpr int kGapPanelUp = 5;
constexpr int kGapPanelDown = 35;

}  // namespace

CVsTestsEntryDlg::CVsTestsEntryDlg(int titleId, QWidget* parent)
    : QDialog(parent), m_layout(new QVBoxLayout(this)) {
  setWindowTitle(strings::Load(titleId));
  m_layout->setSpacing(4);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  FitToInputPanel();
}

void CVsTestsEntryDlg::AddDateRow(std::initializer_list<QWidget*> buttons) {
  m_datePicker = vs_tests_widgets::MakeDatePicker(this);
  m_timePicker = vs_tests_widgets::MakeTimePicker(this);
  QWidget* caption = vs_tests_widgets::MakeCaption(ids::kDateLabel, m_datePicker, this);
  AddRow({caption, m_datePicker, m_timePicker}, buttons);
  FILETIME now;
  GetCurrentTime(now);
  FILETIME sameNow = now;
  ExchangeDateTime(false, now, sameNow);
}

QHBoxLayout* CVsTestsEntryDlg::AddRow(std::initializer_list<QWidget*> controls,
                                      std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  for (QWidget* control : controls) {
    row->addWidget(control);
  }
  row->addStretch(1);
  for (QWidget* button : buttons) {
    row->addWidget(button, 0, Qt::AlignVCenter);
  }
  m_layout->addLayout(row);
  return row;
}

void CVsTestsEntryDlg::ExchangeDateTime(bool save, FILETIME& date, FILETIME& time) {
  if (m_datePicker == nullptr || m_timePicker == nullptr) {
    return;
  }
  if (save) {
    m_datePicker->interpretText();
    m_timePicker->interpretText();
  }
  qt_controls::DDX_DateTimeCtrl(save, *m_datePicker, date);
  qt_controls::DDX_DateTimeCtrl(save, *m_timePicker, time);
}

bool CVsTestsEntryDlg::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    FitToInputPanel();
    return true;
  }
  return QDialog::event(event);
}

void CVsTestsEntryDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitToInputPanel();
}

void CVsTestsEntryDlg::FitToInputPanel() {
  input_panel::SipInfo info;
  if (!input_panel::GetInfo(info)) {
    return;
  }
  const int gap = info.up ? kGapPanelUp : kGapPanelDown;
  // The visible desktop is measured from the dialog's own top, which is the desktop's.
  const int bottom = qMax(kGapPanelUp, height() - info.visibleDesktop.height() + gap);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, bottom);
  // Laid out at once, not at the next show: the panel may move while the dialog is up.
  m_layout->setGeometry(rect());
}
