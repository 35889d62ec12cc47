#pragma once

#include "security/CPrintingPage.h"
#include "security/CSecurityPage.h"
#include "shell/CPageTabCtrl.h"
#include "shell/IShell.h"

// The tabs of the preferences dialog: "Security", "Printing", then the pages that extensions
// add through ITabHost. Leaving a page asks its Validate first.
class CPrefsTabCtrl : public CPageTabCtrl {
  Q_OBJECT

 public:
  explicit CPrefsTabCtrl(IShell& shell, QWidget* parent = nullptr);
  ~CPrefsTabCtrl() override;

  // Makes the two pages, lets every extension add its preference pages, lays the pages out,
  // selects the first and shows the strip.
  void Create();
  // The dialog closes: every page is told (OnClose), once.
  void ClosePages();

  CSecurityPage& SecurityPage() { return m_securityPage; }
  CPrintingPage& PrintingPage() { return m_printingPage; }

 private:
  CSecurityPage m_securityPage;
  CPrintingPage m_printingPage;
  bool m_closed = false;
};
