#include "TrendsExtension.h"

#include "TrendsTexts.h"

QString TrendsExtension::GetAboutText1() {
  return trends::texts::AboutLine1();
}

QString TrendsExtension::GetAboutText2() {
  return trends::texts::AboutLine2();
}

QString TrendsExtension::GetHelpContents() {
  return trends::texts::Help();
}

void TrendsExtension::AddChartPages(ITabHost* host) {
  // Without the program's resources there is no patient data to chart.
  if (host == nullptr || m_resources == nullptr || m_page != nullptr) {
    return;
  }
  auto* page = new CTrendsPage(*m_resources);
  if (!host->AddPage(trends::texts::TabTitle(), page)) {
    delete page;
    return;
  }
  m_page = page;
}

void TrendsExtension::AddPreferencePages(ITabHost* /*host*/) {}

void TrendsExtension::Initialize(XMResourceMgr* resources) {
  m_resources = resources;
  if (resources != nullptr) {
    resources->AddPatientListener(this);
    resources->GetPatientData()->AddDataListener(this);
  }
}

bool TrendsExtension::OnCmdMsg(int /*commandId*/) {
  return false;
}

bool TrendsExtension::OnRegisteredMsg(const QString& /*message*/) {
  return false;
}

void TrendsExtension::OnPatientSelected(const QString& /*name*/) {
  if (m_page != nullptr) {
    m_page->OnPatientDataChanged();
  }
}

void TrendsExtension::OnPatientDeleted(const QString& /*name*/) {
  if (m_page != nullptr) {
    m_page->OnPatientDataChanged();
  }
}

void TrendsExtension::OnPatientDataChanged(const QString& name) {
  // Another patient's records do not change what the tab shows.
  if (m_page != nullptr &&
      (name.isEmpty() || name == m_resources->GetPatientData()->CurrentPatient())) {
    m_page->OnPatientDataChanged();
  }
}
