#pragma once

#include <cstdint>

#include "common/Controls.h"

class QComboBox;
class QListWidget;
class QTreeWidget;

// The control interfaces of the stores (common/Controls.h) over Qt widgets. Item data is kept
// under Qt::UserRole as an unsigned number; ItemData reads it back.
namespace qt_controls {

class ComboBox : public IComboBox {
 public:
  explicit ComboBox(QComboBox& combo) : combo_(combo) {}
  void ResetContent() override;
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;
  int GetCount() const override;
  void SetCurSel(int index) override;

 private:
  QComboBox& combo_;
};

class ListBox : public IListBox {
 public:
  explicit ListBox(QListWidget& list) : list_(list) {}
  void ResetContent() override;
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;

 private:
  QListWidget& list_;
};

uint32_t ItemData(const QComboBox& combo, int index);
uint32_t ItemData(const QListWidget& list, int index);

}  // namespace qt_controls
