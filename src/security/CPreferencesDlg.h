#pragma once

#include <QDialog>

#include "shell/Options.h"

class CPrefsTabCtrl;
class IShell;
class QPushButton;

// "Preferences": the security options, the printer page settings and the extensions' preference
// pages, on tabs. OK closes once the current page validates.
class CPreferencesDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 183;

  explicit CPreferencesDlg(IShell& shell, QWidget* parent = nullptr);
  ~CPreferencesDlg() override;

  void OnOK();
  // Cancel and Escape: the dialog closes and the stored options and page settings stay as they
  // were when it opened.
  void OnCancel();
  // Closing tells the pages first; closed any way but Cancel, the security fields are stored.
  void done(int result) override;

  CPrefsTabCtrl* TabCtrl() const { return m_tabCtrl; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }

 private:
  IShell& m_shell;
  // The page settings when the dialog opened: Cancel puts them back.
  app_options::PrintSettings m_settingsBefore;
  CPrefsTabCtrl* m_tabCtrl;
  QPushButton* m_ok;
  QPushButton* m_cancel;
};
