#include "notes/CAddNoteDlg.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "common/CDBBaseDatabase.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/QtControls.h"
#include "common/ui/WindowRoom.h"
#include "notes/NoteWidgets.h"

namespace {

constexpr int kMargin = 6;
constexpr int kCalendarFontPixels = 15;

QDateEdit* MakeDatePicker(QWidget* parent) {
  auto* picker = new QDateEdit(parent);
  picker->setObjectName(QStringLiteral("datePicker"));
  picker->setAccessibleName(strings::Load(ids::kNameNoteDate));
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  picker->setMinimumDate(QDate(1601, 1, 1));
  QFont calendarFont(QStringLiteral("System"));
  calendarFont.setPixelSize(kCalendarFontPixels);
  picker->calendarWidget()->setFont(calendarFont);
  return picker;
}

// A radio button captioned text as it stands: an '&' there is no shortcut mark ("H&P").
QRadioButton* MakeKindButton(int textId, QWidget* parent) {
  QString caption = strings::Load(textId);
  caption.replace(QLatin1Char('&'), QLatin1String("&&"));
  auto* button = new QRadioButton(caption, parent);
  button->setAccessibleName(strings::Load(textId));
  return button;
}

QTimeEdit* MakeTimePicker(QWidget* parent) {
  auto* picker = new QTimeEdit(parent);
  picker->setObjectName(QStringLiteral("timePicker"));
  picker->setAccessibleName(strings::Load(ids::kNameNoteTime));
  picker->setDisplayFormat(QStringLiteral("h:mm AP"));
  return picker;
}

// Moves the time of day between value and the picker; value keeps its day. (The time picker's
// own day is fixed, so its whole value cannot stand for the member.)
void ExchangeTimeOfDay(bool save, QTimeEdit& picker, FILETIME& value) {
  SYSTEMTIME fields{};
  if (!filetime::ToSystemTime(value, fields)) {
    return;
  }
  if (!save) {
    picker.setTime(QTime(fields.wHour, fields.wMinute, fields.wSecond));
    return;
  }
  const QTime shown = picker.time();
  fields.wHour = static_cast<uint16_t>(shown.hour());
  fields.wMinute = static_cast<uint16_t>(shown.minute());
  fields.wSecond = static_cast<uint16_t>(shown.second());
  fields.wMilliseconds = 0;
  filetime::FromSystemTime(fields, value);
}

}  // namespace

CAddNoteDlg::CAddNoteDlg(QWidget* parent)
    : QDialog(parent),
      m_datePicker(MakeDatePicker(this)),
      m_timePicker(MakeTimePicker(this)),
      m_kinds{MakeKindButton(ids::kNoteKindSoap, this), MakeKindButton(ids::kNoteKindHp, this)},
      m_next(note_widgets::MakeButton(ids::kPictureNext, ids::kNameNext, this)),
      m_cancel(note_widgets::MakeButton(ids::kPictureCancel, ids::kNameCancel, this)) {
  setWindowTitle(strings::Load(ids::kAddNoteTitle));
  auto* kindBox = new QGroupBox(strings::Load(ids::kNoteTypeLabel), this);
  auto* kindGroup = new QButtonGroup(this);
  auto* kindLayout = new QVBoxLayout(kindBox);
  for (int kind = 0; kind < kKindCount; ++kind) {
    m_kinds[kind]->setObjectName(QStringLiteral("noteKind%1").arg(kind));
    kindGroup->addButton(m_kinds[kind], kind);
    kindLayout->addWidget(m_kinds[kind]);
  }

  auto* when = new QGridLayout;
  when->addWidget(new QLabel(strings::Load(ids::kColumnDate), this), 0, 0);
  when->addWidget(m_datePicker, 0, 1);
  when->addWidget(new QLabel(strings::Load(ids::kTimeLabel), this), 1, 0);
  when->addWidget(m_timePicker, 1, 1);
  when->setColumnStretch(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_next);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addLayout(buttons);
  layout->addWidget(kindBox);
  layout->addLayout(when);
  layout->addStretch(1);
  accessibility::TabInLayoutOrder(*this);

  GetCurrentTime(date);
  time = date;
  UpdateData(false);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);

  connect(m_next, &QAbstractButton::clicked, this, &CAddNoteDlg::OnNext);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddNoteDlg::OnCancel);
}

QRadioButton* CAddNoteDlg::KindButton(int kind) const {
  return kind >= 0 && kind < kKindCount ? m_kinds[kind] : nullptr;
}

void CAddNoteDlg::SetKindOffered(int kind, bool offered) {
  QRadioButton* button = KindButton(kind);
  if (button == nullptr) {
    return;
  }
  button->setEnabled(offered);
  if (!offered && button->isChecked()) {
    for (QRadioButton* other : m_kinds) {
      if (other->isEnabled()) {
        other->setChecked(true);
        break;
      }
    }
  }
}

bool CAddNoteDlg::IsKindOffered(int kind) const {
  const QRadioButton* button = KindButton(kind);
  return button != nullptr && button->isEnabled();
}

void CAddNoteDlg::UpdateData(bool save) {
  qt_controls::DDX_DateTimeCtrl(save, *m_datePicker, date);
  ExchangeTimeOfDay(save, *m_timePicker, time);
  if (save) {
    for (int kind = 0; kind < kKindCount; ++kind) {
      if (m_kinds[kind]->isChecked()) {
        noteKind = kind;
      }
    }
  } else if (QRadioButton* chosen = KindButton(noteKind)) {
    chosen->setChecked(true);
  }
}

void CAddNoteDlg::OnNext() {
  UpdateData(true);
  done(kNextResult);
}

void CAddNoteDlg::OnCancel() {
  reject();
}
