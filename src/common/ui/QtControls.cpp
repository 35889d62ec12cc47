#include "common/ui/QtControls.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QListWidget>

namespace qt_controls {

void ComboBox::ResetContent() {
  combo_.clear();
}

int ComboBox::AddString(const QString& text) {
  combo_.addItem(text);
  return combo_.count() - 1;
}

void ComboBox::SetItemData(int index, uint32_t data) {
  combo_.setItemData(index, QVariant::fromValue(data), Qt::UserRole);
}

int ComboBox::GetCount() const {
  return combo_.count();
}

void ComboBox::SetCurSel(int index) {
  combo_.setCurrentIndex(index < combo_.count() ? index : -1);
}

void ListBox::ResetContent() {
  list_.clear();
}

int ListBox::AddString(const QString& text) {
  list_.addItem(text);
  return list_.count() - 1;
}

void ListBox::SetItemData(int index, uint32_t data) {
  if (QListWidgetItem* item = list_.item(index)) {
    item->setData(Qt::UserRole, QVariant::fromValue(data));
  }
}

uint32_t ItemData(const QComboBox& combo, int index) {
  return combo.itemData(index, Qt::UserRole).value<uint32_t>();
}

uint32_t ItemData(const QListWidget& list, int index) {
  const QListWidgetItem* item = list.item(index);
  return item != nullptr ? item->data(Qt::UserRole).value<uint32_t>() : 0;
}

void DDX_DateTimeCtrl(bool saveAndValidate, QDateTimeEdit& picker, FILETIME& value) {
  if (saveAndValidate) {
    const QDateTime shown = picker.dateTime();
    SYSTEMTIME time{};
    time.wYear = static_cast<uint16_t>(shown.date().year());
    time.wMonth = static_cast<uint16_t>(shown.date().month());
    time.wDay = static_cast<uint16_t>(shown.date().day());
    time.wDayOfWeek = static_cast<uint16_t>(shown.date().dayOfWeek() % 7);
    time.wHour = static_cast<uint16_t>(shown.time().hour());
    time.wMinute = static_cast<uint16_t>(shown.time().minute());
    time.wSecond = static_cast<uint16_t>(shown.time().second());
    time.wMilliseconds = static_cast<uint16_t>(shown.time().msec());
    FILETIME taken;
    if (filetime::FromSystemTime(time, taken)) {
      value = taken;
    }
    return;
  }
  SYSTEMTIME time{};
  if (!filetime::ToSystemTime(value, time)) {
    return;
  }
  picker.setDateTime(QDateTime(QDate(time.wYear, time.wMonth, time.wDay),
                               QTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds)));
}

QDateEdit* MakeShortDatePicker(QWidget* parent) {
  auto* picker = new QDateEdit(parent);
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  picker->setMinimumDate(QDate(1601, 1, 1));
  QFont calendarFont(QStringLiteral("System"));
  calendarFont.setPixelSize(15);
  picker->calendarWidget()->setFont(calendarFont);
  return picker;
}

}  // namespace qt_controls
