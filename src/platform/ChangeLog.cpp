#include "platform/ChangeLog.h"

#include "platform/ObjectStore.h"

namespace platform {
namespace {

thread_local int t_synchronisedWrites = 0;

}  // namespace

namespace object_store {

bool NoteChange(Connection& connection, int64_t volume, RecordId id) {
  Statement note(connection,
                 "INSERT INTO record_changes(rec, vol, version, synced) VALUES(?1, ?2, 1, ?3)"
                 " ON CONFLICT(rec) DO UPDATE SET version = version + 1,"
                 " synced = CASE WHEN ?3 = 1 THEN version + 1 ELSE synced END");
  note.Bind(1, int64_t{id});
  note.Bind(2, volume);
  note.Bind(3, int64_t{t_synchronisedWrites > 0 ? 1 : 0});
  return note.Run();
}

bool NoteDeletion(Connection& connection, RecordId id) {
  if (t_synchronisedWrites == 0) {
    Statement log(connection,
                  "INSERT OR REPLACE INTO record_deletions"
                  " SELECT rec, vol, server_id, server_version FROM record_changes"
                  " WHERE rec = ?1 AND server_id <> 0");
    log.Bind(1, int64_t{id});
    if (!log.Run()) {
      return false;
    }
  }
  Statement forget(connection, "DELETE FROM record_changes WHERE rec = ?1");
  forget.Bind(1, int64_t{id});
  return forget.Run();
}

}  // namespace object_store

namespace change_log {
namespace {

using object_store::Acquire;
using object_store::Connection;
using object_store::Statement;

bool Collect(Statement& query, std::vector<Entry>& out) {
  int rc = query.Step();
  for (; rc == SQLITE_ROW; rc = query.Step()) {
    out.push_back({static_cast<RecordId>(query.Int(0)), query.Int(1), query.Int(2), query.Int(3),
                   query.Int(4)});
  }
  return rc == SQLITE_DONE;
}

bool ListOfVolume(const QString& volume, const std::string& sql, std::vector<Entry>& out) {
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  const std::optional<object_store::VolumeInfo> info = FindVolume(*connection, volume);
  if (!info) {
    return true;  // a store not made yet has nothing to tell
  }
  Statement query(*connection, sql);
  query.Bind(1, info->number);
  return Collect(query, out);
}

bool RunWithId(const std::string& sql, RecordId id) {
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  Statement statement(*connection, sql);
  statement.Bind(1, int64_t{id});
  return statement.Run();
}

}  // namespace

bool Pending(const QString& volume, std::vector<Entry>& out) {
  return ListOfVolume(volume,
                      "SELECT rec, version, server_id, server_version, synced FROM record_changes"
                      " WHERE vol = ?1 AND version > synced ORDER BY rec",
                      out);
}

bool Deletions(const QString& volume, std::vector<Entry>& out) {
  return ListOfVolume(volume,
                      "SELECT rec, 0, server_id, server_version, 0 FROM record_deletions"
                      " WHERE vol = ?1 ORDER BY rec",
                      out);
}

std::optional<Entry> Find(RecordId id) {
  Connection* connection = Acquire();
  if (!connection) {
    return std::nullopt;
  }
  Statement query(*connection,
                  "SELECT rec, version, server_id, server_version, synced FROM record_changes"
                  " WHERE rec = ?1");
  query.Bind(1, int64_t{id});
  std::vector<Entry> found;
  if (!Collect(query, found) || found.empty()) {
    return std::nullopt;
  }
  return found.front();
}

RecordId FindByServerId(const QString& volume, int64_t serverId) {
  Connection* connection = Acquire();
  const std::optional<object_store::VolumeInfo> info =
      connection ? FindVolume(*connection, volume) : std::nullopt;
  if (!info) {
    return 0;
  }
  Statement query(*connection,
                  "SELECT rec FROM record_changes WHERE vol = ?1 AND server_id = ?2 AND"
                  " server_id <> 0 ORDER BY rec LIMIT 1");
  query.Bind(1, info->number);
  query.Bind(2, serverId);
  return query.Step() == SQLITE_ROW ? static_cast<RecordId>(query.Int(0)) : 0;
}

bool Link(RecordId id, int64_t serverId, int64_t serverVersion, int64_t syncedVersion) {
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  Statement link(*connection,
                 "UPDATE record_changes SET server_id = ?2, server_version = ?3,"
                 " synced = CASE WHEN version = ?4 THEN version ELSE synced END WHERE rec = ?1");
  link.Bind(1, int64_t{id});
  link.Bind(2, serverId);
  link.Bind(3, serverVersion);
  link.Bind(4, syncedVersion);
  return link.Run();
}

bool ForgetDeletion(RecordId id) {
  return RunWithId("DELETE FROM record_deletions WHERE rec = ?1", id);
}

bool LogDeletion(const QString& volume, RecordId id, int64_t serverId, int64_t serverVersion) {
  Connection* connection = Acquire();
  const std::optional<object_store::VolumeInfo> info =
      connection ? FindVolume(*connection, volume) : std::nullopt;
  if (!info) {
    return false;
  }
  Statement log(*connection, "INSERT OR REPLACE INTO record_deletions VALUES(?1, ?2, ?3, ?4)");
  log.Bind(1, int64_t{id});
  log.Bind(2, info->number);
  log.Bind(3, serverId);
  log.Bind(4, serverVersion);
  return log.Run();
}

bool ReadState(const QString& name, QString& value) {
  value.clear();
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  Statement query(*connection, "SELECT value FROM sync_state WHERE name = ?1");
  query.Bind(1, name);
  const int rc = query.Step();
  if (rc == SQLITE_ROW) {
    value = query.Text(0);
  }
  return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

bool WriteState(const QString& name, const QString& value) {
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  Statement write(*connection, "INSERT OR REPLACE INTO sync_state(name, value) VALUES(?1, ?2)");
  write.Bind(1, name);
  write.Bind(2, value);
  return write.Run();
}

SynchronisedWrites::SynchronisedWrites() {
  ++t_synchronisedWrites;
}

SynchronisedWrites::~SynchronisedWrites() {
  --t_synchronisedWrites;
}

}  // namespace change_log
}  // namespace platform
