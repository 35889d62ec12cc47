#include "platform/StoreChangeMark.h"

#include "platform/ObjectStore.h"

namespace platform {

std::optional<StoreChangeMark> CurrentStoreChangeMark() {
  object_store::Connection* connection = object_store::Acquire();
  if (connection == nullptr || sqlite3_get_autocommit(connection->db) == 0) {
    return std::nullopt;
  }
  // SQLite's data version counts the commits of every other connection to the file; a
  // connection's own changes leave it as it is, so they are counted apart.
  object_store::Statement version(*connection, "PRAGMA data_version");
  if (version.Step() != SQLITE_ROW) {
    return std::nullopt;
  }
  return StoreChangeMark{connection->serial, version.Int(0),
                         sqlite3_total_changes64(connection->db)};
}

}  // namespace platform
