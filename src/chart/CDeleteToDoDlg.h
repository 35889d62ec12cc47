#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// "Delete Todo Item": asks whether a delete applies to the checked items or only to the selected
// one. Running it answers 1083 for "Current Only", 1109 for "All" and 2 for "Cancel" (closing the
// dialog counts as "Cancel").
class CDeleteToDoDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCurrentOnly = 1083;
  static constexpr int kAll = 1109;
  static constexpr int kCancel = 2;

  // verbId names the string-table text of the action asked about ("Delete").
  explicit CDeleteToDoDlg(int verbId, QWidget* parent = nullptr);

  // Runs the dialog through the modal seam; answers kCurrentOnly, kAll or kCancel.
  int DoModal();
  void reject() override;

  QLabel* MessageLabel() const { return m_text; }
  QPushButton* CurrentOnlyButton() const { return m_currentOnly; }
  QPushButton* AllButton() const { return m_all; }
  QPushButton* CancelButton() const { return m_cancel; }

  QString verb;
  QString message;

 private:
  QLabel* m_text;
  QPushButton* m_currentOnly;
  QPushButton* m_all;
  QPushButton* m_cancel;
};
