// Reloading each chart page (what a tap on its tab does, OnSetActive) for one patient costs about
// the same on the generated ward (2,000 patients, 320,000 records) as for the same patient alone on
// a new device: every page reaches the patient's records by seeks on the key and reads no one
// else's. The patient is one whose name another patient's extends, so that the walks pass over the
// other patient's records mixed in with its own, as they do on a real ward.
//
// Pages, offscreen: "Info", "Meds/Rx", the three sub-pages of "VS/Tests" (labs, vitals, tests),
// "Notes" and "Todo". For each, the program prints the two times and their ratio.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <cstdio>
#include <functional>
#include <memory>

#include "chart/CLabsPage.h"
#include "chart/CMedsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CToDoPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/ui/CBaseListCtrl.h"
#include "notes/CNotesPage.h"
#include "patients/CPatientInfoPage.h"
#include "support/BenchSupport.h"
#include "support/PageHost.h"

namespace {

using bench_support::TheWardAndAlone;

platform::Device& DeviceOf(bool onWard) {
  return onWard ? TheWardAndAlone().ward->device() : TheWardAndAlone().alone->device();
}

// One page: how to make it in a host, the page to reload, and how many rows it lists.
struct Page {
  std::function<std::unique_ptr<CPatientTabPage>()> make;
  std::function<CTabPage*(CPatientTabPage&)> reloaded;
  std::function<int(CPatientTabPage&)> rows;
  int expected;
};

template <typename T>
std::unique_ptr<CPatientTabPage> Make() {
  return std::make_unique<T>();
}

CTabPage* Itself(CPatientTabPage& page) {
  return &page;
}

CVSTestsPage& VsTests(CPatientTabPage& page) {
  return static_cast<CVSTestsPage&>(page);
}

const generator::Load& Load() {
  return bench_support::WardLoad();
}

Page InfoPage() {
  return {
      Make<CPatientInfoPage>, Itself,
      [](CPatientTabPage& p) { return static_cast<CPatientInfoPage&>(p).List()->GetItemCount(); },
      -1};
}
Page MedsPage() {
  return {Make<CMedsPage>, Itself,
          [](CPatientTabPage& p) { return static_cast<CMedsPage&>(p).List()->GetItemCount(); },
          Load().medications};
}
Page LabsPage() {
  return {Make<CVSTestsPage>, [](CPatientTabPage& p) -> CTabPage* { return VsTests(p).LabsPage(); },
          [](CPatientTabPage& p) { return VsTests(p).LabsPage()->UpperList()->GetItemCount(); },
          Load().labs};
}
Page VitalsPage() {
  return {Make<CVSTestsPage>,
          [](CPatientTabPage& p) -> CTabPage* { return VsTests(p).VitalsPage(); },
          [](CPatientTabPage& p) { return VsTests(p).VitalsPage()->DateList()->count(); },
          Load().vitals};
}
Page TestsPage() {
  return {Make<CVSTestsPage>,
          [](CPatientTabPage& p) -> CTabPage* { return VsTests(p).TestsPage(); },
          [](CPatientTabPage& p) { return VsTests(p).TestsPage()->List()->GetItemCount(); },
          Load().tests};
}
Page NotesPage() {
  return {Make<CNotesPage>, Itself,
          [](CPatientTabPage& p) { return static_cast<CNotesPage&>(p).List()->GetItemCount(); },
          Load().notes};
}
Page TodoPage() {
  return {Make<CToDoPage>, Itself,
          [](CPatientTabPage& p) { return static_cast<CToDoPage&>(p).List()->GetItemCount(); },
          Load().todos};
}

void Reload(benchmark::State& state, const Page& kind, bool onWard) {
  const platform::DeviceScope scope(DeviceOf(onWard));
  bench_support::BenchHost host(TheWardAndAlone().name);
  std::unique_ptr<CPatientTabPage> page = kind.make();
  page->SetHost(&host);
  page->resize(480, 540);
  CTabPage* reloaded = kind.reloaded(*page);
  reloaded->OnSetActive();
  sqlite3* db = platform::Device::Current()->ObjectStore();
  bench_support::PagesReadSinceLastCall(db);
  for (auto _ : state) {
    reloaded->OnSetActive();
  }
  state.counters["pages_read"] =
      benchmark::Counter(static_cast<double>(bench_support::PagesReadSinceLastCall(db)),
                         benchmark::Counter::kAvgIterations);
  const int rows = kind.rows(*page);
  if (kind.expected >= 0 ? rows != kind.expected : rows == 0) {
    state.SkipWithError("the page did not list the patient's records");
  }
  state.counters["rows"] = rows;
}

struct Named {
  const char* name;
  Page (*page)();
};

constexpr Named kPages[] = {{"Info", InfoPage},     {"Meds", MedsPage},   {"Labs", LabsPage},
                            {"Vitals", VitalsPage}, {"Tests", TestsPage}, {"Notes", NotesPage},
                            {"Todo", TodoPage}};

void RegisterAll() {
  for (const Named& named : kPages) {
    for (const bool onWard : {false, true}) {
      const std::string name =
          std::string("BM_Reload") + named.name + (onWard ? "_OnWard" : "_Alone");
      benchmark::RegisterBenchmark(name.c_str(), [named, onWard](benchmark::State& state) {
        Reload(state, named.page(), onWard);
      })->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  TheWardAndAlone();  // filled before timing starts
  RegisterAll();
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  std::printf("Page reloads for %s, alone / on the ward of %d patients:\n",
              qPrintable(TheWardAndAlone().name), Load().patients);
  for (const Named& named : kPages) {
    const std::string base = std::string("BM_Reload") + named.name;
    bench_support::PrintRatio(reporter, base + "_Alone", base + "_OnWard", named.name);
  }
  return code;
}
