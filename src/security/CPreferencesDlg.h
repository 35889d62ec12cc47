#pragma once

#include <QDialog>

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
  // Closing, whichever way, tells the pages first (the security fields are stored then).
  void done(int result) override;

  CPrefsTabCtrl* TabCtrl() const { return m_tabCtrl; }
  QPushButton* OkButton() const { return m_ok; }

 private:
  CPrefsTabCtrl* m_tabCtrl;
  QPushButton* m_ok;
};
