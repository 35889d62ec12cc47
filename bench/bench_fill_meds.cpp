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
#include <memory>
#include <string>

#include "common/MemoryControls.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBMeds.h"
#include "support/BenchSupport.h"

namespace {

const QString kPatient = QStringLiteral("Smith, Ann");
constexpr int kOwnMedications = 20;
constexpr int kOtherMedications = 100'000;
constexpr int kMedicationsPerOther = 20;

// A temporary device folder with its own object store.
class BenchDevice {
 public:
  BenchDevice() : m_device(std::make_unique<platform::Device>(m_folder.path())) {
    m_device->Prepare();
  }
  platform::Device& device() { return *m_device; }

 private:
  QTemporaryDir m_folder;
  std::unique_ptr<platform::Device> m_device;
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
  // False as well when it is there already; the open below tells.
  static_cast<void>(CDBMeds().CreateDB());
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

}  // namespace

int main(int argc, char** argv) {
  TheDevices();  // built before timing starts
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  const std::string what = "FillList of " + std::to_string(kOwnMedications) +
                           " medications, alone / among " + std::to_string(kOtherMedications) +
                           " others";
  bench_support::PrintRatio(reporter, "BM_FillList_Alone", "BM_FillList_Crowded", what.c_str());
  return code;
}
