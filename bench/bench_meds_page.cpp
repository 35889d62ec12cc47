// Reloading the "Meds/Rx" page (what a tap on its tab does) for a patient with 20 medications
// costs about the same whether the medication store holds only those or 100,000 medications of
// 5,000 other patients as well: the page reads the patient's allergies and the patient's own
// medications by seeks on their keys, and nobody else's.
//
// Both devices are filled once, before timing. The other patients' medications are written
// through the property database inside one SQLite transaction on the device's connection, so
// that filling takes one commit; the patient's own are added the way the program adds them, and
// one of them is selected, so that each reload also finds the selection again. The run prints
// both times and their ratio.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "chart/CMedsPage.h"
#include "common/CDBPatient.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "shell/CPageTabCtrl.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/CDBMeds.h"

namespace {

constexpr int kOwnMedications = 20;
constexpr int kOtherPatients = 5'000;
constexpr int kOtherMedications = 100'000;

// The strip the page is shown in: the patient as current patient, nothing else.
class BenchShell : public IShell {
 public:
  void ReadOptions(QString*, QString*, uint32_t*) const override {}
  bool WriteOptions(const QString*, const QString*, const uint32_t*) override { return true; }
  app_options::PrintSettings& PrintSettings() override { return settings_; }
  QString DeviceFolder() const override { return platform::Device::Current()->Folder(); }
  bool DesktopCompanion() const override { return false; }
  void NotifyPatientSelected(const QString&) override {}
  void NotifyPatientDeleted(const QString&) override {}
  void NotifyPatientDataChanged(const QString&) override {}

 private:
  app_options::PrintSettings settings_;
};

class BenchHost : public IPageHost {
 public:
  explicit BenchHost(const QString& patient) : patient_(patient) {}
  IShell& Shell() override { return shell_; }
  QString CurrentPatient() const override { return patient_; }
  QString CurrentMrNumber() const override { return {}; }
  bool PatientSelected() const override { return true; }
  void SetCurrentPatient(const QString&, const QString&, const QString&) override {}
  void ClearCurrentPatient() override {}
  void RefillPatientList(bool, bool) override {}
  ITabHost& Tabs() override { return tabs_; }
  void ReloadCurrentPage() override {}

 private:
  QString patient_;
  BenchShell shell_;
  CPageTabCtrl tabs_;
};

QString AddPatient(const QString& first, const QString& last) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Hospital");
  patient.allergies = QStringLiteral("Penicillin, Sulfa");
  patient.CreateRecord(false);
  return patient.name;
}

// The other patients' medications: their names sort both before and after the patient's, and
// the first one's name begins with it.
void AddOthers(platform::Device& device, const QString& patient) {
  CDBMeds().CreateDB();
  platform::PropertyDatabase db;
  if (!db.Open(CDBMeds::kVolumeName)) {
    return;
  }
  sqlite3_exec(device.ObjectStore(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  for (int i = 0; i < kOtherMedications; ++i) {
    const int other = i % kOtherPatients;
    const QString owner = other == 0       ? patient + QStringLiteral(" Jr")
                          : other % 2 == 0 ? QStringLiteral("Aaron, %1").arg(other)
                                           : QStringLiteral("Zimmer, %1").arg(other);
    db.Add({{CDBBaseDatabase::kKeyProp, owner},
            {CDBMeds::kDrugProp, QStringLiteral("Drug %1").arg(i)},
            {CDBMeds::kDoseProp, QStringLiteral("10mg")},
            {CDBMeds::kRouteProp, QStringLiteral("PO")},
            {CDBMeds::kFrequencyProp, QStringLiteral("BID")},
            {CDBMeds::kTrackDaysProp, QStringLiteral("No")},
            {CDBMeds::kDaysProp, QString()},
            {CDBMeds::kStartDateProp, QStringLiteral("20240301")},
            {CDBMeds::kDispensedProp, QStringLiteral("60")},
            {CDBMeds::kRefillsProp, QStringLiteral("1")},
            {CDBMeds::kTimeStampProp, QStringLiteral("20240301090000")}});
  }
  sqlite3_exec(device.ObjectStore(), "COMMIT", nullptr, nullptr, nullptr);
}

void AddOwn(const QString& patient) {
  for (int i = 0; i < kOwnMedications; ++i) {
    CDBMeds meds;
    meds.patient = patient;
    meds.drug = QStringLiteral("Medication %1").arg(i, 2, 10, QChar(u'0'));
    meds.dose = QStringLiteral("5mg");
    meds.route = QStringLiteral("PO");
    meds.frequency = QStringLiteral("QD");
    meds.trackDays = i % 4 == 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    GetCurrentTime(meds.startDate);
    meds.AddNew(false);
  }
}

// A device with the patient's medications, alone or among the others'.
struct PageDevice {
  explicit PageDevice(bool crowded) : device(std::make_unique<platform::Device>(dir.path())) {
    device->Prepare();
    const platform::DeviceScope scope(*device);
    patient = AddPatient(QStringLiteral("Ann"), QStringLiteral("Smith"));
    if (crowded) {
      AddOthers(*device, patient);
    }
    AddOwn(patient);
  }
  QTemporaryDir dir;
  std::unique_ptr<platform::Device> device;
  QString patient;
};

PageDevice& DeviceOf(bool crowded) {
  static std::map<bool, std::unique_ptr<PageDevice>> devices;
  std::unique_ptr<PageDevice>& slot = devices[crowded];
  if (slot == nullptr) {
    slot = std::make_unique<PageDevice>(crowded);
  }
  return *slot;
}

void ReloadMedsPage(benchmark::State& state, bool crowded) {
  PageDevice& device = DeviceOf(crowded);
  const platform::DeviceScope scope(*device.device);
  BenchHost host(device.patient);
  CMedsPage page;
  page.SetHost(&host);
  page.resize(480, 540);
  page.OnSetActive();
  page.List()->SelectRow(kOwnMedications / 2);
  for (auto _ : state) {
    page.OnSetActive();
    benchmark::DoNotOptimize(page.List()->GetItemCount());
  }
  int type = 0;
  uint32_t id = 0;
  if (page.List()->GetItemCount() != kOwnMedications || !page.GetSelectedRecord(type, id)) {
    state.SkipWithError("the page did not list the patient's medications with the selection");
  }
}

void BM_ReloadMedsPage_Alone(benchmark::State& state) {
  ReloadMedsPage(state, false);
}
void BM_ReloadMedsPage_Crowded(benchmark::State& state) {
  ReloadMedsPage(state, true);
}
BENCHMARK(BM_ReloadMedsPage_Alone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReloadMedsPage_Crowded)->Unit(benchmark::kMicrosecond);

// Keeps each run's CPU time per iteration (the steadier figure on a shared machine) and its real
// time, for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0;
    double cpu = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
        times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
  }

  std::map<std::string, Times> times;
};

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
  DeviceOf(false);  // both filled before timing starts
  DeviceOf(true);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto alone = reporter.times.find("BM_ReloadMedsPage_Alone");
  const auto crowded = reporter.times.find("BM_ReloadMedsPage_Crowded");
  if (alone == reporter.times.end() || crowded == reporter.times.end() || alone->second.real <= 0 ||
      alone->second.cpu <= 0) {
    return 1;
  }
  std::printf(
      "Meds/Rx reload, %d medications alone / among %d others: real %.1f / %.1f us (ratio "
      "%.2f), CPU %.1f / %.1f us (ratio %.2f)\n",
      kOwnMedications, kOtherMedications, alone->second.real, crowded->second.real,
      crowded->second.real / alone->second.real, alone->second.cpu, crowded->second.cpu,
      crowded->second.cpu / alone->second.cpu);
  return 0;
}
