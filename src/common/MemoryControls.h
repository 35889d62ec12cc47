#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "common/CListItem.h"
#include "common/Controls.h"

namespace memory_controls {

// In-memory controls: the command line lets the stores fill them and prints what they hold, and
// tests read them back.

// A list control without a screen.
class List : public IListControl {
 public:
  struct Row {
    QStringList columns;
    uint32_t data = 0;
    bool checked = false;
    int image = 0;
    std::unique_ptr<CListItem> item;
  };

  void DeleteAllItems() override { m_rows.clear(); }
  int GetItemCount() const override { return static_cast<int>(m_rows.size()); }
  int InsertItem(int row, const QString& text) override;
  void SetItemText(int row, int column, const QString& text) override;
  QString GetItemText(int row, int column) const override;
  void SetItemData(int row, uint32_t data) override { At(row).data = data; }
  uint32_t GetItemData(int row) const override { return At(row).data; }
  void SetCheck(int row, bool checked) override { At(row).checked = checked; }
  bool GetCheck(int row) const override { return At(row).checked; }
  void SetItemImage(int row, int image) override { At(row).image = image; }
  void SetRowItem(int row, std::unique_ptr<CListItem> item) override;
  CListItem* GetRowItem(int row) const override { return At(row).item.get(); }
  void SelectRow(int row) override { m_selected = row; }
  void SetFocus() override {}

  const std::vector<Row>& Rows() const { return m_rows; }
  int Selected() const { return m_selected; }

 private:
  Row& At(int row) { return m_rows.at(static_cast<size_t>(row)); }
  const Row& At(int row) const { return m_rows.at(static_cast<size_t>(row)); }

  std::vector<Row> m_rows;
  int m_selected = -1;
};

}  // namespace memory_controls

namespace memory_controls {

// A drop-down list without a screen.
class Combo : public IComboBox {
 public:
  struct Entry {
    QString text;
    uint32_t data = 0;
  };

  void ResetContent() override {
    m_entries.clear();
    m_selected = -1;
  }
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;
  int GetCount() const override { return static_cast<int>(m_entries.size()); }
  void SetCurSel(int index) override { m_selected = index < GetCount() ? index : -1; }

  const std::vector<Entry>& Entries() const { return m_entries; }
  int Selected() const { return m_selected; }

 private:
  std::vector<Entry> m_entries;
  int m_selected = -1;
};

// A list box without a screen.
class ListBox : public IListBox {
 public:
  void ResetContent() override { m_entries.clear(); }
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;

  const std::vector<Combo::Entry>& Entries() const { return m_entries; }

 private:
  std::vector<Combo::Entry> m_entries;
};

}  // namespace memory_controls
