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
#include "app/CommandIds.h"
#include "app/HelpFile.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "patients/CAddPatientDlg.h"
#include "platform/Device.h"

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

COvelinView::COvelinView(QWidget* parent)
    : QWidget(parent), m_header(new QLabel(this)), m_tabCtrl(new CPatientTabCtrl(this)) {
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
  const COvelinApp* app = COvelinApp::Current();
  const QString device =
      app != nullptr ? app->DeviceFolder() : platform::Device::Current()->Folder();
  return device + QStringLiteral("/windows");
}

// ---------------------------------------------------------------------------------------------
// Commands

void COvelinView::OnCommand(int commandId) {
  if (commandId >= XMExtensionMgr::kFirstCommandId && commandId <= XMExtensionMgr::kLastCommandId) {
    XMExtensionMgr::Instance()->OnCmdMsg(commandId);
    return;
  }
  switch (commandId) {
    case command_ids::kNewPatient:
      OnNewPatient();
      break;
    case command_ids::kAddMeds:
      OnAddMeds();
      break;
    case command_ids::kAddLabs:
      OnAddLabs();
      break;
    case command_ids::kAddVitals:
      OnAddVitals();
      break;
    case command_ids::kAddTest:
      OnAddTest();
      break;
    case command_ids::kAddNote:
      OnAddNote();
      break;
    case command_ids::kReader:
      OnReader();
      break;
    case command_ids::kPrintLog:
      OnPrintLog();
      break;
    case command_ids::kPrintCheckoutList:
      OnPrintCheckoutList();
      break;
    case command_ids::kReceiveBeam:
      OnReceiveBeam();
      break;
    case command_ids::kBeam:
      OnBeam();
      break;
    case command_ids::kBeamCategories:
      OnBeamCategories();
      break;
    case command_ids::kBeamCheckoutList:
      OnBeamCheckoutList();
      break;
    case command_ids::kHelp:
      OnHelp();
      break;
    case command_ids::kAbout:
      OnAbout();
      break;
    default:
      break;
  }
}

void COvelinView::OnNewPatient() {
  CDBPatient patient;
  bool added = false;
  {
    input_panel::RaisedScope raised;
    CAddPatientDlg dialog(patient, this);
    added = ui_seams::RunModal(dialog) == QDialog::Accepted;
  }
  if (added) {
    patient.CreateRecord(false);
    m_tabCtrl->RefillPatientList(false, false);
  }
}

void COvelinView::OnAddMeds() {
  // The add-medication dialog runs here; on OK the medication is stored and "Meds/Rx" reloaded.
}

void COvelinView::OnAddLabs() {
  // The add-lab-results dialog runs here; on OK the result is stored, labs and "Todo" reloaded.
}

void COvelinView::OnAddVitals() {
  // The add-vitals dialog runs here; on OK the vital signs are stored and the vitals reloaded.
}

void COvelinView::OnAddTest() {
  // The add-test dialog runs here; on OK the test is stored and the tests sub-page reloaded.
}

void COvelinView::OnAddNote() {
  // The new-note dialog and its note sheet run here; on OK the note is stored, "Notes" reloaded.
}

void COvelinView::OnPrintLog() {
  // The printer reports its own failures; the log's result is not looked at.
  const app_options::PrintSettings settings =
      COvelinApp::Current() ? COvelinApp::Current()->PrintSettings() : app_options::PrintSettings{};
  CDBPatient().PrintPatientLog(settings.linesPerPage, settings.pageWidth, settings.leftMargin,
                               settings.topMargin, settings.bottomMargin);
}

void COvelinView::OnPrintCheckoutList() {
  // The print-checkout-list dialog runs here.
}

void COvelinView::OnReceiveBeam() {
  // Receiving a beamed record, patient, list of patients or categories runs here.
}

void COvelinView::OnBeam() {
  // Beaming the current page's selected record runs here.
}

void COvelinView::OnBeamCategories() {
  // Beaming the category lists runs here.
}

void COvelinView::OnBeamCheckoutList() {
  // The beam-checkout-list dialog runs here.
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
