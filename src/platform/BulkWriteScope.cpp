#include "platform/BulkWriteScope.h"

#include <sqlite3.h>
#include <string>

#include "platform/ObjectStore.h"

namespace platform {

using object_store::Acquire;
using object_store::Connection;

BulkWriteScope::BulkWriteScope() {
  Connection* connection = Acquire();
  if (!connection) {
    return;
  }
  sqlite3_stmt* read = nullptr;
  if (sqlite3_prepare_v2(connection->db, "PRAGMA temp_store", -1, &read, nullptr) == SQLITE_OK &&
      sqlite3_step(read) == SQLITE_ROW) {
    m_usual = sqlite3_column_int64(read, 0);
    m_db = connection->db;
  }
  sqlite3_finalize(read);
  // Memory only spares writes: when it cannot be set, the transaction works as before.
  if (m_db) {
    sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
  }
}

BulkWriteScope::~BulkWriteScope() {
  if (m_db) {
    const std::string usual = "PRAGMA temp_store=" + std::to_string(m_usual);
    sqlite3_exec(m_db, usual.c_str(), nullptr, nullptr, nullptr);
  }
}

}  // namespace platform
