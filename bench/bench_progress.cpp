// What the progress line costs the long commands on the generated ward (2,000 patients, 320,000
// records), in one run:
// - `ovelin-cli check` and `ovelin-cli export` run as the program runs them, once with the line
//   shown (--progress, written to /dev/null as a terminal would take it) and once without
//   (--quiet). The goal is under 1 %, which is less than two runs of a command differ by on a
//   shared machine, so the ratio only shows that nothing large hides in the line.
// - The share of the same check and export spent inside the line: every call of the loops'
//   callback is timed (the updates the throttle lets pass without writing, and the writes).
//   This figure is precise where the ratio is not.
// - What showing the line adds to the check besides the line: counting the records for its total.
// The time of one update that the throttle lets pass is measured alone too.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/ProgressLine.h"
#include "platform/DeviceCheck.h"
#include "platform/PropertyDatabase.h"
#include "store/Backup.h"
#include "support/BenchSupport.h"

namespace {

bench_support::BenchDevice& Ward() {
  static const std::unique_ptr<bench_support::BenchDevice> ward = bench_support::MakeWard();
  return *ward;
}

// Runs the command on the ward in this process, its output and errors to /dev/null.
void RunOnWard(benchmark::State& state, const QString& progressOption, QStringList command) {
  QFile sink(QStringLiteral("/dev/null"));
  if (!sink.open(QIODevice::WriteOnly)) {
    state.SkipWithError("/dev/null cannot be opened");
    return;
  }
  QTextStream out(&sink);
  QTextStream err(&sink);
  command.prepend(progressOption);
  command.prepend(Ward().Folder());
  command.prepend(QStringLiteral("--device"));
  for (auto _ : state) {
    if (cli::Run(command, out, err) != cli::kSuccess) {
      state.SkipWithError("the command failed");
      return;
    }
  }
}

QString BackupPath() {
  static const QTemporaryDir folder;
  return folder.path() + QStringLiteral("/backup.json");
}

void Check(benchmark::State& state, const char* option) {
  RunOnWard(state, QString::fromLatin1(option), {QStringLiteral("check")});
}

void Export(benchmark::State& state, const char* option) {
  RunOnWard(state, QString::fromLatin1(option),
            {QStringLiteral("export"), QStringLiteral("--output"), BackupPath(),
             QStringLiteral("--force")});
}

// An update that comes within a tenth of a second of the last write: what most updates are.
void ThrottledUpdate(benchmark::State& state) {
  QFile sink(QStringLiteral("/dev/null"));
  if (!sink.open(QIODevice::WriteOnly)) {
    state.SkipWithError("/dev/null cannot be opened");
    return;
  }
  QTextStream err(&sink);
  cli::ProgressLine line(err, true);
  line.Start(QStringLiteral("exporting"), cli::ProgressLine::Unit::kPatients);
  line.Update(0, 2000);
  uint64_t done = 0;
  for (auto _ : state) {
    line.Update(++done % 2000, 2000);
  }
}

using Clock = std::chrono::steady_clock;

// Runs the loop with a shown line on /dev/null and answers the share of its time, in percent,
// spent in the line's callback.
double PercentInTheLine(const std::function<bool(const platform::ProgressCallback&)>& loop) {
  QFile sink(QStringLiteral("/dev/null"));
  if (!sink.open(QIODevice::WriteOnly)) {
    return -1;
  }
  QTextStream err(&sink);
  cli::ProgressLine line(err, true);
  line.Start(QStringLiteral("measuring"), cli::ProgressLine::Unit::kRecords);
  Clock::duration inLine{};
  const platform::ProgressCallback timed = [&](uint64_t done, uint64_t total) {
    const Clock::time_point start = Clock::now();
    line.Update(done, total);
    inLine += Clock::now() - start;
  };
  const Clock::time_point start = Clock::now();
  if (!loop(timed)) {
    return -1;
  }
  return 100.0 * std::chrono::duration<double>(inLine).count() /
         std::chrono::duration<double>(Clock::now() - start).count();
}

// Every share measured, by command, for the summary at the end.
std::map<std::string, std::vector<double>>& Shares() {
  static std::map<std::string, std::vector<double>> shares;
  return shares;
}

void ShareInTheLine(benchmark::State& state, bool check) {
  platform::DeviceScope scope(Ward().device());
  double percent = 0;
  for (auto _ : state) {
    percent = PercentInTheLine([check](const platform::ProgressCallback& progress) {
      QJsonObject document;
      QString error;
      return check ? platform::device_check::FullCheck(Ward().device(), progress).Ok()
                   : backup::Export({}, document, error, progress);
    });
  }
  if (percent < 0) {
    state.SkipWithError("the check or the export failed");
    return;
  }
  state.counters["percent_in_line"] = percent;
  Shares()[check ? "Check" : "Export"].push_back(percent);
}

// What the check does besides the line when the line is shown: it counts the records of every
// database first, for its total. The same count(*) per database, on its own.
void CountingForTheCheck(benchmark::State& state) {
  platform::DeviceScope scope(Ward().device());
  for (auto _ : state) {
    uint64_t records = 0;
    for (const QString& name : platform::PropertyDatabase::Names()) {
      platform::PropertyDatabase database;
      records += database.Open(name) ? database.RecordCount() : 0;
    }
    benchmark::DoNotOptimize(records);
  }
}

void RegisterAll() {
  for (const char* option : {"--quiet", "--progress"}) {
    const std::string side = option + 2;
    benchmark::RegisterBenchmark(("Check/" + side).c_str(), Check, option)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Export/" + side).c_str(), Export, option)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Check/share", ShareInTheLine, true)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Export/share", ShareInTheLine, false)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Check/counting", CountingForTheCheck)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ThrottledUpdate", ThrottledUpdate);
}

// "what: quiet / progress real (ratio)" with the ratio to three places: the difference sought is
// under a hundredth.
void PrintCost(const bench_support::RatioReporter& reporter, const std::string& command) {
  const auto* quiet = reporter.Find(command + "/quiet");
  const auto* shown = reporter.Find(command + "/progress");
  if (!quiet || !shown || quiet->real <= 0) {
    std::printf("%s: not measured\n", command.c_str());
    return;
  }
  std::printf("%s with the progress line: %.0f / %.0f %s (ratio %.3f)\n", command.c_str(),
              quiet->real, shown->real, quiet->unit.c_str(), shown->real / quiet->real);
  std::vector<double> shares = Shares()[command];
  if (!shares.empty()) {
    std::sort(shares.begin(), shares.end());
    std::printf("%s: %.4f %% of its time in the progress line (median of %zu)\n", command.c_str(),
                shares[shares.size() / 2], shares.size());
  }
  if (const auto* counting = reporter.Find(command + "/counting")) {
    std::printf("%s: counting the records for its total takes %.1f %s (%.2f %% of the check)\n",
                command.c_str(), counting->real, counting->unit.c_str(),
                100.0 * counting->real / quiet->real);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Ward();  // filled before timing starts
  RegisterAll();
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  PrintCost(reporter, "Check");
  PrintCost(reporter, "Export");
  return code;
}
