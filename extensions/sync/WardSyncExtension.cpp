// Ward synchronisation in the program: "Synchronise" in the File menu exchanges what changed with
// the ward server (docs/sync.md) under the program's progress dialog and says what happened in
// plain words; the "Ward server" preference page keeps the server, the user and how often to
// synchronise by itself (never, until the person chooses). The exchange itself is the program's
// (interface version 4): this module needs nothing of the program but the extension interface.

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "common/XMExtension.h"
#include "common/ui/CTabPage.h"

namespace {

constexpr int kInterfaceVersion = 4;
constexpr int kSynchroniseCommand = 16101;
const QString kSettingsKey = QStringLiteral("Sync");
const QString kServerValue = QStringLiteral("Server");
const QString kUserValue = QStringLiteral("User");
const QString kIntervalValue = QStringLiteral("Interval");

struct Interval {
  int minutes;
  const char* text;
};
constexpr Interval kIntervals[] = {{0, "Never"},
                                   {5, "Every 5 minutes"},
                                   {15, "Every 15 minutes"},
                                   {30, "Every 30 minutes"},
                                   {60, "Every hour"}};

// A connection string that names a password: the key word, or a URI with user:password@.
bool HoldsPassword(const QString& server) {
  static const QRegularExpression keyword(QStringLiteral("(^|\\s)password\\s*="),
                                          QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://[^/@]*:[^/@]*@"));
  return keyword.match(server).hasMatch() || uri.match(server).hasMatch();
}

class WardServerPage : public CTabPage {
 public:
  WardServerPage(XMResourceMgr& resources, std::function<void()> saved)
      : CTabPage(0),
        m_resources(resources),
        m_saved(std::move(saved)),
        m_server(new QLineEdit(this)),
        m_user(new QLineEdit(this)),
        m_interval(new QComboBox(this)) {
    setObjectName(QStringLiteral("wardServerPage"));
    m_server->setObjectName(QStringLiteral("wardServer"));
    m_server->setAccessibleName(QStringLiteral("Ward server"));
    m_server->setPlaceholderText(QStringLiteral("host=ward.example.org dbname=ward"));
    m_user->setObjectName(QStringLiteral("wardUser"));
    m_user->setAccessibleName(QStringLiteral("User"));
    m_interval->setObjectName(QStringLiteral("wardInterval"));
    m_interval->setAccessibleName(QStringLiteral("Synchronise automatically"));
    for (const Interval& interval : kIntervals) {
      m_interval->addItem(QLatin1String(interval.text), interval.minutes);
    }
    auto* hint = new QLabel(
        QStringLiteral("The password is not kept here: put it in ~/.pgpass, or use a client "
                       "certificate."),
        this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Server:"), m_server);
    form->addRow(QStringLiteral("&User:"), m_user);
    form->addRow(QStringLiteral("Synchronise &automatically:"), m_interval);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addStretch(1);
    Load();
  }

  bool OnKillActive() override { return Save(); }
  bool Validate() override { return Save(); }

 private:
  void Load() {
    m_server->setText(m_resources.ReadUserSetting(kSettingsKey, kServerValue));
    m_user->setText(m_resources.ReadUserSetting(kSettingsKey, kUserValue));
    const int minutes = m_resources.ReadUserSetting(kSettingsKey, kIntervalValue).toInt();
    const int index = m_interval->findData(minutes);
    m_interval->setCurrentIndex(index < 0 ? 0 : index);
  }

  bool Save() {
    const QString server = m_server->text().trimmed();
    if (HoldsPassword(server)) {
      m_resources.ShowWarning(QStringLiteral(
          "The server address holds a password. Keep it out of the address: put it in "
          "~/.pgpass, or use a client certificate."));
      m_server->setFocus();
      return false;
    }
    if (!m_resources.WriteUserSetting(kSettingsKey, kServerValue, server) ||
        !m_resources.WriteUserSetting(kSettingsKey, kUserValue, m_user->text().trimmed()) ||
        !m_resources.WriteUserSetting(kSettingsKey, kIntervalValue,
                                      QString::number(m_interval->currentData().toInt()))) {
      m_resources.ShowWarning(QStringLiteral("The ward server settings could not be saved."));
      return false;
    }
    m_saved();
    return true;
  }

  XMResourceMgr& m_resources;
  std::function<void()> m_saved;
  QLineEdit* m_server;
  QLineEdit* m_user;
  QComboBox* m_interval;
};

class WardSyncExtension : public XMExtension {
 public:
  QString GetAboutText1() override { return QStringLiteral("Ward Synchronisation 1.0"); }
  QString GetAboutText2() override { return {}; }
  QString GetHelpContents() override {
    return QStringLiteral(
        "<h2>Synchronise</h2><p>File, Synchronise exchanges your changes with the ward server "
        "and brings in your team's: patients and every record of their charts, and the ward's "
        "lists. Set the server in Preferences, on the Ward server page, with how often the "
        "program should synchronise by itself. Cancel stops a synchronisation before the server "
        "has taken it; then nothing has changed.</p><p>When a record was changed on two "
        "devices, the version that reached the server first is kept and the other is kept on "
        "the server for the ward's staff to look at. A record the server holds read-only keeps "
        "the server's version.</p>");
  }
  void AddChartPages(ITabHost* /*host*/) override {}
  void AddPreferencePages(ITabHost* host) override {
    if (host != nullptr && m_resources != nullptr) {
      host->AddPage(QStringLiteral("Ward server"),
                    new WardServerPage(*m_resources, [this] { ScheduleAutomatic(); }));
    }
  }

  void Initialize(XMResourceMgr* resources) override {
    m_resources = resources;
    if (resources == nullptr) {
      return;
    }
    resources->AddCommand(kSynchroniseCommand, QStringLiteral("Synchronise"));
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Synchronise(true); });
    ScheduleAutomatic();
  }

  bool OnCmdMsg(int commandId) override {
    if (commandId != kSynchroniseCommand || m_resources == nullptr) {
      return false;
    }
    Synchronise(false);
    return true;
  }

  bool OnRegisteredMsg(const QString& /*message*/) override { return false; }

 private:
  void ScheduleAutomatic() {
    const int minutes = m_resources->ReadUserSetting(kSettingsKey, kIntervalValue).toInt();
    if (minutes > 0) {
      m_timer.start(std::chrono::minutes(minutes));
    } else {
      m_timer.stop();
    }
  }

  // An automatic sync that went as planned says nothing; one with refusals or conflicts (lines
  // after the first of the summary) or a failure is told as the person's own is.
  void Synchronise(bool automatic) {
    if (m_running) {
      return;  // an automatic turn while the person's own sync runs
    }
    m_running = true;
    QString summary;
    QString error;
    if (m_resources->Synchronise(nullptr, summary, error)) {
      if (!automatic || summary.contains(QLatin1Char('\n'))) {
        m_resources->ShowInformation(summary);
      }
    } else {
      m_resources->ShowWarning(QStringLiteral("The device was not synchronised. %1").arg(error));
    }
    m_running = false;
  }

  XMResourceMgr* m_resources = nullptr;
  QTimer m_timer;
  bool m_running = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) XMExtension* OvelinCreateExtension(
    int interfaceVersion) {
  return interfaceVersion == kInterfaceVersion ? new WardSyncExtension : nullptr;
}
