// Filing one received record (what the beam receiver does for each frame, durably) for a patient
// with 100 records of its kind and for one with 5,000: the cost must not grow with the patient's
// records. For each kind two cases: a record the patient has already (merged into it, or for a
// medication left as it is) and one it does not have (added, and taken away again outside the
// timing).
//
// One device holds both patients, "Few, Ann" and "Many, Ann", with that many records of each of
// the six kinds; the received records are serialised as the sending device would send them.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "common/CDBPatient.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/BenchSupport.h"

namespace {

constexpr int kFew = 100;
constexpr int kMany = 5000;

const QString kFewName = QStringLiteral("Few, Ann");
const QString kManyName = QStringLiteral("Many, Ann");

// Hour number n of 2023 onwards.
FILETIME Hour(int n) {
  SYSTEMTIME parts;
  parts.wYear = 2023;
  parts.wMonth = 1;
  parts.wDay = 1;
  FILETIME base;
  filetime::FromSystemTime(parts, base);
  return filetime::FromTicks(filetime::ToTicks(base) +
                             static_cast<uint64_t>(n) * 3600 * filetime::kTicksPerSecond);
}

const char* const kDrugs[] = {"Metoprolol", "Lisinopril",       "Furosemide",   "Heparin",
                              "Aspirin",    "Insulin glargine", "Pantoprazole", "Ceftriaxone"};

// One kind of record: its volume, how to fill the store object with the patient's record number n,
// and the store object itself.
struct Kind {
  const char* name;
  const char* volume;
  std::function<std::unique_ptr<CDBChartStore>()> make;
  std::function<void(CDBChartStore&, const QString& patient, int n)> fill;
  std::function<bool(CDBChartStore&)> add;
};

template <typename Store>
Store& As(CDBChartStore& store) {
  return static_cast<Store&>(store);
}

void FillDated(CDBDatedStore& store, const QString& patient, int n) {
  store.patient = patient;
  store.date = store.time = Hour(n);
  store.timeStamp = Hour(n + 1);
}

std::vector<Kind> Kinds() {
  return {
      {"Meds", CDBMeds::kVolumeName, [] { return std::make_unique<CDBMeds>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBMeds& meds = As<CDBMeds>(s);
         meds.patient = patient;
         meds.drug = QString::fromLatin1(kDrugs[n % 8]);
         meds.dose = QStringLiteral("%1 mg").arg(5 * (n % 20 + 1));
         meds.route = QStringLiteral("PO");
         meds.frequency = QStringLiteral("BID");
         meds.trackDays = QStringLiteral("No");
         meds.startDate = Hour(24 * n);
         meds.dispensed = QStringLiteral("30");
         meds.refills = QStringLiteral("2");
       },
       [](CDBChartStore& s) { return As<CDBMeds>(s).AddNew(false); }},
      {"Todos", CDBToDo::kVolumeName, [] { return std::make_unique<CDBToDo>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBToDo& todo = As<CDBToDo>(s);
         todo.patient = patient;
         todo.text = QStringLiteral("Follow up result %1").arg(n);
         todo.note = QStringLiteral("Ask on rounds.");
         todo.flags = static_cast<uint32_t>(n % 5 + 1);
         todo.timeStamp = QStringLiteral("20230101120000");
       },
       [](CDBChartStore& s) { return As<CDBToDo>(s).AddNew(false) != 0; }},
      {"Labs", CDBLabValues::kVolumeName, [] { return std::make_unique<CDBLabValues>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBLabValues& labs = As<CDBLabValues>(s);
         // Two groups drawn at each time, as a morning CBC and chemistry are.
         FillDated(labs, patient, n / 2);
         labs.group = n % 2 == 0 ? QStringLiteral("CBC") : QStringLiteral("Chemistry");
         labs.values = QStringLiteral("WBC\n8.1\nHb\n12.9\nHct\n38\nPlt\n240\n");
       },
       [](CDBChartStore& s) { return As<CDBLabValues>(s).AddNew(false); }},
      {"Tests", CDBTest::kVolumeName, [] { return std::make_unique<CDBTest>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBTest& tests = As<CDBTest>(s);
         FillDated(tests, patient, n / 2);
         tests.test = n % 2 == 0 ? QStringLiteral("CXR") : QStringLiteral("EKG");
         tests.result = QStringLiteral("No acute process.");
       },
       [](CDBChartStore& s) { return As<CDBTest>(s).AddNew(false); }},
      {"Vitals", CDBVitals::kVolumeName, [] { return std::make_unique<CDBVitals>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBVitals& vitals = As<CDBVitals>(s);
         FillDated(vitals, patient, n);
         vitals.values = QStringLiteral("Temp\n37.1\nPulse\n82\nBP\n128/76\n");
       },
       [](CDBChartStore& s) { return As<CDBVitals>(s).AddNew(false); }},
      {"Notes", CDBNotes::kVolumeName, [] { return std::make_unique<CDBNotes>(); },
       [](CDBChartStore& s, const QString& patient, int n) {
         CDBNotes& notes = As<CDBNotes>(s);
         FillDated(notes, patient, n);
         notes.noteText = QStringLiteral("S: Feels better.\r\nO: Afebrile.\r\nA/P: Continue.\r\n");
       },
       [](CDBChartStore& s) { return As<CDBNotes>(s).AddNew(false); }},
  };
}

const std::vector<Kind>& TheKinds() {
  static const std::vector<Kind> kinds = Kinds();
  return kinds;
}

void AddPatient(const QString& name, int records) {
  CDBPatient patient;
  patient.firstName = name.section(QStringLiteral(", "), 1);
  patient.lastName = name.section(QStringLiteral(", "), 0, 0);
  patient.patientType = QStringLiteral("Hospital");
  if (!patient.CreateRecord(false)) {
    std::abort();  // a benchmark of a device that could not be made measures nothing
  }
  for (const Kind& kind : TheKinds()) {
    const std::unique_ptr<CDBChartStore> store = kind.make();
    for (int n = 0; n < records; ++n) {
      kind.fill(*store, name, n);
      kind.add(*store);
    }
  }
}

bench_support::BenchDevice& TheDevice() {
  static const std::unique_ptr<bench_support::BenchDevice> device = [] {
    auto made = std::make_unique<bench_support::BenchDevice>();
    const platform::DeviceScope scope(made->device());
    platform::StoreTransaction transaction;
    AddPatient(kFewName, kFew);
    AddPatient(kManyName, kMany);
    transaction.Commit();
    return made;
  }();
  return *device;
}

// The id of the patient's last record in key order: the one just added, whose date or record id
// comes after all the others.
platform::RecordId LastOf(const Kind& kind, const QString& patient) {
  platform::PropertyDatabase db;
  return db.Open(QString::fromLatin1(kind.volume)) ? db.SeekLastLessThan(patient + QChar(0xFFFF))
                                                   : 0;
}

bool Remove(const Kind& kind, platform::RecordId id) {
  platform::PropertyDatabase db;
  return db.Open(QString::fromLatin1(kind.volume)) && db.Delete(id);
}

void File(benchmark::State& state, const Kind& kind, bool many, bool known) {
  const platform::DeviceScope scope(TheDevice().device());
  const QString patient = many ? kManyName : kFewName;
  const int records = many ? kMany : kFew;
  const std::unique_ptr<CDBChartStore> store = kind.make();
  kind.fill(*store, patient, known ? records / 2 : records + 1000);
  store->desktopId = 41;
  store->accessState = 2;
  std::vector<uint8_t> bytes;
  store->Serialize(bytes);
  const platform::RecordId before = LastOf(kind, patient);
  CDBPatient::SetLastPatientWritten(patient);
  // One store object for every record of its kind, as the receiver keeps it.
  const std::unique_ptr<CDBChartStore> receiver = kind.make();
  for (auto _ : state) {
    if (!receiver->Write(bytes.data(), bytes.size())) {
      state.SkipWithError("the record was not filed");
      break;
    }
    if (!known) {
      state.PauseTiming();
      const platform::RecordId added = LastOf(kind, patient);
      const bool removed = added > before && Remove(kind, added);
      state.ResumeTiming();
      if (!removed) {
        state.SkipWithError("the record was not added");
        break;
      }
    }
  }
}

std::string NameOf(const Kind& kind, bool many, bool known) {
  return std::string("BM_File") + kind.name + (known ? "Known" : "New") + (many ? "_5000" : "_100");
}

void RegisterAll() {
  for (const Kind& kind : TheKinds()) {
    for (const bool known : {true, false}) {
      for (const bool many : {false, true}) {
        benchmark::RegisterBenchmark(
            NameOf(kind, many, known).c_str(),
            [&kind, many, known](benchmark::State& state) { File(state, kind, many, known); })
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(1.0);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  TheDevice();  // filled before timing starts
  RegisterAll();
  bench_support::RatioReporter reporter;
  const int code = bench_support::RunAll(argc, argv, reporter);
  std::printf("Filing one received record, patient with %d / %d records of its kind:\n", kFew,
              kMany);
  for (const Kind& kind : TheKinds()) {
    for (const bool known : {true, false}) {
      const std::string what = std::string(kind.name) + (known ? ", one on file" : ", a new one");
      bench_support::PrintRatio(reporter, NameOf(kind, false, known), NameOf(kind, true, known),
                                what.c_str());
    }
  }
  return code;
}
