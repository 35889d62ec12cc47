#include "security/CPreferencesDlg.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CTabPage.h"
#include "security/CPrefsTabCtrl.h"
#include "shell/IShell.h"

CPreferencesDlg::CPreferencesDlg(IShell& shell, QWidget* parent)
    : QDialog(parent),
      m_shell(shell),
      m_settingsBefore(shell.PrintSettings()),
      m_tabCtrl(new CPrefsTabCtrl(shell, this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)),
      m_cancel(new QPushButton(strings::Load(ids::kButtonCancel), this)) {
  setWindowTitle(strings::Load(ids::kPreferencesTitle));
  m_tabCtrl->setObjectName(QStringLiteral("prefsTabs"));
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_ok->setDefault(true);
  m_cancel->setObjectName(QStringLiteral("cancelButton"));
  // The pages keep Escape from their own keys; the dialog still hears it as a shortcut.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 6);
  layout->setSpacing(6);
  layout->addWidget(m_tabCtrl, 1);
  layout->addLayout(buttons);
  resize(420, 280);

  m_tabCtrl->Create();
  // The pages keep Enter from the dialog too: Enter in a field presses the default button here.
  for (QLineEdit* field : m_tabCtrl->findChildren<QLineEdit*>()) {
    connect(field, &QLineEdit::returnPressed, this, &CPreferencesDlg::OnOK);
  }
  connect(m_ok, &QPushButton::clicked, this, &CPreferencesDlg::OnOK);
  connect(m_cancel, &QPushButton::clicked, this, &CPreferencesDlg::OnCancel);
  connect(escape, &QShortcut::activated, this, &CPreferencesDlg::OnCancel);
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

void CPreferencesDlg::OnCancel() {
  m_tabCtrl->SecurityPage().DiscardFields();
  m_shell.PrintSettings() = m_settingsBefore;
  reject();
}

void CPreferencesDlg::done(int result) {
  m_tabCtrl->ClosePages();
  QDialog::done(result);
}
