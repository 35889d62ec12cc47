// The object store's bookkeeping: its format, the record id counter and its copy, the list of
// volumes, and the case-insensitive indexes kept in the order of the current case folding.

#include <QChar>
#include <algorithm>

#include "platform/Device.h"
#include "platform/ObjectStore.h"
#include "platform/StoreError.h"

namespace platform::object_store {
namespace {

void ReportFormatFailure(sqlite3* db, const QString& message) {
  StoreError error;
  error.code = SQLITE_FORMAT;
  error.file = QString::fromLatin1(Device::kObjectStoreFile);
  error.message = message;
  static_cast<void>(db);
  ReportStoreFailure(error);
}

// The largest record id of any volume, 0 for none; -1 when it cannot be read.
int64_t LargestRecordId(Connection& connection) {
  std::vector<int64_t> volumes;
  {
    Statement list(connection, "SELECT num FROM volumes");
    int rc = list.Step();
    for (; rc == SQLITE_ROW; rc = list.Step()) {
      volumes.push_back(list.Int(0));
    }
    if (rc != SQLITE_DONE) {
      return -1;
    }
  }
  int64_t largest = 0;
  for (const int64_t volume : volumes) {
    Statement max(connection, "SELECT coalesce(max(id), 0) FROM " + RecTable(volume));
    if (max.Step() != SQLITE_ROW) {
      return -1;
    }
    largest = std::max(largest, max.Int(0));
  }
  return largest;
}

// The record id counter is kept in store_meta; record_id_copy holds at least the largest id that
// a deleted record had (a deletion brings it up; an add does not touch it). Should either row be
// lost, or the counter be set back, both are set to the largest of the two and of every id in use,
// so that no id is ever handed out again: every id handed out is either in use or was deleted.
bool RepairRecordIdCounter(Connection& connection) {
  int64_t counter = -1;
  int64_t copy = -1;
  {
    Statement read(connection,
                   "SELECT (SELECT value FROM store_meta WHERE name = 'last_record_id'),"
                   " (SELECT max(value) FROM record_id_copy)");
    if (read.Step() != SQLITE_ROW) {
      return false;
    }
    counter = read.IsNull(0) ? -1 : read.Int(0);
    copy = read.IsNull(1) ? -1 : read.Int(1);
  }
  const int64_t inUse = LargestRecordId(connection);
  if (inUse < 0) {
    return false;
  }
  const int64_t last = std::max({counter, copy, inUse, int64_t{0}});
  if (counter == last && copy >= 0) {
    return true;  // the copy lags the counter between deletions, as it should
  }
  Statement setCounter(connection,
                       "INSERT INTO store_meta VALUES('last_record_id', ?1)"
                       " ON CONFLICT(name) DO UPDATE SET value = excluded.value");
  setCounter.Bind(1, last);
  if (!setCounter.Run() || !ExecuteScript(connection.db, "DELETE FROM record_id_copy")) {
    return false;
  }
  Statement setCopy(connection, "INSERT INTO record_id_copy VALUES(?1)");
  setCopy.Bind(1, last);
  return setCopy.Run();
}

bool ReadMeta(Connection& connection, int64_t& format, int64_t& unicodeVersion) {
  format = 0;
  unicodeVersion = 0;
  Statement meta(connection, "SELECT name, value FROM store_meta");
  int rc = meta.Step();
  for (; rc == SQLITE_ROW; rc = meta.Step()) {
    const QString name = meta.Text(0);
    if (name == u"format") {
      format = meta.Int(1);
    } else if (name == u"unicode_version") {
      unicodeVersion = meta.Int(1);
    }
  }
  return rc == SQLITE_DONE;
}

// The store's bookkeeping, read; false (reported) for a file of another format, which is left
// alone (a later version of the program wrote it).
bool ReadOwnFormat(Connection& connection, int64_t& unicodeVersion) {
  int64_t format = 0;
  if (!ReadMeta(connection, format, unicodeVersion)) {
    return false;
  }
  if (format != kFormat) {
    ReportFormatFailure(connection.db,
                        QStringLiteral("not an object store of format %1").arg(kFormat));
    return false;
  }
  return true;
}

bool HasTable(Connection& connection, const char* name) {
  Statement find(connection, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
  find.Bind(1, QString::fromLatin1(name));
  return find.Step() == SQLITE_ROW;
}

// A file opened read-only is taken as it is: it must already hold the store's tables.
bool CheckReadOnlySchema(Connection& connection) {
  int64_t unicodeVersion = 0;
  connection.schemaReady = ReadOwnFormat(connection, unicodeVersion);
  connection.hasMatchIndexes = connection.schemaReady && HasTable(connection, "match_indexes");
  return connection.schemaReady;
}

// The change log of the ward synchronisation (docs/sync.md): a version per record that grows with
// every change, the version the last synchronisation took or gave, and the link to the server's
// row; and the deletions of records the server knows. A file that predates the log gets it with
// a row for every record it holds, so that its first synchronisation sends everything.
bool EnsureChangeTables(Connection& connection) {
  if (HasTable(connection, "record_changes")) {
    return true;
  }
  if (!ExecuteScript(connection.db,
                     "CREATE TABLE record_changes("
                     "rec INTEGER PRIMARY KEY, vol INTEGER NOT NULL, version INTEGER NOT NULL,"
                     "synced INTEGER NOT NULL DEFAULT 0, server_id INTEGER NOT NULL DEFAULT 0,"
                     "server_version INTEGER NOT NULL DEFAULT 0);"
                     "CREATE INDEX record_changes_pending ON record_changes(vol, rec)"
                     " WHERE version > synced;"
                     "CREATE INDEX record_changes_server ON record_changes(vol, server_id)"
                     " WHERE server_id <> 0;"
                     "CREATE TABLE record_deletions("
                     "rec INTEGER PRIMARY KEY, vol INTEGER NOT NULL, server_id INTEGER NOT NULL,"
                     "server_version INTEGER NOT NULL);"
                     "CREATE TABLE sync_state(name TEXT PRIMARY KEY, value TEXT NOT NULL)"
                     " WITHOUT ROWID;")) {
    return false;
  }
  std::vector<int64_t> numbers;
  {
    Statement volumes(connection, "SELECT num FROM volumes");
    int rc = volumes.Step();
    for (; rc == SQLITE_ROW; rc = volumes.Step()) {
      numbers.push_back(volumes.Int(0));
    }
    if (rc != SQLITE_DONE) {
      return false;
    }
  }
  for (const int64_t number : numbers) {
    const std::string fill = "INSERT INTO record_changes(rec, vol, version) SELECT id, " +
                             std::to_string(number) + ", 1 FROM " + RecTable(number);
    if (!ExecuteScript(connection.db, fill)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool EnsureSchema(Connection& connection) {
  if (sqlite3_db_readonly(connection.db, "main") == 1) {
    return CheckReadOnlySchema(connection);
  }
  // Takes effect only while the file is still empty; an existing file keeps its encoding.
  ExecuteScript(connection.db, "PRAGMA encoding='UTF-16le'");
  Transaction transaction(connection);
  if (!transaction.Active() ||
      !ExecuteScript(connection.db,
                     "CREATE TABLE IF NOT EXISTS store_meta("
                     "name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
                     "INSERT OR IGNORE INTO store_meta VALUES"
                     "('format', 1), ('unicode_version', -1);"
                     "CREATE TABLE IF NOT EXISTS record_id_copy(value INTEGER NOT NULL);"
                     "CREATE TABLE IF NOT EXISTS volumes("
                     "num INTEGER PRIMARY KEY AUTOINCREMENT,"
                     "name TEXT NOT NULL UNIQUE COLLATE ov_nocase,"
                     "sort1_prop INTEGER NOT NULL, sort1_nocase INTEGER NOT NULL,"
                     "sort2_prop INTEGER, sort2_nocase INTEGER);"
                     // Added to files of the format as they are opened; older versions of the
                     // program pass over it (docs/store-file.md).
                     "CREATE TABLE IF NOT EXISTS match_indexes("
                     "num INTEGER PRIMARY KEY, props TEXT NOT NULL);") ||
      !EnsureChangeTables(connection)) {
    return false;
  }
  int64_t unicodeVersion = 0;
  if (!ReadOwnFormat(connection, unicodeVersion) || !RepairRecordIdCounter(connection)) {
    return false;
  }
  // The case-insensitive indexes hold the order of Qt's case folding. Should a new Qt fold some
  // character differently, they are rebuilt, or seeks would miss records.
  const auto current = static_cast<int64_t>(QChar::currentUnicodeVersion());
  if (unicodeVersion != current) {
    Statement update(connection, "UPDATE store_meta SET value = ?1 WHERE name = 'unicode_version'");
    update.Bind(1, current);
    if (!ExecuteScript(connection.db, "REINDEX ov_nocase") || !update.Run()) {
      return false;
    }
  }
  connection.schemaReady = transaction.Commit();
  connection.hasMatchIndexes = connection.schemaReady;
  return connection.schemaReady;
}

std::optional<VolumeInfo> FindVolume(Connection& connection, const QString& name) {
  Statement find(connection,
                 "SELECT num, name, sort1_prop, sort2_prop, sort1_nocase, sort2_nocase"
                 " FROM volumes"
                 " WHERE name = ?1");
  find.Bind(1, name);
  if (find.Step() != SQLITE_ROW) {
    return std::nullopt;
  }
  VolumeInfo info;
  info.number = find.Int(0);
  info.name = find.Text(1);
  info.sortProperties.push_back(static_cast<PropId>(find.Int(2)));
  if (!find.IsNull(3)) {
    info.sortProperties.push_back(static_cast<PropId>(find.Int(3)));
  }
  info.firstOrderCaseInsensitive = find.Int(4) != 0;
  info.secondOrderCaseInsensitive = !find.IsNull(5) && find.Int(5) != 0;
  return info;
}

std::vector<PropId> SortProperties(Connection& connection, int64_t volume) {
  Statement find(connection, "SELECT sort1_prop, sort2_prop FROM volumes WHERE num = ?1");
  find.Bind(1, volume);
  std::vector<PropId> properties;
  if (find.Step() == SQLITE_ROW) {
    properties.push_back(static_cast<PropId>(find.Int(0)));
    if (!find.IsNull(1)) {
      properties.push_back(static_cast<PropId>(find.Int(1)));
    }
  }
  return properties;
}

}  // namespace platform::object_store
