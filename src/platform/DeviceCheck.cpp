#include "platform/DeviceCheck.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <array>
#include <numeric>
#include <string>

#include "platform/MatchIndex.h"
#include "platform/PropertyDatabase.h"
#include "platform/SqliteStatement.h"

namespace platform::device_check {
namespace {

constexpr int kHeaderSize = 100;
constexpr int kMaxIntegrityLines = 10;

// One statement for one query of the check, finalized when it goes.
class Query : public SqliteStatement {
 public:
  Query(sqlite3* db, const std::string& sql) : SqliteStatement(Prepare(db, sql)) {}
  ~Query() { sqlite3_finalize(m_statement); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

 private:
  static sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
      ReportSqliteFailure(db, rc);
      sqlite3_finalize(statement);
      return nullptr;
    }
    return statement;
  }
};

uint32_t BigEndian(const QByteArray& bytes, int offset, int width) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
  }
  return value;
}

void Add(Result& result, const char* file, const QString& problem, bool damage = true) {
  result.findings.push_back({QString::fromLatin1(file), problem, damage});
}

void AddError(Result& result, const StoreError& error) {
  result.findings.push_back({error.file, error.message, error.IsDamage()});
}

// What the file's first page says about its size, against the size it has. A file cut short or
// with a damaged header is found without opening it.
bool CheckHeader(Result& result, const QString& path, const char* file) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return true;  // a new device: made on first use
  }
  if (info.isDir() || !info.isFile()) {
    Add(result, file, QStringLiteral("the file is a folder"));
    return false;
  }
  const qint64 size = info.size();
  if (size == 0) {
    return true;
  }
  QFile handle(path);
  if (!handle.open(QIODevice::ReadOnly)) {
    Add(result, file, QStringLiteral("cannot be read: %1").arg(handle.errorString()), false);
    return false;
  }
  const QByteArray header = handle.read(kHeaderSize);
  if (header.size() < kHeaderSize || !header.startsWith(QByteArray("SQLite format 3\0", 16))) {
    Add(result, file, QStringLiteral("the file is not a database: its header is damaged"));
    return false;
  }
  const uint32_t rawPageSize = BigEndian(header, 16, 2);
  const uint32_t pageSize = rawPageSize == 1 ? 65536 : rawPageSize;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
    Add(result, file,
        QStringLiteral("the file is not a database: its header names no valid page size"));
    return false;
  }
  // The page count in the header counts only when the header says it is current.
  const bool countValid = BigEndian(header, 92, 4) == BigEndian(header, 24, 4);
  const qint64 expected = qint64{BigEndian(header, 28, 4)} * pageSize;
  if (size % pageSize != 0 || (countValid && expected > size)) {
    Add(result, file,
        QStringLiteral("the file is cut short: it holds %1 of %2 bytes")
            .arg(size)
            .arg(std::max(expected, size)));
    return false;
  }
  return true;
}

// SQLite's own quick check, to tell a file cut short from one that another process was just
// enlarging while its header was read.
bool SqliteQuickCheckPasses(sqlite3* db) {
  Query check(db, "PRAGMA quick_check(1)");
  return check.Step() == SQLITE_ROW && check.Text(0) == QLatin1String("ok");
}

// Opens one file: header, connection, and the list of its tables (which reads its first pages).
sqlite3* OpenChecked(Result& result, Device& device, const char* file, sqlite3* (Device::*open)()) {
  Result header;
  const bool headerOk = CheckHeader(header, device.PathOf(QString::fromLatin1(file)), file);
  StoreErrorScope scope;
  sqlite3* db = (device.*open)();
  if (!headerOk && !(db && SqliteQuickCheckPasses(db))) {
    result.findings.insert(result.findings.end(), header.findings.begin(), header.findings.end());
    result.readable = result.readable && db != nullptr;
    return nullptr;
  }
  if (db) {
    Query tables(db, "SELECT count(*) FROM sqlite_master");
    static_cast<void>(tables.Step());
  }
  if (scope.Failed() || !db) {
    AddError(result, scope.Error());
    result.readable = false;
    return nullptr;
  }
  return db;
}

struct Volume {
  int64_t number = 0;
  QString name;
  std::vector<int64_t> sortProperties;
};

std::vector<Volume> Volumes(sqlite3* db) {
  std::vector<Volume> volumes;
  Query list(db, "SELECT num, name, sort1_prop, sort2_prop FROM volumes ORDER BY num");
  while (list.Step() == SQLITE_ROW) {
    Volume volume{list.Int(0), list.Text(1), {list.Int(2)}};
    if (!list.IsNull(3)) {
      volume.sortProperties.push_back(list.Int(3));
    }
    volumes.push_back(volume);
  }
  return volumes;
}

std::string Table(const Volume& volume, const char* suffix) {
  return "v" + std::to_string(volume.number) + suffix;
}

bool HasTable(sqlite3* db, const std::string& name) {
  Query find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
  find.Bind(1, QString::fromStdString(name));
  return find.Step() == SQLITE_ROW;
}

int64_t Count(sqlite3* db, const std::string& sql) {
  Query count(db, sql);
  return count.Step() == SQLITE_ROW ? count.Int(0) : -1;
}

// The object store's bookkeeping: the format, both copies of the id counter, and the tables of
// every volume.
void CheckBookkeeping(Result& result, sqlite3* db, const std::vector<Volume>& volumes) {
  const char* file = Device::kObjectStoreFile;
  if (Count(db, "SELECT count(*) FROM store_meta WHERE name = 'last_record_id'") != 1 ||
      Count(db, "SELECT count(*) FROM record_id_copy") != 1) {
    Add(result, file, QStringLiteral("the record id counter is missing"));
  }
  for (const Volume& volume : volumes) {
    if (!HasTable(db, Table(volume, "_rec")) || !HasTable(db, Table(volume, "_prop"))) {
      Add(result, file, QStringLiteral("the database %1 has lost its tables").arg(volume.name));
    }
  }
}

// The volume's match index, when it has one, against its records: an entry missing or wrong would
// let a received record be filed twice or merged into another.
void CheckMatchIndex(Result& result, sqlite3* db, const Volume& volume) {
  if (!HasTable(db, "match_indexes")) {
    return;  // a file of an older version, opened read-only
  }
  Query find(db, "SELECT props FROM match_indexes WHERE num = ?1");
  find.Bind(1, volume.number);
  if (find.Step() != SQLITE_ROW) {
    return;
  }
  const std::vector<PropId> properties = object_store::ParsePropertyList(find.Text(0));
  if (properties.empty() || !HasTable(db, Table(volume, "_match"))) {
    Add(result, Device::kObjectStoreFile,
        QStringLiteral("the match index of %1 is missing").arg(volume.name));
  } else if (Count(db, object_store::MatchDisagreementSql(volume.number, properties)) != 0) {
    Add(result, Device::kObjectStoreFile,
        QStringLiteral("the match index of %1 disagrees with its records").arg(volume.name));
  }
}

// How many records each volume holds, counted only for a listener to the progress.
std::vector<uint64_t> RecordsPerVolume(sqlite3* db, const std::vector<Volume>& volumes,
                                       const ProgressCallback& progress) {
  std::vector<uint64_t> records(volumes.size(), 0);
  if (progress) {
    for (size_t i = 0; i < volumes.size(); ++i) {
      records[i] = static_cast<uint64_t>(
          std::max<int64_t>(0, Count(db, "SELECT count(*) FROM " + Table(volumes[i], "_rec"))));
    }
  }
  return records;
}

// The store's rules that SQLite cannot know, volume by volume.
void CheckRecords(Result& result, sqlite3* db, const std::vector<Volume>& volumes,
                  const ProgressCallback& progress) {
  const char* file = Device::kObjectStoreFile;
  const std::string counter = "(SELECT value FROM store_meta WHERE name = 'last_record_id')";
  const std::vector<uint64_t> records = RecordsPerVolume(db, volumes, progress);
  const uint64_t total = std::accumulate(records.begin(), records.end(), uint64_t{0});
  uint64_t checked = 0;
  Report(progress, checked, total);
  std::string allIds;
  for (size_t i = 0; i < volumes.size(); ++i) {
    const Volume& volume = volumes[i];
    const std::string rec = Table(volume, "_rec");
    const std::string prop = Table(volume, "_prop");
    for (size_t k = 0; k < volume.sortProperties.size(); ++k) {
      const std::string column = k == 0 ? "k1" : "k2";
      const std::string sql =
          "SELECT count(*) FROM " + rec + " r WHERE r." + column +
          " <> coalesce((SELECT val FROM " + prop +
          " WHERE rec = r.id AND pid = " + std::to_string(volume.sortProperties[k]) +
          "), '') COLLATE ov_binary";
      if (Count(db, sql) != 0) {
        Add(result, file,
            QStringLiteral("records of %1 are filed under keys they do not hold").arg(volume.name));
      }
    }
    if (Count(db, "SELECT count(*) FROM " + prop + " p WHERE NOT EXISTS (SELECT 1 FROM " + rec +
                      " WHERE id = p.rec)") != 0) {
      Add(result, file,
          QStringLiteral("%1 holds properties of records that are gone").arg(volume.name));
    }
    if (Count(db, "SELECT count(*) FROM " + rec + " WHERE id <= 0 OR id > " + counter) != 0) {
      Add(result, file,
          QStringLiteral("%1 holds record ids the id counter has not handed out").arg(volume.name));
    }
    CheckMatchIndex(result, db, volume);
    allIds += (allIds.empty() ? "" : " UNION ALL ") + ("SELECT id FROM " + rec);
    checked += records[i];
    Report(progress, checked, total);
  }
  if (!allIds.empty() && Count(db, "SELECT count(*) FROM (SELECT id FROM (" + allIds +
                                       ") GROUP BY id HAVING count(*) > 1)") != 0) {
    Add(result, file, QStringLiteral("a record id is used by two records"));
  }
}

void CheckRegistryValues(Result& result, sqlite3* db) {
  Query tables(db,
               "SELECT count(*) FROM sqlite_master WHERE type = 'table'"
               " AND name IN ('reg_keys', 'reg_values')");
  const int64_t found = tables.Step() == SQLITE_ROW ? tables.Int(0) : -1;
  if (found == 0) {
    return;  // nothing was ever set
  }
  if (found != 2) {
    Add(result, Device::kRegistryFile, QStringLiteral("one of the registry's tables is missing"));
    return;
  }
  if (Count(db,
            "SELECT count(*) FROM reg_values v WHERE NOT EXISTS"
            " (SELECT 1 FROM reg_keys k WHERE k.hive = v.hive AND k.folded = v.key)") != 0) {
    Add(result, Device::kRegistryFile, QStringLiteral("values are kept under keys that are gone"));
  }
}

void IntegrityCheck(Result& result, sqlite3* db, const char* file) {
  Query check(db, "PRAGMA integrity_check(" + std::to_string(kMaxIntegrityLines) + ")");
  int rc = check.Step();
  for (; rc == SQLITE_ROW; rc = check.Step()) {
    const QString line = check.Text(0);
    if (line != QLatin1String("ok")) {
      Add(result, file, line);
    }
  }
}

// Whether the device's files, opened for reading only, give the list of their databases: then the
// program can show what the damaged device still holds without writing to it.
bool OpensReadOnly(const QString& folder) {
  Device probe(folder);
  probe.SetReadOnly(true);
  const DeviceScope current(probe);
  StoreErrorScope failures;
  PropertyDatabase::Names();
  return !failures.Failed();
}

// The parts of both checks that need the files open. full adds what reads every page.
Result Check(Device& device, bool full, const ProgressCallback& progress) {
  Result result;
  const DeviceScope current(device);
  StoreErrorScope scope;
  sqlite3* store = OpenChecked(result, device, Device::kObjectStoreFile, &Device::ObjectStore);
  sqlite3* registry = OpenChecked(result, device, Device::kRegistryFile, &Device::Registry);
  if (store && !PropertyDatabase::Ready()) {
    store = nullptr;  // the bookkeeping could not be read; the failure is in the scope
  }
  if (store) {
    const std::vector<Volume> volumes = Volumes(store);
    CheckBookkeeping(result, store, volumes);
    if (full) {
      IntegrityCheck(result, store, Device::kObjectStoreFile);
      CheckRecords(result, store, volumes, progress);
    }
  }
  if (registry && full) {
    IntegrityCheck(result, registry, Device::kRegistryFile);
    CheckRegistryValues(result, registry);
  }
  if (scope.Failed() && result.Ok()) {
    AddError(result, scope.Error());
  }
  if (result.Damaged()) {
    // Nothing more is written through this device (see ChangesAllowed).
    for (const Finding& finding : result.findings) {
      if (finding.damage) {
        device.NoteDamage({SQLITE_CORRUPT, finding.file, finding.problem});
        break;
      }
    }
    result.readable = OpensReadOnly(device.Folder());
  }
  return result;
}

}  // namespace

bool Result::Damaged() const {
  for (const Finding& finding : findings) {
    if (finding.damage) {
      return true;
    }
  }
  return false;
}

QString Result::Describe() const {
  QStringList lines;
  for (const Finding& finding : findings) {
    lines.append(QStringLiteral("%1: %2").arg(finding.file, finding.problem));
  }
  return lines.join(QLatin1Char('\n'));
}

Result QuickCheck(Device& device) {
  return Check(device, false, {});
}

Result FullCheck(Device& device, const ProgressCallback& progress) {
  return Check(device, true, progress);
}

}  // namespace platform::device_check
