#include "app/CPatientTabCtrl.h"

#include <QTabBar>

#include "chart/CMedsPage.h"
#include "chart/CToDoPage.h"
#include "chart/CVSTestsPage.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"
#include "notes/CNotesPage.h"
#include "patients/CPatientInfoPage.h"
#include "patients/CPatientListPage.h"
#include "shell/IShell.h"

namespace {

// "name MR room"; an empty MR number or room leaves no doubled or trailing blank.
QString HeaderOf(const QString& name, const QString& mrNumber, const QString& room) {
  if (!mrNumber.isEmpty() && !room.isEmpty()) {
    return strings::FormatId(ids::kPatientHeader, name, mrNumber, room);
  }
  QStringList parts{name};
  for (const QString& part : {mrNumber, room}) {
    if (!part.isEmpty()) {
      parts << part;
    }
  }
  return parts.join(QLatin1Char(' '));
}

}  // namespace

CPatientTabCtrl::CPatientTabCtrl(IShell& shell, QWidget* parent)
    : CPageTabCtrl(parent), m_shell(shell), m_headerText(strings::Load(ids::kPatientNotSelected)) {
  TabBar()->setAccessibleName(strings::Load(ids::kChartTabsName));
}

CPatientTabCtrl::~CPatientTabCtrl() {
  for (CPatientTabPage* page : m_chartPages) {
    delete page;
  }
}

void CPatientTabCtrl::ClosePages() {
  for (CPatientTabPage* page : m_chartPages) {
    page->OnClose();
  }
}

void CPatientTabCtrl::Create() {
  m_listPage = new CPatientListPage(this);
  AddChartPage(m_listPage, ids::kTabMain);
  AddChartPage(new CPatientInfoPage(this), ids::kTabInfo);
  AddChartPage(new CMedsPage(this), ids::kTabMeds);
  AddChartPage(new CVSTestsPage(this), ids::kTabVsTests);
  AddChartPage(new CNotesPage(this), ids::kTabNotes);
  AddChartPage(new CToDoPage(this), ids::kTabTodo);
  // The list fills itself and selects its first patient, which sets the header.
  m_listPage->OnInitDialog();
  SelectPage(0);
  XMExtensionMgr::Instance()->AddChartPages(this);
  Layout();
}

void CPatientTabCtrl::AddChartPage(CPatientTabPage* page, int titleId) {
  page->SetHost(this);
  page->Create(this);
  m_chartPages.push_back(page);
  AddPage(page, strings::Load(titleId));
}

void CPatientTabCtrl::SetCurrentPatient(const QString& name, const QString& mrNumber,
                                        const QString& room) {
  currentPatient = name;
  currentMrNumber = mrNumber;
  SetHeader(HeaderOf(name, mrNumber, room));
  m_listPage->SetSelectedRowCells(mrNumber, room);
  patientSelected = true;
  m_shell.NotifyPatientSelected(name);
  emit patientChanged(true);
}

void CPatientTabCtrl::ClearCurrentPatient() {
  patientSelected = false;
  currentPatient.clear();
  currentMrNumber.clear();
  m_shell.NotifyPatientSelected(QString());
  SetHeader(strings::Load(ids::kPatientNotSelected));
  emit patientChanged(false);
}

void CPatientTabCtrl::RefillPatientList(bool keepSelection, bool refreshTypes) {
  m_listPage->RefillPatientList(keepSelection, refreshTypes);
}

void CPatientTabCtrl::ReloadCurrentPage() {
  if (CTabPage* page = GetCurrentPage()) {
    page->OnSetActive();
  }
}

void CPatientTabCtrl::SetHeader(const QString& text) {
  m_headerText = text;
  emit headerChanged(text);
}
