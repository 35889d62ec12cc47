#include "platform/BulkWriteScope.h"

#include <sqlite3.h>
#include <string>

#include "platform/ObjectStore.h"

namespace platform {

using object_store::Acquire;
using object_store::Connection;

namespace {

// The value of a pragma that answers a number; false when it cannot be read.
bool ReadPragma(sqlite3* db, const char* sql, int64_t& value) {
  sqlite3_stmt* read = nullptr;
  const bool found = sqlite3_prepare_v2(db, sql, -1, &read, nullptr) == SQLITE_OK &&
                     sqlite3_step(read) == SQLITE_ROW;
  if (found) {
    value = sqlite3_column_int64(read, 0);
  }
  sqlite3_finalize(read);
  return found;
}

}  // namespace

BulkWriteScope::BulkWriteScope(Failure failure) {
  Connection* connection = Acquire();
  if (!connection) {
    return;
  }
  if (failure == Failure::kEndsTheTransaction && !connection->wholeTransactionWrites) {
    connection->wholeTransactionWrites = true;
    m_wholeTransaction = &connection->wholeTransactionWrites;
  }
  if (ReadPragma(connection->db, "PRAGMA temp_store", m_usual)) {
    m_db = connection->db;
  }
  // Memory only spares writes: when it cannot be set, the transaction works as before.
  if (m_db) {
    sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
  }
}

BulkWriteScope::~BulkWriteScope() {
  if (m_wholeTransaction) {
    *m_wholeTransaction = false;
  }
  if (m_db) {
    const std::string usual = "PRAGMA temp_store=" + std::to_string(m_usual);
    sqlite3_exec(m_db, usual.c_str(), nullptr, nullptr, nullptr);
  }
}

UnmappedReadScope::UnmappedReadScope() {
  Connection* connection = Acquire();
  if (connection && ReadPragma(connection->db, "PRAGMA mmap_size", m_usual)) {
    m_db = connection->db;
    sqlite3_exec(m_db, "PRAGMA mmap_size=0", nullptr, nullptr, nullptr);
  }
}

UnmappedReadScope::~UnmappedReadScope() {
  if (m_db) {
    const std::string usual = "PRAGMA mmap_size=" + std::to_string(m_usual);
    sqlite3_exec(m_db, usual.c_str(), nullptr, nullptr, nullptr);
  }
}

}  // namespace platform
