#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/XMExtension.h"
#include "platform/FileTime.h"
#include "shell/CExtensionServices.h"
#include "shell/IShell.h"
#include "shell/Options.h"

class CMainFrame;
class DailyCheck;
class CSplashDlg;
class QLocalServer;
class QLocalSocket;
class QToolBar;

// How the program is started.
struct StartOptions {
  // The device folder; empty = the current device of the thread.
  QString deviceFolder;
  // The command line words ("/d" closes a running copy).
  QStringList arguments;
  bool showSplash = true;
  // Ask the password at start-up when a time-out is in force.
  bool askPassword = true;
  // Take part in the single-instance rule (listen on the device's instance channel).
  bool singleInstance = true;
  // Show the main window at the end of start-up.
  bool showWindow = true;
  // The extensions that come with the program; empty = the "extensions" folder beside the
  // program file.
  QString extensionsFolder;
};

// The application object: starts the program (refusing a second copy on the same device), owns
// the user options held in memory, the printer page settings, the inactivity lock and the list
// of extension listeners, and filters every event of the program before it is dispatched.
class COvelinApp : public QObject, public IShell {
  Q_OBJECT

 public:
  static constexpr int kSplashMilliseconds = 2000;
  static constexpr int kLockCheckMilliseconds = 50;

  COvelinApp();
  // Destroys the extension manager first, then the main window and the rest.
  ~COvelinApp() override;

  // The application object that is running, nullptr when none.
  static COvelinApp* Current();

  // Start-up; false when the program is to end (another copy runs on the device, or the main
  // window could not be made).
  bool Initialise(const StartOptions& options);

  // Every event of the program passes here first: the inactivity lock, then the registered
  // messages. True when the event was consumed.
  bool PreFilterMessage(QObject* watched, QEvent* event);

  // The options; each pointer may be null for a value not wanted or not to be written.
  void ReadOptions(QString* password, QString* hint, uint32_t* timeout) const override;
  // Writing a time-out also stops the inactivity timer, keeps the new time-out and, when it is
  // nonzero, arms the timer again.
  bool WriteOptions(const QString* password, const QString* hint, const uint32_t* timeout) override;

  // The start-up picture: shown over the device screen, or removed.
  void SetFullScreen(bool on);

  void AddPatientListener(IPatientListener* listener);
  void NotifyPatientSelected(const QString& name) override;
  void NotifyPatientDeleted(const QString& name) override;
  void NotifyPatientDataChanged(const QString& name) override;

  // The "Preferences" command.
  void OnPreferences();

  // The inactivity lock.
  void ArmTimer();
  void KillTimer();
  // Asks the password again; "Exit" closes the program.
  void Lock();
  bool TimerRunning() const { return m_timerId != -1; }
  // The id of the lock check's timer on the main window; -1 when it is not running.
  int LockTimerId() const { return m_timerId; }
  uint32_t Timeout() const { return m_timeout; }
  const FILETIME& Deadline() const { return m_deadline; }
  static bool LockInProgress() { return s_lockInProgress; }

  // Delivers a registered message by name, as another process does through the instance
  // channel.
  void PostRegisteredMessage(const QString& name);

  CMainFrame* MainFrame() const;
  CSplashDlg* Splash() const;
  app_options::PrintSettings& PrintSettings() override { return m_printSettings; }
  bool DesktopCompanion() const override { return m_desktopCompanion; }
  bool TabStripVisible() const { return m_tabStripVisible; }
  QString DeviceFolder() const override { return m_deviceFolder; }
  const std::vector<IPatientListener*>& Listeners() const { return m_listeners; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What the program offers its extensions.
  class ResourceMgr : public CExtensionServices {
   public:
    explicit ResourceMgr(COvelinApp& app) : m_app(app) {}
    QWidget* GetCommandBar() override;
    void AddPatientListener(IPatientListener* listener) override;
    void AddCommand(int commandId, const QString& text) override;

   private:
    COvelinApp& m_app;
  };

  bool StartSingleInstance(const StartOptions& options);
  void OnNewConnection();
  void OnChannelLine(const QByteArray& line);
  bool HandleRegisteredMessage(uint32_t message);
  void InstallHelpFile();
  void MoveLegacyCategories();

  StartOptions m_start;
  QString m_deviceFolder;
  std::unique_ptr<ResourceMgr> m_resources;
  std::unique_ptr<QLocalServer> m_server;
  std::unique_ptr<DailyCheck> m_dailyCheck;
  QPointer<CSplashDlg> m_splash;
  QPointer<CMainFrame> m_pMainWnd;
  std::vector<IPatientListener*> m_listeners;
  std::vector<std::pair<int, QString>> m_pendingCommands;
  app_options::PrintSettings m_printSettings;

  uint32_t m_timeout = app_options::kDefaultTimeout;
  FILETIME m_deadline;
  int m_timerId = -1;
  bool m_tabStripVisible = true;
  bool m_desktopCompanion = false;
  bool m_filterInstalled = false;
  uint32_t m_refreshScreenMsg = 0;
  uint32_t m_newSoftwareMsg = 0;

  static bool s_lockInProgress;
};
