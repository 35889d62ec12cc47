#include "common/ui/CTabPage.h"

#include "common/ui/InputPanel.h"

bool CTabPage::GetSIPState() {
  return input_panel::IsUp();
}

void CTabPage::ShowSIP(bool up) {
  input_panel::Show(up);
}
