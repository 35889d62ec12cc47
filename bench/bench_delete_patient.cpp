// Deleting one patient with its 160 records (what the "Main" page's DELETE does to the stores, in
// one durable transaction) costs about the same on the generated ward of 2,000 patients as for the
// same patient alone on a new device: every store reaches the patient's records by seeks on the
// name. Between runs, outside the timing, the patient is filled again with the same records. The
// pages the deletion writes to the disk are counted too.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "store/PatientDeletion.h"
#include "support/BenchSupport.h"

namespace {

using bench_support::TheWardAndAlone;

void Delete(benchmark::State& state, bool onWard) {
  bench_support::WardAndAlone& devices = TheWardAndAlone();
  const platform::DeviceScope scope(onWard ? devices.ward->device() : devices.alone->device());
  sqlite3* db = platform::Device::Current()->ObjectStore();
  bench_support::PagesWrittenSinceLastCall(db);
  int64_t pages = 0;
  for (auto _ : state) {
    if (!patient_records::DeletePatient(devices.name)) {
      state.SkipWithError("the patient was not deleted");
      break;
    }
    state.PauseTiming();
    pages += bench_support::PagesWrittenSinceLastCall(db);
    const bool filled = generator::FillPatient(bench_support::WardLoad(), devices.patient);
    bench_support::PagesWrittenSinceLastCall(db);
    state.ResumeTiming();
    if (!filled) {
      state.SkipWithError("the patient was not filled again");
      break;
    }
  }
  state.counters["pages_written"] =
      benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kAvgIterations);
}

void BM_DeletePatient_Alone(benchmark::State& state) {
  Delete(state, false);
}
void BM_DeletePatient_OnWard(benchmark::State& state) {
  Delete(state, true);
}
BENCHMARK(BM_DeletePatient_Alone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DeletePatient_OnWard)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  TheWardAndAlone();  // filled before timing starts
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  bench_support::PrintRatio(reporter, "BM_DeletePatient_Alone", "BM_DeletePatient_OnWard",
                            "Deleting a patient with 160 records, alone / on the ward");
  return code;
}
