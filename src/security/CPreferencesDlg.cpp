#include "security/CPreferencesDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CTabPage.h"
#include "security/CPrefsTabCtrl.h"

CPreferencesDlg::CPreferencesDlg(IShell& shell, QWidget* parent)
    : QDialog(parent),
      m_tabCtrl(new CPrefsTabCtrl(shell, this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)) {
  setWindowTitle(strings::Load(ids::kPreferencesTitle));
  m_tabCtrl->setObjectName(QStringLiteral("prefsTabs"));
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_ok->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 6);
  layout->setSpacing(6);
  layout->addWidget(m_tabCtrl, 1);
  layout->addLayout(buttons);
  resize(420, 280);

  m_tabCtrl->Create();
  connect(m_ok, &QPushButton::clicked, this, &CPreferencesDlg::OnOK);
}

CPreferencesDlg::~CPreferencesDlg() {
  m_tabCtrl->ClosePages();
}

void CPreferencesDlg::OnOK() {
  CTabPage* page = m_tabCtrl->GetCurrentPage();
  if (page != nullptr && !page->Validate()) {
    return;
  }
  accept();
}

void CPreferencesDlg::done(int result) {
  m_tabCtrl->ClosePages();
  QDialog::done(result);
}
