#pragma once

#include <sys/types.h>

// What the benchmark programs share: temporary devices, the generated ward, one run's figures
// and their ratios, and the process's peak memory.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/DeviceGenerator.h"
#include "platform/Device.h"

namespace bench_support {

// A temporary device folder with its own object store, removed with the object.
class BenchDevice {
 public:
  BenchDevice();
  // A copy of the device folder template (its files copied as they are).
  explicit BenchDevice(const QString& template_);
  platform::Device& device() { return *m_device; }
  QString Folder() const { return m_folder.path(); }

 private:
  QTemporaryDir m_folder;
  std::unique_ptr<platform::Device> m_device;
};

// The ward every benchmark measures on: the generator's full load (2,000 patients, 320,000
// records). Filling it takes a while, so scripts/bench fills one device folder once and names it
// in OVELIN_BENCH_DEVICE; each program then works on a copy of it. Without the variable the
// program fills its own.
const generator::Load& WardLoad();
std::unique_ptr<BenchDevice> MakeWard();
// A device holding the ward's patient number index alone, with the same records.
std::unique_ptr<BenchDevice> MakeAlone(int index);
// A device holding the first patients of the ward only.
std::unique_ptr<BenchDevice> MakeSmallWard(int patients);

// The device of the few-patient side of a comparison (the ward's first kFewPatients), or the
// whole ward; each made once per program.
constexpr int kFewPatients = 10;
BenchDevice& FewPatientsOrWard(bool ward);

// The patient the page and deletion benchmarks look at: one whose name another patient's extends,
// as happens on a real ward, sitting in the middle of the store.
int ChosenPatient();

// The chosen patient on the ward and alone on a new device, made once per program.
struct WardAndAlone {
  WardAndAlone();
  int patient;
  QString name;
  std::unique_ptr<BenchDevice> ward;
  std::unique_ptr<BenchDevice> alone;
};
WardAndAlone& TheWardAndAlone();

// Shows the runs as usual and keeps each benchmark's real and CPU time per iteration, in the unit
// it reports in, under the name it was registered by: the median of its repetitions when it was
// repeated (--benchmark_repetitions), else its one run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0;
    double cpu = 0;
    std::string unit;
  };
  void ReportRuns(const std::vector<Run>& reports) override;
  const Times* Find(const std::string& name) const;

 private:
  std::map<std::string, Times> m_times;
  std::set<std::string> m_medians;
};

// Prints "what: base / other real (ratio), CPU (ratio)" for two runs, when both ran.
void PrintRatio(const RatioReporter& reporter, const std::string& base, const std::string& other,
                const char* what);

// Another process's peak resident memory (VmHWM) in KiB, read while it runs: a child's own
// high-water mark, which the kernel's figure after its end (ru_maxrss) is not: that starts from
// the peak of the process that started it.
long PeakResidentKiB(pid_t process);

// What plain SQLite does with the same rows, without any of the program's store code.
// A record as the object store holds it: its key and its properties.
struct Row {
  QString key;
  std::vector<std::pair<int, QString>> properties;
};
// Every record of every database on the device in the folder.
std::vector<Row> StoredRows(const QString& folder);
// Inserts the rows into a fresh file of the object store's shape (a table of records with their
// keys, indexed, and one of properties), its text encoding, journal and sync settings
// (write-ahead log, synchronous=FULL): one transaction per record, or one for all. Answers the
// seconds it took; pages, when given, is set to the number of pages written.
double BareInsertSeconds(const std::vector<Row>& rows, bool transactionPerRecord,
                         int64_t* pages = nullptr);
// The pages SQLite wrote (to the write-ahead log) on the connection since the last call: what a
// commit costs the disk, besides its sync.
int64_t PagesWrittenSinceLastCall(sqlite3* db);
// The pages SQLite read from the file (missing from its page cache) since the last call.
int64_t PagesReadSinceLastCall(sqlite3* db);
// Seconds to read every record's properties of the device in folder with one plain query per
// table, in key order, as an export visits them.
double BareReadSeconds(const QString& folder);

// Initialises Google Benchmark, runs every benchmark with the reporter, and shuts it down;
// answers the exit code (1 for unknown arguments).
int RunAll(int& argc, char** argv, RatioReporter& reporter);

}  // namespace bench_support
