#include "security/CSecurityPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <limits>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/UiSeams.h"
#include "security/CChangePasswordDlg.h"
#include "shell/IShell.h"

CSecurityPage::CSecurityPage(IShell& shell, QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_shell(shell),
      m_timeout(new QLineEdit(this)),
      m_hint(new QLineEdit(this)),
      m_changePassword(new QPushButton(strings::Load(ids::kChangePasswordButton), this)) {
  m_timeout->setObjectName(QStringLiteral("timeoutEdit"));
  m_hint->setObjectName(QStringLiteral("hintEdit"));
  m_changePassword->setObjectName(QStringLiteral("changePasswordButton"));
  // Up to three digits can be typed. The limit is the validator's, not a maximum length, so a
  // longer time-out stored by other means is shown whole and not cut.
  m_timeout->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), m_timeout));
  m_timeout->setMaximumWidth(m_timeout->fontMetrics().horizontalAdvance(QStringLiteral("0000")) +
                             16);

  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(8);
  fields->setVerticalSpacing(8);
  auto* timeoutLabel = new QLabel(strings::Load(ids::kTimeoutLabel), this);
  auto* hintLabel = new QLabel(strings::Load(ids::kHintField), this);
  timeoutLabel->setBuddy(m_timeout);
  hintLabel->setBuddy(m_hint);
  fields->addWidget(timeoutLabel, 0, 0);
  fields->addWidget(m_timeout, 0, 1, Qt::AlignLeft);
  fields->addWidget(hintLabel, 1, 0);
  fields->addWidget(m_hint, 1, 1);
  fields->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(12);
  layout->addLayout(fields);
  layout->addWidget(m_changePassword, 0, Qt::AlignLeft);
  layout->addStretch(1);

  connect(m_changePassword, &QPushButton::clicked, this, &CSecurityPage::OnChangePassword);
}

CSecurityPage::~CSecurityPage() {
  SaveFields();
}

bool CSecurityPage::OnSetActive() {
  if (m_loaded) {
    return true;
  }
  QString hint;
  uint32_t timeout = app_options::kDefaultTimeout;
  m_shell.ReadOptions(nullptr, &hint, &timeout);
  m_hint->setText(hint);
  m_timeout->setText(strings::FormatId(ids::kTimeoutMinutes, timeout / kMillisecondsPerMinute));
  m_loaded = true;
  return true;
}

void CSecurityPage::OnClose() {
  SaveFields();
}

void CSecurityPage::SaveFields() {
  // Fields that never showed the stored options would overwrite them with blanks.
  if (!m_loaded || m_saved) {
    return;
  }
  m_saved = true;
  const QString hint = m_hint->text();
  const uint32_t timeout = TimeoutFromMinutes(m_timeout->text());
  m_shell.WriteOptions(nullptr, &hint, &timeout);
}

uint32_t CSecurityPage::TimeoutFromMinutes(const QString& minutes) {
  bool number = false;
  const qulonglong value = minutes.trimmed().toULongLong(&number);
  if (!number) {
    return 0;
  }
  constexpr qulonglong kLargest = std::numeric_limits<uint32_t>::max() / kMillisecondsPerMinute;
  return static_cast<uint32_t>(qMin(value, kLargest) * kMillisecondsPerMinute);
}

void CSecurityPage::OnChangePassword() {
  CChangePasswordDlg dialog(m_shell, this);
  ui_seams::RunModal(dialog);
}
