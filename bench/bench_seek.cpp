// A seek by key costs about the same in a store of 1,000 records as in one of 100,000: seeks are
// index lookups. Both stores are built once per process in a temporary device folder, through
// the ordinary Add, inside one enclosing transaction so that the fill needs one commit.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"

namespace {

using platform::PropertyDatabase;
using platform::Record;

constexpr platform::PropId kKey = 1;

QString KeyOf(int patient) {
  return QStringLiteral("Patient %1, Anne20240101120000").arg(patient, 6, 10, QChar('0'));
}

QString NameOf(int records) {
  return QStringLiteral("Store%1").arg(records);
}

class Stores {
 public:
  Stores() : m_device(std::make_unique<platform::Device>(m_folder.path())) {
    platform::Device::SetProcessDefault(m_device.get());
    Fill(1'000);
    Fill(100'000);
  }

 private:
  void Fill(int records) {
    const QString name = NameOf(records);
    PropertyDatabase::Create(name, {{kKey, true}, {200, true}});
    PropertyDatabase db;
    db.Open(name);
    sqlite3* connection = m_device->ObjectStore();
    sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < records; ++i) {
      // Added out of key order, as records come over time.
      const int patient = static_cast<int>((static_cast<int64_t>(i) * 7919) % records);
      Record record;
      record.Add(kKey, KeyOf(patient));
      record.Add(102, QStringLiteral("Medication %1").arg(i));
      record.Add(103, QStringLiteral("10 mg twice daily"));
      record.Add(104, QStringLiteral("20240101120000"));
      db.Add(record);
    }
    sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
    // Moves the pages from the write-ahead log into the file, as a checkpoint does in daily use.
    sqlite3_exec(connection, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  }

  QTemporaryDir m_folder;
  std::unique_ptr<platform::Device> m_device;
};

void EnsureStores() {
  static Stores stores;
}

// Keys of existing records in a scattered order.
std::vector<QString> Probes(int records) {
  std::vector<QString> probes;
  uint32_t state = 12345;
  for (int i = 0; i < 1024; ++i) {
    state = state * 1103515245u + 12345u;
    probes.push_back(KeyOf(static_cast<int>((state >> 8) % static_cast<uint32_t>(records))));
  }
  return probes;
}

void BM_SeekEqualAndRead(benchmark::State& state) {
  EnsureStores();
  const int records = static_cast<int>(state.range(0));
  PropertyDatabase db;
  if (!db.Open(NameOf(records))) {
    state.SkipWithError("store missing");
    return;
  }
  const std::vector<QString> probes = Probes(records);
  size_t next = 0;
  Record record;
  for (auto _ : state) {
    if (db.SeekEqual(probes[next++ % probes.size()]) == 0 || !db.Read(record)) {
      state.SkipWithError("record not found");
      break;
    }
    benchmark::DoNotOptimize(record);
  }
  state.counters["records"] = static_cast<double>(db.RecordCount());
}
BENCHMARK(BM_SeekEqualAndRead)->Arg(1'000)->Arg(100'000);

// The latest record of a patient: the last key below name + "99999999".
void BM_SeekLastLessThan(benchmark::State& state) {
  EnsureStores();
  const int records = static_cast<int>(state.range(0));
  PropertyDatabase db;
  if (!db.Open(NameOf(records))) {
    state.SkipWithError("store missing");
    return;
  }
  std::vector<QString> probes = Probes(records);
  for (QString& probe : probes) {
    probe = probe.left(probe.size() - 14) + QStringLiteral("99999999");
  }
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(db.SeekLastLessThan(probes[next++ % probes.size()]));
  }
}
BENCHMARK(BM_SeekLastLessThan)->Arg(1'000)->Arg(100'000);

}  // namespace

BENCHMARK_MAIN();
