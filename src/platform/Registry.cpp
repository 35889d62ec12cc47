#include "platform/Registry.h"

#include <sqlite3.h>
#include <QStringList>
#include <string>

#include "platform/Device.h"
#include "platform/SqliteStatement.h"

// Layout of registry.db (docs/registry-file.md):
//   reg_keys(hive, folded, path)                      one row per key
//   reg_values(hive, key, folded, name, type, data)   one row per value; key is the key's folded
//   path
// Key paths and value names are matched through their case-folded form and kept as first written.

namespace platform {
namespace {

// Hive numbers as stored in the file.
int64_t HiveNumber(Hive hive) {
  return hive == Hive::CurrentUser ? 1 : 2;
}

// A key path split at backslashes and joined again; empty for the hive itself. Empty names
// (a leading, trailing or doubled backslash) make the path invalid.
bool NormalizePath(const QString& path, QStringList& names) {
  names.clear();
  if (path.isEmpty()) {
    return true;
  }
  names = path.split(QLatin1Char('\\'));
  for (const QString& name : names) {
    if (name.isEmpty()) {
      names.clear();
      return false;
    }
  }
  return true;
}

QString Fold(const QString& text) {
  return text.toCaseFolded();
}

// One prepared statement for one call, finalized when it goes.
class Statement : public SqliteStatement {
 public:
  Statement(sqlite3* db, const char* sql) : SqliteStatement(Prepare(db, sql)) {}
  ~Statement() { sqlite3_finalize(m_statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

 private:
  static sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
      ReportSqliteFailure(db, rc);
      sqlite3_finalize(statement);
      return nullptr;
    }
    return statement;
  }
};

bool Execute(sqlite3* db, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ReportSqliteFailure(db, rc);
  }
  return rc == SQLITE_OK;
}

sqlite3* Connection() {
  Device* device = Device::Current();
  return device ? device->Registry() : nullptr;
}

enum class Tables { kNone, kBoth, kUnreadable };

// Before the first key is made the file has no tables, and every key is missing; a file with one
// of the two tables, or whose list of tables cannot be read, is damaged (and reported).
Tables FindTables(sqlite3* db) {
  Statement count(db,
                  "SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                  " AND name IN ('reg_keys', 'reg_values')");
  if (count.Step() != SQLITE_ROW) {
    return Tables::kUnreadable;
  }
  const int64_t found = count.Int(0);
  if (found == 2) {
    return Tables::kBoth;
  }
  if (found == 0) {
    return Tables::kNone;
  }
  ReportStoreFailure({SQLITE_CORRUPT, QString::fromLatin1(Device::kRegistryFile),
                      QStringLiteral("one of the registry's two tables is missing")});
  return Tables::kUnreadable;
}

// The connection when the registry's tables are there to be read; nullptr when the registry is
// still empty or cannot be read (reported).
sqlite3* ReadableConnection() {
  sqlite3* db = Connection();
  return db && FindTables(db) == Tables::kBoth ? db : nullptr;
}

// A change: the write lock first (another process may hold it), durable at commit; rolled back
// when it goes without committing. Makes the tables on first use.
class Change {
 public:
  explicit Change(sqlite3* db) : m_db(db) {
    // Text in UTF-16 keeps any name unchanged; takes effect only while the file is empty.
    Execute(m_db, "PRAGMA encoding='UTF-16le'");
    m_active = ChangesAllowed() && Execute(m_db, "BEGIN IMMEDIATE") &&
               Execute(m_db,
                       "CREATE TABLE IF NOT EXISTS reg_keys(hive INTEGER NOT NULL,"
                       " folded TEXT NOT NULL, path TEXT NOT NULL,"
                       " PRIMARY KEY(hive, folded)) WITHOUT ROWID;"
                       "CREATE TABLE IF NOT EXISTS reg_values(hive INTEGER NOT NULL,"
                       " key TEXT NOT NULL, folded TEXT NOT NULL, name TEXT NOT NULL,"
                       " type INTEGER NOT NULL, data BLOB NOT NULL,"
                       " PRIMARY KEY(hive, key, folded)) WITHOUT ROWID;");
  }
  ~Change() {
    if (sqlite3_get_autocommit(m_db) == 0) {
      Execute(m_db, "ROLLBACK");
    }
  }
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;

  bool Active() const { return m_active; }
  bool Commit() { return m_active && ChangesAllowed() && Execute(m_db, "COMMIT"); }

 private:
  sqlite3* m_db;
  bool m_active = false;
};

bool KeyExists(sqlite3* db, int64_t hive, const QString& folded) {
  if (folded.isEmpty()) {
    return true;  // the hive itself
  }
  Statement find(db, "SELECT 1 FROM reg_keys WHERE hive = ?1 AND folded = ?2");
  find.Bind(1, hive);
  find.Bind(2, folded);
  return find.Step() == SQLITE_ROW;
}

}  // namespace

bool RegistryKey::Open(Hive hive, const QString& path, bool writable) {
  Close();
  QStringList names;
  if (!NormalizePath(path, names)) {
    return false;
  }
  sqlite3* db = Connection();
  const QString folded = Fold(names.join(QLatin1Char('\\')));
  const Tables tables = db ? FindTables(db) : Tables::kUnreadable;
  // The hive itself is always there, also in a registry without tables yet.
  const bool exists = tables == Tables::kBoth ? KeyExists(db, HiveNumber(hive), folded)
                                              : tables == Tables::kNone && folded.isEmpty();
  if (!exists) {
    return false;
  }
  m_hive = hive;
  m_path = names.join(QLatin1Char('\\'));
  m_writable = writable;
  m_open = true;
  return true;
}

bool RegistryKey::Create(Hive hive, const QString& path) {
  Close();
  QStringList names;
  sqlite3* db = Connection();
  if (!db || !NormalizePath(path, names)) {
    return false;
  }
  Change change(db);
  if (!change.Active()) {
    return false;
  }
  Statement insert(db, "INSERT OR IGNORE INTO reg_keys(hive, folded, path) VALUES(?1, ?2, ?3)");
  QString prefix;
  for (const QString& name : names) {
    prefix = prefix.isEmpty() ? name : prefix + QLatin1Char('\\') + name;
    insert.Reset();
    insert.Bind(1, HiveNumber(hive));
    insert.Bind(2, Fold(prefix));
    insert.Bind(3, prefix);
    if (insert.Step() != SQLITE_DONE) {
      return false;
    }
  }
  if (!change.Commit()) {
    return false;
  }
  m_hive = hive;
  m_path = prefix;
  m_writable = true;
  m_open = true;
  return true;
}

bool RegistryKey::Query(const QString& name, ValueType& type, QByteArray& data) const {
  sqlite3* db = m_open ? ReadableConnection() : nullptr;
  if (!db) {
    return false;
  }
  Statement find(db,
                 "SELECT type, data FROM reg_values WHERE hive = ?1 AND key = ?2 AND folded = ?3");
  find.Bind(1, HiveNumber(m_hive));
  find.Bind(2, Fold(m_path));
  find.Bind(3, Fold(name));
  if (find.Step() != SQLITE_ROW) {
    return false;
  }
  type = static_cast<ValueType>(static_cast<uint32_t>(find.Int(0)));
  data = find.Blob(1);  // by stored length: zero bytes inside the value are kept
  return true;
}

bool RegistryKey::QueryString(const QString& name, QString& out) const {
  ValueType type{};
  QByteArray data;
  return Query(name, type, data) && type == ValueType::Sz && DecodeString(data, out);
}

bool RegistryKey::QueryDword(const QString& name, uint32_t& out) const {
  ValueType type{};
  QByteArray data;
  if (!Query(name, type, data) || type != ValueType::Dword || data.size() != 4) {
    return false;
  }
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(data[i]);
  }
  out = value;
  return true;
}

bool RegistryKey::Set(const QString& name, ValueType type, const QByteArray& data) {
  sqlite3* db = m_open && m_writable ? Connection() : nullptr;
  if (!db) {
    return false;
  }
  Change change(db);
  const QString folded = Fold(m_path);
  if (!change.Active() || !KeyExists(db, HiveNumber(m_hive), folded)) {
    return false;
  }
  Statement upsert(db,
                   "INSERT INTO reg_values(hive, key, folded, name, type, data)"
                   " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(hive, key, folded)"
                   " DO UPDATE SET name = excluded.name, type = excluded.type,"
                   " data = excluded.data");
  upsert.Bind(1, HiveNumber(m_hive));
  upsert.Bind(2, folded);
  upsert.Bind(3, Fold(name));
  upsert.Bind(4, name);
  upsert.Bind(5, int64_t{static_cast<uint32_t>(type)});
  upsert.BindBlob(6, data);
  return upsert.Step() == SQLITE_DONE && change.Commit();
}

bool RegistryKey::SetString(const QString& name, const QString& value) {
  return Set(name, ValueType::Sz, EncodeString(value));
}

bool RegistryKey::SetDword(const QString& name, uint32_t value) {
  QByteArray data(4, '\0');
  for (int i = 0; i < 4; ++i) {
    data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  return Set(name, ValueType::Dword, data);
}

bool RegistryKey::SetBinary(const QString& name, const QByteArray& value) {
  return Set(name, ValueType::Binary, value);
}

QByteArray RegistryKey::EncodeString(const QString& value) {
  QByteArray data;
  data.reserve((value.size() + 1) * 2);
  for (const QChar unit : value) {
    data.append(static_cast<char>(unit.unicode() & 0xFF));
    data.append(static_cast<char>(unit.unicode() >> 8));
  }
  data.append(2, '\0');
  return data;
}

bool RegistryKey::DecodeString(const QByteArray& data, QString& out) {
  if (data.size() % 2 != 0) {
    return false;
  }
  qsizetype units = data.size() / 2;
  const auto unitAt = [&data](qsizetype i) {
    return static_cast<char16_t>(static_cast<uint8_t>(data[2 * i]) |
                                 (static_cast<uint8_t>(data[2 * i + 1]) << 8));
  };
  if (units > 0 && unitAt(units - 1) == 0) {
    --units;  // the terminating zero unit
  }
  QString text(units, Qt::Uninitialized);
  for (qsizetype i = 0; i < units; ++i) {
    text[i] = QChar(unitAt(i));
  }
  out = text;
  return true;
}

}  // namespace platform
