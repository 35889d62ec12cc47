#include "common/ui/QtControls.h"

#include <QComboBox>
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

}  // namespace qt_controls
