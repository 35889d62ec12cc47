#pragma once

#include <cstdint>

struct sqlite3;

namespace platform {

// For a transaction that files many records (an import): while it lives, SQLite keeps its
// temporary files in memory on the device's connection. Every record is added in a savepoint of
// the transaction, so that a failed one can be taken back alone, and SQLite journals the pages a
// savepoint changes in a temporary file: on disk, that is one write to the file for every page of
// every record. The journal of a savepoint is emptied when the savepoint ends, so it stays small
// in memory. The usual setting comes back at the end.
class BulkWriteScope {
 public:
  BulkWriteScope();
  ~BulkWriteScope();
  BulkWriteScope(const BulkWriteScope&) = delete;
  BulkWriteScope& operator=(const BulkWriteScope&) = delete;

 private:
  ::sqlite3* m_db = nullptr;
  int64_t m_usual = 0;
};

}  // namespace platform
