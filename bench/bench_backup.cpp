// Export of the generated ward (2,000 patients, 320,000 records) to a backup document and import of
// that document into an empty device, each run as `ovelin-cli` does it in a process of its own, in
// records per second, against plain SQLite doing the same with the same rows: reading every
// record's properties (for the export) and inserting them in one transaction into a file of the
// object store's shape and settings (for the import). The whole ward and a tenth of it are
// measured. The peak resident memory of each process is measured too: memory that stays flat is
// the same for both.
//
// FhirAgainstBackup exports the same ward as a FHIR bundle and as a backup, one after the other
// in one run, and reports the ratio of their times and both peaks.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "support/BenchSupport.h"

extern char** environ;

namespace {

using bench_support::BenchDevice;

struct Run {
  bool ok = false;
  double seconds = 0;
  long peakKiB = 0;
};

// Runs ovelin-cli with the arguments and waits for it, reading its peak resident memory.
Run RunCli(const QStringList& arguments) {
  std::vector<QByteArray> bytes = {QByteArray(OVELIN_CLI_PATH)};
  for (const QString& argument : arguments) {
    bytes.push_back(argument.toLocal8Bit());
  }
  std::vector<char*> argv;
  for (QByteArray& argument : bytes) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    return run;
  }
  // The peak is read while the child runs, every few milliseconds: its high-water mark only grows,
  // so the last reading is the peak to within what the last moments added.
  int status = 0;
  pid_t ended = 0;
  while ((ended = waitpid(child, &status, WNOHANG)) == 0) {
    run.peakKiB = std::max(run.peakKiB, bench_support::PeakResidentKiB(child));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (ended != child) {
    return run;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

struct Figures {
  double records = 0;
  qint64 documentBytes = 0;
  Run exported;
  Run imported;
  double bareRead = 0;
  double bareInsert = 0;
};

Figures Measure(BenchDevice& device) {
  Figures figures;
  QTemporaryDir work;
  const QString document = work.path() + QStringLiteral("/backup.json");
  const QString empty = work.path() + QStringLiteral("/empty");
  QDir().mkpath(empty);
  figures.exported = RunCli({"--device", device.Folder(), "export", "--output", document});
  figures.documentBytes = QFileInfo(document).size();
  figures.imported = RunCli({"--device", empty, "import", document});
  const std::vector<bench_support::Row> rows = bench_support::StoredRows(device.Folder());
  figures.records = static_cast<double>(rows.size());
  figures.bareRead = bench_support::BareReadSeconds(device.Folder());
  figures.bareInsert = bench_support::BareInsertSeconds(rows, false);
  return figures;
}

double MiB(long kib) {
  return static_cast<double>(kib) / 1024;
}

void Report(benchmark::State& state, const Figures& figures) {
  if (!figures.exported.ok || !figures.imported.ok) {
    state.SkipWithError("the export or the import failed");
    return;
  }
  state.SetIterationTime(figures.exported.seconds + figures.imported.seconds);
  const double records = figures.records;
  state.counters["records"] = records;
  state.counters["document_MiB"] = static_cast<double>(figures.documentBytes) / (1024 * 1024);
  state.counters["bare_read_per_s"] = records / figures.bareRead;
  state.counters["bare_insert_per_s"] = records / figures.bareInsert;
  state.counters["export_per_s"] = records / figures.exported.seconds;
  state.counters["export_vs_bare_insert"] = figures.exported.seconds / figures.bareInsert;
  state.counters["import_per_s"] = records / figures.imported.seconds;
  state.counters["import_vs_bare_insert"] = figures.imported.seconds / figures.bareInsert;
  state.counters["export_peak_MiB"] = MiB(figures.exported.peakKiB);
  state.counters["import_peak_MiB"] = MiB(figures.imported.peakKiB);
}

// The ward and a tenth of it.
void ExportImport(benchmark::State& state) {
  const int patients = static_cast<int>(state.range(0));
  const std::unique_ptr<BenchDevice> ward = patients == bench_support::WardLoad().patients
                                                ? bench_support::MakeWard()
                                                : bench_support::MakeSmallWard(patients);
  for (auto _ : state) {
    Report(state, Measure(*ward));
  }
}
BENCHMARK(ExportImport)
    ->ArgName("patients")
    ->Arg(2000)
    ->Arg(200)
    ->Repetitions(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void FhirAgainstBackup(benchmark::State& state) {
  const int patients = static_cast<int>(state.range(0));
  const std::unique_ptr<BenchDevice> ward = patients == bench_support::WardLoad().patients
                                                ? bench_support::MakeWard()
                                                : bench_support::MakeSmallWard(patients);
  QTemporaryDir work;
  for (auto _ : state) {
    const Run backup = RunCli({"--device", ward->Folder(), "export", "--output",
                               work.path() + QStringLiteral("/backup.json")});
    const Run fhir = RunCli({"--device", ward->Folder(), "export", "--format", "fhir", "--output",
                             work.path() + QStringLiteral("/bundle.json")});
    if (!backup.ok || !fhir.ok) {
      state.SkipWithError("an export failed");
      return;
    }
    state.SetIterationTime(fhir.seconds);
    state.counters["backup_s"] = backup.seconds;
    state.counters["fhir_s"] = fhir.seconds;
    state.counters["fhir_vs_backup"] = fhir.seconds / backup.seconds;
    state.counters["backup_peak_MiB"] = static_cast<double>(backup.peakKiB) / 1024;
    state.counters["fhir_peak_MiB"] = static_cast<double>(fhir.peakKiB) / 1024;
    state.counters["bundle_MiB"] =
        static_cast<double>(QFileInfo(work.path() + QStringLiteral("/bundle.json")).size()) /
        (1024 * 1024);
  }
}
BENCHMARK(FhirAgainstBackup)
    ->ArgName("patients")
    ->Arg(200)
    ->Arg(2000)
    ->Repetitions(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
