#include "notes/CHPPage.h"

#include "shell/IPageHost.h"

CHPPage::CHPPage(int titleId, IPageHost& host, QWidget* parent)
    : CNoteSheetPage(titleId, parent), m_host(host) {}

QString CHPPage::CurrentPatient() const {
  return m_host.CurrentPatient();
}
