#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "common/CListItem.h"
#include "platform/FileTime.h"

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The in-place editors of the editable list, one class per kind of row. The list makes the
// editor its row asks for, places its widget over the cell, and reads it back when it closes;
// an editor knows its own widgets and keys, the list decides what a close or a pick means.
namespace list_editors {

// A cell's text as a row shows it: line ends made plain line feeds.
QString DisplayText(const QString& text);

class CellEditor : public QObject {
  Q_OBJECT

 public:
  enum class Kind { kText, kMultiLine, kChoices, kPickList, kDateChoices, kDatePicker };

  // Deletes the widget (later: it may be on the stack of its own signal).
  ~CellEditor() override;

  Kind GetKind() const { return m_kind; }
  QWidget* Widget() const { return m_widget; }
  // The cell's text when the editor opened.
  const QString& Original() const { return m_original; }
  // A drop-down that closes without a pick leaves the row as it was.
  bool IsDropDown() const { return m_kind == Kind::kChoices || m_kind == Kind::kDateChoices; }

  // What the editor holds now; the original text for editors that hold no text.
  virtual QString Text() const { return m_original; }
  // Inserts text at the caret, replacing the selection, and takes the focus; false for editors
  // without text.
  virtual bool InsertText(const QString& /*text*/) { return false; }
  // The drop-down of choices or picks; nullptr when the editor has none.
  virtual QComboBox* Picks() const { return nullptr; }
  // Height the editor needs over its cell; 0 = the cell's own.
  virtual int Height() const { return 0; }
  // Hides the widget, stops watching its keys and lets it go.
  void Release();
  // Names the editor and the boxes in it for a screen reader: the row's label.
  void SetAccessibleName(const QString& name);

 signals:
  // Choice index of Picks() was picked.
  void picked(int index);
  // The person ended the edit, keeping (Return, a calendar tap) or dropping (Escape) it.
  void commitRequested();
  void cancelRequested();

 protected:
  CellEditor(Kind kind, QWidget* widget, const QString& original);
  // Escape cancels in every editor; Return commits, unless an editor chooses its own commit keys.
  bool eventFilter(QObject* watched, QEvent* event) override;
  virtual bool IsCommitKey(int key, Qt::KeyboardModifiers modifiers) const;
  void WatchKeys(QObject* target);
  void ForwardPicks(QComboBox* combo);

 private:
  Kind m_kind;
  QWidget* m_widget;  // owned; let go by Release
  QString m_original;
  std::vector<QPointer<QObject>> m_watched;
};

// Kinds 0 and 1: one line of text, at most limit characters (0 = no limit).
class TextEditor : public CellEditor {
  Q_OBJECT

 public:
  TextEditor(QWidget* parent, const QString& text, int limit);
  QString Text() const override;
  bool InsertText(const QString& text) override;

 private:
  QLineEdit* m_line;
};

// Kind 3: a drop-down of the row's fixed choices, current = the shown text or choice id.
class ChoiceEditor : public CellEditor {
  Q_OBJECT

 public:
  ChoiceEditor(QWidget* parent, const CListItem* item, const QString& text);
  QComboBox* Picks() const override { return m_combo; }

 private:
  QComboBox* m_combo;
};

// Kind 7: a text box with a drop-down of the row's choices.
class PickListEditor : public CellEditor {
  Q_OBJECT

 public:
  PickListEditor(QWidget* parent, const CListItem* item, const QString& text);
  QString Text() const override;
  bool InsertText(const QString& text) override;
  QComboBox* Picks() const override { return m_combo; }

 private:
  QComboBox* m_combo;
};

// Kinds 2 and 8: several lines of text and, under them, a drop-down of the picks. Return makes a
// new line; Ctrl+Return and Tab end the edit and keep the text (Escape drops it, as everywhere);
// Alt+Down opens the picks.
class MultiLineEditor : public CellEditor {
  Q_OBJECT

 public:
  MultiLineEditor(QWidget* parent, const CListItem* item, const QString& text);
  QString Text() const override;
  bool InsertText(const QString& text) override;
  QComboBox* Picks() const override { return m_picks; }
  static constexpr int kHeight = 96;
  int Height() const override { return kHeight; }
  // A pick adds to the text at the caret: after ", " when it follows text without a blank.
  void InsertPick(const QString& pick);
  // Offers these picks instead (after the category editor changed the list).
  void SetPicks(const std::vector<CListItem::Choice>& choices);

 protected:
  bool IsCommitKey(int key, Qt::KeyboardModifiers modifiers) const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* m_text;
  QComboBox* m_picks;
};

// Kind 9: "No Date" and the decades, by string id.
class DateChoicesEditor : public CellEditor {
  Q_OBJECT

 public:
  DateChoicesEditor(QWidget* parent, const QString& text);
  QComboBox* Picks() const override { return m_combo; }
  // The string id of choice index.
  static int32_t ChoiceId(int index);

 private:
  QComboBox* m_combo;
};

// The in-place date picker: a calendar drop-down on start's day; the date it gives keeps start's
// time of day.
class DatePickerEditor : public CellEditor {
  Q_OBJECT

 public:
  DatePickerEditor(QWidget* parent, const QString& text, const SYSTEMTIME& start);
  // Moves the picker to start's day.
  void Restart(const SYSTEMTIME& start);
  SYSTEMTIME Date() const;
  QDateEdit* Picker() const { return m_picker; }

 private:
  QDateEdit* m_picker;
  SYSTEMTIME m_start;
};

}  // namespace list_editors
