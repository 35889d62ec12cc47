#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private PostgreSQL server for one test program: initdb into a temporary folder, listening
// only on a Unix socket there, stopped and removed when the object goes. PostgreSQL refuses to run
// as root; as root the server runs as the "postgres" user that Debian's package creates, in a
// folder that user owns.
class WardServer {
 public:
  WardServer();
  ~WardServer();
  WardServer(const WardServer&) = delete;
  WardServer& operator=(const WardServer&) = delete;

  // Empty when the server runs; else why it could not be started.
  const QString& Failure() const { return m_failure; }
  // A connection string for the database as the role.
  QString ConnInfo(const QString& role, const QString& database = QStringLiteral("ward")) const;
  // Runs SQL through psql as the superuser (or as role); answers psql's output, and false in ok
  // when psql failed.
  QString Sql(const QString& sql, bool* ok = nullptr,
              const QString& role = QStringLiteral("postgres"),
              const QString& database = QStringLiteral("ward")) const;
  // Stops and starts the server again (the data stays).
  bool Restart();

 private:
  bool RunAsOwner(const QStringList& command, QString* output = nullptr) const;

  QTemporaryDir m_dir;
  QString m_binaries;
  QString m_failure;
  bool m_started = false;
};
