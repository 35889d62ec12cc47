#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// A modeless progress dialog for long work on the user-interface thread: a status text, a
// progress bar and "Cancel". The work polls IsCancelled(), which also keeps the screen alive by
// handling pending events.
class CProgressDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CProgressDlg(QWidget* parent = nullptr);

  // Shows the dialog (not modal).
  void Start(const QString& title = {});
  // The status text, from the string table or as given.
  void SetStatus(int stringId);
  void SetStatus(const QString& text);
  QString Status() const;
  void SetProgress(int position, int range);
  int Position() const;
  int Range() const;

  // True once the user pressed "Cancel" (or Cancel() was called); handles pending events first.
  bool IsCancelled();
  bool m_bCancelled = false;

 public slots:
  void Cancel();

 protected:
  void reject() override;

 private:
  QLabel* m_status;
  QProgressBar* m_progress;
  QPushButton* m_cancel;
};
