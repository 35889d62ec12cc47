#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class CListItem;

// The small control interfaces through which the stores fill lists and drop-downs. The Qt
// controls implement them; tests use in-memory fakes. They hold only what the callers need.

// A report-style list: rows of column texts, each with 32-bit item data, an optional check box
// and icon, and an optional row item owned by the list.
class IListControl {
 public:
  virtual ~IListControl() = default;

  virtual void DeleteAllItems() = 0;
  virtual int GetItemCount() const = 0;
  // Inserts a row at index row with the text of column 0; answers the row's index.
  virtual int InsertItem(int row, const QString& text) = 0;
  virtual void SetItemText(int row, int column, const QString& text) = 0;
  virtual QString GetItemText(int row, int column) const = 0;
  virtual void SetItemData(int row, uint32_t data) = 0;
  virtual uint32_t GetItemData(int row) const = 0;
  virtual void SetCheck(int row, bool checked) = 0;
  virtual bool GetCheck(int row) const = 0;
  virtual void SetItemImage(int row, int image) = 0;
  virtual void SetRowItem(int row, std::unique_ptr<CListItem> item) = 0;
  virtual CListItem* GetRowItem(int row) const = 0;
  // Selects and focuses a row.
  virtual void SelectRow(int row) = 0;
  virtual void SetFocus() = 0;
};

// A drop-down list of texts, each with 32-bit item data.
class IComboBox {
 public:
  virtual ~IComboBox() = default;

  virtual void ResetContent() = 0;
  virtual int AddString(const QString& text) = 0;
  virtual void SetItemData(int index, uint32_t data) = 0;
  virtual int GetCount() const = 0;
  virtual void SetCurSel(int index) = 0;
};

// A plain list box of texts, each with 32-bit item data.
class IListBox {
 public:
  virtual ~IListBox() = default;

  virtual void ResetContent() = 0;
  virtual int AddString(const QString& text) = 0;
  virtual void SetItemData(int index, uint32_t data) = 0;
};
