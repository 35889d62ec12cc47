#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <vector>

class IShell;
class QLabel;
class QLineEdit;
class QPushButton;

// A picture with texts painted over it, each in its own rectangle.
class CBitmapTextWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CBitmapTextWnd(const QString& picture, QWidget* parent = nullptr);

  void AddText(const QString& text, const QRect& rect);
  void ClearTexts() { m_texts.clear(); }
  struct Entry {
    QString text;
    QRect rect;
  };
  const std::vector<Entry>& Texts() const { return m_texts; }
  const QString& Picture() const { return m_picture; }

 protected:
  // The picture, then every text in black over it, unclipped.
  void paintEvent(QPaintEvent* event) override;

 private:
  QString m_picture;
  std::vector<Entry> m_texts;
};

// The password prompt of start-up and of the inactivity lock: the start-up picture filling the
// screen, the password box, "OK" and "Exit". OK with the stored password accepts; "Exit"
// rejects, and whoever runs the dialog ends the program.
class CLoginDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 5003;

  // The stored password and hint are read through shell.
  explicit CLoginDlg(IShell& shell, QWidget* parent = nullptr);

  void OnOK();
  void OnExit();

  QLineEdit* PasswordEdit() const { return m_password; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* ExitButton() const { return m_exit; }
  const QString& Hint() const { return m_hint; }
  // The picture shown on this display (the other one stays hidden).
  CBitmapTextWnd* ShownPicture() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void PlaceTexts();

  IShell& m_shell;
  CBitmapTextWnd* m_deepPicture;
  CBitmapTextWnd* m_shallowPicture;
  QLabel* m_passwordLabel;
  QLabel* m_hintLabel;
  QLabel* m_hintField;
  QLineEdit* m_password;
  QPushButton* m_ok;
  QPushButton* m_exit;
  QString m_hint;
};
