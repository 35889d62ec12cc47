#include "platform/PropertyDatabase.h"

#include <sqlite3.h>
#include <QChar>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/Device.h"
#include "platform/SqliteStatement.h"
#include "platform/StoreError.h"

// Layout of objectstore.db (docs/store-file.md):
//   store_meta(name, value)       format number, last record id handed out, Unicode version of the
//                                 case folding that the case-insensitive indexes were built with
//   record_id_copy(value)         a second copy of the last record id, so that losing one of the
//                                 two rows never lets an id be handed out again
//   volumes(num, name, sort...)   one row per database, num never reused
//   v<num>_rec(id, k1[, k2])      one row per record: its id and its sort-key texts
//   v<num>_prop(rec, pid, val)    the record's properties
// Every text is kept as UTF-16 (the file's text encoding is UTF-16le), so any QString, even one
// holding an unpaired surrogate, reads back unchanged and the collations compare it unconverted.

namespace platform {
namespace {

constexpr int kFormat = 1;
constexpr int64_t kLastRecordId = 0xFFFF'FFFF;
constexpr const char* kNoCase = "ov_nocase";
constexpr const char* kBinary = "ov_binary";

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

// ---- Per-connection state -------------------------------------------------------------------

// What the property database keeps for one SQLite connection: its prepared statements, kept for
// the connection's life, and whether the store's tables have been checked on it.
struct Connection {
  explicit Connection(sqlite3* handle) : db(handle) {}
  sqlite3* db;
  std::unordered_map<std::string, sqlite3_stmt*> statements;
  bool schemaReady = false;

  sqlite3_stmt* Prepare(const std::string& sql) {
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
};

std::mutex& ConnectionsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<sqlite3*, Connection*>& Connections() {
  static std::unordered_map<sqlite3*, Connection*> connections;
  return connections;
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

// ---- Statements and transactions --------------------------------------------------------------

// One use of a cached statement; reset when the use ends so that it holds no read snapshot.
class Statement : public SqliteStatement {
 public:
  Statement(Connection& connection, const std::string& sql)
      : SqliteStatement(connection.Prepare(sql)) {}
  ~Statement() {
    if (statement_) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
};

std::string RecTable(int64_t volume) {
  return "v" + std::to_string(volume) + "_rec";
}
std::string PropTable(int64_t volume) {
  return "v" + std::to_string(volume) + "_prop";
}
const char* KeyColumn(int sortIndex) {
  return sortIndex == 0 ? "k1" : "k2";
}

bool Execute(Connection& connection, const std::string& sql) {
  Statement statement(connection, sql);
  return statement.Run();
}

// A change: BEGIN IMMEDIATE ... COMMIT, so that it waits for the write lock up front (another
// process may hold it) and is durable when Commit answers true. Inside a transaction the caller
// already opened on the connection it is a savepoint, and durability comes with the caller's
// commit. Destroyed without Commit, it rolls back.
class Transaction {
 public:
  explicit Transaction(Connection& connection)
      : connection_(connection), nested_(sqlite3_get_autocommit(connection.db) == 0) {
    active_ = Execute(connection_, nested_ ? "SAVEPOINT ov_change" : "BEGIN IMMEDIATE");
  }
  ~Transaction() { Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool Active() const { return active_; }
  bool Commit() {
    if (!active_) {
      return false;
    }
    if (!Execute(connection_, nested_ ? "RELEASE ov_change" : "COMMIT")) {
      Rollback();
      return false;
    }
    active_ = false;
    return true;
  }

 private:
  void Rollback() {
    if (!active_) {
      return;
    }
    active_ = false;
    if (nested_) {
      Execute(connection_, "ROLLBACK TO ov_change");
      Execute(connection_, "RELEASE ov_change");
    } else if (sqlite3_get_autocommit(connection_.db) == 0) {
      Execute(connection_, "ROLLBACK");
    }
  }

  Connection& connection_;
  bool nested_;
  bool active_ = false;
};

// A read over several statements that must see one state of the file.
class ReadTransaction {
 public:
  explicit ReadTransaction(Connection& connection)
      : connection_(connection), own_(sqlite3_get_autocommit(connection.db) != 0) {
    if (own_) {
      own_ = Execute(connection_, "BEGIN");
    }
  }
  ~ReadTransaction() {
    if (own_ && sqlite3_get_autocommit(connection_.db) == 0) {
      Execute(connection_, "COMMIT");
    }
  }
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Connection& connection_;
  bool own_;
};

// ---- Schema -----------------------------------------------------------------------------------

bool ExecuteScript(sqlite3* db, const std::string& sql) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
  }
  return rc == SQLITE_OK;
}

void ReportFormatFailure(sqlite3* db, const QString& message) {
  StoreError error;
  error.code = SQLITE_FORMAT;
  error.file = QString::fromLatin1(Device::kObjectStoreFile);
  error.message = message;
  static_cast<void>(db);
  ReportStoreFailure(error);
}

// The largest record id of any volume, 0 for none; -1 when it cannot be read.
int64_t LargestRecordId(Connection& connection) {
  std::vector<int64_t> volumes;
  {
    Statement list(connection, "SELECT num FROM volumes");
    int rc = list.Step();
    for (; rc == SQLITE_ROW; rc = list.Step()) {
      volumes.push_back(list.Int(0));
    }
    if (rc != SQLITE_DONE) {
      return -1;
    }
  }
  int64_t largest = 0;
  for (const int64_t volume : volumes) {
    Statement max(connection, "SELECT coalesce(max(id), 0) FROM " + RecTable(volume));
    if (max.Step() != SQLITE_ROW) {
      return -1;
    }
    largest = std::max(largest, max.Int(0));
  }
  return largest;
}

// The record id counter is kept twice (store_meta and record_id_copy). Should either row be lost
// or set back, both are set to the largest of the two and of every id in use, so that no id is
// ever handed out again.
bool RepairRecordIdCounter(Connection& connection) {
  int64_t counter = -1;
  int64_t copy = -1;
  {
    Statement read(connection,
                   "SELECT (SELECT value FROM store_meta WHERE name = 'last_record_id'),"
                   " (SELECT max(value) FROM record_id_copy)");
    if (read.Step() != SQLITE_ROW) {
      return false;
    }
    counter = read.IsNull(0) ? -1 : read.Int(0);
    copy = read.IsNull(1) ? -1 : read.Int(1);
  }
  const int64_t inUse = LargestRecordId(connection);
  if (inUse < 0) {
    return false;
  }
  const int64_t last = std::max({counter, copy, inUse, int64_t{0}});
  if (counter == last && copy == last) {
    return true;
  }
  Statement setCounter(connection,
                       "INSERT INTO store_meta VALUES('last_record_id', ?1)"
                       " ON CONFLICT(name) DO UPDATE SET value = excluded.value");
  setCounter.Bind(1, last);
  if (!setCounter.Run() || !ExecuteScript(connection.db, "DELETE FROM record_id_copy")) {
    return false;
  }
  Statement setCopy(connection, "INSERT INTO record_id_copy VALUES(?1)");
  setCopy.Bind(1, last);
  return setCopy.Run();
}

bool ReadMeta(Connection& connection, int64_t& format, int64_t& unicodeVersion) {
  format = 0;
  unicodeVersion = 0;
  Statement meta(connection, "SELECT name, value FROM store_meta");
  int rc = meta.Step();
  for (; rc == SQLITE_ROW; rc = meta.Step()) {
    const QString name = meta.Text(0);
    if (name == u"format") {
      format = meta.Int(1);
    } else if (name == u"unicode_version") {
      unicodeVersion = meta.Int(1);
    }
  }
  return rc == SQLITE_DONE;
}

// The store's bookkeeping, read; false (reported) for a file of another format, which is left
// alone (a later version of the program wrote it).
bool ReadOwnFormat(Connection& connection, int64_t& unicodeVersion) {
  int64_t format = 0;
  if (!ReadMeta(connection, format, unicodeVersion)) {
    return false;
  }
  if (format != kFormat) {
    ReportFormatFailure(connection.db,
                        QStringLiteral("not an object store of format %1").arg(kFormat));
    return false;
  }
  return true;
}

// A file opened read-only is taken as it is: it must already hold the store's tables.
bool CheckReadOnlySchema(Connection& connection) {
  int64_t unicodeVersion = 0;
  connection.schemaReady = ReadOwnFormat(connection, unicodeVersion);
  return connection.schemaReady;
}

bool EnsureSchema(Connection& connection) {
  if (sqlite3_db_readonly(connection.db, "main") == 1) {
    return CheckReadOnlySchema(connection);
  }
  // Takes effect only while the file is still empty; an existing file keeps its encoding.
  ExecuteScript(connection.db, "PRAGMA encoding='UTF-16le'");
  Transaction transaction(connection);
  if (!transaction.Active() ||
      !ExecuteScript(connection.db,
                     "CREATE TABLE IF NOT EXISTS store_meta("
                     "name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
                     "INSERT OR IGNORE INTO store_meta VALUES"
                     "('format', 1), ('unicode_version', -1);"
                     "CREATE TABLE IF NOT EXISTS record_id_copy(value INTEGER NOT NULL);"
                     "CREATE TABLE IF NOT EXISTS volumes("
                     "num INTEGER PRIMARY KEY AUTOINCREMENT,"
                     "name TEXT NOT NULL UNIQUE COLLATE ov_nocase,"
                     "sort1_prop INTEGER NOT NULL, sort1_nocase INTEGER NOT NULL,"
                     "sort2_prop INTEGER, sort2_nocase INTEGER);")) {
    return false;
  }
  int64_t unicodeVersion = 0;
  if (!ReadOwnFormat(connection, unicodeVersion) || !RepairRecordIdCounter(connection)) {
    return false;
  }
  // The case-insensitive indexes hold the order of Qt's case folding. Should a new Qt fold some
  // character differently, they are rebuilt, or seeks would miss records.
  const auto current = static_cast<int64_t>(QChar::currentUnicodeVersion());
  if (unicodeVersion != current) {
    Statement update(connection, "UPDATE store_meta SET value = ?1 WHERE name = 'unicode_version'");
    update.Bind(1, current);
    if (!ExecuteScript(connection.db, "REINDEX ov_nocase") || !update.Run()) {
      return false;
    }
  }
  connection.schemaReady = transaction.Commit();
  return connection.schemaReady;
}

// The connection of the current device, ready for the store's work; nullptr (reported) when
// there is none.
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

struct VolumeInfo {
  int64_t number = 0;
  QString name;
  std::vector<PropId> sortProperties;
};

std::optional<VolumeInfo> FindVolume(Connection& connection, const QString& name) {
  Statement find(connection,
                 "SELECT num, name, sort1_prop, sort2_prop FROM volumes WHERE name = ?1");
  find.Bind(1, name);
  if (find.Step() != SQLITE_ROW) {
    return std::nullopt;
  }
  VolumeInfo info;
  info.number = find.Int(0);
  info.name = find.Text(1);
  info.sortProperties.push_back(static_cast<PropId>(find.Int(2)));
  if (!find.IsNull(3)) {
    info.sortProperties.push_back(static_cast<PropId>(find.Int(3)));
  }
  return info;
}

std::vector<PropId> SortProperties(Connection& connection, int64_t volume) {
  Statement find(connection, "SELECT sort1_prop, sort2_prop FROM volumes WHERE num = ?1");
  find.Bind(1, volume);
  std::vector<PropId> properties;
  if (find.Step() == SQLITE_ROW) {
    properties.push_back(static_cast<PropId>(find.Int(0)));
    if (!find.IsNull(1)) {
      properties.push_back(static_cast<PropId>(find.Int(1)));
    }
  }
  return properties;
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

bool WriteProperties(Connection& connection, int64_t volume, RecordId id,
                     const std::map<PropId, QString>& values) {
  Statement upsert(connection, "INSERT INTO " + PropTable(volume) +
                                   "(rec, pid, val) VALUES(?1, ?2, ?3)"
                                   " ON CONFLICT(rec, pid) DO UPDATE SET val = excluded.val");
  for (const auto& [pid, value] : values) {
    upsert.Reset();
    upsert.Bind(1, int64_t{id});
    upsert.Bind(2, int64_t{pid});
    upsert.Bind(3, value);
    if (!upsert.Run()) {
      return false;
    }
  }
  return true;
}

// ---- Seeks ------------------------------------------------------------------------------------

// Records stand in (sort key, record id) order. Each seek is one indexed lookup of the first or
// last row of a range of the index on (key, id).
enum SeekKind { kFirst, kLast, kNext, kPrevious, kById, kEqual, kGreaterOrEqual, kLastLessThan };

struct SeekPlan {
  const char* where;  // {k} stands for the key column; ?1 is the key, ?2 the record id
  bool descending;
  bool bindsKey;
  bool bindsId;
};

constexpr SeekPlan kPlans[] = {
    {"", false, false, false},                          // first
    {"", true, false, false},                           // last
    {"WHERE ({k}, id) > (?1, ?2)", false, true, true},  // next
    {"WHERE ({k}, id) < (?1, ?2)", true, true, true},   // previous
    {"WHERE id = ?2", false, false, true},              // by id
    {"WHERE {k} = ?1", false, true, false},             // equal
    {"WHERE {k} >= ?1", false, true, false},            // greater or equal
    {"WHERE {k} < ?1", true, true, false},              // last less than
};

std::string SeekSql(int64_t volume, int sortIndex, int kind) {
  const SeekPlan& plan = kPlans[kind];
  const std::string key = KeyColumn(sortIndex);
  std::string where = plan.where;
  for (size_t at = where.find("{k}"); at != std::string::npos; at = where.find("{k}")) {
    where.replace(at, 3, key);
  }
  const std::string select = "SELECT id, " + key + " FROM " + RecTable(volume) + " " + where;
  if (kind == kById) {
    return select;  // at most one row; an ORDER BY could tempt the planner into the key index
  }
  const char* direction = plan.descending ? " DESC" : "";
  return select + " ORDER BY " + key + direction + ", id" + direction + " LIMIT 1";
}

}  // namespace

// ---- Record and PropertyDatabase --------------------------------------------------------------

const Property* Record::Find(PropId id) const {
  for (const Property& property : properties_) {
    if (property.id == id && !property.notFound) {
      return &property;
    }
  }
  return nullptr;
}

PropertyDatabase::FailureWatch::FailureWatch(StoreError& slot)
    : slot_(slot), start_(StoreFailureCount()) {}

PropertyDatabase::FailureWatch::~FailureWatch() {
  slot_ = StoreFailureCount() != start_ ? LastStoreFailure() : StoreError{};
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
  const FailureWatch watch(lastError_);
  Connection* connection = Acquire();
  if (!connection || sortIndex < 0) {
    return false;
  }
  const std::optional<VolumeInfo> info = FindVolume(*connection, name);
  if (!info || static_cast<size_t>(sortIndex) >= info->sortProperties.size()) {
    return false;
  }
  name_ = info->name;
  volume_ = info->number;
  sortIndex_ = sortIndex;
  return true;
}

void PropertyDatabase::Close() {
  name_.clear();
  volume_ = 0;
  sortIndex_ = 0;
  currentId_ = 0;
  currentKey_.clear();
}

RecordId PropertyDatabase::Seek(int kind, const QString& key, RecordId id) {
  const FailureWatch watch(lastError_);
  if (!IsOpen()) {
    return 0;
  }
  const SeekPlan& plan = kPlans[kind];
  if ((kind == kNext || kind == kPrevious) && currentId_ == 0) {
    return 0;  // no position to move on from
  }
  Connection* connection = Acquire();
  if (!connection) {
    return 0;
  }
  Statement seek(*connection, SeekSql(volume_, sortIndex_, kind));
  if (plan.bindsKey) {
    seek.Bind(1, kind == kNext || kind == kPrevious ? currentKey_ : key);
  }
  if (plan.bindsId) {
    seek.Bind(2, int64_t{kind == kById ? id : currentId_});
  }
  if (seek.Step() != SQLITE_ROW) {
    return MoveTo(std::nullopt);
  }
  return MoveTo(Position{seek.Text(1), static_cast<RecordId>(seek.Int(0))});
}

RecordId PropertyDatabase::MoveTo(const std::optional<Position>& position) {
  if (!position) {
    return 0;
  }
  currentKey_ = position->key;
  currentId_ = position->id;
  return currentId_;
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
  const FailureWatch watch(lastError_);
  out.Clear();
  Connection* connection = IsOpen() && currentId_ != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  // One statement, so one snapshot: a row for the record even when it has no property.
  Statement read(*connection, "SELECT p.pid, p.val FROM " + RecTable(volume_) + " r LEFT JOIN " +
                                  PropTable(volume_) +
                                  " p ON p.rec = r.id WHERE r.id = ?1 ORDER BY p.pid");
  read.Bind(1, int64_t{currentId_});
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
  const FailureWatch watch(lastError_);
  out.Clear();
  Connection* connection = IsOpen() && currentId_ != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  ReadTransaction snapshot(*connection);
  {
    Statement exists(*connection, "SELECT 1 FROM " + RecTable(volume_) + " WHERE id = ?1");
    exists.Bind(1, int64_t{currentId_});
    if (exists.Step() != SQLITE_ROW) {
      return false;  // the record is gone
    }
  }
  Statement read(*connection,
                 "SELECT val FROM " + PropTable(volume_) + " WHERE rec = ?1 AND pid = ?2");
  for (const PropId pid : properties) {
    read.Reset();
    read.Bind(1, int64_t{currentId_});
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
  const FailureWatch watch(lastError_);
  Connection* connection = IsOpen() ? Acquire() : nullptr;
  if (!connection) {
    return 0;
  }
  const std::map<PropId, QString> values = Collapse(record);
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return 0;
  }
  const std::vector<PropId> sortProperties = SortProperties(*connection, volume_);
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
  {
    Statement copy(*connection, "UPDATE record_id_copy SET value = ?1");
    copy.Bind(1, int64_t{id});
    if (!copy.Run()) {
      return 0;
    }
  }
  const auto keyOf = [&values](PropId pid) {
    const auto found = values.find(pid);
    return found == values.end() ? QString() : found->second;
  };
  Statement insert(*connection,
                   sortProperties.size() == 2
                       ? "INSERT INTO " + RecTable(volume_) + "(id, k1, k2) VALUES(?1, ?2, ?3)"
                       : "INSERT INTO " + RecTable(volume_) + "(id, k1) VALUES(?1, ?2)");
  insert.Bind(1, int64_t{id});
  insert.Bind(2, keyOf(sortProperties[0]));
  if (sortProperties.size() == 2) {
    insert.Bind(3, keyOf(sortProperties[1]));
  }
  if (!insert.Run() || !WriteProperties(*connection, volume_, id, values) ||
      !transaction.Commit()) {
    return 0;
  }
  return id;
}

bool PropertyDatabase::WriteCurrent(const Record& record) {
  const FailureWatch watch(lastError_);
  Connection* connection = IsOpen() && currentId_ != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  const std::map<PropId, QString> values = Collapse(record);
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return false;
  }
  {
    Statement exists(*connection, "SELECT 1 FROM " + RecTable(volume_) + " WHERE id = ?1");
    exists.Bind(1, int64_t{currentId_});
    if (exists.Step() != SQLITE_ROW) {
      return false;
    }
  }
  if (!WriteProperties(*connection, volume_, currentId_, values)) {
    return false;
  }
  const std::vector<PropId> sortProperties = SortProperties(*connection, volume_);
  std::optional<QString> newKey;
  for (size_t i = 0; i < sortProperties.size(); ++i) {
    const auto found = values.find(sortProperties[i]);
    if (found == values.end()) {
      continue;
    }
    const std::string column = KeyColumn(static_cast<int>(i));
    Statement update(*connection,
                     "UPDATE " + RecTable(volume_) + " SET " + column + " = ?1 WHERE id = ?2");
    update.Bind(1, found->second);
    update.Bind(2, int64_t{currentId_});
    if (!update.Run()) {
      return false;
    }
    if (static_cast<int>(i) == sortIndex_) {
      newKey = found->second;
    }
  }
  if (!transaction.Commit()) {
    return false;
  }
  if (newKey) {
    currentKey_ = *newKey;  // the position follows the record to its new place in the order
  }
  return true;
}

bool PropertyDatabase::Delete(RecordId id) {
  const FailureWatch watch(lastError_);
  Connection* connection = IsOpen() && id != 0 ? Acquire() : nullptr;
  if (!connection) {
    return false;
  }
  Transaction transaction(*connection);
  if (!transaction.Active()) {
    return false;
  }
  {
    Statement remove(*connection, "DELETE FROM " + RecTable(volume_) + " WHERE id = ?1");
    remove.Bind(1, int64_t{id});
    if (!remove.Run() || sqlite3_changes(connection->db) != 1) {
      return false;
    }
  }
  Statement removeProperties(*connection, "DELETE FROM " + PropTable(volume_) + " WHERE rec = ?1");
  removeProperties.Bind(1, int64_t{id});
  // The position is kept: a later SeekNext or SeekPrevious moves on from where the record stood.
  return removeProperties.Run() && transaction.Commit();
}

uint32_t PropertyDatabase::RecordCount() {
  const FailureWatch watch(lastError_);
  Connection* connection = IsOpen() ? Acquire() : nullptr;
  if (!connection) {
    return 0;
  }
  Statement count(*connection, "SELECT count(*) FROM " + RecTable(volume_));
  return count.Step() == SQLITE_ROW ? static_cast<uint32_t>(count.Int(0)) : 0;
}

StoreTransaction::StoreTransaction() {
  Connection* connection = Acquire();
  if (!connection) {
    return;
  }
  // Inside a transaction of the caller's this one is a savepoint of it.
  nested_ = sqlite3_get_autocommit(connection->db) == 0;
  if (Execute(*connection, nested_ ? "SAVEPOINT ov_task" : "BEGIN IMMEDIATE")) {
    db_ = connection->db;
  }
}

StoreTransaction::~StoreTransaction() {
  Rollback();
}

bool StoreTransaction::Commit() {
  if (!db_) {
    return false;
  }
  const int rc =
      sqlite3_exec(db_, nested_ ? "RELEASE ov_task" : "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db_, rc);
    Rollback();
    return false;
  }
  db_ = nullptr;
  return true;
}

void StoreTransaction::Rollback() {
  if (db_ && sqlite3_get_autocommit(db_) == 0) {
    sqlite3_exec(db_, nested_ ? "ROLLBACK TO ov_task; RELEASE ov_task" : "ROLLBACK", nullptr,
                 nullptr, nullptr);
  }
  db_ = nullptr;
}

}  // namespace platform
