#include "support/BenchSupport.h"

#include "platform/PropertyDatabase.h"

#include <sqlite3.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

namespace bench_support {
namespace {

bool CopyFolder(const QString& from, const QString& to) {
  QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString source = files.next();
    const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
    QDir().mkpath(QFileInfo(target).path());
    if (!QFile::copy(source, target)) {
      return false;
    }
  }
  return true;
}

// A line of the process's /proc status, in KiB; 0 when it cannot be read.
long StatusKiB(const char* field, const std::string& process) {
  std::ifstream status("/proc/" + process + "/status");
  std::string name;
  while (status >> name) {
    if (name == field) {
      long value = 0;
      status >> value;
      return value;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

void Exec(sqlite3* db, const char* sql) {
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

void BindText(sqlite3_stmt* statement, int index, const QString& text) {
  sqlite3_bind_text16(statement, index,
                      text.isEmpty() ? static_cast<const void*>(u"") : text.utf16(),
                      static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A property is the key when it is the first sort order's: 1 in every store but the todo store.
bool IsKey(int property) {
  return property == 1 || property == 101;
}

}  // namespace

BenchDevice::BenchDevice() : m_device(std::make_unique<platform::Device>(m_folder.path())) {
  m_device->Prepare();
}

BenchDevice::BenchDevice(const QString& template_) {
  if (!CopyFolder(template_, m_folder.path())) {
    std::fprintf(stderr, "cannot copy the device %s\n", qPrintable(template_));
  }
  m_device = std::make_unique<platform::Device>(m_folder.path());
  m_device->Prepare();
}

const generator::Load& WardLoad() {
  static const generator::Load load;
  return load;
}

std::unique_ptr<BenchDevice> MakeWard() {
  const QString template_ = qEnvironmentVariable("OVELIN_BENCH_DEVICE");
  if (!template_.isEmpty()) {
    return std::make_unique<BenchDevice>(template_);
  }
  std::fprintf(stderr, "filling a ward of %d patients (set OVELIN_BENCH_DEVICE to reuse one)\n",
               WardLoad().patients);
  auto ward = std::make_unique<BenchDevice>();
  const platform::DeviceScope scope(ward->device());
  QString error;
  if (!generator::Fill(WardLoad(), error)) {
    std::fprintf(stderr, "the ward was not filled: %s\n", qPrintable(error));
  }
  return ward;
}

std::unique_ptr<BenchDevice> MakeAlone(int index) {
  auto alone = std::make_unique<BenchDevice>();
  const platform::DeviceScope scope(alone->device());
  generator::FillPatient(WardLoad(), index);
  return alone;
}

BenchDevice& FewPatientsOrWard(bool ward) {
  static std::unique_ptr<BenchDevice> few = MakeSmallWard(kFewPatients);
  static std::unique_ptr<BenchDevice> many = MakeWard();
  return ward ? *many : *few;
}

WardAndAlone::WardAndAlone()
    : patient(ChosenPatient()),
      name(generator::PatientName(WardLoad(), patient)),
      ward(MakeWard()),
      alone(MakeAlone(patient)) {}

WardAndAlone& TheWardAndAlone() {
  static WardAndAlone devices;
  return devices;
}

std::unique_ptr<BenchDevice> MakeSmallWard(int patients) {
  auto ward = std::make_unique<BenchDevice>();
  const platform::DeviceScope scope(ward->device());
  generator::Load load = WardLoad();
  load.patients = patients;
  QString error;
  generator::Fill(load, error);
  return ward;
}

int ChosenPatient() {
  const generator::Load& load = WardLoad();
  std::vector<std::pair<QString, int>> names;
  for (int i = 0; i < load.patients; ++i) {
    names.emplace_back(generator::PatientName(load, i), i);
  }
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
    return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
  });
  for (size_t i = names.size() / 2; i + 1 < names.size(); ++i) {
    if (names[i + 1].first.startsWith(names[i].first, Qt::CaseInsensitive)) {
      return names[i].second;
    }
  }
  return names[names.size() / 2].second;
}

void RatioReporter::ReportRuns(const std::vector<Run>& reports) {
  ConsoleReporter::ReportRuns(reports);
  for (const Run& run : reports) {
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) {
      continue;
    }
    // Named without the run's settings (min_time, iterations): the name it was registered by.
    const std::string& args = run.run_name.args;
    const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
    if (median) {
      m_medians.insert(name);
    } else if (m_medians.count(name) != 0) {
      continue;
    }
    m_times[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(),
                     benchmark::GetTimeUnitString(run.time_unit)};
  }
}

const RatioReporter::Times* RatioReporter::Find(const std::string& name) const {
  const auto found = m_times.find(name);
  return found == m_times.end() ? nullptr : &found->second;
}

void PrintRatio(const RatioReporter& reporter, const std::string& base, const std::string& other,
                const char* what) {
  const RatioReporter::Times* a = reporter.Find(base);
  const RatioReporter::Times* b = reporter.Find(other);
  if (!a || !b || a->real <= 0 || a->cpu <= 0) {
    std::printf("%s: not measured\n", what);
    return;
  }
  std::printf("%s: real %.3g / %.3g %s (ratio %.2f), CPU %.3g / %.3g %s (ratio %.2f)\n", what,
              a->real, b->real, a->unit.c_str(), b->real / a->real, a->cpu, b->cpu, a->unit.c_str(),
              b->cpu / a->cpu);
}

long PeakResidentKiB(pid_t process) {
  return StatusKiB("VmHWM:", std::to_string(process));
}

std::vector<Row> StoredRows(const QString& folder) {
  platform::Device device(folder);
  const platform::DeviceScope scope(device);
  std::vector<Row> rows;
  for (const QString& volume : platform::PropertyDatabase::Names()) {
    platform::PropertyDatabase db;
    if (!db.Open(volume)) {
      continue;
    }
    platform::Record record;
    for (platform::RecordId id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
      db.Read(record);
      Row row;
      for (const platform::Property& property : record.Properties()) {
        row.properties.emplace_back(property.id, property.value);
        if (IsKey(property.id)) {
          row.key = property.value;
        }
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

int64_t PagesWrittenSinceLastCall(sqlite3* db) {
  int current = 0;
  int highest = 0;
  sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_WRITE, &current, &highest, 1);
  return current;
}

int64_t PagesReadSinceLastCall(sqlite3* db) {
  int current = 0;
  int highest = 0;
  sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_MISS, &current, &highest, 1);
  return current;
}

double BareInsertSeconds(const std::vector<Row>& rows, bool transactionPerRecord, int64_t* pages) {
  QTemporaryDir folder;
  sqlite3* db = nullptr;
  sqlite3_open((folder.path() + QStringLiteral("/bare.db")).toUtf8().constData(), &db);
  Exec(db, "PRAGMA encoding='UTF-16le'");
  Exec(db, "PRAGMA journal_mode=WAL");
  Exec(db, "PRAGMA synchronous=FULL");
  Exec(db,
       "CREATE TABLE rec(id INTEGER PRIMARY KEY, k1 TEXT NOT NULL COLLATE NOCASE,"
       " k2 TEXT NOT NULL COLLATE NOCASE);"
       "CREATE INDEX rec_k1 ON rec(k1, id); CREATE INDEX rec_k2 ON rec(k2, id);"
       "CREATE TABLE prop(rec INTEGER NOT NULL, pid INTEGER NOT NULL, val TEXT NOT NULL,"
       " PRIMARY KEY(rec, pid)) WITHOUT ROWID;");
  sqlite3_stmt* addRecord = nullptr;
  sqlite3_stmt* addProperty = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO rec(id, k1, k2) VALUES(?1, ?2, '')", -1, &addRecord, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO prop VALUES(?1, ?2, ?3)", -1, &addProperty, nullptr);
  PagesWrittenSinceLastCall(db);
  const auto start = std::chrono::steady_clock::now();
  Exec(db, "BEGIN IMMEDIATE");
  int64_t id = 0;
  for (const Row& row : rows) {
    sqlite3_bind_int64(addRecord, 1, ++id);
    BindText(addRecord, 2, row.key);
    sqlite3_step(addRecord);
    sqlite3_reset(addRecord);
    for (const auto& [pid, value] : row.properties) {
      sqlite3_bind_int64(addProperty, 1, id);
      sqlite3_bind_int(addProperty, 2, pid);
      BindText(addProperty, 3, value);
      sqlite3_step(addProperty);
      sqlite3_reset(addProperty);
    }
    if (transactionPerRecord) {
      Exec(db, "COMMIT");
      Exec(db, "BEGIN IMMEDIATE");
    }
  }
  Exec(db, "COMMIT");
  const double seconds = SecondsSince(start);
  if (pages) {
    *pages = PagesWrittenSinceLastCall(db);
  }
  sqlite3_finalize(addRecord);
  sqlite3_finalize(addProperty);
  sqlite3_close(db);
  return seconds;
}

double BareReadSeconds(const QString& folder) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder + QStringLiteral("/objectstore.db")).toUtf8().constData(), &db,
                  SQLITE_OPEN_READONLY, nullptr);
  std::vector<int64_t> volumes;
  sqlite3_stmt* list = nullptr;
  sqlite3_prepare_v2(db, "SELECT num FROM volumes", -1, &list, nullptr);
  while (sqlite3_step(list) == SQLITE_ROW) {
    volumes.push_back(sqlite3_column_int64(list, 0));
  }
  sqlite3_finalize(list);
  const auto start = std::chrono::steady_clock::now();
  size_t bytes = 0;
  for (const int64_t volume : volumes) {
    // In id order: plain SQLite has not the program's collations to walk the key order by.
    const std::string sql = "SELECT r.id, p.pid, p.val FROM v" + std::to_string(volume) +
                            "_rec r JOIN v" + std::to_string(volume) +
                            "_prop p ON p.rec = r.id ORDER BY r.id, p.pid";
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &read, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
      bytes += static_cast<size_t>(sqlite3_column_bytes16(read, 2));
    }
    sqlite3_finalize(read);
  }
  const double seconds = SecondsSince(start);
  sqlite3_close(db);
  benchmark::DoNotOptimize(bytes);
  return seconds;
}

int RunAll(int& argc, char** argv, RatioReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench_support
