#include "common/ui/QtControls.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QListWidget>

namespace qt_controls {

void ComboBox::ResetContent() {
  m_combo.clear();
}

int ComboBox::AddString(const QString& text) {
  m_combo.addItem(text);
  return m_combo.count() - 1;
}

void ComboBox::SetItemData(int index, uint32_t data) {
  m_combo.setItemData(index, QVariant::fromValue(data), Qt::UserRole);
}

int ComboBox::GetCount() const {
  return m_combo.count();
}

void ComboBox::SetCurSel(int index) {
  m_combo.setCurrentIndex(index < m_combo.count() ? index : -1);
}

void ListBox::ResetContent() {
  m_list.clear();
}

int ListBox::AddString(const QString& text) {
  m_list.addItem(text);
  return m_list.count() - 1;
}

void ListBox::SetItemData(int index, uint32_t data) {
  if (QListWidgetItem* item = m_list.item(index)) {
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
