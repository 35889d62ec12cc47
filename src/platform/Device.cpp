#include "platform/Device.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include "platform/StoreError.h"

namespace platform {
namespace {

thread_local Device* tCurrent = nullptr;
Device* gProcessDefault = nullptr;

constexpr int kBusyTimeoutMs = 15'000;

bool Execute(sqlite3* db, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
  }
  return rc == SQLITE_OK;
}

void ReportOpenFailure(const char* file, int code, const QString& message) {
  ReportStoreFailure({code, QString::fromLatin1(file), message});
}

// Why a device file cannot be used, from what is at its path: nothing (fine), or something that
// is not a regular file.
bool CheckFileKind(const QString& path, const char* file) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
    if (errno == ENOENT) {
      return true;  // made when opened
    }
    ReportOpenFailure(file, SQLITE_CANTOPEN, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    ReportOpenFailure(file, SQLITE_CANTOPEN_ISDIR, QStringLiteral("is a folder, not a file"));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    ReportOpenFailure(file, SQLITE_CANTOPEN, QStringLiteral("is not a regular file"));
    return false;
  }
  return true;
}

}  // namespace

Device::Device(const QString& folder) : folder_(QDir(folder).absolutePath()) {}

Device::~Device() {
  // Statements prepared for the connection's lifetime (the property database caches them) would
  // keep it open as a zombie; finalize them so that it really closes.
  for (sqlite3* db : {objectStore_, registry_}) {
    if (db) {
      while (sqlite3_stmt* statement = sqlite3_next_stmt(db, nullptr)) {
        sqlite3_finalize(statement);
      }
      sqlite3_close_v2(db);
    }
  }
  if (tCurrent == this) {
    tCurrent = nullptr;
  }
  if (gProcessDefault == this) {
    gProcessDefault = nullptr;
  }
}

bool Device::Prepare(QString* error) {
  for (const QString& sub : {QString(), QStringLiteral("windows"), QStringLiteral("spool"),
                             QStringLiteral("extensions")}) {
    const QString path = sub.isEmpty() ? folder_ : PathOf(sub);
    if (!QDir().mkpath(path)) {
      if (error) {
        *error = QStringLiteral("cannot create the device folder %1").arg(path);
      }
      return false;
    }
    ::chmod(QFile::encodeName(path).constData(), 0700);
  }
  return true;
}

QString Device::PathOf(const QString& relative) const {
  return folder_ + QLatin1Char('/') + relative;
}

sqlite3* Device::ObjectStore() {
  return OpenConnection(kObjectStoreFile, objectStore_);
}

sqlite3* Device::Registry() {
  return OpenConnection(kRegistryFile, registry_);
}

sqlite3* Device::OpenConnection(const char* file, sqlite3*& slot) {
  if (slot) {
    return slot;
  }
  const QString path = PathOf(QString::fromLatin1(file));
  if (!readOnly_) {
    QString error;
    if (!Prepare(&error)) {
      ReportOpenFailure(file, SQLITE_CANTOPEN, error);
      return nullptr;
    }
  }
  // Read-only, a file that is not there has nothing to read: no failure, and no file is made.
  if (readOnly_ && !QFileInfo::exists(path)) {
    return nullptr;
  }
  if (!CheckFileKind(path, file)) {
    return nullptr;
  }
  // The WAL and shared-memory files take the main file's permissions, so 0600 here covers them.
  if (!readOnly_ && !EnsurePrivateFile(path)) {
    ReportOpenFailure(file, SQLITE_CANTOPEN, QString::fromLocal8Bit(std::strerror(errno)));
    return nullptr;
  }
  const int flags = SQLITE_OPEN_NOMUTEX |
                    (readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // Read-only, the file keeps the journal mode it has; query_only refuses every change even
  // where the file itself could be written.
  const bool ready = readOnly_ ? Execute(db, "PRAGMA query_only=1")
                               : Execute(db, "PRAGMA journal_mode=WAL") &&
                                     Execute(db, "PRAGMA synchronous=FULL") &&
                                     Execute(db, "PRAGMA foreign_keys=ON");
  if (!ready) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  slot = db;
  return db;
}

Device* Device::Current() {
  return tCurrent ? tCurrent : gProcessDefault;
}

void Device::SetProcessDefault(Device* device) {
  gProcessDefault = device;
}

QString Device::ResolveFolder(const QString& fromCommandLine) {
  if (!fromCommandLine.isEmpty()) {
    return QDir(fromCommandLine).absolutePath();
  }
  const QString fromEnvironment = qEnvironmentVariable("OVELIN_DEVICE");
  if (!fromEnvironment.isEmpty()) {
    return QDir(fromEnvironment).absolutePath();
  }
  QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  if (dataHome.isEmpty()) {
    dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  }
  return dataHome + QStringLiteral("/ovelin/device");
}

DeviceScope::DeviceScope(Device& device) : previous_(tCurrent) {
  tCurrent = &device;
}

DeviceScope::~DeviceScope() {
  tCurrent = previous_;
}

bool EnsurePrivateFile(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    return false;
  }
  const bool ok = ::fchmod(fd, 0600) == 0;
  ::close(fd);
  return ok;
}

}  // namespace platform
