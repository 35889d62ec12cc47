#pragma once

// The property database's own machinery over the device's SQLite connection, shared by its parts
// (PropertyDatabase.cpp, ObjectStoreConnection.cpp, ObjectStoreSchema.cpp, SeekPlans.cpp,
// MatchIndex.cpp). Nothing outside src/platform and its tests uses it. The file's layout is in
// docs/store-file.md.

#include <sqlite3.h>

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/PropertyDatabase.h"
#include "platform/SqliteStatement.h"

namespace platform::object_store {

inline constexpr int kFormat = 1;
inline constexpr int64_t kLastRecordId = 0xFFFF'FFFF;
inline constexpr const char* kNoCase = "ov_nocase";
inline constexpr const char* kBinary = "ov_binary";

// What the property database keeps for one SQLite connection: its prepared statements, kept for
// the connection's life, and whether the store's tables have been checked on it.
struct Connection {
  explicit Connection(sqlite3* handle);
  sqlite3* db;
  // Numbers the connections of the process from 1, so that one opened later at a closed one's
  // address is told apart from it.
  uint64_t serial;
  std::unordered_map<std::string, sqlite3_stmt*> statements;
  bool schemaReady = false;
  // Whether the file has the table that names the match indexes (a file that an older version
  // made and that is opened read-only may lack it).
  bool hasMatchIndexes = false;
  // While set, a write inside a transaction of the caller's takes no savepoint of its own: the
  // caller takes its whole transaction back on any failure (an import, all or nothing).
  bool wholeTransactionWrites = false;

  // The cached statement for sql; nullptr (reported) when it cannot be prepared.
  sqlite3_stmt* Prepare(const std::string& sql);
};

// The connection of the current device, ready for the store's work; nullptr (reported) when
// there is none.
Connection* Acquire();

// One use of a cached statement; reset when the use ends so that it holds no read snapshot.
class Statement : public SqliteStatement {
 public:
  Statement(Connection& connection, const std::string& sql)
      : SqliteStatement(connection.Prepare(sql)) {}
  ~Statement() {
    if (m_statement) {
      sqlite3_reset(m_statement);
      sqlite3_clear_bindings(m_statement);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
};

bool Execute(Connection& connection, const std::string& sql);
// Runs one or more statements uncached; false (reported) on the first failure.
bool ExecuteScript(sqlite3* db, const std::string& sql);

// A change: BEGIN IMMEDIATE ... COMMIT, so that it waits for the write lock up front (another
// process may hold it) and is durable when Commit answers true. Inside a transaction the caller
// already opened on the connection it is a savepoint, and durability comes with the caller's
// commit. Destroyed without Commit, it rolls back.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction() { Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool Active() const { return m_active; }
  bool Commit();

 private:
  void Rollback();

  Connection& m_connection;
  bool m_nested;
  bool m_savepoint;  // nested, with a savepoint of its own
  bool m_active = false;
};

// A read over several statements that must see one state of the file.
class ReadTransaction {
 public:
  explicit ReadTransaction(Connection& connection);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Connection& m_connection;
  bool m_own;
};

// ---- Tables -----------------------------------------------------------------------------------

inline std::string RecTable(int64_t volume) {
  return "v" + std::to_string(volume) + "_rec";
}
inline std::string PropTable(int64_t volume) {
  return "v" + std::to_string(volume) + "_prop";
}
inline const char* KeyColumn(int sortIndex) {
  return sortIndex == 0 ? "k1" : "k2";
}

struct VolumeInfo {
  int64_t number = 0;
  QString name;
  std::vector<PropId> sortProperties;
  bool firstOrderCaseInsensitive = true;
  bool secondOrderCaseInsensitive = true;
};

// Orders two sort keys as the store's indexes do: <0, 0 or >0.
int CompareKeys(const QString& a, const QString& b, bool caseInsensitive);

std::optional<VolumeInfo> FindVolume(Connection& connection, const QString& name);
std::vector<PropId> SortProperties(Connection& connection, int64_t volume);

// Checks the store's tables on the connection's first use, creating them on a new file.
bool EnsureSchema(Connection& connection);

// The change log (ChangeLog.cpp), kept inside each change's transaction: a record added or
// written over gets a new version; a deleted record leaves its entry, and a logged deletion when
// the server knows it.
bool NoteChange(Connection& connection, int64_t volume, RecordId id);
bool NoteDeletion(Connection& connection, RecordId id);

}  // namespace platform::object_store
