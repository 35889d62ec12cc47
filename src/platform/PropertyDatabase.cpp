#include "platform/PropertyDatabase.h"

#include <sqlite3.h>
#include <map>
#include <string>

#include "platform/Device.h"
#include "platform/MatchIndex.h"
#include "platform/ObjectStore.h"
#include "platform/SeekPlans.h"
#include "platform/StoreError.h"
#include "platform/ValueRules.h"

// The handle's work: opening a volume, its seeks, reads and changes. The connection, the file's
// bookkeeping, the seeks' statements and the match indexes are in ObjectStore*.cpp, SeekPlans.cpp
// and MatchIndex.cpp; the layout of objectstore.db is in docs/store-file.md.

namespace platform {

using namespace object_store;

namespace {

// Whether every value may be stored (value_rules::ValidText); the first that may not is reported,
// so that a record that breaks the rules is refused, with the reason, by whichever way it came.
bool ValidValues(const std::map<PropId, QString>& values) {
  for (const auto& [id, value] : values) {
    if (!value_rules::ValidText(value)) {
      ReportStoreFailure({SQLITE_CONSTRAINT, QString::fromLatin1(Device::kObjectStoreFile),
                          QStringLiteral("property %1 holds a NUL character, which a backup "
                                         "could not restore")
                              .arg(id)});
      return false;
    }
  }
  return true;
}

// The properties to store: one value per id, the last given winning, in id order.
std::map<PropId, QString> Collapse(const Record& record) {
  std::map<PropId, QString> values;
  for (const Property& property : record.Properties()) {
    if (!property.notFound) {
      values[property.id] = property.value;
    }
  }
  return values;
}

// Updates each property in place, or adds it where the record lacks it. Not an upsert: the
// statement's own conflict clause would override the one of the match index's triggers (their
// "INSERT OR REPLACE" would become a plain insert), and every rewrite of an indexed property of a
// record already in the index would fail as a broken unique constraint.
bool WriteProperties(Connection& connection, int64_t volume, RecordId id,
                     const std::map<PropId, QString>& values) {
  Statement update(connection,
                   "UPDATE " + PropTable(volume) + " SET val = ?3 WHERE rec = ?1 AND pid = ?2");
  Statement insert(connection,
                   "INSERT INTO " + PropTable(volume) + "(rec, pid, val) VALUES(?1, ?2, ?3)");
  const auto run = [id](Statement& statement, PropId pid, const QString& value) {
    statement.Reset();
    statement.Bind(1, int64_t{id});
    statement.Bind(2, int64_t{pid});
    statement.Bind(3, value);
    return statement.Run();
  };
  for (const auto& [pid, value] : values) {
    if (!run(update, pid, value)) {
      return false;
    }
    if (sqlite3_changes(connection.db) == 0 && !run(insert, pid, value)) {
      return false;
    }
  }
  return true;
}

// The properties of a record just added, which has none yet: one insert each, in property id
// order (the match index's triggers make a record's text when its last indexed property arrives).
bool InsertProperties(Connection& connection, int64_t volume, RecordId id,
                      const std::map<PropId, QString>& values) {
  Statement insert(connection,
                   "INSERT INTO " + PropTable(volume) + "(rec, pid, val) VALUES(?1, ?2, ?3)");
  for (const auto& [pid, value] : values) {
    insert.Reset();
    insert.Bind(1, int64_t{id});
    insert.Bind(2, int64_t{pid});
    insert.Bind(3, value);
    if (!insert.Run()) {
      return false;
    }
  }
  return true;
}

}  // namespace

// ---- Record and PropertyDatabase --------------------------------------------------------------

const Property* Record::Find(PropId id) const {
  for (const Property& property : m_properties) {
    if (property.id == id && !property.notFound) {
      return &property;
    }
  }
  return nullptr;
}

PropertyDatabase::FailureWatch::FailureWatch(StoreError& slot)
    : m_slot(slot), m_start(StoreFailureCount()) {}

PropertyDatabase::FailureWatch::~FailureWatch() {
  m_slot = StoreFailureCount() != m_start ? LastStoreFailure() : StoreError{};
}

PropertyDatabase::~PropertyDatabase() {
  Close();
}

bool PropertyDatabase::Create(const QString& name, const std::vector<SortOrder>& sortOrders) {
  if (name.isEmpty() || sortOrders.empty() || sortOrders.size() > 2) {
    return false;
  }
  Connection* connection = Acquire();
  if (!connection) {
    return false;
  }
  // The write lock is taken before the name is looked at, so of two processes creating the same
  // name one makes it and the other finds it made.
  Transaction transaction(*connection);
  if (!transaction.Active() || FindVolume(*connection, name)) {
    return false;
  }
  const SortOrder first = sortOrders[0];
  const bool twoOrders = sortOrders.size() == 2;
  Statement insert(*connection,
                   "INSERT INTO volumes(name, sort1_prop, sort1_nocase, sort2_prop, sort2_nocase)"
                   " VALUES(?1, ?2, ?3, ?4, ?5)");
  insert.Bind(1, name);
  insert.Bind(2, int64_t{first.property});
  insert.Bind(3, int64_t{first.caseInsensitive});
  if (twoOrders) {
    insert.Bind(4, int64_t{sortOrders[1].property});
    insert.Bind(5, int64_t{sortOrders[1].caseInsensitive});
  }
  if (!insert.Run()) {
    return false;
  }
  const int64_t volume = sqlite3_last_insert_rowid(connection->db);
  const std::string rec = RecTable(volume);
  const auto collation = [](const SortOrder& order) {
    return std::string(order.caseInsensitive ? kNoCase : kBinary);
  };
  std::string ddl = "CREATE TABLE " + rec + "(id INTEGER PRIMARY KEY, k1 TEXT NOT NULL COLLATE " +
                    collation(first);
  if (twoOrders) {
    ddl += ", k2 TEXT NOT NULL COLLATE " + collation(sortOrders[1]);
  }
  ddl += ");CREATE INDEX " + rec + "_k1 ON " + rec + "(k1, id);";
  if (twoOrders) {
    ddl += "CREATE INDEX " + rec + "_k2 ON " + rec + "(k2, id);";
  }
  ddl += "CREATE TABLE " + PropTable(volume) +
         "(rec INTEGER NOT NULL, pid INTEGER NOT NULL, val TEXT NOT NULL,"
         " PRIMARY KEY(rec, pid)) WITHOUT ROWID;";
  if (!ExecuteScript(connection->db, ddl)) {
    return false;
  }
  return transaction.Commit();
}

bool PropertyDatabase::Ready() {
  return Acquire() != nullptr;
}

bool PropertyDatabase::Exists(const QString& name) {
  Connection* connection = Acquire();
  return connection && FindVolume(*connection, name).has_value();
}

std::vector<QString> PropertyDatabase::Names() {
  std::vector<QString> names;
  Connection* connection = Acquire();
  if (!connection) {
    return names;
  }
  Statement list(*connection, "SELECT name FROM volumes ORDER BY num");
  while (list.Step() == SQLITE_ROW) {
    names.push_back(list.Text(0));
  }
  return names;
}

bool PropertyDatabase::Open(const QString& name, int sortIndex) {
  Close();
  const FailureWatch watch(m_lastError);
  Connection* connection = Acquire();
  if (!connection || sortIndex < 0) {
    return false;
  }
  const std::optional<VolumeInfo> info = FindVolume(*connection, name);
  if (!info || static_cast<size_t>(sortIndex) >= info->sortProperties.size()) {
    return false;
  }
  m_name = info->name;
  m_volume = info->number;
  m_sortIndex = sortIndex;
  m_keyCaseInsensitive = info->firstOrderCaseInsensitive;
  m_orderCaseInsensitive =
      sortIndex == 0 ? info->firstOrderCaseInsensitive : info->secondOrderCaseInsensitive;
  return true;
}

void PropertyDatabase::Close() {
  m_name.clear();
  m_volume = 0;
  m_sortIndex = 0;
  m_currentId = 0;
  m_currentKey.clear();
}

RecordId PropertyDatabase::Seek(int kind, const QString& key, RecordId id) {
  const FailureWatch watch(m_lastError);
  if (!IsOpen()) {
    return 0;
  }
  const auto seekKind = static_cast<SeekKind>(kind);
  const bool step = seekKind == kNext || seekKind == kPrevious;
  if (step && m_currentId == 0) {
    return 0;  // no position to move on from
  }
  Connection* connection = Acquire();
  if (!connection) {
    return 0;
  }
  Statement seek(*connection, SeekSql(m_volume, m_sortIndex, seekKind));
  const SeekBindings binds = BindingsOf(seekKind);
  if (binds.key) {
    seek.Bind(1, step ? m_currentKey : key);
  }
  if (binds.id) {
    seek.Bind(2, int64_t{seekKind == kById ? id : m_currentId});
  }
  if (!step) {
    return MoveToRow(seek);
  }
  if (seek.Step() != SQLITE_ROW) {
    return MoveTo(std::nullopt);
  }
  // Every walk must end: a damaged index could answer a record already passed, and a walk that
  // trusted it would go round for ever. A step that does not move on is damage.
  const Position reached{seek.Text(1), static_cast<RecordId>(seek.Int(0))};
  if (!Advances(reached, seekKind == kNext)) {
    ReportStoreFailure({SQLITE_CORRUPT, QString::fromLatin1(Device::kObjectStoreFile),
                        QStringLiteral("the order of %1 is damaged: the step from record %2 "
                                       "does not move on")
                            .arg(m_name)
                            .arg(m_currentId)});
    return 0;
  }
  return MoveTo(reached);
}

bool PropertyDatabase::Advances(const Position& reached, bool forward) const {
  int order = object_store::CompareKeys(reached.key, m_currentKey, m_orderCaseInsensitive);
  if (order == 0) {
    order = reached.id < m_currentId ? -1 : (reached.id > m_currentId ? 1 : 0);
  }
  return forward ? order > 0 : order < 0;
}

RecordId PropertyDatabase::SeekMatch(const QString& key, const std::vector<Property>& values) {
  const FailureWatch watch(m_lastError);
  std::vector<PropId> properties;
  for (const Property& value : values) {
    properties.push_back(value.id);
  }
  Connection* connection = IsOpen() && !values.empty() ? Acquire() : nullptr;
  const MatchIndexState index = connection ? EnsureMatchIndex(*connection, VolumeOpen(), properties)
                                           : MatchIndexState::kFailed;
  if (index == MatchIndexState::kFailed) {
    return 0;
  }
  Statement seek(*connection,
                 MatchSeekSql(m_volume, m_sortIndex, properties, index == MatchIndexState::kReady));
  seek.Bind(1, key);
  for (size_t i = 0; i < values.size(); ++i) {
    seek.Bind(static_cast<int>(i) + 2, values[i].value);
  }
  return MoveToRow(seek);
}

RecordId PropertyDatabase::SeekIncomplete(const QString& key, const std::vector<PropId>& properties,
                                          RecordId after) {
  const FailureWatch watch(m_lastError);
  Connection* connection = IsOpen() && !properties.empty() ? Acquire() : nullptr;
  const MatchIndexState index = connection ? EnsureMatchIndex(*connection, VolumeOpen(), properties)
                                           : MatchIndexState::kFailed;
  if (index == MatchIndexState::kFailed) {
    return 0;
  }
  Statement seek(*connection, IncompleteSeekSql(m_volume, m_sortIndex, properties,
                                                index == MatchIndexState::kReady));
  seek.Bind(1, key);
  seek.Bind(2, int64_t{after});
  return MoveToRow(seek);
}

VolumeInfo PropertyDatabase::VolumeOpen() const {
  VolumeInfo info;
  info.number = m_volume;
  info.name = m_name;
  info.firstOrderCaseInsensitive = m_keyCaseInsensitive;
  return info;
}

RecordId PropertyDatabase::MoveToRow(SqliteStatement& seek) {
  if (seek.Step() != SQLITE_ROW) {
    return MoveTo(std::nullopt);
  }
  return MoveTo(Position{seek.Text(1), static_cast<RecordId>(seek.Int(0))});
}

RecordId PropertyDatabase::MoveTo(const std::optional<Position>& position) {
  if (!position) {
    return 0;
  }
  m_currentKey = position->key;
  m_currentId = position->id;
  return m_currentId;
}

RecordId PropertyDatabase::SeekFirst() {
  return Seek(kFirst);
}
RecordId PropertyDatabase::SeekLast() {
  return Seek(kLast);
}
RecordId PropertyDatabase::SeekNext() {
  return Seek(kNext);
}
RecordId PropertyDatabase::SeekPrevious() {
  return Seek(kPrevious);
}
RecordId PropertyDatabase::SeekById(RecordId id) {
  return id == 0 ? 0 : Seek(kById, QString(), id);
}
RecordId PropertyDatabase::SeekEqual(const QString& key) {
  return Seek(kEqual, key);
}
RecordId PropertyDatabase::SeekGreaterOrEqual(const QString& key) {
  return Seek(kGreaterOrEqual, key);
}
RecordId PropertyDatabase::SeekLastLessThan(const QString& key) {
  return Seek(kLastLessThan, key);
}

bool PropertyDatabase::Read(Record& out) {
  const FailureWatch watch(m_lastError);
  out.Clear();
  Connection* connection = IsOpen() && m_currentId != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  // One statement, so one snapshot: a row for the record even when it has no property.
  Statement read(*connection, "SELECT p.pid, p.val FROM " + RecTable(m_volume) + " r LEFT JOIN " +
                                  PropTable(m_volume) +
                                  " p ON p.rec = r.id WHERE r.id = ?1 ORDER BY p.pid");
  read.Bind(1, int64_t{m_currentId});
  bool found = false;
  int rc = read.Step();
  for (; rc == SQLITE_ROW; rc = read.Step()) {
    found = true;
    if (!read.IsNull(0)) {
      out.Add(static_cast<PropId>(read.Int(0)), read.Text(1));
    }
  }
  if (rc != SQLITE_DONE || !found) {
    out.Clear();
    return false;
  }
  return true;
}

bool PropertyDatabase::Read(Record& out, const std::vector<PropId>& properties) {
  const FailureWatch watch(m_lastError);
  out.Clear();
  Connection* connection = IsOpen() && m_currentId != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  ReadTransaction snapshot(*connection);
  {
    Statement exists(*connection, "SELECT 1 FROM " + RecTable(m_volume) + " WHERE id = ?1");
    exists.Bind(1, int64_t{m_currentId});
    if (exists.Step() != SQLITE_ROW) {
      return false;  // the record is gone
    }
  }
  Statement read(*connection,
                 "SELECT val FROM " + PropTable(m_volume) + " WHERE rec = ?1 AND pid = ?2");
  for (const PropId pid : properties) {
    read.Reset();
    read.Bind(1, int64_t{m_currentId});
    read.Bind(2, int64_t{pid});
    const int rc = read.Step();
    if (rc == SQLITE_ROW) {
      out.Add(pid, read.Text(0));
    } else if (rc == SQLITE_DONE) {
      out.Properties().push_back({pid, QString(), true});
    } else {
      out.Clear();
      return false;
    }
  }
  return true;
}

RecordId PropertyDatabase::Add(const Record& record) {
  const FailureWatch watch(m_lastError);
  Connection* connection = IsOpen() ? Acquire() : nullptr;
  if (!connection) {
    return 0;
  }
  const std::map<PropId, QString> values = Collapse(record);
  if (!ValidValues(values)) {
    return 0;
  }
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return 0;
  }
  const std::vector<PropId> sortProperties = SortProperties(*connection, m_volume);
  if (sortProperties.empty()) {
    return 0;
  }
  // Ids come from one counter for the whole device: never 0, never reused, and no wrap past
  // 32 bits (when they run out, adding fails).
  RecordId id = 0;
  {
    Statement next(*connection,
                   "UPDATE store_meta SET value = value + 1"
                   " WHERE name = 'last_record_id' AND value >= 0 AND value < ?1 RETURNING value");
    next.Bind(1, kLastRecordId);
    if (next.Step() == SQLITE_ROW) {
      id = static_cast<RecordId>(next.Int(0));
    }
    if (!next.Run()) {
      return 0;
    }
  }
  if (id == 0) {
    ReportStoreFailure({SQLITE_FULL, QString::fromLatin1(Device::kObjectStoreFile),
                        QStringLiteral("no record id is left to hand out")});
    return 0;
  }
  const auto keyOf = [&values](PropId pid) {
    const auto found = values.find(pid);
    return found == values.end() ? QString() : found->second;
  };
  Statement insert(*connection,
                   sortProperties.size() == 2
                       ? "INSERT INTO " + RecTable(m_volume) + "(id, k1, k2) VALUES(?1, ?2, ?3)"
                       : "INSERT INTO " + RecTable(m_volume) + "(id, k1) VALUES(?1, ?2)");
  insert.Bind(1, int64_t{id});
  insert.Bind(2, keyOf(sortProperties[0]));
  if (sortProperties.size() == 2) {
    insert.Bind(3, keyOf(sortProperties[1]));
  }
  if (!insert.Run() || !InsertProperties(*connection, m_volume, id, values) ||
      !NoteChange(*connection, m_volume, id) || !transaction.Commit()) {
    return 0;
  }
  return id;
}

bool PropertyDatabase::WriteCurrent(const Record& record) {
  const FailureWatch watch(m_lastError);
  Connection* connection = IsOpen() && m_currentId != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  const std::map<PropId, QString> values = Collapse(record);
  if (!ValidValues(values)) {
    return false;
  }
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return false;
  }
  {
    Statement exists(*connection, "SELECT 1 FROM " + RecTable(m_volume) + " WHERE id = ?1");
    exists.Bind(1, int64_t{m_currentId});
    if (exists.Step() != SQLITE_ROW) {
      return false;
    }
  }
  if (!WriteProperties(*connection, m_volume, m_currentId, values) ||
      !NoteChange(*connection, m_volume, m_currentId)) {
    return false;
  }
  const std::vector<PropId> sortProperties = SortProperties(*connection, m_volume);
  std::optional<QString> newKey;
  for (size_t i = 0; i < sortProperties.size(); ++i) {
    const auto found = values.find(sortProperties[i]);
    if (found == values.end()) {
      continue;
    }
    const std::string column = KeyColumn(static_cast<int>(i));
    Statement update(*connection,
                     "UPDATE " + RecTable(m_volume) + " SET " + column + " = ?1 WHERE id = ?2");
    update.Bind(1, found->second);
    update.Bind(2, int64_t{m_currentId});
    if (!update.Run()) {
      return false;
    }
    if (static_cast<int>(i) == m_sortIndex) {
      newKey = found->second;
    }
  }
  if (!transaction.Commit()) {
    return false;
  }
  if (newKey) {
    m_currentKey = *newKey;  // the position follows the record to its new place in the order
  }
  return true;
}

bool PropertyDatabase::Delete(RecordId id) {
  const FailureWatch watch(m_lastError);
  Connection* connection = IsOpen() && id != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return false;
  }
  {
    Statement remove(*connection, "DELETE FROM " + RecTable(m_volume) + " WHERE id = ?1");
    remove.Bind(1, int64_t{id});
    if (!remove.Run() || sqlite3_changes(connection->db) != 1) {
      return false;
    }
  }
  Statement removeProperties(*connection, "DELETE FROM " + PropTable(m_volume) + " WHERE rec = ?1");
  removeProperties.Bind(1, int64_t{id});
  // The copy of the id counter covers every id that no record holds any more; the ids in use
  // cover the rest (see RepairRecordIdCounter). Adding a record leaves it alone, which spares
  // every durable add a page.
  Statement copy(*connection, "UPDATE record_id_copy SET value = max(value, ?1)");
  copy.Bind(1, int64_t{id});
  // The position is kept: a later SeekNext or SeekPrevious moves on from where the record stood.
  return removeProperties.Run() && copy.Run() && NoteDeletion(*connection, id) &&
         transaction.Commit();
}

uint32_t PropertyDatabase::RecordCount() {
  const FailureWatch watch(m_lastError);
  Connection* connection = IsOpen() ? Acquire() : nullptr;
  if (!connection) {
    return 0;
  }
  Statement count(*connection, "SELECT count(*) FROM " + RecTable(m_volume));
  return count.Step() == SQLITE_ROW ? static_cast<uint32_t>(count.Int(0)) : 0;
}

StoreTransaction::StoreTransaction() {
  Connection* connection = Acquire();
  if (!connection) {
    return;
  }
  // Inside a transaction of the caller's this one is a savepoint of it.
  m_nested = sqlite3_get_autocommit(connection->db) == 0;
  if (ChangesAllowed() &&
      Execute(*connection, m_nested ? "SAVEPOINT ov_task" : "BEGIN IMMEDIATE")) {
    m_db = connection->db;
  }
}

StoreTransaction::~StoreTransaction() {
  Rollback();
}

bool StoreTransaction::Commit() {
  if (!m_db) {
    return false;
  }
  if (!ChangesAllowed()) {
    Rollback();
    return false;
  }
  const int rc =
      sqlite3_exec(m_db, m_nested ? "RELEASE ov_task" : "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(m_db, rc);
    Rollback();
    return false;
  }
  m_db = nullptr;
  return true;
}

void StoreTransaction::Rollback() {
  if (m_db && sqlite3_get_autocommit(m_db) == 0) {
    sqlite3_exec(m_db, m_nested ? "ROLLBACK TO ov_task; RELEASE ov_task" : "ROLLBACK", nullptr,
                 nullptr, nullptr);
  }
  m_db = nullptr;
}

StoreSnapshot::StoreSnapshot() {
  if (Connection* connection = Acquire()) {
    m_read = std::make_unique<ReadTransaction>(*connection);
  }
}

StoreSnapshot::~StoreSnapshot() = default;

}  // namespace platform
