#pragma once

#include <QDialog>

class IShell;
class QLineEdit;
class QPushButton;

// "Change Password": the old password must match the stored one; the new one (empty too) is then
// stored.
class CChangePasswordDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 186;

  explicit CChangePasswordDlg(IShell& shell, QWidget* parent = nullptr);

  void OnOK();

  QLineEdit* OldPasswordEdit() const { return m_old; }
  QLineEdit* NewPasswordEdit() const { return m_new; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }

 private:
  IShell& m_shell;
  QLineEdit* m_old;
  QLineEdit* m_new;
  QPushButton* m_ok;
  QPushButton* m_cancel;
};
