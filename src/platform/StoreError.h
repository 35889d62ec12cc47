#pragma once

#include <QString>
#include <cstdint>

struct sqlite3;

// Failures of the device's files, with their cause. Every SQLite result other than success that
// the property database or the registry meets is reported here, so that a failure never reads as
// "no record" or "no value": the operation answers false (or 0) and its caller asks what went
// wrong, through the handle's LastError() or through a StoreErrorScope around a whole task.
namespace platform {

struct StoreError {
  int code = 0;     // SQLite's extended result code; 0 = no failure
  QString file;     // the device file concerned (its name within the device folder)
  QString message;  // what failed, in SQLite's words or ours

  bool Failed() const { return code != 0; }
  // "objectstore.db: database disk image is malformed (SQLite error 11)".
  QString Describe() const;
  // Whether the cause is damage of the file (corrupt, not a database, unreadable), as opposed to
  // a passing condition (busy, full disk, no permission).
  bool IsDamage() const;
};

// Records a failure of a connection: SQLite's extended code and message for rc, and the file
// the connection belongs to. Answers the error recorded.
StoreError ReportSqliteFailure(sqlite3* db, int rc);
// Records a failure that is not SQLite's own (a file that cannot be opened, a wrong format).
void ReportStoreFailure(const StoreError& error);

// Counts every failure reported on this thread; a handle compares counts to learn whether its
// operation failed.
uint64_t StoreFailureCount();
// The most recent failure reported on this thread.
const StoreError& LastStoreFailure();

// The first failure reported on this thread while the scope lives. Scopes nest: a failure counts
// for every scope open at the time.
class StoreErrorScope {
 public:
  StoreErrorScope();
  ~StoreErrorScope();
  StoreErrorScope(const StoreErrorScope&) = delete;
  StoreErrorScope& operator=(const StoreErrorScope&) = delete;

  bool Failed() const { return m_error.Failed(); }
  const StoreError& Error() const { return m_error; }

 private:
  friend void ReportStoreFailure(const StoreError& error);
  StoreError m_error;
  StoreErrorScope* m_outer;
};

}  // namespace platform
