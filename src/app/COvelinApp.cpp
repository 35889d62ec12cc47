#include "app/COvelinApp.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QTimerEvent>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "app/COvelinView.h"
#include "app/CPatientTabCtrl.h"
#include "app/CSplashDlg.h"
#include "app/DailyCheck.h"
#include "app/HelpFile.h"
#include "app/RegisteredMessages.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "platform/Clock.h"
#include "platform/Device.h"
#include "platform/InstanceChannel.h"
#include "platform/StoreError.h"
#include "security/CLoginDlg.h"
#include "security/CPreferencesDlg.h"
#include "shell/AutoTextReader.h"

namespace {

COvelinApp* g_current = nullptr;

// A line from another process is short; anything longer is not ours and is dropped.
constexpr qint64 kMaxChannelLine = 4096;

// The extensions that come with the program: the "extensions" folder beside the program file (the
// build tree, or a copy of the program taken elsewhere with its folder), else the folder where an
// installed program keeps them, PREFIX/lib/ovelin/extensions for a program in PREFIX/bin
// (OVELIN_INSTALLED_EXTENSIONS, relative to the program's folder, comes from the build).
QString ProgramExtensionsFolder() {
  const QDir program(QCoreApplication::applicationDirPath());
  const QString beside = program.filePath(QLatin1String(XMExtensionMgr::kFolderName));
  if (QFileInfo(beside).isDir()) {
    return beside;
  }
  return QDir::cleanPath(program.filePath(QStringLiteral(OVELIN_INSTALLED_EXTENSIONS)));
}

bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
      return true;
    default:
      return false;
  }
}

}  // namespace

// The pictures and the help file are compiled into the user-interface library; a static library
// must register its resources itself.
static void InitResources() {
  Q_INIT_RESOURCE(app);
  Q_INIT_RESOURCE(pictures);
}

bool COvelinApp::s_lockInProgress = false;

COvelinApp::COvelinApp() : m_resources(std::make_unique<ResourceMgr>(*this)) {
  // A synchronisation that changed the device is shown as "OvelinRefreshScreen" is.
  m_resources->SetDeviceChangedHandler([this] { HandleRegisteredMessage(m_refreshScreenMsg); });
  InitResources();
  auto_text_reader::Install();
}

COvelinApp::~COvelinApp() {
  KillTimer();
  if (m_filterInstalled) {
    qApp->removeEventFilter(this);
  }
  // The main window goes first: pages that extensions added are destroyed while their extensions
  // still exist.
  delete m_pMainWnd.data();
  XMExtensionMgr::Destroy();
  m_listeners.clear();
  delete m_splash.data();
  m_server.reset();
  if (g_current == this) {
    g_current = nullptr;
  }
}

COvelinApp* COvelinApp::Current() {
  return g_current;
}

CMainFrame* COvelinApp::MainFrame() const {
  return m_pMainWnd.data();
}

CSplashDlg* COvelinApp::Splash() const {
  return m_splash.data();
}

// ---------------------------------------------------------------------------------------------
// Start-up

// Category lists of a device made by an older release move to where this one reads them. A
// device opened read-only is left as it is; a move that fails is told, and tried again at the next
// start, because it changes nothing until it is stored whole.
void COvelinApp::MoveLegacyCategories() {
  if (platform::Device::Current()->ReadOnly()) {
    return;
  }
  const platform::StoreErrorScope failures;
  if (!CDBCategories().MoveLegacyAgeUnits()) {
    messages::Show(strings::FormatId(ids::kLegacyAgeUnitsNotMoved, failures.Error().Describe()),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
  }
}

bool COvelinApp::Initialise(const StartOptions& options) {
  m_start = options;
  m_deviceFolder =
      options.deviceFolder.isEmpty() ? platform::Device::Current()->Folder() : options.deviceFolder;
  m_refreshScreenMsg = registered_messages::Register(registered_messages::kRefreshScreen);
  m_newSoftwareMsg = registered_messages::Register(registered_messages::kNewSoftwareInstalled);

  // 1. One program per device: a second copy hands its wish to the first and ends.
  if (options.singleInstance && !StartSingleInstance(options)) {
    return false;
  }
  g_current = this;
  qApp->installEventFilter(this);
  m_filterInstalled = true;

  // 2. The extension manager gets the resource manager. The extension libraries are loaded
  // here, before the chart tabs are made, so that their pages join the tab strip.
  XMExtensionMgr* extensions = XMExtensionMgr::Instance();
  extensions->SetResourceMgr(m_resources.get());
  extensions->SetProgramFolder(options.extensionsFolder.isEmpty() ? ProgramExtensionsFolder()
                                                                  : options.extensionsFolder);
  extensions->LoadResources();
  InstallHelpFile();
  MoveLegacyCategories();

  // 3. The start-up picture.
  if (options.showSplash) {
    SetFullScreen(true);
    QEventLoop wait;
    QTimer::singleShot(kSplashMilliseconds, &wait, &QEventLoop::quit);
    wait.exec();
  }

  // 4. The main window, its view and the chart tabs; the view's first update removes the
  // picture and selects the remembered patient.
  auto* frame = new CMainFrame(*this);
  m_pMainWnd = frame;
  for (const auto& [id, text] : m_pendingCommands) {
    frame->AddExtensionCommand(id, text);
  }
  m_pendingCommands.clear();
  frame->View()->OnInitialUpdate();

  // 5. Extensions added to the folder since step 2 (loading a library twice adds it once).
  extensions->LoadResources();

  // 6.
  m_desktopCompanion = app_options::DesktopCompanionInstalled();

  // 7.
  frame->setWindowTitle(strings::Load(ids::kAppName));
  NotifyPatientSelected(frame->View()->TabCtrl()->currentPatient);

  // 8. The password, when a time-out is in force.
  ReadOptions(nullptr, nullptr, &m_timeout);
  if (m_timeout != 0 && options.askPassword) {
    input_panel::RaisedScope raised;
    CLoginDlg login(*this, frame);
    if (ui_seams::RunModal(login) != QDialog::Accepted) {
      QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
    }
  }
  ArmTimer();
  // The full check of the device's files, in the background once a day.
  if (!platform::Device::Current()->ReadOnly()) {
    m_dailyCheck = std::make_unique<DailyCheck>(*platform::Device::Current());
    m_dailyCheck->Start();
  }

  // 9.
  if (m_tabStripVisible) {
    frame->View()->TabCtrl()->show();
    if (options.showWindow) {
      frame->show();
    }
  }
  frame->update();
  return true;
}

bool COvelinApp::StartSingleInstance(const StartOptions& options) {
  bool closeRunning = false;
  for (const QString& argument : options.arguments) {
    closeRunning = closeRunning || argument.toLower() == QLatin1String("/d");
  }
  if (instance_channel::Send(m_deviceFolder, closeRunning ? "close" : "activate")) {
    return false;
  }
  // Nobody answered: a socket file left by a program that ended abnormally is taken over.
  const QString path = instance_channel::SocketPath(m_deviceFolder);
  QLocalServer::removeServer(path);
  m_server = std::make_unique<QLocalServer>();
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(path)) {
    m_server.reset();  // the program still runs; it just cannot be reached
    return true;
  }
  connect(m_server.get(), &QLocalServer::newConnection, this, &COvelinApp::OnNewConnection);
  return true;
}

void COvelinApp::OnNewConnection() {
  while (m_server != nullptr && m_server->hasPendingConnections()) {
    QLocalSocket* socket = m_server->nextPendingConnection();
    const auto readLine = [this, socket] {
      if (socket->canReadLine()) {
        OnChannelLine(socket->readLine(kMaxChannelLine).trimmed());
        socket->disconnectFromServer();
      } else if (socket->bytesAvailable() > kMaxChannelLine) {
        socket->abort();
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, readLine);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    readLine();
  }
}

void COvelinApp::OnChannelLine(const QByteArray& line) {
  static const QByteArray kMessage = QByteArrayLiteral("message ");
  if (line == "activate") {
    if (m_pMainWnd != nullptr) {
      m_pMainWnd->showNormal();
      m_pMainWnd->raise();
      m_pMainWnd->activateWindow();
      m_pMainWnd->update();
    }
  } else if (line == "close") {
    if (m_pMainWnd != nullptr) {
      m_pMainWnd->close();
    }
  } else if (line.startsWith(kMessage) && line.size() > kMessage.size()) {
    PostRegisteredMessage(QString::fromUtf8(line.mid(kMessage.size())));
  }
}

void COvelinApp::InstallHelpFile() {
  help_file::InstallDefault(m_deviceFolder + QStringLiteral("/windows"));
}

// ---------------------------------------------------------------------------------------------
// Options

void COvelinApp::ReadOptions(QString* password, QString* hint, uint32_t* timeout) const {
  app_options::ReadOptions(password, hint, timeout);
}

bool COvelinApp::WriteOptions(const QString* password, const QString* hint,
                              const uint32_t* timeout) {
  const bool written = app_options::WriteOptions(password, hint, timeout);
  if (timeout != nullptr) {
    KillTimer();
    m_timeout = *timeout;
    if (m_timeout != 0) {
      ArmTimer();
    }
  }
  return written;
}

void COvelinApp::SetFullScreen(bool on) {
  if (on) {
    if (m_splash == nullptr) {
      m_splash = new CSplashDlg;
    }
    m_splash->ShowOverScreen();
  } else {
    delete m_splash.data();
  }
}

// ---------------------------------------------------------------------------------------------
// Listeners and commands

void COvelinApp::AddPatientListener(IPatientListener* listener) {
  if (listener != nullptr) {
    m_listeners.push_back(listener);
  }
}

void COvelinApp::NotifyPatientSelected(const QString& name) {
  m_resources->PatientData().SetCurrentPatient(name);
  for (IPatientListener* listener : m_listeners) {
    listener->OnPatientSelected(name);
  }
}

void COvelinApp::NotifyPatientDeleted(const QString& name) {
  for (IPatientListener* listener : m_listeners) {
    listener->OnPatientDeleted(name);
  }
}

void COvelinApp::NotifyPatientDataChanged(const QString& name) {
  m_resources->PatientData().NotifyChanged(name);
}

void COvelinApp::OnPreferences() {
  CPreferencesDlg dialog(*this, m_pMainWnd);
  ui_seams::RunModal(dialog);
}

QWidget* COvelinApp::ResourceMgr::GetCommandBar() {
  CMainFrame* frame = m_app.m_pMainWnd.data();
  return frame != nullptr ? frame->CommandBar() : nullptr;
}

void COvelinApp::ResourceMgr::AddPatientListener(IPatientListener* listener) {
  m_app.AddPatientListener(listener);
}

void COvelinApp::ResourceMgr::AddCommand(int commandId, const QString& text) {
  if (m_app.m_pMainWnd != nullptr) {
    m_app.m_pMainWnd->AddExtensionCommand(commandId, text);
  } else {
    m_app.m_pendingCommands.emplace_back(commandId, text);
  }
}

// ---------------------------------------------------------------------------------------------
// The event filter: inactivity lock and registered messages

bool COvelinApp::eventFilter(QObject* watched, QEvent* event) {
  return PreFilterMessage(watched, event) || QObject::eventFilter(watched, event);
}

bool COvelinApp::PreFilterMessage(QObject* watched, QEvent* event) {
  if (!s_lockInProgress && m_timerId != -1 && event->type() == QEvent::Timer &&
      watched == m_pMainWnd.data() && static_cast<QTimerEvent*>(event)->timerId() == m_timerId) {
    KillTimer();
    const FILETIME now = clock_source::Now();
    if (filetime::ToTicks(now) <= filetime::ToTicks(m_deadline)) {
      m_timerId = m_pMainWnd->startTimer(kLockCheckMilliseconds);
      return true;
    }
    Lock();
    return true;
  }
  if (m_timerId != -1 && IsInputEvent(event->type())) {
    // The user is here: the deadline moves to now + time-out.
    KillTimer();
    ArmTimer();
  }
  if (event->type() == registered_messages::RegisteredMessageEvent::EventType()) {
    return HandleRegisteredMessage(
        static_cast<registered_messages::RegisteredMessageEvent*>(event)->Message());
  }
  return false;
}

void COvelinApp::ArmTimer() {
  if (m_timeout == 0 || m_pMainWnd == nullptr) {
    return;
  }
  const uint64_t ticks = static_cast<uint64_t>(m_timeout) * filetime::kTicksPerMillisecond;
  m_deadline = filetime::FromTicks(filetime::ToTicks(clock_source::Now()) + ticks);
  m_timerId = m_pMainWnd->startTimer(kLockCheckMilliseconds);
}

void COvelinApp::KillTimer() {
  if (m_timerId != -1 && m_pMainWnd != nullptr) {
    m_pMainWnd->killTimer(m_timerId);
  }
  m_timerId = -1;
}

void COvelinApp::Lock() {
  input_panel::RaisedScope raised;
  s_lockInProgress = true;
  CLoginDlg login(*this, m_pMainWnd);
  if (ui_seams::RunModal(login) != QDialog::Accepted) {
    // "Exit": nothing of the chart stays on screen while the program closes.
    m_tabStripVisible = false;
    if (CMainFrame* frame = m_pMainWnd.data()) {
      frame->View()->TabCtrl()->hide();
      QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
    }
  } else {
    ReadOptions(nullptr, nullptr, &m_timeout);  // it may have changed meanwhile
    ArmTimer();
  }
  s_lockInProgress = false;
}

void COvelinApp::PostRegisteredMessage(const QString& name) {
  const uint32_t message = registered_messages::Register(name);
  if (message == 0) {
    return;
  }
  if (m_pMainWnd != nullptr) {
    QCoreApplication::postEvent(m_pMainWnd.data(),
                                new registered_messages::RegisteredMessageEvent(message));
  } else {
    HandleRegisteredMessage(message);
  }
}

bool COvelinApp::HandleRegisteredMessage(uint32_t message) {
  if (message == m_newSoftwareMsg) {
    messages::Show(strings::Load(ids::kNewSoftwareInstalled), messages::Buttons::Ok,
                   messages::Icon::Information);
    return true;
  }
  if (message == m_refreshScreenMsg) {
    CDBPatient::ClearReadOnlyCache();
    if (CMainFrame* frame = m_pMainWnd.data()) {
      CPatientTabCtrl* strip = frame->View()->TabCtrl();
      strip->RefillPatientList(true, true);
      strip->ReloadCurrentPage();
    }
    NotifyPatientDataChanged(QString());
    return true;
  }
  if (message >= registered_messages::kFirst && message <= registered_messages::kLast) {
    XMExtensionMgr::Instance()->OnRegisteredMsg(registered_messages::NameOf(message));
    return true;
  }
  return false;
}
