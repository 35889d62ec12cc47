#pragma once

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/CListItem.h"
#include "common/Controls.h"
#include "common/PackedValues.h"
#include "common/ui/ListEditors.h"
#include "platform/FileTime.h"

// The editable report list: rows of column texts, each row optionally carrying a CListItem that
// says how its value is edited in place (a row without one is a plain report row, not edited). In
// the usual two-column form, column 0 is the row's label and column 1 its value; a tap on a row
// opens the editor its kind asks for:
//   0, 1  a one-line text box (the item's limit, 0 = none)
//   2     the allergies row: multi-line text with the allergies category list as pick list
//   3     a drop-down of the item's fixed choices
//   7     a text box with a drop-down pick list: the item's choices, or, when the item names a
//         category list (listId >= 0), that list's entries and "Edit Categories..."
//   8     as 7, multi-line; a pick is inserted at the caret (after ", " when it follows text)
//   9     a date: "No Date" and the decades "1910's" … "2000's"; a decade opens the in-place
//         date picker on 15 June of the decade's fifth year, 01:00:01
//
// The list keeps its own copies of the rows given to UnpackList: change a shown row through
// GetRowItem(row) and RefreshRow(row), read the values back with PackList.
//
// What the list tells its owner, as typed signals (connect them directly; a receiver of
// choicePicked may set handled):
//   choicePicked       a choice was picked: row, choiceId (string id on fixed-choice and date
//                      rows, the choice's id on pick-list rows, 0xFFFF for the edit entry) and
//                      text. Before it is sent the list has placed the text in the row (not for
//                      the edit entry, not for a decade; "No Date" clears the date). When the
//                      receiver leaves handled false, the list completes the pick: a decade opens
//                      the date picker, the edit entry of a row with a category list runs the
//                      category editor and reloads the row's choices.
//   rowActivated       a row was activated: its icon tapped, or Return without an editor.
//   editEnded          an in-place editor or the date picker closed: row, column, text (and
//                      date on date rows); cancelled when Escape dropped the edit. The list has
//                      already placed the text (and date) in the row.
//   currentRowChanged  the selection moved (row -1: no row is current).
//   valueChanged       a pick or an edit changed a row's value.
//   checkChanged       the person ticked or cleared a row's check box.
//   focusLost          the list, its editor and its companions lost the focus.
//   rowDoubleClicked   a double tap on a row.
class CBaseListCtrl : public QTreeWidget, public IListControl {
  Q_OBJECT

 public:
  static constexpr int kLabelColumn = 0;
  static constexpr int kValueColumn = 1;

  struct ChoicePick {
    int row = -1;
    int column = -1;
    int32_t choiceId = 0;
    QString text;
    // Set by a receiver that has dealt with the pick: the list does not complete it.
    bool handled = false;
  };

  struct EditEnd {
    int row = -1;
    int column = -1;
    QString text;
    bool hasDate = false;
    SYSTEMTIME date{};
    bool cancelled = false;
  };

  // Extended styles (SetExtendedStyle); whole-row selection is always on.
  enum Style : unsigned {
    kCheckBoxes = 1u << 0,
    kFullRowSelect = 1u << 1,
    kHeaderDragDrop = 1u << 2,
    kNoColumnHeader = 1u << 3,
  };

  explicit CBaseListCtrl(QWidget* parent = nullptr);
  ~CBaseListCtrl() override;

  // --- columns and looks
  int InsertColumn(int column, const QString& heading, int width,
                   Qt::Alignment alignment = Qt::AlignLeft);
  void SetColumnWidth(int column, int width);
  int GetColumnWidth(int column) const;
  void SetExtendedStyle(unsigned styles);
  unsigned GetExtendedStyle() const { return m_styles; }
  // Small icons by index, for SetItemImage.
  void SetImageList(const QList<QIcon>& icons);
  // Offers the row items' fixed choices in this column instead of editing the value column by
  // kind (the todo list: column 0 = priority choices, column 1 = text). Rows of kind 0 are then
  // not editable. -1 = off (the default).
  void SetChoiceColumn(int column);
  // Makes the size hint the height of the heading and every row (and of a multi-line editor
  // where a row has one), so that a window sized to its content shows all rows (off by default:
  // the list then takes the room its layout gives it).
  void SetSizeHintFromRows(bool on);
  QSize sizeHint() const override;
  // Width of the label column (column 0) that shows its longest text and its heading.
  int LabelColumnWidth() const;

  // --- rows of CListItems
  void UnpackList(const std::vector<CListItem>& items);
  void UnpackList(const std::vector<CListItem*>& items);
  // Labels of their own for rows whose labelId is 0 (labels[i] for row i).
  void UnpackList(const std::vector<CListItem>& items, const QStringList& labels);
  // Copies the shown rows (values, choice ids, dates, changed bits, reloaded choices) back into
  // items, row by row, as far as both reach.
  void PackList(std::vector<CListItem>& items) const;
  void PackList(const std::vector<CListItem*>& items) const;
  // Every row as "label\nvalue\n", in row order (empty values included).
  QString PackString() const;
  // The rows with a value, as "label: value\r\n" each (line ends in values become CR LF).
  QString PackNoteString() const;
  // Puts each value of packed ("name\nvalue\n" pairs) into the row of the same label and empties
  // the values of rows that it does not name. A name without a row is appended as a new plain
  // row. Answers true when the rows no longer match what was shown (a row was appended).
  bool UnpackString(const QString& packed);
  // Replaces the rows by one plain text row per pair of packed, in stored order.
  void UnpackStringList(const QString& packed);
  // Shows a row item's value (and choice text) again after it was changed directly.
  void RefreshRow(int row);
  QString GetValue(int row) const { return GetItemText(row, kValueColumn); }
  void SetValue(int row, const QString& value) { SetItemText(row, kValueColumn, value); }

  // --- editing
  // Read-only: no editor opens (an open one is closed first).
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return m_readOnly; }
  // Ends any in-place editing, taking what the editor holds.
  void CloseEdit();
  // Drops any in-place editing without taking it.
  void CancelEdit();
  // True while an in-place editor is open and not finished.
  bool IsEditing() const;
  int EditingRow() const { return m_editRow; }
  int EditingColumn() const { return m_editColumn; }
  // The open editor, nullptr when none: a QLineEdit (text rows), a QComboBox (fixed choices and
  // date rows: not editable; pick-list rows: editable), a QDateEdit (the date picker), or for
  // multi-line rows a frame holding a QPlainTextEdit and a QComboBox of the picks.
  QWidget* Editor() const;
  // Opens the row's editor as a tap would; false when the row cannot be edited.
  bool EditRow(int row, int column = kValueColumn);
  // Inserts text at the open text editor's caret, replacing its selection, and gives it the
  // focus back; false when no text editor is open.
  bool InsertInEditor(const QString& text);
  // Picks choice index of the open drop-down as the user would (for keyboards and tests).
  bool PickInEditor(int index);
  // Opens the in-place date picker over the cell on date start (flags: none so far).
  void ShowInPlaceDatePicker(int row, int column, const SYSTEMTIME& start, int flags = 0);
  bool IsDatePickerOpen() const;
  // Runs the category editor for a row's category list and reloads the row's choices.
  void EditCategories(int row);

  // --- companion controls: laid out with the list (they keep their place relative to it) and
  // may take the focus without ending the in-place edit.
  void AddCompanion(QWidget* control);
  const std::vector<QPointer<QWidget>>& Companions() const { return m_companions; }

  // --- rows
  int GetSelectedRow() const;
  int GetItemImage(int row) const;
  void DeleteItem(int row);
  void EnsureVisible(int row);
  // Reorders the rows (texts, data, checks, icons and row items move together); less compares
  // two rows by their current indexes.
  void SortRows(const std::function<bool(int rowA, int rowB)>& less);

  // --- IListControl
  void DeleteAllItems() override;
  int GetItemCount() const override;
  int InsertItem(int row, const QString& text) override;
  // Setting the value column also sets the row item's value.
  void SetItemText(int row, int column, const QString& text) override;
  QString GetItemText(int row, int column) const override;
  void SetItemData(int row, uint32_t data) override;
  uint32_t GetItemData(int row) const override;
  void SetCheck(int row, bool checked) override;
  bool GetCheck(int row) const override;
  void SetItemImage(int row, int image) override;
  void SetRowItem(int row, std::unique_ptr<CListItem> item) override;
  CListItem* GetRowItem(int row) const override;
  void SelectRow(int row) override;
  void SetFocus() override;

 signals:
  void choicePicked(CBaseListCtrl::ChoicePick& pick);
  void rowActivated(int row);
  void editEnded(const CBaseListCtrl::EditEnd& end);
  void currentRowChanged(int row);
  void valueChanged(int row, int column);
  void checkChanged(int row, bool checked);
  void focusLost(int row);
  void rowDoubleClicked(int row, int column);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  class RowData;

  void ShowRow(int row, const CListItem& item, const QString& label);
  std::vector<packed_values::Pair> RowPairs() const;
  void AppendPlainRow(const packed_values::Pair& pair);
  bool IsOnCheckBox(const QModelIndex& index, const QPoint& at) const;
  bool IsOnIcon(const QModelIndex& index, const QPoint& at) const;
  QTreeWidgetItem* At(int row) const;
  RowData* DataOf(int row) const;
  bool CanEdit(int row, int column) const;
  // Makes the editor that the row's kind (or the choice column) asks for.
  list_editors::CellEditor* MakeEditor(int row, int column);
  void OpenEditor(list_editors::CellEditor* editor, int row, int column);
  // The widget that holds the editors: the list's parent.
  QWidget* EditorHost() const;
  void PlaceEditor(QWidget* editor, int row, int column, int height);
  // Puts the open editor over its cell, wherever the cell is now (after a scroll, a move or a
  // resize of the list).
  void PositionEditor();
  // Gives a row its own height (0: the height of its text again).
  void SetRowHeight(int row, int height);
  void FinishEdit(bool take);
  // Closes the editor without taking it and without notifications.
  void DropEditor();
  void OnChoicePicked(int row, int column, int index);
  void OnDateChoicePicked(int row, int index);
  void LoadCategoryChoices(CListItem& item);
  void LayoutCompanions();
  // Slots of the tree's own signals.
  void OnTreeItemChanged(QTreeWidgetItem* changed, int column);
  void OnCurrentItemChanged(QTreeWidgetItem* current);
  void OnFocusChanged(QWidget* old, QWidget* now);
  bool HoldsFocusOf(const QWidget* widget) const;

  unsigned m_styles = 0;
  bool m_readOnly = false;
  int m_choiceColumn = -1;
  bool m_hintFromRows = false;
  QList<QIcon> m_icons;
  std::vector<QPointer<QWidget>> m_companions;
  std::vector<QPoint> m_companionOffsets;
  // The open editor (it deletes itself later when released: it may be on the stack of its own
  // key handler), with the cell it edits.
  list_editors::CellEditor* m_editor = nullptr;
  int m_editRow = -1;
  int m_editColumn = -1;
  // Set while FinishEdit runs: a notification it sends may close the editor again (a receiver
  // that calls CloseEdit, the focus leaving); the nested call must do nothing.
  bool m_finishing = false;
  QPoint m_pressPos;
  // Set while the program itself sets check boxes, so that only the person's ticks are told.
  bool m_changingChecks = false;
};
