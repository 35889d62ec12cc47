#include "support/WardServer.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>

namespace {

// The newest PostgreSQL of Debian's layout.
QString FindBinaries() {
  const QDir root(QStringLiteral("/usr/lib/postgresql"));
  QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  std::sort(versions.begin(), versions.end(),
            [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
  for (auto version = versions.rbegin(); version != versions.rend(); ++version) {
    const QString bin = root.filePath(*version + QStringLiteral("/bin"));
    if (QFile::exists(bin + QStringLiteral("/initdb"))) {
      return bin;
    }
  }
  return {};
}

}  // namespace

WardServer::WardServer() : m_binaries(FindBinaries()) {
  if (m_binaries.isEmpty()) {
    m_failure = QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb)");
    return;
  }
  if (geteuid() == 0) {
    const passwd* owner = getpwnam("postgres");
    if (!owner ||
        chown(m_dir.path().toLocal8Bit().constData(), owner->pw_uid, owner->pw_gid) != 0) {
      m_failure = QStringLiteral("no postgres user to run the server as");
      return;
    }
  }
  const QString data = m_dir.filePath(QStringLiteral("data"));
  QString output;
  if (!RunAsOwner(
          {m_binaries + "/initdb", "-D", data, "-A", "trust", "-U", "postgres", "--no-sync"},
          &output)) {
    m_failure = QStringLiteral("initdb failed: ") + output;
    return;
  }
  if (!Restart()) {
    m_failure = QStringLiteral("the server did not start");
    return;
  }
  bool ok = false;
  Sql(QStringLiteral("CREATE DATABASE ward"), &ok, QStringLiteral("postgres"),
      QStringLiteral("postgres"));
  if (!ok) {
    m_failure = QStringLiteral("could not create the database");
  }
}

WardServer::~WardServer() {
  if (m_started) {
    RunAsOwner({m_binaries + "/pg_ctl", "-D", m_dir.filePath(QStringLiteral("data")), "-m",
                "immediate", "-w", "stop"});
  }
}

bool WardServer::Restart() {
  const QString data = m_dir.filePath(QStringLiteral("data"));
  if (m_started) {
    RunAsOwner({m_binaries + "/pg_ctl", "-D", data, "-m", "fast", "-w", "stop"});
  }
  // Only the socket in the test's folder: nothing listens on the network. fsync stays on, so that
  // a killed client or a restart sees what a real server keeps.
  m_started = RunAsOwner({m_binaries + "/pg_ctl", "-D", data, "-w", "-t", "60", "-l",
                          m_dir.filePath(QStringLiteral("log")), "-o",
                          "-k " + m_dir.path() + " -c listen_addresses=''", "start"});
  return m_started;
}

bool WardServer::RunAsOwner(const QStringList& command, QString* output) const {
  QStringList arguments = command;
  QString program = arguments.takeFirst();
  if (geteuid() == 0) {
    arguments = QStringList{"-u", "postgres", "--", program} + arguments;
    program = QStringLiteral("runuser");
  }
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(m_dir.path());
  process.start(program, arguments);
  const bool finished = process.waitForFinished(120000);
  if (output) {
    *output = QString::fromLocal8Bit(process.readAll());
  }
  return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString WardServer::ConnInfo(const QString& role, const QString& database) const {
  return QStringLiteral("host=%1 dbname=%2 user=%3").arg(m_dir.path(), database, role);
}

QString WardServer::Sql(const QString& sql, bool* ok, const QString& role,
                        const QString& database) const {
  QProcess psql;
  psql.setProcessChannelMode(QProcess::MergedChannels);
  psql.start(m_binaries + "/psql", {"-X", "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1", "-d",
                                    ConnInfo(role, database), "-c", sql});
  const bool finished = psql.waitForFinished(60000);
  if (ok) {
    *ok = finished && psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0;
  }
  return QString::fromUtf8(psql.readAll()).trimmed();
}
