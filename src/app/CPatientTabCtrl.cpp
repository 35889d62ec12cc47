#include "app/CPatientTabCtrl.h"

#include "app/COvelinApp.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"

CPatientTabCtrl::CPatientTabCtrl(QWidget* parent)
    : CPageTabCtrl(parent), m_headerText(strings::Load(ids::kPatientNotSelected)) {}

CPatientTabCtrl::~CPatientTabCtrl() = default;

void CPatientTabCtrl::Create() {
  CTabPage* pages[] = {&m_listPage,    &m_infoPage,  &m_medsPage,
                       &m_vsTestsPage, &m_notesPage, &m_todoPage};
  for (int i = 0; i < 6; ++i) {
    pages[i]->Create(this);
    AddPage(pages[i], strings::Load(ids::kTabFirst + i));
  }
  // The list fills itself and selects its first patient, which sets the header.
  m_listPage.OnInitDialog();
  SelectPage(0);
  XMExtensionMgr::Instance()->AddChartPages(this);
  Layout();
}

void CPatientTabCtrl::SetCurrentPatient(const QString& name, const QString& mrNumber,
                                        const QString& room) {
  currentPatient = name;
  currentMrNumber = mrNumber;
  SetHeader(strings::FormatId(ids::kPatientHeader, name, mrNumber, room));
  m_listPage.SetSelectedRowCells(mrNumber, room);
  patientSelected = true;
  if (COvelinApp* app = COvelinApp::Current()) {
    app->NotifyPatientSelected(name);
  }
  emit patientChanged(true);
}

void CPatientTabCtrl::ClearCurrentPatient() {
  patientSelected = false;
  currentPatient.clear();
  currentMrNumber.clear();
  if (COvelinApp* app = COvelinApp::Current()) {
    app->NotifyPatientSelected(QString());
  }
  SetHeader(strings::Load(ids::kPatientNotSelected));
  emit patientChanged(false);
}

void CPatientTabCtrl::RefillPatientList(bool keepSelection, bool refreshTypes) {
  m_listPage.RefillPatientList(keepSelection, refreshTypes);
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
