#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/PropertyDatabase.h"

// What changed on the current device since its last ward synchronisation (docs/sync.md). The object
// store keeps, beside every record, a version that grows with each change of the record, the
// version the last synchronisation sent or wrote, and the record's server row and the server's
// version of it; and it logs the deletion of every record that the server knows. A record is
// pending when its version is past its synchronised one. Time stamps cannot say this: a received
// record keeps its sender's stamp, and a deleted record leaves nothing in its store.
//
// Failures are reported as every store failure is (a StoreErrorScope around the task sees them).
namespace platform::change_log {

struct Entry {
  RecordId id = 0;
  int64_t version = 0;
  int64_t serverId = 0;       // 0: not on the server
  int64_t serverVersion = 0;  // the server's version that the device holds or built on
  int64_t synced = 0;         // the version the last synchronisation sent or wrote

  bool IsPending() const { return version > synced; }
};

// The records of the volume changed since they were last synchronised, by record id.
bool Pending(const QString& volume, std::vector<Entry>& out);
// The deletions of records the server knows, not yet told to it (version 0 in each).
bool Deletions(const QString& volume, std::vector<Entry>& out);
// The record's entry; nullopt when it has none (gone) or the store failed.
std::optional<Entry> Find(RecordId id);
// The record of the volume linked to that server row; 0 when there is none.
RecordId FindByServerId(const QString& volume, int64_t serverId);

// Links the record to its server row at the server's version. The record counts as synchronised
// only when its version is still syncedVersion (one changed meanwhile stays pending).
bool Link(RecordId id, int64_t serverId, int64_t serverVersion, int64_t syncedVersion);
// Drops a logged deletion once the server has taken it.
bool ForgetDeletion(RecordId id);
// Logs the deletion of a record of the volume that is already gone, for the server's row: a
// record deleted while a synchronisation was sending it.
bool LogDeletion(const QString& volume, RecordId id, int64_t serverId, int64_t serverVersion);

// Values the synchronisation keeps with the device's records, so that they change in the same
// transaction (the ward, the server's change mark). An empty text when the value is not set.
bool ReadState(const QString& name, QString& value);
bool WriteState(const QString& name, const QString& value);

// While one lives, changes on this thread are the synchronisation's own: a record it writes counts
// as synchronised, and a record it deletes is not logged for the server.
class SynchronisedWrites {
 public:
  SynchronisedWrites();
  ~SynchronisedWrites();
  SynchronisedWrites(const SynchronisedWrites&) = delete;
  SynchronisedWrites& operator=(const SynchronisedWrites&) = delete;
};

}  // namespace platform::change_log
