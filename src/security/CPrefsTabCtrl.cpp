#include "security/CPrefsTabCtrl.h"

#include <QTabBar>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"

CPrefsTabCtrl::CPrefsTabCtrl(IShell& shell, QWidget* parent)
    : CPageTabCtrl(parent), m_securityPage(shell), m_printingPage(shell.PrintSettings()) {
  TabBar()->setAccessibleName(strings::Load(ids::kPreferenceTabsName));
}

CPrefsTabCtrl::~CPrefsTabCtrl() {
  ClosePages();
}

void CPrefsTabCtrl::Create() {
  m_securityPage.Create(this);
  AddPage(&m_securityPage, strings::Load(ids::kSecurityTab));
  m_printingPage.Create(this);
  AddPage(&m_printingPage, strings::Load(ids::kPrintingTab));
  XMExtensionMgr::Instance()->AddPreferencePages(this);
  Layout();
  SelectPage(0);
  show();
}

void CPrefsTabCtrl::ClosePages() {
  if (m_closed) {
    return;
  }
  m_closed = true;
  for (int i = 0; i < GetPageCount(); ++i) {
    GetPage(i)->OnClose();
  }
}
