#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"

namespace {

// The sixteen groups of a fingerprint as two lines of eight, which fit the box's width.
QString TwoLines(const QString& fingerprint) {
  const QStringList groups = fingerprint.split(QLatin1Char(' '));
  const qsizetype half = groups.size() / 2;
  return groups.mid(0, half).join(QLatin1Char(' ')) + QLatin1Char('\n') +
         groups.mid(half).join(QLatin1Char(' '));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_box(new QPlainTextEdit(this)),
      m_versionLine(strings::FormatId(ids::kAboutVersionLine, strings::Load(ids::kAppName),
                                      strings::Load(ids::kAppVersion))) {
  setWindowTitle(strings::Load(ids::kAboutTitle));
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/pictures/ovelin.svg")).pixmap(48, 48));
  icon->setAccessibleName(strings::Load(ids::kAppName));
  auto* version = new QLabel(m_versionLine, this);
  QFont bold = version->font();
  bold.setBold(true);
  version->setFont(bold);
  auto* maker = new QLabel(strings::Load(ids::kAboutMaker), this);
  // What a person compares when pairing this device with another for secure beaming.
  platform::DeviceIdentity identity;
  QString error;
  // A device opened for reading only (found damaged) gets no key written into it.
  const platform::Device& device = *platform::Device::Current();
  m_fingerprint =
      new QLabel(identity.LoadOrCreate(device.Folder(), error, !device.ReadOnly())
                     ? strings::FormatId(ids::kAboutFingerprint, TwoLines(identity.Fingerprint()))
                     : strings::FormatId(ids::kPairKeyUnreadable, error),
                 this);
  m_fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_fingerprint->setAccessibleName(m_fingerprint->text());

  auto* lines = new QVBoxLayout;
  lines->addWidget(version);
  lines->addWidget(maker);
  lines->addWidget(m_fingerprint);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(lines, 1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(strings::Load(ids::kButtonOk), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_box, 1);
  layout->addWidget(buttons);

  m_box->setReadOnly(true);
  m_box->setAccessibleName(strings::Load(ids::kAboutExtensionsName));
  const QString texts = ExtensionTexts();
  m_box->setPlainText(texts);
  // Without extension texts the dialog is shorter: no box (nor one to reach).
  m_box->setVisible(!texts.isEmpty());
  m_box->setEnabled(!texts.isEmpty());
}

QString CAboutDlg::ExtensionTexts() {
  static const QString kCrLf = QStringLiteral("\r\n");
  QString text;
  XMExtensionMgr* extensions = XMExtensionMgr::Instance();
  for (int i = 0; i < extensions->GetSize(); ++i) {
    XMExtension* extension = extensions->GetExtension(i);
    if (extension == nullptr) {
      continue;
    }
    if (i > 0) {
      text += kCrLf;
    }
    for (const QString& line : {extension->GetAboutText1(), extension->GetAboutText2()}) {
      if (!line.isEmpty()) {
        text += line + kCrLf;
      }
    }
  }
  // Separators alone are no text.
  return text.trimmed().isEmpty() ? QString() : text;
}
