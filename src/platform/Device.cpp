#include "platform/Device.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include "platform/PrivateFile.h"
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

// Whether a database file holds anything: missing and empty (0 bytes) files hold nothing. Every
// file that SQLite has opened for this program holds at least its first page.
bool HoldsData(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && (!info.isFile() || info.size() > 0);
}

// Holds a lock on the device folder while it lives, so that two processes that start on a new
// folder at once do not see each other's half-made files: the second waits for the first.
class FolderLock {
 public:
  FolderLock(const QString& folder, bool exclusive)
      : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (m_fd >= 0) {
      while (::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int m_fd;
};

}  // namespace

Device::Device(const QString& folder) : m_folder(QDir(folder).absolutePath()) {}

Device::~Device() {
  // Statements prepared for the connection's lifetime (the property database caches them) would
  // keep it open as a zombie; finalize them so that it really closes.
  for (sqlite3* db : {m_objectStore, m_registry}) {
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
    const QString path = sub.isEmpty() ? m_folder : PathOf(sub);
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
  return m_folder + QLatin1Char('/') + relative;
}

sqlite3* Device::ObjectStore() {
  return OpenConnection(kObjectStoreFile, m_objectStore);
}

sqlite3* Device::Registry() {
  return OpenConnection(kRegistryFile, m_registry);
}

// A device folder that has been used must never be taken for a new one: a database file lost or
// emptied (by a bad copy, a full disk, a person) would otherwise be made afresh, and the device
// would answer as empty. The folder keeps three witnesses of its use: the mark file written when
// it was first used, and the two database files, each of which holds its first page from the
// moment it was opened. Any one witness shows the folder in use, so the loss of one file is always
// found: a missing or empty database file beside another witness is damage, reported with its
// name. A folder with no witness at all is new; it is given all three before it is used.
bool Device::EnsureInitialised() {
  if (m_initialised || m_initialising) {
    return true;
  }
  const FolderLock lock(m_folder, !m_readOnly);
  const char* const files[] = {kObjectStoreFile, kRegistryFile};
  const bool marked = QFileInfo::exists(PathOf(QString::fromLatin1(kInitialisedFile)));
  int holding = 0;
  for (const char* file : files) {
    holding += HoldsData(PathOf(QString::fromLatin1(file))) ? 1 : 0;
  }
  if (marked || holding > 0) {
    for (const char* file : files) {
      const QString path = PathOf(QString::fromLatin1(file));
      if (!HoldsData(path)) {
        ReportOpenFailure(file, SQLITE_CORRUPT,
                          QFileInfo::exists(path)
                              ? QStringLiteral("the file is empty, though this device folder "
                                               "has been in use: its data is lost")
                              : QStringLiteral("the file is missing, though this device folder "
                                               "has been in use"));
        return false;
      }
    }
  }
  if (m_readOnly || (marked && holding == 2)) {
    m_initialised = marked;
    return true;
  }
  // A new folder, or one used by an earlier version (which wrote no mark): both files are opened,
  // which gives each its first page, and then the mark is written.
  m_initialising = true;
  const bool opened = ObjectStore() != nullptr && Registry() != nullptr;
  m_initialising = false;
  if (!opened) {
    return false;
  }
  QString error;
  if (!platform::WritePrivateFileAtomically(
          PathOf(QString::fromLatin1(kInitialisedFile)),
          QByteArrayLiteral("This folder is an Ovelin device in use. Its database files must be\n"
                            "here: should one be missing or empty, the device is damaged.\n"),
          error)) {
    ReportOpenFailure(kInitialisedFile, SQLITE_CANTOPEN, error);
    return false;
  }
  m_initialised = true;
  return true;
}

sqlite3* Device::OpenConnection(const char* file, sqlite3*& slot) {
  if (slot) {
    return slot;
  }
  const QString path = PathOf(QString::fromLatin1(file));
  if (!m_readOnly) {
    QString error;
    if (!Prepare(&error)) {
      ReportOpenFailure(file, SQLITE_CANTOPEN, error);
      return nullptr;
    }
  }
  if (!EnsureInitialised()) {
    return nullptr;
  }
  // Setting up a new folder opens both files: this one may be open now.
  if (slot != nullptr) {
    return slot;
  }
  // Read-only, a file that is not there has nothing to read: no failure, and no file is made.
  if (m_readOnly && !QFileInfo::exists(path)) {
    return nullptr;
  }
  if (!CheckFileKind(path, file)) {
    return nullptr;
  }
  // The WAL and shared-memory files take the main file's permissions, so 0600 here covers them.
  if (!m_readOnly && !EnsurePrivateFile(path)) {
    ReportOpenFailure(file, SQLITE_CANTOPEN, QString::fromLocal8Bit(std::strerror(errno)));
    return nullptr;
  }
  const int flags = SQLITE_OPEN_NOMUTEX | (m_readOnly ? SQLITE_OPEN_READONLY
                                                      : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
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
  const bool ready = m_readOnly ? Execute(db, "PRAGMA query_only=1")
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

void Device::NoteDamage(const StoreError& error) {
  if (!m_damage.Failed()) {
    m_damage = error;
  }
}

bool ChangesAllowed() {
  const Device* device = Device::Current();
  if (device == nullptr || !device->Damage().Failed()) {
    return true;
  }
  const StoreError& damage = device->Damage();
  ReportStoreFailure(
      {damage.code, damage.file,
       QStringLiteral("nothing is written to a damaged device: %1").arg(damage.message)});
  return false;
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

DeviceScope::DeviceScope(Device& device) : m_previous(tCurrent) {
  tCurrent = &device;
}

DeviceScope::~DeviceScope() {
  tCurrent = m_previous;
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
