#include "chart/VsTestsSubPage.h"

#include "chart/CVSTestsPage.h"

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
