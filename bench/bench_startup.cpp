// Start-up to the first shown main window (start-up picture and password left out), on devices
// holding 10 and 1,000 patients; the ratio of the two tells what the patient list costs.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

#include "app/CMainFrame.h"
#include "app/COvelinApp.h"
#include "common/CDBPatient.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/UiSeams.h"
#include "platform/Device.h"

namespace {

struct BenchDevice {
  QTemporaryDir dir;
  std::unique_ptr<platform::Device> device;
};

// One device per patient count, filled once.
platform::Device& DeviceWith(int patients) {
  static std::map<int, BenchDevice> devices;
  BenchDevice& slot = devices[patients];
  if (slot.device == nullptr) {
    slot.device = std::make_unique<platform::Device>(slot.dir.path());
    slot.device->Prepare();
    platform::DeviceScope scope(*slot.device);
    for (int i = 0; i < patients; ++i) {
      CDBPatient patient;
      patient.firstName = QStringLiteral("First%1").arg(i);
      patient.lastName = QStringLiteral("Last%1").arg(i % 97);
      patient.patientType = i % 3 == 0 ? QStringLiteral("Hospital") : QStringLiteral("Clinic");
      patient.room = QString::number(100 + i % 400);
      patient.mrNumber = QString::number(500000 + i);
      patient.CreateRecord(false);
    }
  }
  return *slot.device;
}

void BM_StartupToShownWindow(benchmark::State& state) {
  platform::Device& device = DeviceWith(static_cast<int>(state.range(0)));
  platform::DeviceScope scope(device);
  for (auto _ : state) {
    auto app = std::make_unique<COvelinApp>();
    StartOptions options;
    options.deviceFolder = device.Folder();
    options.showSplash = false;
    options.askPassword = false;
    options.singleInstance = false;
    if (!app->Initialise(options) || app->MainFrame() == nullptr ||
        !app->MainFrame()->isVisible()) {
      state.SkipWithError("the main window did not show");
      break;
    }
    QCoreApplication::processEvents();
    // Tearing down is not start-up.
    state.PauseTiming();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartupToShownWindow)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

// Keeps each run's mean time per iteration, to print their ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  ui_seams::SetModalHandler([](QDialog&) { return 0; });
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto small = reporter.times.find("BM_StartupToShownWindow/10");
  const auto large = reporter.times.find("BM_StartupToShownWindow/1000");
  if (small != reporter.times.end() && large != reporter.times.end() && small->second > 0) {
    std::printf("start-up with 1,000 patients takes %.2f times as long as with 10\n",
                large->second / small->second);
  }
  benchmark::Shutdown();
  return 0;
}
