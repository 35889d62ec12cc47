// Export of the generated ward (2,000 patients, 320,000 records) to a backup document and import of
// that document into an empty device, each run as `ovelin-cli` does it in a process of its own, in
// records per second, against plain SQLite doing the same with the same rows: reading every
// record's properties (for the export) and inserting them in one transaction into a file of the
// object store's shape and settings (for the import). The peak resident memory of each process
// is measured too, for the ward and for a ward of a tenth of its size: memory that stays flat does
// not grow with the device.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>
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

// Runs ovelin-cli with the arguments and waits for it; its peak resident memory from the kernel.
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
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child) {
    return run;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakKiB = usage.ru_maxrss;
  return run;
}

struct Figures {
  double records = 0;
  Run exported;
  Run imported;
  double bareRead = 0;
  double bareInsert = 0;
};

Figures Measure(BenchDevice& device) {
  Figures figures;
  const std::vector<bench_support::Row> rows = bench_support::StoredRows(device.Folder());
  figures.records = static_cast<double>(rows.size());
  QTemporaryDir work;
  const QString document = work.path() + QStringLiteral("/backup.json");
  const QString empty = work.path() + QStringLiteral("/empty");
  QDir().mkpath(empty);
  figures.exported = RunCli({"--device", device.Folder(), "export", "--output", document});
  figures.imported = RunCli({"--device", empty, "import", document});
  figures.bareRead = bench_support::BareReadSeconds(device.Folder());
  figures.bareInsert = bench_support::BareInsertSeconds(rows, false);
  return figures;
}

void Report(benchmark::State& state, const Figures& figures) {
  if (!figures.exported.ok || !figures.imported.ok) {
    state.SkipWithError("the export or the import failed");
    return;
  }
  state.SetIterationTime(figures.exported.seconds + figures.imported.seconds);
  const double records = figures.records;
  state.counters["records"] = records;
  state.counters["export_per_s"] = records / figures.exported.seconds;
  state.counters["bare_read_per_s"] = records / figures.bareRead;
  state.counters["import_per_s"] = records / figures.imported.seconds;
  state.counters["bare_insert_per_s"] = records / figures.bareInsert;
  state.counters["export_vs_bare_insert"] = figures.exported.seconds / figures.bareInsert;
  state.counters["import_vs_bare_insert"] = figures.imported.seconds / figures.bareInsert;
  state.counters["export_peak_MiB"] = static_cast<double>(figures.exported.peakKiB) / 1024;
  state.counters["import_peak_MiB"] = static_cast<double>(figures.imported.peakKiB) / 1024;
}

void BM_ExportImport_Ward(benchmark::State& state) {
  const std::unique_ptr<BenchDevice> ward = bench_support::MakeWard();
  for (auto _ : state) {
    Report(state, Measure(*ward));
  }
}

void BM_ExportImport_TenthOfTheWard(benchmark::State& state) {
  const std::unique_ptr<BenchDevice> ward =
      bench_support::MakeSmallWard(bench_support::WardLoad().patients / 10);
  for (auto _ : state) {
    Report(state, Measure(*ward));
  }
}
BENCHMARK(BM_ExportImport_Ward)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ExportImport_TenthOfTheWard)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
