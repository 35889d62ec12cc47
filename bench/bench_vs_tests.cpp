// Reloading each sub-page of "VS/Tests" (labs, vitals, tests) for one patient with 50 entries
// costs about the same whether the stores hold only that patient's entries or the same entries
// among 100,000 records of other patients in each store: every sub-page reaches the patient's
// records by a seek on the key and reads no one else's.
//
// Two device folders are built once per process: "alone" holds the patient's 50 lab results,
// 50 vitals entries and 50 tests; "crowded" the same among 100,000 others per store (patients
// sorting before and after the patient, and one whose name extends the patient's). The records
// carry the properties the stores' AddNew writes; the others are written through the property
// database's ordinary Add inside one enclosing SQLite transaction per store. Each run reloads a
// sub-page (its OnSetActive) of a real "VS/Tests" tab, offscreen; for comparison the store's own
// fill of in-memory controls is timed too, which is where the sub-page's cost that grows with the
// store lies. The program prints both times and their ratio for each.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/MemoryControls.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "shell/CPageTabCtrl.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace {

const QString kPatient = QStringLiteral("Smith, Ann");
constexpr int kOwnEntries = 50;
constexpr int kOtherRecords = 100'000;
constexpr int kRecordsPerOther = 20;

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

// The strip the tab is handed: the patient, nothing else.
class BenchShell : public IShell {
 public:
  void ReadOptions(QString*, QString*, uint32_t*) const override {}
  bool WriteOptions(const QString*, const QString*, const uint32_t*) override { return false; }
  app_options::PrintSettings& PrintSettings() override { return settings_; }
  QString DeviceFolder() const override { return {}; }
  bool DesktopCompanion() const override { return false; }
  void NotifyPatientSelected(const QString&) override {}
  void NotifyPatientDeleted(const QString&) override {}
  void NotifyPatientDataChanged(const QString&) override {}

 private:
  app_options::PrintSettings settings_;
};

class BenchHost : public IPageHost {
 public:
  IShell& Shell() override { return shell_; }
  QString CurrentPatient() const override { return kPatient; }
  QString CurrentMrNumber() const override { return {}; }
  bool PatientSelected() const override { return true; }
  void SetCurrentPatient(const QString&, const QString&, const QString&) override {}
  void ClearCurrentPatient() override {}
  void RefillPatientList(bool, bool) override {}
  ITabHost& Tabs() override { return tabs_; }
  void ReloadCurrentPage() override {}

 private:
  BenchShell shell_;
  CPageTabCtrl tabs_;
};

// Another patient: half sort before the patient, half after, and patient 0 extends its name.
QString OtherPatient(int index) {
  if (index == 0) {
    return kPatient + QStringLiteral("a");
  }
  const QString number = QStringLiteral("%1").arg(index, 4, 10, QChar(u'0'));
  return index % 2 == 0 ? QStringLiteral("Adams, %1").arg(number)
                        : QStringLiteral("Young, %1").arg(number);
}

// The day and hour text of the n-th record: one a minute from 1 January 2024 on.
QString DateText(int n) {
  const int day = n / (24 * 60);
  const int minute = n % (24 * 60);
  return QStringLiteral("2024%1%2%3%400")
      .arg(1 + day / 28, 2, 10, QChar(u'0'))
      .arg(1 + day % 28, 2, 10, QChar(u'0'))
      .arg(minute / 60, 2, 10, QChar(u'0'))
      .arg(minute % 60, 2, 10, QChar(u'0'));
}

platform::Record LabRecord(const QString& patient, int n) {
  const QString date = DateText(n);
  return {
      {CDBBaseDatabase::kKeyProp, patient + date},
      {CDBDatedStore::kDateProp, date},
      {CDBLabValues::kGroupProp, QStringLiteral("CBC")},
      {CDBLabValues::kValuesProp, QStringLiteral("WBC\n9\nHb\n13\nHct\n39\nPlt\n250\nRBC\n4\n")},
      {CDBLabValues::kTimeStampProp, QStringLiteral("20240101120000")}};
}

platform::Record VitalsRecord(const QString& patient, int n) {
  const QString date = DateText(n);
  return {{CDBBaseDatabase::kKeyProp, patient + date},
          {CDBDatedStore::kDateProp, date},
          {CDBVitals::kValuesProp, QStringLiteral("Temp\n37\nPulse\n80\nBP\n120/80\n")},
          {CDBVitals::kTimeStampProp, QStringLiteral("20240101120000")}};
}

platform::Record TestRecord(const QString& patient, int n) {
  const QString date = DateText(n);
  return {{CDBBaseDatabase::kKeyProp, patient + date},
          {CDBDatedStore::kDateProp, date},
          {CDBTest::kTestProp, QStringLiteral("CXR")},
          {CDBTest::kResultProp, QStringLiteral("No infiltrate.")},
          {CDBTest::kTimeStampProp, QStringLiteral("20240101120000")}};
}

using MakeRecord = platform::Record (*)(const QString& patient, int n);

void FillStore(platform::Device& device, const char* volume, MakeRecord make, bool crowded) {
  platform::PropertyDatabase db;
  if (!db.Open(QString::fromLatin1(volume))) {
    return;
  }
  sqlite3_exec(device.ObjectStore(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  const int others = crowded ? kOtherRecords : 0;
  for (int i = 0; i < others + kOwnEntries; ++i) {
    // The patient's entries come in amid the others, as they would over time.
    const bool own = i % (others / kOwnEntries + 1) == 0;
    const int otherCount = kOtherRecords / kRecordsPerOther;
    db.Add(make(own ? kPatient : OtherPatient((i * 7919) % otherCount), i));
  }
  sqlite3_exec(device.ObjectStore(), "COMMIT", nullptr, nullptr, nullptr);
}

void Fill(platform::Device& device, bool crowded) {
  const platform::DeviceScope scope(device);
  CDBLabValues().CreateDB();
  CDBVitals().CreateDB();
  CDBTest().CreateDB();
  FillStore(device, CDBLabValues::kVolumeName, LabRecord, crowded);
  FillStore(device, CDBVitals::kVolumeName, VitalsRecord, crowded);
  FillStore(device, CDBTest::kVolumeName, TestRecord, crowded);
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

// How many entries a reloaded sub-page lists.
using Listed = std::function<int(CVSTestsPage& tab)>;

void Reload(benchmark::State& state, platform::Device& device,
            CTabPage* (*subPage)(CVSTestsPage& tab), const Listed& listed) {
  const platform::DeviceScope scope(device);
  BenchHost host;
  CVSTestsPage tab;
  tab.SetHost(&host);
  tab.resize(472, 520);
  CTabPage& page = *subPage(tab);
  for (auto _ : state) {
    page.OnSetActive();
  }
  if (listed(tab) != kOwnEntries) {
    state.SkipWithError("the patient's entries were not all listed");
  }
}

CTabPage* Labs(CVSTestsPage& tab) {
  return tab.LabsPage();
}
CTabPage* Vitals(CVSTestsPage& tab) {
  return tab.VitalsPage();
}
CTabPage* Tests(CVSTestsPage& tab) {
  return tab.TestsPage();
}
int LabsListed(CVSTestsPage& tab) {
  return tab.LabsPage()->UpperList()->GetItemCount();
}
int VitalsListed(CVSTestsPage& tab) {
  return tab.VitalsPage()->DateList()->count();
}
int TestsListed(CVSTestsPage& tab) {
  return tab.TestsPage()->List()->GetItemCount();
}

// The store's fill of in-memory controls, without the page.
void FillStoreOnly(benchmark::State& state, platform::Device& device,
                   const std::function<int()>& fill) {
  const platform::DeviceScope scope(device);
  int listed = 0;
  for (auto _ : state) {
    listed = fill();
  }
  if (listed != kOwnEntries) {
    state.SkipWithError("the patient's entries were not all listed");
  }
}

int FillLabs() {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> groups;
  std::vector<uint32_t> ids;
  std::vector<uint8_t> changed;
  std::vector<uint8_t> accessStates;
  CDBLabValues().FillList(list, kPatient, dates, groups, ids, changed, accessStates, true);
  return list.GetItemCount();
}
int FillVitals() {
  memory_controls::Combo combo;
  CDBVitals().FillDateCombo(combo, kPatient, true);
  return combo.GetCount();
}
int FillTests() {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> names;
  std::vector<uint32_t> ids;
  CDBTest().FillList(list, kPatient, dates, names, ids, true);
  return list.GetItemCount();
}

void BM_Labs_Alone(benchmark::State& state) {
  Reload(state, TheDevices().alone.device(), Labs, LabsListed);
}
void BM_Labs_Crowded(benchmark::State& state) {
  Reload(state, TheDevices().crowded.device(), Labs, LabsListed);
}
void BM_Vitals_Alone(benchmark::State& state) {
  Reload(state, TheDevices().alone.device(), Vitals, VitalsListed);
}
void BM_Vitals_Crowded(benchmark::State& state) {
  Reload(state, TheDevices().crowded.device(), Vitals, VitalsListed);
}
void BM_Tests_Alone(benchmark::State& state) {
  Reload(state, TheDevices().alone.device(), Tests, TestsListed);
}
void BM_Tests_Crowded(benchmark::State& state) {
  Reload(state, TheDevices().crowded.device(), Tests, TestsListed);
}
void BM_LabStore_Alone(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().alone.device(), FillLabs);
}
void BM_LabStore_Crowded(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().crowded.device(), FillLabs);
}
void BM_VitalsStore_Alone(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().alone.device(), FillVitals);
}
void BM_VitalsStore_Crowded(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().crowded.device(), FillVitals);
}
void BM_TestStore_Alone(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().alone.device(), FillTests);
}
void BM_TestStore_Crowded(benchmark::State& state) {
  FillStoreOnly(state, TheDevices().crowded.device(), FillTests);
}
BENCHMARK(BM_Labs_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Labs_Crowded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Vitals_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Vitals_Crowded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tests_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tests_Crowded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabStore_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabStore_Crowded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VitalsStore_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VitalsStore_Crowded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TestStore_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TestStore_Crowded)->Unit(benchmark::kMicrosecond);

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

void PrintRatio(const RatioReporter& reporter, const char* name, const char* what) {
  const auto alone = reporter.times.find(std::string("BM_") + name + "_Alone");
  const auto crowded = reporter.times.find(std::string("BM_") + name + "_Crowded");
  if (alone == reporter.times.end() || crowded == reporter.times.end() || alone->second.real <= 0 ||
      alone->second.cpu <= 0) {
    return;
  }
  std::printf(
      "%-28s %d entries alone / among %d others: real %.1f / %.1f us (ratio %.2f), "
      "CPU %.1f / %.1f us (ratio %.2f)\n",
      what, kOwnEntries, kOtherRecords, alone->second.real, crowded->second.real,
      crowded->second.real / alone->second.real, alone->second.cpu, crowded->second.cpu,
      crowded->second.cpu / alone->second.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  TheDevices();  // built before timing starts
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintRatio(reporter, "Labs", "Labs sub-page reload,");
  PrintRatio(reporter, "Vitals", "Vitals sub-page reload,");
  PrintRatio(reporter, "Tests", "Tests sub-page reload,");
  PrintRatio(reporter, "LabStore", "Lab store fill alone,");
  PrintRatio(reporter, "VitalsStore", "Vitals store fill alone,");
  PrintRatio(reporter, "TestStore", "Test store fill alone,");
  return 0;
}
