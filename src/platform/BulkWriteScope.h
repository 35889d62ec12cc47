#pragma once

#include <cstdint>

struct sqlite3;

namespace platform {

// For a transaction that files many records (an import): while it lives, SQLite keeps its
// temporary files in memory on the device's connection. Every record is added in a savepoint of
// the transaction, so that a failed one can be taken back alone, and SQLite journals the pages a
// savepoint changes in a temporary file: on disk, that is one write to the file for every page of
// every record. The journal of a savepoint is emptied when the savepoint ends, so it stays small
// in memory. The usual setting comes back at the end. A caller that takes its whole transaction
// back on any failure spares the savepoints altogether.
class BulkWriteScope {
 public:
  enum class Failure {
    kTakesBackTheRecord,  // a failed record is taken back alone: each takes a savepoint
    kEndsTheTransaction,  // the caller takes its whole transaction back: no savepoints
  };

  explicit BulkWriteScope(Failure failure = Failure::kTakesBackTheRecord);
  ~BulkWriteScope();
  BulkWriteScope(const BulkWriteScope&) = delete;
  BulkWriteScope& operator=(const BulkWriteScope&) = delete;

 private:
  ::sqlite3* m_db = nullptr;
  int64_t m_usual = 0;
  bool* m_wholeTransaction = nullptr;  // the connection's flag, when this scope set it
};

// For a walk over the whole device (a backup written or read back): while it lives, the device's
// pages are read with plain reads into SQLite's small cache instead of through the memory map, so
// that the walk does not map the whole file into the process. A single pass gains nothing from
// the map; the usual setting comes back at the end.
class UnmappedReadScope {
 public:
  UnmappedReadScope();
  ~UnmappedReadScope();
  UnmappedReadScope(const UnmappedReadScope&) = delete;
  UnmappedReadScope& operator=(const UnmappedReadScope&) = delete;

 private:
  ::sqlite3* m_db = nullptr;
  int64_t m_usual = 0;
};

}  // namespace platform
