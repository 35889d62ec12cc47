// The "Main" page with the generated ward of 2,000 patients against a device of 10: one keystroke
// in the Lookup box (the page finds the first row that begins with the text and selects it), and a
// change of the Type drop-down (the page refills the list with the patients of the type).
//
// The keystrokes spell out, one letter at a time, the name of a patient in the middle of the list;
// the type changes go from "All" to "Hospital" and back, each measured alone.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <memory>

#include "patients/CPatientListPage.h"
#include "support/BenchSupport.h"
#include "support/PageHost.h"

namespace {

using bench_support::FewPatientsOrWard;

// The page, shown with all patients listed.
struct ShownPage {
  explicit ShownPage(bool ward) : scope(FewPatientsOrWard(ward).device()) {
    page.SetHost(&host);
    page.resize(480, 540);
    page.OnInitDialog();
    page.TypeCombo()->setCurrentIndex(0);
  }
  platform::DeviceScope scope;
  bench_support::BenchHost host;
  CPatientListPage page;
};

void Lookup(benchmark::State& state, bool ward) {
  ShownPage shown(ward);
  const int rows = shown.page.List()->GetItemCount();
  const QString target = shown.page.List()->GetItemText(rows / 2, CPatientListPage::kNameColumn);
  qsizetype typed = 0;
  for (auto _ : state) {
    typed = typed % target.size() + 1;
    shown.page.LookupEdit()->setText(target.left(typed));
  }
  if (shown.page.List()->GetSelectedRow() < 0) {
    state.SkipWithError("the lookup selected no row");
  }
  state.counters["rows"] = rows;
}

void TypeChange(benchmark::State& state, bool ward, bool toAll) {
  ShownPage shown(ward);
  const int hospital = shown.page.TypeCombo()->findText(QStringLiteral("Hospital"));
  if (hospital < 0) {
    state.SkipWithError("no Hospital type");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    shown.page.TypeCombo()->setCurrentIndex(toAll ? hospital : 0);
    state.ResumeTiming();
    shown.page.TypeCombo()->setCurrentIndex(toAll ? 0 : hospital);
  }
  state.counters["rows"] = shown.page.List()->GetItemCount();
}

void BM_Lookup_Few(benchmark::State& state) {
  Lookup(state, false);
}
void BM_Lookup_Ward(benchmark::State& state) {
  Lookup(state, true);
}
void BM_TypeToHospital_Few(benchmark::State& state) {
  TypeChange(state, false, false);
}
void BM_TypeToHospital_Ward(benchmark::State& state) {
  TypeChange(state, true, false);
}
void BM_TypeToAll_Few(benchmark::State& state) {
  TypeChange(state, false, true);
}
void BM_TypeToAll_Ward(benchmark::State& state) {
  TypeChange(state, true, true);
}
BENCHMARK(BM_Lookup_Few)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup_Ward)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeToHospital_Few)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToHospital_Ward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToAll_Few)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToAll_Ward)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  FewPatientsOrWard(false);  // filled before timing starts
  FewPatientsOrWard(true);
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  bench_support::PrintRatio(reporter, "BM_Lookup_Few", "BM_Lookup_Ward",
                            "Lookup keystroke, 10 / 2,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToHospital_Few", "BM_TypeToHospital_Ward",
                            "Type change to Hospital, 10 / 2,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToAll_Few", "BM_TypeToAll_Ward",
                            "Type change to All, 10 / 2,000 patients");
  return code;
}
