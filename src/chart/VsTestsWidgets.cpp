#include "chart/VsTestsWidgets.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QTimeEdit>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/WindowRoom.h"

namespace vs_tests_widgets {
namespace {

constexpr int kNarrowestColumn = 10;

}  // namespace

bool ConfirmDelete(int questionId) {
  return messages::Show(strings::Load(questionId), messages::Buttons::OkCancel,
                        messages::Icon::Question) == messages::Answer::Ok;
}

void ReportFailure(int textId) {
  messages::Show(strings::Load(textId), messages::Buttons::Ok, messages::Icon::Exclamation);
}

CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent) {
  auto* button = new CPictureButton(strings::Load(captionId), parent);
  button->setAccessibleName(strings::Load(nameId));
  // The pictures take no focus by a tap, so that a list's edit survives the tap; the keyboard
  // still reaches them.
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

QLabel* MakeCaption(int textId, QWidget* control, QWidget* parent) {
  const QString text = strings::Load(textId);
  auto* caption = new QLabel(text, parent);
  caption->setBuddy(control);
  QString name = text;
  if (name.endsWith(QLatin1Char(':'))) {
    name.chop(1);
  }
  control->setAccessibleName(name);
  return caption;
}

QDateEdit* MakeDatePicker(QWidget* parent) {
  auto* picker = new QDateEdit(parent);
  picker->setObjectName(QStringLiteral("datePicker"));
  picker->setAccessibleName(strings::Load(ids::kColumnDate));
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  picker->setMinimumDate(QDate(1601, 1, 1));
  QFont calendarFont(QStringLiteral("System"));
  calendarFont.setPixelSize(15);
  picker->calendarWidget()->setFont(calendarFont);
  return picker;
}

QTimeEdit* MakeTimePicker(QWidget* parent) {
  auto* picker = new QTimeEdit(parent);
  picker->setObjectName(QStringLiteral("timePicker"));
  picker->setAccessibleName(strings::Load(ids::kTimeLabel));
  picker->setDisplayFormat(QStringLiteral("h:mm AP"));
  return picker;
}

ColumnShares::ColumnShares(CBaseListCtrl* list, Split split, int firstLess, int secondLess)
    : QObject(list),
      m_list(list),
      m_split(split),
      m_firstLess(firstLess),
      m_secondLess(secondLess) {}

void ColumnShares::Install(CBaseListCtrl* list, Split split, int firstLess, int secondLess) {
  auto* shares = new ColumnShares(list, split, firstLess, secondLess);
  list->installEventFilter(shares);
  shares->Apply();
}

bool ColumnShares::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::Resize) {
    Apply();
  }
  return QObject::eventFilter(watched, event);
}

void ColumnShares::Apply() {
  const int w = m_list->width();
  // Labels and values: two fifths and three at the hand-held size; above it the labels' column
  // is as wide as its longest label.
  const QSize widths = m_split == kFifths
                           ? window_room::ItemValueWidths(*m_list, w, m_firstLess, m_secondLess)
                           : QSize(w / 2 - m_firstLess, w / 2 - m_secondLess);
  m_list->SetColumnWidth(0, qMax(kNarrowestColumn, widths.width()));
  m_list->SetColumnWidth(1, qMax(kNarrowestColumn, widths.height()));
}

}  // namespace vs_tests_widgets
