#include "chart/VsTestsSubPage.h"

#include "chart/CVSTestsPage.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

CVsTestsSubPage::CVsTestsSubPage(int dialogId, CVSTestsPage& container)
    : CPatientTabPage(dialogId, &container), m_container(container) {}

QString CVsTestsSubPage::Patient() const {
  return m_container.CurrentPatient();
}

bool CVsTestsSubPage::IsShownSubPage() const {
  return m_container.CurrentSubPage() == this;
}

void CVsTestsSubPage::ShowReadOnlyLabel(bool shown) {
  if (IsShownSubPage()) {
    m_container.ShowReadOnlyLabel(shown);
  }
}

void CVsTestsSubPage::TellPatientDataChanged() const {
  if (IPageHost* host = m_container.Host()) {
    host->Shell().NotifyPatientDataChanged(Patient());
  }
}
