// Ward synchronisation against a private PostgreSQL server, each figure measured in one run:
// - the first sync of the generated ward (every record sent) against PostgreSQL's own COPY of the
//   same rows into the same tables (triggers and indexes as they are);
// - a sync with 10 changed records on the ward against the same on a device of 10 patients, each
//   synchronised with a ward of its own: the cost should grow with the change, not with the device;
// - a sync with nothing changed on the ward.
// Each sync runs as ovelin-cli in a process of its own, so its time is what a person waits for.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <chrono>

#include "cli/Cli.h"
#include "support/BenchSupport.h"
#include "support/WardServer.h"

namespace {

using bench_support::BenchDevice;

const char* const kTables[] = {
    "patients", "medications", "vital_signs", "lab_results",     "tests",
    "notes",    "todos",       "categories",  "auto_text_lists", "favorite_medications"};

WardServer& Server() {
  static WardServer server;
  return server;
}

int RunCli(const QStringList& arguments, QString* output = nullptr) {
  QString out;
  QString err;
  QTextStream outStream(&out);
  QTextStream errStream(&err);
  const int code = cli::Run(arguments, outStream, errStream);
  outStream.flush();
  errStream.flush();
  if (output) {
    *output = out + err;
  }
  return code;
}

// An empty ward schema in the database, and the role the devices sign in as.
bool FreshWard(const QString& database) {
  bool ok = false;
  Server().Sql(QStringLiteral("CREATE DATABASE ") + database, nullptr, "postgres", "postgres");
  Server().Sql(QStringLiteral("DROP SCHEMA IF EXISTS ward CASCADE"), &ok, "postgres", database);
  QTemporaryDir scratch;
  return ok &&
         RunCli({"--device", scratch.path(), "server", "init",
                 Server().ConnInfo("postgres", database)}) == 0 &&
         (Server().Sql("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                       "'bench_device') THEN CREATE ROLE bench_device LOGIN IN ROLE ward_device;"
                       " END IF; END $$",
                       &ok, "postgres", database),
          ok);
}

double Seconds(const std::function<bool()>& work, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ovelin-cli in a process of its own, as a person or a timer runs it.
bool RunProcess(const QStringList& arguments) {
  QProcess cli;
  cli.setProcessChannelMode(QProcess::MergedChannels);
  cli.start(QStringLiteral(OVELIN_CLI_PATH), arguments);
  const bool ok = cli.waitForFinished(-1) && cli.exitCode() == 0;
  if (!ok) {
    fprintf(stderr, "ovelin-cli %s failed: %s\n", qPrintable(arguments.join(' ')),
            cli.readAll().constData());
  }
  return ok;
}

bool Sync(const QString& folder, const QString& database) {
  return RunProcess(
      {"--device", folder, "sync", "--server", Server().ConnInfo("bench_device", database)});
}

// psql running a script of \copy lines (COPY through the client, as a device would send rows).
bool Psql(const QString& script, const QString& database) {
  QTemporaryDir dir;
  QFile file(dir.filePath("script.sql"));
  if (!file.open(QIODevice::WriteOnly) || file.write(script.toUtf8()) < 0) {
    return false;
  }
  file.close();
  QProcess psql;
  psql.start("psql", {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-d",
                      Server().ConnInfo("postgres", database), "-f", file.fileName()});
  return psql.waitForFinished(-1) && psql.exitCode() == 0;
}

void FirstSyncAgainstCopy(benchmark::State& state) {
  const int patients = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const std::unique_ptr<BenchDevice> device = patients == bench_support::WardLoad().patients
                                                    ? bench_support::MakeWard()
                                                    : bench_support::MakeSmallWard(patients);
    const QString database = QStringLiteral("first_sync");
    bool ok = FreshWard(database);
    const double sync = Seconds([&] { return Sync(device->Folder(), database); }, ok);
    // The same rows, dumped and copied back into the emptied tables.
    QTemporaryDir rows;
    QString dump;
    QString load = QStringLiteral(
        "TRUNCATE ward.conflicts, ward.patients, ward.categories,"
        " ward.auto_text_lists, ward.favorite_medications CASCADE;\n");
    for (const char* table : kTables) {
      const QString file = rows.filePath(QString::fromLatin1(table));
      // Every column but the computed ones (a todo's priority and done).
      const QString columns = Server().Sql(
          QStringLiteral("SELECT string_agg(column_name, ', ' ORDER BY ordinal_position) FROM"
                         " information_schema.columns WHERE table_schema = 'ward' AND"
                         " table_name = '%1' AND is_generated = 'NEVER'")
              .arg(QLatin1String(table)),
          nullptr, "postgres", database);
      dump += QStringLiteral("\\copy (SELECT %1 FROM ward.%2) TO '%3'\n")
                  .arg(columns, QLatin1String(table), file);
      load += QStringLiteral("\\copy ward.%1 (%2) FROM '%3'\n")
                  .arg(QLatin1String(table), columns, file);
    }
    ok = ok && Psql(dump, database);
    const double copy = Seconds([&] { return Psql(load, database); }, ok);
    if (!ok) {
      state.SkipWithError("the sync or the copy failed");
      return;
    }
    state.SetIterationTime(sync);
    state.counters["sync_s"] = sync;
    state.counters["copy_s"] = copy;
    state.counters["sync_to_copy"] = sync / copy;
  }
}
BENCHMARK(FirstSyncAgainstCopy)
    ->ArgName("patients")
    ->Arg(200)
    ->Arg(2000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Ten patients added, then synchronised; on the ward and on a device of ten patients.
double TenChangesSeconds(const QString& folder, const QString& database, bool& ok) {
  for (int i = 0; i < 10; ++i) {
    ok = ok &&
         RunProcess({"--device", folder, "patient", "add", "--first",
                     QStringLiteral("Change%1").arg(i), "--last", "Bench", "--type", "Hospital"});
  }
  return Seconds([&] { return ok && Sync(folder, database); }, ok);
}

void ChangesGrowWithTheChange(benchmark::State& state) {
  for (auto _ : state) {
    const std::unique_ptr<BenchDevice> ward = bench_support::MakeWard();
    const std::unique_ptr<BenchDevice> few =
        bench_support::MakeSmallWard(bench_support::kFewPatients);
    // Both devices synchronised once, and once more with nothing to do, before the measure.
    bool ok = FreshWard("ward_changes") && FreshWard("few_changes") &&
              Sync(ward->Folder(), "ward_changes") && Sync(few->Folder(), "few_changes") &&
              Sync(ward->Folder(), "ward_changes") && Sync(few->Folder(), "few_changes");
    // A ward server's statistics follow a bulk change within a minute (autovacuum); without them
    // the planner reads a table whole for "the rows past version N".
    Server().Sql("ANALYZE", nullptr, "postgres", "ward_changes");
    Server().Sql("ANALYZE", nullptr, "postgres", "few_changes");
    const double onWard = TenChangesSeconds(ward->Folder(), "ward_changes", ok);
    const double onFew = TenChangesSeconds(few->Folder(), "few_changes", ok);
    const double nothing = Seconds([&] { return Sync(ward->Folder(), "ward_changes"); }, ok);
    if (!ok) {
      state.SkipWithError("a sync failed");
      return;
    }
    state.SetIterationTime(onWard);
    state.counters["ward_ms"] = onWard * 1000;
    state.counters["few_ms"] = onFew * 1000;
    state.counters["ward_to_few"] = onWard / onFew;
    state.counters["unchanged_ward_ms"] = nothing * 1000;
  }
}
BENCHMARK(ChangesGrowWithTheChange)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
