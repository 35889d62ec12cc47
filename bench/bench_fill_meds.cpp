// Listing one patient's medications costs about the same whether the medication store holds only
// that patient's 20 medications or 100,000 medications of other patients besides: the list
// reaches the patient's records by a seek on the key and reads no one else's.
//
// Two device folders are built once per process: "alone" holds the patient's 20 medications,
// "crowded" the same 20 among 100,000 others (5,000 patients sorting before and after the
// patient, and one whose name extends the patient's). The records are the ones CDBMeds::AddNew
// stores (same eleven properties); the 100,000 are written through the property database's
// ordinary Add inside one enclosing SQLite transaction on the device's connection, so the fill
// needs one commit instead of one per record. The run prints both times and their ratio.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "common/MemoryControls.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBMeds.h"

namespace {

const QString kPatient = QStringLiteral("Smith, Ann");
constexpr int kOwnMedications = 20;
constexpr int kOtherMedications = 100'000;
constexpr int kMedicationsPerOther = 20;

// A temporary device folder with its own object store.
class BenchDevice {
 public:
  BenchDevice() : device_(std::make_unique<platform::Device>(folder_.path())) {
    device_->Prepare();
  }
  platform::Device& device() { return *device_; }

 private:
  QTemporaryDir folder_;
  std::unique_ptr<platform::Device> device_;
};

platform::Record Medication(const QString& patient, int n) {
  return platform::Record{{CDBBaseDatabase::kKeyProp, patient},
                          {CDBMeds::kDrugProp, QStringLiteral("Drug %1").arg(n)},
                          {CDBMeds::kDoseProp, QStringLiteral("500mg")},
                          {CDBMeds::kRouteProp, QStringLiteral("PO")},
                          {CDBMeds::kFrequencyProp, QStringLiteral("TID")},
                          {CDBMeds::kTrackDaysProp, QStringLiteral("Yes")},
                          {CDBMeds::kDaysProp, QStringLiteral("")},
                          {CDBMeds::kStartDateProp, QStringLiteral("20240101")},
                          {CDBMeds::kDispensedProp, QStringLiteral("30")},
                          {CDBMeds::kRefillsProp, QStringLiteral("2")},
                          {CDBMeds::kTimeStampProp, QStringLiteral("20240101120000")}};
}

// Another patient: half sort before the patient, half after, and patient 0 extends its name.
QString OtherPatient(int index) {
  if (index == 0) {
    return kPatient + QStringLiteral("a");
  }
  const QString number = QStringLiteral("%1").arg(index, 4, 10, QChar(u'0'));
  return index % 2 == 0 ? QStringLiteral("Adams, %1").arg(number)
                        : QStringLiteral("Young, %1").arg(number);
}

void Fill(platform::Device& device, bool crowded) {
  const platform::DeviceScope scope(device);
  CDBMeds().CreateDB();
  platform::PropertyDatabase db;
  if (!db.Open(CDBMeds::kVolumeName)) {
    return;
  }
  sqlite3_exec(device.ObjectStore(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  const int others = crowded ? kOtherMedications : 0;
  for (int i = 0; i < others + kOwnMedications; ++i) {
    // The patient's medications come in amid the others, as they would over time.
    const bool own = i % (others / kOwnMedications + 1) == 0;
    const int otherCount = kOtherMedications / kMedicationsPerOther;
    db.Add(Medication(own ? kPatient : OtherPatient((i * 7919) % otherCount), i));
  }
  sqlite3_exec(device.ObjectStore(), "COMMIT", nullptr, nullptr, nullptr);
}

struct Devices {
  Devices() {
    Fill(alone.device(), false);
    Fill(crowded.device(), true);
  }
  BenchDevice alone;
  BenchDevice crowded;
};

Devices& TheDevices() {
  static Devices devices;
  return devices;
}

void FillList(benchmark::State& state, platform::Device& device) {
  const platform::DeviceScope scope(device);
  memory_controls::List list;
  for (auto _ : state) {
    CDBMeds().FillList(kPatient, list);
    benchmark::DoNotOptimize(list.GetItemCount());
  }
  if (list.GetItemCount() != kOwnMedications) {
    state.SkipWithError("the patient's medications were not all listed");
  }
}

void BM_FillList_Alone(benchmark::State& state) {
  FillList(state, TheDevices().alone.device());
}
void BM_FillList_Crowded(benchmark::State& state) {
  FillList(state, TheDevices().crowded.device());
}
BENCHMARK(BM_FillList_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillList_Crowded)->Unit(benchmark::kMicrosecond);

// Shows the runs as usual and keeps each one's real and CPU time per iteration for the ratios (on a
// busy shared machine the CPU time is the steadier of the two).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
      if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
        times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
  }
  struct Times {
    double real = 0;
    double cpu = 0;
  };
  std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  TheDevices();  // built before timing starts
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto alone = reporter.times.find("BM_FillList_Alone");
  const auto crowded = reporter.times.find("BM_FillList_Crowded");
  if (alone != reporter.times.end() && crowded != reporter.times.end() && alone->second.real > 0 &&
      alone->second.cpu > 0) {
    std::printf(
        "FillList of %d medications, alone / among %d others: real %.1f / %.1f us (ratio %.2f), "
        "CPU %.1f / %.1f us (ratio %.2f)\n",
        kOwnMedications, kOtherMedications, alone->second.real, crowded->second.real,
        crowded->second.real / alone->second.real, alone->second.cpu, crowded->second.cpu,
        crowded->second.cpu / alone->second.cpu);
  }
  return 0;
}
