#include "platform/StoreError.h"

#include "platform/Device.h"

#include <sqlite3.h>
#include <QFileInfo>

namespace platform {
namespace {

thread_local StoreErrorScope* tInnermost = nullptr;
thread_local uint64_t tFailures = 0;
thread_local StoreError tLast;

}  // namespace

QString StoreError::Describe() const {
  if (!Failed()) {
    return QString();
  }
  const QString where = file.isEmpty() ? QString() : file + QStringLiteral(": ");
  return QStringLiteral("%1%2 (SQLite error %3)").arg(where, message).arg(code);
}

bool StoreError::IsDamage() const {
  const int primary = code & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT ||
         code == SQLITE_IOERR_SHORT_READ || code == SQLITE_IOERR_READ ||
         code == SQLITE_CANTOPEN_ISDIR;
}

StoreError ReportSqliteFailure(sqlite3* db, int rc) {
  StoreError error;
  error.code = rc == SQLITE_OK ? SQLITE_ERROR : rc;
  if (db) {
    const int extended = sqlite3_extended_errcode(db);
    // The connection's own code is the more precise one when it names the same failure.
    if ((extended & 0xFF) == (error.code & 0xFF)) {
      error.code = extended;
    }
    const char* path = sqlite3_db_filename(db, "main");
    if (path && *path) {
      error.file = QFileInfo(QString::fromUtf8(path)).fileName();
    }
    error.message = QString::fromUtf8(sqlite3_errmsg(db));
  }
  if (error.message.isEmpty() || error.message == QLatin1String("not an error")) {
    error.message = QString::fromUtf8(sqlite3_errstr(error.code));
  }
  ReportStoreFailure(error);
  return error;
}

void ReportStoreFailure(const StoreError& error) {
  if (error.IsDamage()) {
    if (Device* device = Device::Current()) {
      device->NoteDamage(error);
    }
  }
  ++tFailures;
  tLast = error;
  for (StoreErrorScope* scope = tInnermost; scope; scope = scope->m_outer) {
    if (!scope->m_error.Failed()) {
      scope->m_error = error;
    }
  }
}

uint64_t StoreFailureCount() {
  return tFailures;
}

const StoreError& LastStoreFailure() {
  return tLast;
}

StoreErrorScope::StoreErrorScope() : m_outer(tInnermost) {
  tInnermost = this;
}

StoreErrorScope::~StoreErrorScope() {
  tInnermost = m_outer;
}

}  // namespace platform
