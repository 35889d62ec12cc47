#pragma once

#include <QString>

#include "shell/CPatientTabPage.h"

class IShell;
class QLineEdit;
class QPushButton;

// The "Security" page of the preferences: the inactivity time-out in minutes, the password hint
// and the "Change Password..." button. The fields are stored when the dialog closes, any way but
// Cancel; leaving the page for another tab stores nothing.
class CSecurityPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 172;
  static constexpr uint32_t kMillisecondsPerMinute = 60000;

  // The options are read and written through shell, so that a new time-out restarts or stops
  // the inactivity lock at once.
  explicit CSecurityPage(IShell& shell, QWidget* parent = nullptr);
  // Stores the fields unless OnClose did.
  ~CSecurityPage() override;

  // Shows the stored hint and time-out the first time the page is shown; later activations keep
  // what the user typed.
  bool OnSetActive() override;
  // The dialog closes: the fields are stored.
  void OnClose() override;

  void OnChangePassword();
  // The fields are not to be stored: the dialog was cancelled.
  void DiscardFields() { m_saved = true; }

  QLineEdit* TimeoutEdit() const { return m_timeout; }
  QLineEdit* HintEdit() const { return m_hint; }
  QPushButton* ChangePasswordButton() const { return m_changePassword; }

  // The time-out that a minutes text stands for: its integer value (0 when it is not a number)
  // times 60000.
  static uint32_t TimeoutFromMinutes(const QString& minutes);

 private:
  void SaveFields();

  IShell& m_shell;
  QLineEdit* m_timeout;
  QLineEdit* m_hint;
  QPushButton* m_changePassword;
  // The fields hold the stored options (set once they were shown), and were stored already.
  bool m_loaded = false;
  bool m_saved = false;
};
