// The "Main" page with the generated ward of 2,000 patients against a device of 10: one keystroke
// in the Lookup box (the page finds the first row that begins with the text and selects it), and a
// change of the Type drop-down (the page lists the patients of the type and draws itself). The
// type change is measured on a device of 10,000 patients as well.
//
// The keystrokes spell out, one letter at a time, the name of a patient in the middle of the list;
// the type changes go from "All" to "Hospital" and back, each measured alone, on the shown page
// and until it is drawn again.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <memory>

#include "common/CDBPatient.h"
#include "patients/CPatientListPage.h"
#include "platform/PropertyDatabase.h"
#include "support/BenchSupport.h"
#include "support/PageHost.h"

namespace {

using bench_support::BenchDevice;
using bench_support::FewPatientsOrWard;

constexpr int kManyPatients = 10000;

// A device of kManyPatients patients without chart records (the list reads the patients alone):
// the generator's every name, each patient of the type it deals, and then copies of its first
// patients under a middle initial ("Adams, Aaron B"), of the same type. Made once per program.
BenchDevice& ManyPatients() {
  static std::unique_ptr<BenchDevice> many = [] {
    auto device = std::make_unique<BenchDevice>();
    const platform::DeviceScope scope(device->device());
    generator::Load load;
    load.patients = generator::MaxPatients();
    load.medications = load.vitals = load.labs = load.tests = load.notes = load.todos = 0;
    QString error;
    if (!generator::Fill(load, error)) {
      std::fprintf(stderr, "the patients were not filled: %s\n", qPrintable(error));
    }
    platform::StoreTransaction transaction;
    for (int copy = 0; copy < kManyPatients - load.patients; ++copy) {
      CDBPatient patient;
      if (!patient.FindByName(generator::PatientName(load, copy % load.patients))) {
        std::fprintf(stderr, "a generated patient is missing\n");
        break;
      }
      patient.firstName += QStringLiteral(" %1").arg(QChar(u'B' + copy / load.patients));
      if (!patient.CreateRecord(false)) {
        std::fprintf(stderr, "a copied patient was not filed\n");
        break;
      }
    }
    if (!transaction.Commit()) {
      std::fprintf(stderr, "the copied patients were not stored\n");
    }
    return device;
  }();
  return *many;
}

// The page, with all patients listed.
struct ShownPage {
  explicit ShownPage(BenchDevice& device) : scope(device.device()) {
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
  ShownPage shown(FewPatientsOrWard(ward));
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

void TypeChange(benchmark::State& state, BenchDevice& device, bool toAll) {
  ShownPage shown(device);
  shown.page.show();
  const int hospital = shown.page.TypeCombo()->findText(QStringLiteral("Hospital"));
  if (hospital < 0) {
    state.SkipWithError("no Hospital type");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    shown.page.TypeCombo()->setCurrentIndex(toAll ? hospital : 0);
    shown.page.repaint();
    QApplication::processEvents();
    state.ResumeTiming();
    shown.page.TypeCombo()->setCurrentIndex(toAll ? 0 : hospital);
    shown.page.repaint();
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
  TypeChange(state, FewPatientsOrWard(false), false);
}
void BM_TypeToHospital_Ward(benchmark::State& state) {
  TypeChange(state, FewPatientsOrWard(true), false);
}
void BM_TypeToHospital_10k(benchmark::State& state) {
  TypeChange(state, ManyPatients(), false);
}
void BM_TypeToAll_Few(benchmark::State& state) {
  TypeChange(state, FewPatientsOrWard(false), true);
}
void BM_TypeToAll_Ward(benchmark::State& state) {
  TypeChange(state, FewPatientsOrWard(true), true);
}
void BM_TypeToAll_10k(benchmark::State& state) {
  TypeChange(state, ManyPatients(), true);
}
BENCHMARK(BM_Lookup_Few)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup_Ward)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeToHospital_Few)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToHospital_Ward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToHospital_10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToAll_Few)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToAll_Ward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeToAll_10k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  FewPatientsOrWard(false);  // filled before timing starts
  FewPatientsOrWard(true);
  ManyPatients();
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  bench_support::PrintRatio(reporter, "BM_Lookup_Few", "BM_Lookup_Ward",
                            "Lookup keystroke, 10 / 2,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToHospital_Few", "BM_TypeToHospital_Ward",
                            "Type change to Hospital, 10 / 2,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToHospital_Ward", "BM_TypeToHospital_10k",
                            "Type change to Hospital, 2,000 / 10,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToAll_Few", "BM_TypeToAll_Ward",
                            "Type change to All, 10 / 2,000 patients");
  bench_support::PrintRatio(reporter, "BM_TypeToAll_Ward", "BM_TypeToAll_10k",
                            "Type change to All, 2,000 / 10,000 patients");
  return code;
}
