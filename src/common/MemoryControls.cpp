#include "common/MemoryControls.h"

#include <algorithm>

namespace memory_controls {

int List::InsertItem(int row, const QString& text) {
  const int index = std::clamp(row, 0, GetItemCount());
  Row inserted;
  inserted.columns.append(text);
  m_rows.insert(m_rows.begin() + index, std::move(inserted));
  return index;
}

void List::SetItemText(int row, int column, const QString& text) {
  QStringList& columns = At(row).columns;
  while (columns.size() <= column) {
    columns.append(QString());
  }
  columns[column] = text;
}

QString List::GetItemText(int row, int column) const {
  return At(row).columns.value(column);
}

void List::SetRowItem(int row, std::unique_ptr<CListItem> item) {
  At(row).item = std::move(item);
}

int Combo::AddString(const QString& text) {
  m_entries.push_back({text, 0});
  return GetCount() - 1;
}

void Combo::SetItemData(int index, uint32_t data) {
  m_entries.at(static_cast<size_t>(index)).data = data;
}

int ListBox::AddString(const QString& text) {
  m_entries.push_back({text, 0});
  return static_cast<int>(m_entries.size()) - 1;
}

void ListBox::SetItemData(int index, uint32_t data) {
  m_entries.at(static_cast<size_t>(index)).data = data;
}

}  // namespace memory_controls
