// The quick check that every start of the program and every command runs costs about the same on
// a device of 1,000 records as on one of 100,000: it reads headers and bookkeeping, never the
// records. The full check, for comparison, reads every page. Each device is built once per process
// in a temporary folder, inside one transaction, and the checks open it afresh every iteration.
// Compare the quick check's two times with each other (a ratio near 1), not with the full check.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <memory>

#include "platform/Device.h"
#include "platform/DeviceCheck.h"
#include "platform/PropertyDatabase.h"

namespace {

using platform::PropertyDatabase;

class Devices {
 public:
  Devices() {
    Fill(m_small.path(), 1'000);
    Fill(m_large.path(), 100'000);
  }
  QString Folder(int records) const { return records <= 1'000 ? m_small.path() : m_large.path(); }

 private:
  static void Fill(const QString& folder, int records) {
    platform::Device device(folder);
    platform::DeviceScope scope(device);
    PropertyDatabase::Create(QStringLiteral("Records"), {{1, true}, {200, true}});
    platform::StoreTransaction transaction;
    PropertyDatabase db;
    db.Open(QStringLiteral("Records"));
    for (int i = 0; i < records; ++i) {
      db.Add({{1, QStringLiteral("Patient %1, Anne").arg((i * 7919) % records, 6, 10, QChar('0'))},
              {102, QStringLiteral("Temp\n37.%1\n").arg(i % 10)}});
    }
    transaction.Commit();
  }

  QTemporaryDir m_small;
  QTemporaryDir m_large;
};

const Devices& Shared() {
  static const Devices devices;
  return devices;
}

void QuickCheck(benchmark::State& state) {
  const QString folder = Shared().Folder(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    platform::Device device(folder);
    benchmark::DoNotOptimize(platform::device_check::QuickCheck(device).Ok());
  }
}

void FullCheck(benchmark::State& state) {
  const QString folder = Shared().Folder(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    platform::Device device(folder);
    benchmark::DoNotOptimize(platform::device_check::FullCheck(device).Ok());
  }
}

BENCHMARK(QuickCheck)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(FullCheck)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
