#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// "Pair Device": this device's fingerprint, the devices it is paired with (each can be
// unpaired), and a pairing with another device: wait for it on an address or connect to it, then
// both people compare six digits (see docs/beam-security.md). The pairing runs on this thread in
// short steps that serve the window, so Cancel works and the program's screen never freezes.
class CPairDeviceDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CPairDeviceDlg(const QString& deviceFolder, QWidget* parent = nullptr);

  void OnStart();
  void OnUnpair();

  QLabel* Fingerprint() const { return m_fingerprint; }
  QListWidget* PairedList() const { return m_paired; }
  QRadioButton* WaitChoice() const { return m_wait; }
  QRadioButton* ConnectChoice() const { return m_connect; }
  QLineEdit* WaitAddress() const { return m_waitAddress; }
  QLineEdit* ConnectAddress() const { return m_connectAddress; }
  QLineEdit* NameBox() const { return m_name; }
  QPushButton* StartButton() const { return m_start; }
  QPushButton* UnpairButton() const { return m_unpair; }
  QLabel* Status() const { return m_status; }

 protected:
  void reject() override;

 private:
  void FillPaired();
  void UpdateChoice();
  void SetRunning(bool running);
  void ShowStatus(const QString& text);

  QString m_folder;
  QLabel* m_fingerprint;
  QListWidget* m_paired;
  QPushButton* m_unpair;
  QRadioButton* m_wait;
  QLineEdit* m_waitAddress;
  QRadioButton* m_connect;
  QLineEdit* m_connectAddress;
  QLineEdit* m_name;
  QPushButton* m_start;
  QLabel* m_status;
  QPushButton* m_close;
  bool m_running = false;
  bool m_cancelRequested = false;
};
