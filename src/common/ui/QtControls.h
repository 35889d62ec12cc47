#pragma once

#include <cstdint>

#include "common/Controls.h"
#include "platform/FileTime.h"

class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QListWidget;
class QTreeWidget;
class QWidget;

// The control interfaces of the stores (common/Controls.h) over Qt widgets. Item data is kept
// under Qt::UserRole as an unsigned number; ItemData reads it back.
namespace qt_controls {

class ComboBox : public IComboBox {
 public:
  explicit ComboBox(QComboBox& combo) : m_combo(combo) {}
  void ResetContent() override;
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;
  int GetCount() const override;
  void SetCurSel(int index) override;

 private:
  QComboBox& m_combo;
};

class ListBox : public IListBox {
 public:
  explicit ListBox(QListWidget& list) : m_list(list) {}
  void ResetContent() override;
  int AddString(const QString& text) override;
  void SetItemData(int index, uint32_t data) override;

 private:
  QListWidget& m_list;
};

uint32_t ItemData(const QComboBox& combo, int index);
uint32_t ItemData(const QListWidget& list, int index);

// Moves a date picker's value: into value when saving, into the picker otherwise (a value that is
// no valid time leaves the picker as it is). The picker's time of day travels too, so a picker
// that shows only the date keeps the value's time.
void DDX_DateTimeCtrl(bool saveAndValidate, QDateTimeEdit& picker, FILETIME& value);

// The short-date picker of the entry forms ("M/d/yyyy", any day from 1601 on), its month
// calendar in a 15-pixel "System" font.
QDateEdit* MakeShortDatePicker(QWidget* parent);

}  // namespace qt_controls
