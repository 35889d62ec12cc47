// The property database's SQLite connection: the collations its tables name, the statements it
// keeps prepared, and its transactions.

#include <QChar>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/Device.h"
#include "platform/ObjectStore.h"
#include "platform/StoreError.h"

namespace platform::object_store {
namespace {

// ---- Collations -------------------------------------------------------------------------------

char16_t UnitAt(const void* text, size_t index) {
  char16_t unit = 0;  // SQLite does not promise alignment, hence the copy
  std::memcpy(&unit, static_cast<const unsigned char*>(text) + index * sizeof unit, sizeof unit);
  return unit;
}

char16_t Fold(char16_t unit) {
  if (unit < 0x80) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
  }
  return QChar(unit).toCaseFolded().unicode();
}

// Orders UTF-16 texts unit by unit (case-folded when kFold), a text before its own extensions.
// SQLite hands the texts over in the native byte order because the collation is registered for
// SQLITE_UTF16; its own BINARY would compare UTF-16LE bytes, which is not code unit order.
template <bool kFold>
int CompareUtf16(void*, int bytesA, const void* a, int bytesB, const void* b) {
  const size_t lengthA = static_cast<size_t>(bytesA) / 2;
  const size_t lengthB = static_cast<size_t>(bytesB) / 2;
  const size_t common = std::min(lengthA, lengthB);
  for (size_t i = 0; i < common; ++i) {
    char16_t x = UnitAt(a, i);
    char16_t y = UnitAt(b, i);
    if constexpr (kFold) {
      x = Fold(x);
      y = Fold(y);
    }
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}

}  // namespace

int CompareKeys(const QString& a, const QString& b, bool caseInsensitive) {
  const auto bytes = [](const QString& text) { return static_cast<int>(text.size() * 2); };
  return caseInsensitive ? CompareUtf16<true>(nullptr, bytes(a), a.utf16(), bytes(b), b.utf16())
                         : CompareUtf16<false>(nullptr, bytes(a), a.utf16(), bytes(b), b.utf16());
}

namespace {

// ---- Per-connection state -------------------------------------------------------------------

std::mutex& ConnectionsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<sqlite3*, Connection*>& Connections() {
  static std::unordered_map<sqlite3*, Connection*> connections;
  return connections;
}

uint64_t NextSerial() {
  static std::atomic<uint64_t> attached{0};
  return ++attached;
}

// Destructor of the case-insensitive collation: SQLite calls it when the connection really closes,
// after every statement on it was finalized (the Device finalizes them before closing). So the
// entry goes before another connection can be opened at the same address.
void ReleaseConnection(void* data) {
  auto* connection = static_cast<Connection*>(data);
  {
    const std::lock_guard lock(ConnectionsMutex());
    Connections().erase(connection->db);
  }
  delete connection;
}

// Sets the connection up for the store: registers the collations that the store's tables name
// (any connection that touches the file must have them). Runs on the connection's first use here.
Connection* Attach(sqlite3* db) {
  if (sqlite3_create_collation_v2(db, kBinary, SQLITE_UTF16, nullptr, &CompareUtf16<false>,
                                  nullptr) != SQLITE_OK) {
    return nullptr;
  }
  // Pages are read through a memory map: no copy into a private cache, and a cache shared with
  // the other processes of the device, which stays warm when one of them writes.
  sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
  auto* connection = new Connection(db);
  if (sqlite3_create_collation_v2(db, kNoCase, SQLITE_UTF16, connection, &CompareUtf16<true>,
                                  &ReleaseConnection) != SQLITE_OK) {
    delete connection;  // SQLite does not call the destructor when registration fails
    return nullptr;
  }
  const std::lock_guard lock(ConnectionsMutex());
  Connections()[db] = connection;
  return connection;
}

}  // namespace

Connection::Connection(sqlite3* handle) : db(handle), serial(NextSerial()) {}

sqlite3_stmt* Connection::Prepare(const std::string& sql) {
  const auto found = statements.find(sql);
  if (found != statements.end()) {
    return found->second;
  }
  sqlite3_stmt* statement = nullptr;
  const int rc =
      sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
    sqlite3_finalize(statement);
    return nullptr;
  }
  statements.emplace(sql, statement);
  return statement;
}

Connection* Acquire() {
  Device* device = Device::Current();
  if (!device) {
    ReportStoreFailure({SQLITE_MISUSE, QString(), QStringLiteral("no device is open")});
    return nullptr;
  }
  sqlite3* db = device->ObjectStore();
  if (!db) {
    return nullptr;
  }
  Connection* connection = nullptr;
  {
    const std::lock_guard lock(ConnectionsMutex());
    const auto found = Connections().find(db);
    if (found != Connections().end()) {
      connection = found->second;
    }
  }
  if (!connection) {
    connection = Attach(db);
  }
  if (!connection || (!connection->schemaReady && !EnsureSchema(*connection))) {
    return nullptr;
  }
  return connection;
}

// ---- Statements and transactions --------------------------------------------------------------

bool Execute(Connection& connection, const std::string& sql) {
  Statement statement(connection, sql);
  return statement.Run();
}

bool ExecuteScript(sqlite3* db, const std::string& sql) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
  }
  return rc == SQLITE_OK;
}

Transaction::Transaction(Connection& connection)
    : m_connection(connection),
      m_nested(sqlite3_get_autocommit(connection.db) == 0),
      m_savepoint(m_nested && !connection.wholeTransactionWrites) {
  if (!ChangesAllowed()) {
    return;
  }
  if (!m_nested) {
    m_active = Execute(m_connection, "BEGIN IMMEDIATE");
  } else if (m_savepoint) {
    m_active = Execute(m_connection, "SAVEPOINT ov_change");
  } else {
    m_active = true;  // within the caller's transaction as it stands
  }
}

bool Transaction::Commit() {
  if (!m_active) {
    return false;
  }
  if (!ChangesAllowed()) {
    Rollback();
    return false;
  }
  if (m_nested && !m_savepoint) {
    m_active = false;
    return true;
  }
  if (!Execute(m_connection, m_nested ? "RELEASE ov_change" : "COMMIT")) {
    Rollback();
    return false;
  }
  m_active = false;
  return true;
}

void Transaction::Rollback() {
  if (!m_active) {
    return;
  }
  m_active = false;
  if (m_savepoint) {
    Execute(m_connection, "ROLLBACK TO ov_change");
    Execute(m_connection, "RELEASE ov_change");
  } else if (!m_nested && sqlite3_get_autocommit(m_connection.db) == 0) {
    Execute(m_connection, "ROLLBACK");
  }
}

ReadTransaction::ReadTransaction(Connection& connection)
    : m_connection(connection), m_own(sqlite3_get_autocommit(connection.db) != 0) {
  if (m_own) {
    m_own = Execute(m_connection, "BEGIN");
  }
}

ReadTransaction::~ReadTransaction() {
  if (m_own && sqlite3_get_autocommit(m_connection.db) == 0) {
    Execute(m_connection, "COMMIT");
  }
}

}  // namespace platform::object_store
