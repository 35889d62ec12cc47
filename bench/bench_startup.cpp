// Start-up to the first shown main window (start-up picture and password left out) with the
// generated ward of 2,000 patients and their 320,000 records, against a device of 10 patients: the
// ratio tells what the patient list costs; the ward's figure is the one to keep under 300 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/CMainFrame.h"
#include "app/COvelinApp.h"
#include "common/ui/UiSeams.h"
#include "support/BenchSupport.h"

namespace {

using bench_support::FewPatientsOrWard;

void StartUp(benchmark::State& state, bool ward) {
  platform::Device& device = FewPatientsOrWard(ward).device();
  const platform::DeviceScope scope(device);
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

void BM_StartUp_Few(benchmark::State& state) {
  StartUp(state, false);
}
void BM_StartUp_Ward(benchmark::State& state) {
  StartUp(state, true);
}
BENCHMARK(BM_StartUp_Few)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUp_Ward)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  ui_seams::SetModalHandler([](QDialog&) { return 0; });
  FewPatientsOrWard(false);  // filled before timing starts
  FewPatientsOrWard(true);
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  bench_support::PrintRatio(reporter, "BM_StartUp_Few", "BM_StartUp_Ward",
                            "Start-up to the shown main window, 10 / 2,000 patients");
  return code;
}
