#pragma once

#include <QObject>

class CBaseListCtrl;
class CPictureButton;
class QDateEdit;
class QLabel;
class QTimeEdit;
class QWidget;

// Controls and prompts that the vitals, labs and tests pages, their dialogs and their commands
// make alike.
namespace vs_tests_widgets {

// Asks the delete question questionId with OK and Cancel; true on OK.
bool ConfirmDelete(int questionId);
// Tells the user that a store refused a write or a delete (textId says what was not done).
void ReportFailure(int textId);

// A picture button named by its caption's text id, with a plain accessible name (nameId) and
// reachable by the Tab key.
CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent);
// A caption for control: the text of textId; control is named for it, without a trailing colon.
QLabel* MakeCaption(int textId, QWidget* control, QWidget* parent);
// The "Date:" short-date picker, its month calendar in a 15-pixel "System" font, and the time
// picker beside it.
QDateEdit* MakeDatePicker(QWidget* parent);
QTimeEdit* MakeTimePicker(QWidget* parent);

// Keeps a two-column list's columns at their shares of its width w as the list is resized:
// fifths gives column 0 (2 w) / 5 - firstLess and column 1 (3 w) / 5 - secondLess; halves gives
// w / 2 - firstLess and w / 2 - secondLess (truncating division, never below 10 pixels).
class ColumnShares : public QObject {
  Q_OBJECT

 public:
  enum Split { kFifths, kHalves };

  // Installed on list, which owns it.
  static void Install(CBaseListCtrl* list, Split split, int firstLess, int secondLess);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ColumnShares(CBaseListCtrl* list, Split split, int firstLess, int secondLess);
  void Apply();

  CBaseListCtrl* m_list;
  Split m_split;
  int m_firstLess;
  int m_secondLess;
};

}  // namespace vs_tests_widgets
