#pragma once

#include <QDialog>
#include <initializer_list>

#include "platform/FileTime.h"

class QDateEdit;
class QHBoxLayout;
class QTimeEdit;
class QVBoxLayout;

// What the full-screen entry dialogs of vitals, labs and tests share: the screen-filling
// window with its title, a vertical layout whose last control (a list or a text box) ends just
// above the soft input panel, and the "Date:" row with its date and time pickers and the
// dialog's buttons at the right.
class CVsTestsEntryDlg : public QDialog {
  Q_OBJECT

 public:
  CVsTestsEntryDlg(int titleId, QWidget* parent);

  QDateEdit* DatePicker() const { return m_datePicker; }
  QTimeEdit* TimePicker() const { return m_timePicker; }

 protected:
  // The "Date:" row: caption, date picker and time picker, both showing now, then buttons at
  // the right. Made by the dialogs that enter a new record.
  void AddDateRow(std::initializer_list<QWidget*> buttons);
  // A row of controls left to right, then buttons at the right.
  QHBoxLayout* AddRow(std::initializer_list<QWidget*> controls,
                      std::initializer_list<QWidget*> buttons = {});
  // The pickers' values into date and time (save) or the other way round.
  void ExchangeDateTime(bool save, FILETIME& date, FILETIME& time);
  QVBoxLayout* MainLayout() const { return m_layout; }

  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The last control ends 5 pixels above the visible desktop's bottom while the input panel is
  // up and 35 pixels above it while it is down (room for the panel's button bar).
  void FitToInputPanel();

  QVBoxLayout* m_layout;
  QDateEdit* m_datePicker = nullptr;
  QTimeEdit* m_timePicker = nullptr;
};
