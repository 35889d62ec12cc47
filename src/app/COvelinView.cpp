#include "app/COvelinView.h"

#include <QColor>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPalette>
#include <QUrl>

#include "app/CAboutDlg.h"
#include "app/CHelpViewer.h"
#include "app/COvelinApp.h"
#include "app/CPatientTabCtrl.h"
#include "app/FeatureCommands.h"
#include "app/HelpFile.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "patients/CPatientListPage.h"
#include "shell/CommandIds.h"
#include "shell/IShell.h"

namespace {

// The reader's shortcut, in the device's windows folder.
constexpr const char* kReaderShortcut = "start menu/programs/Lumio reader.lnk";

bool OpenWithDesktop(const QString& target) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

COvelinView::ShellOpener& Opener() {
  static COvelinView::ShellOpener opener = OpenWithDesktop;
  return opener;
}

// A shortcut file holds "<length>#<target>" (or just the target); the target may be quoted.
QString ShortcutTarget(const QByteArray& contents) {
  QString text = QString::fromUtf8(contents).trimmed();
  const qsizetype hash = text.indexOf(QLatin1Char('#'));
  if (hash >= 0) {
    bool digits = true;
    for (qsizetype i = 0; i < hash; ++i) {
      digits = digits && text[i].isDigit();
    }
    if (digits) {
      text = text.mid(hash + 1).trimmed();
    }
  }
  if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
    text = text.mid(1, text.size() - 2);
  }
  return text;
}

}  // namespace

COvelinView::COvelinView(IShell& shell, QWidget* parent)
    : QWidget(parent),
      m_shell(shell),
      m_header(new QLabel(this)),
      m_tabCtrl(new CPatientTabCtrl(shell, this)) {
  m_header->setObjectName(QStringLiteral("header"));
  m_header->setProperty("controlId", command_ids::kHeaderLabel);
  m_header->setText(strings::Load(ids::kPatientNotSelected));
  m_header->setIndent(6);
  QFont bold = m_header->font();
  bold.setBold(true);
  m_header->setFont(bold);
  m_header->setAutoFillBackground(true);
  QPalette palette = m_header->palette();
  palette.setColor(QPalette::Window, QColor(0xe6, 0xee, 0xf6));
  palette.setColor(QPalette::WindowText, QColor(0x1d, 0x3a, 0x5a));
  m_header->setPalette(palette);
  m_header->setFixedHeight(m_header->fontMetrics().height() + 8);
  m_tabCtrl->hide();
  connect(m_tabCtrl, &CPatientTabCtrl::headerChanged, m_header, &QLabel::setText);
  RegisterOwnCommands();
}

COvelinView::~COvelinView() {
  delete m_helpViewer.data();
}

CHelpViewer* COvelinView::HelpViewer() const {
  return m_helpViewer.data();
}

void COvelinView::Create() {
  m_tabCtrl->Create();
  m_header->setText(m_tabCtrl->HeaderText());
  FitTabStrip();
}

void COvelinView::OnInitialUpdate() {
  if (m_initialUpdateDone) {
    return;
  }
  m_initialUpdateDone = true;
  if (QWidget* frame = window(); frame != nullptr && frame->layout() != nullptr) {
    frame->layout()->activate();
  }
  OnSettingChange();
  if (COvelinApp* app = COvelinApp::Current()) {
    app->SetFullScreen(false);
  }
  m_tabCtrl->ListPage().SelectRemembered();
}

void COvelinView::OnSettingChange() {
  FitTabStrip();
}

void COvelinView::FitTabStrip() {
  const int top = m_header->height();
  int height = this->height() - top;
  input_panel::SipInfo info;
  if (input_panel::GetInfo(info) && info.up) {
    // The tabs end 3 pixels above the raised panel.
    const int stripTop = mapToGlobal(QPoint(0, top)).y();
    height = qMin(height, info.visibleDesktop.bottom() - stripTop - 3);
  }
  m_header->setGeometry(0, 0, width(), m_header->height());
  m_tabCtrl->setGeometry(0, top, width(), qMax(0, height));
}

void COvelinView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitTabStrip();
}

void COvelinView::SetShellOpener(ShellOpener opener) {
  Opener() = opener ? std::move(opener) : ShellOpener(OpenWithDesktop);
}

QString COvelinView::WindowsFolder() const {
  return m_shell.DeviceFolder() + QStringLiteral("/windows");
}

// ---------------------------------------------------------------------------------------------
// Commands

void COvelinView::RegisterOwnCommands() {
  m_commands.Register(command_ids::kReader, [this](CommandContext&) { OnReader(); });
  m_commands.Register(command_ids::kHelp, [this](CommandContext&) { OnHelp(); });
  m_commands.Register(command_ids::kAbout, [this](CommandContext&) { OnAbout(); });
  RegisterFeatureCommands(m_commands);
}

void COvelinView::OnCommand(int commandId) {
  if (commandId >= XMExtensionMgr::kFirstCommandId && commandId <= XMExtensionMgr::kLastCommandId) {
    XMExtensionMgr::Instance()->OnCmdMsg(commandId);
    return;
  }
  CommandContext context{*m_tabCtrl, this};
  m_commands.Dispatch(commandId, context);
}

void COvelinView::OnReader() {
  QFile shortcut(WindowsFolder() + QLatin1Char('/') + QLatin1String(kReaderShortcut));
  if (shortcut.open(QIODevice::ReadOnly)) {
    const QString target = ShortcutTarget(shortcut.read(4096));
    if (!target.isEmpty()) {
      Opener()(target);
    }
    return;
  }
  messages::Show(strings::Load(ids::kReaderMissing) + strings::Load(ids::kMakerWebAddress) +
                 strings::Load(ids::kReaderMissingTail));
}

void COvelinView::OnHelp() {
  QStringList texts;
  XMExtensionMgr* extensions = XMExtensionMgr::Instance();
  for (int i = 0; i < extensions->GetSize(); ++i) {
    if (XMExtension* extension = extensions->GetExtension(i)) {
      texts.append(extension->GetHelpContents());
    }
  }
  const QString folder = WindowsFolder();
  const QString argument = help_file::Merge(folder, texts);
  if (m_helpViewer == nullptr) {
    m_helpViewer = new CHelpViewer;
  }
  m_helpViewer->Open(help_file::FileOf(folder, argument));
  m_helpViewer->show();
  m_helpViewer->raise();
  m_helpViewer->activateWindow();
}

void COvelinView::OnAbout() {
  CAboutDlg about(this);
  ui_seams::RunModal(about);
}
