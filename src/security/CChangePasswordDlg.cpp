#include "security/CChangePasswordDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "shell/IShell.h"

CChangePasswordDlg::CChangePasswordDlg(IShell& shell, QWidget* parent)
    : QDialog(parent),
      m_shell(shell),
      m_old(new QLineEdit(this)),
      m_new(new QLineEdit(this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)),
      m_cancel(new QPushButton(strings::Load(ids::kButtonCancel), this)) {
  setWindowTitle(strings::Load(ids::kChangePasswordTitle));
  m_old->setEchoMode(QLineEdit::Password);
  m_new->setEchoMode(QLineEdit::Password);
  m_old->setObjectName(QStringLiteral("oldPasswordEdit"));
  m_new->setObjectName(QStringLiteral("newPasswordEdit"));
  m_ok->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(strings::Load(ids::kOldPasswordLabel), m_old);
  fields->addRow(strings::Load(ids::kNewPasswordLabel), m_new);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(m_ok, &QPushButton::clicked, this, &CChangePasswordDlg::OnOK);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChangePasswordDlg::OnOK() {
  QString stored;
  m_shell.ReadOptions(&stored, nullptr, nullptr);
  if (m_old->text() != stored) {
    messages::Show(strings::Load(ids::kWrongPassword), strings::Load(ids::kLoginCaption),
                   messages::Buttons::Ok, messages::Icon::Stop);
    return;
  }
  const QString password = m_new->text();
  m_shell.WriteOptions(&password, nullptr, nullptr);
  accept();
}
