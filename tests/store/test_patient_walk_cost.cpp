// The walks over one patient's records (the pages' lists, the sender's and the export's walk, the
// deletion of the patient) stop at the patient's last key: a patient whose name extends this one
// with a letter ("Lewis, Joan" after "Lewis, Jo") sorts after every key of it, in the dated
// stores (vital signs, lab results, tests, notes) and in the medication store, and the walks read
// none of that patient's records, however many there are. The cost is counted in SQLite steps,
// not timed. A patient whose name goes on with a digit or a space sorts among or before the
// patient's dated keys and is still passed over, not listed.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "common/MemoryControls.h"
#include "platform/Device.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"
#include "support/StatementSteps.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

const QString kPatient = QStringLiteral("Lewis, Jo");
const QString kLonger = QStringLiteral("Lewis, Joan");

// One chart store: a fresh store object of it, how to make it the patient's entry number n, and
// its page's listing of a patient's entries in ascending order (answers how many it listed).
struct Kind {
  const char* name;
  std::function<std::unique_ptr<CDBChartStore>()> make;
  std::function<void(CDBChartStore&, int n)> fill;
  std::function<int(const QString&)> list;
};

template <typename Store>
std::unique_ptr<CDBChartStore> Make() {
  return std::make_unique<Store>();
}

// One an hour from the first hour of 2024.
void FillDated(CDBChartStore& store, int n) {
  auto& dated = static_cast<CDBDatedStore&>(store);
  dated.date = dated.time = test_time::At(2024, 1, 1 + n / 24, n % 24);
}

void FillMeds(CDBChartStore& store, int n) {
  auto& meds = static_cast<CDBMeds&>(store);
  meds.drug = QStringLiteral("Drug %1").arg(n);
  meds.startDate = test_time::At(2024, 1, 1);
}

int ListMeds(const QString& patient) {
  memory_controls::List list;
  CDBMeds().FillList(patient, list);
  return list.GetItemCount();
}

int ListVitals(const QString& patient) {
  memory_controls::Combo combo;
  CDBVitals().FillDateCombo(combo, patient, true);
  return combo.GetCount();
}

int ListLabs(const QString& patient) {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> groups;
  std::vector<platform::RecordId> ids;
  std::vector<uint8_t> changed;
  std::vector<uint8_t> states;
  CDBLabValues().FillList(list, patient, dates, groups, ids, changed, states, true);
  return list.GetItemCount();
}

int ListTests(const QString& patient) {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> tests;
  std::vector<platform::RecordId> ids;
  CDBTest().FillList(list, patient, dates, tests, ids, true);
  return list.GetItemCount();
}

int ListNotes(const QString& patient) {
  memory_controls::List list;
  CDBNotes().FillList(list, patient);
  return list.GetItemCount();
}

const Kind kKinds[] = {{"vitals", Make<CDBVitals>, FillDated, ListVitals},
                       {"labs", Make<CDBLabValues>, FillDated, ListLabs},
                       {"tests", Make<CDBTest>, FillDated, ListTests},
                       {"notes", Make<CDBNotes>, FillDated, ListNotes},
                       {"meds", Make<CDBMeds>, FillMeds, ListMeds}};

bool AddNew(CDBChartStore& store) {
  if (auto* meds = dynamic_cast<CDBMeds*>(&store)) {
    return meds->AddNew(false);
  }
  return static_cast<CDBDatedStore&>(store).AddNew(false);
}

// Adds the patient's entries first to first + count - 1.
void AddEntries(const Kind& kind, const QString& patient, int first, int count) {
  const std::unique_ptr<CDBChartStore> store = kind.make();
  platform::StoreTransaction transaction;  // one commit for the fill
  for (int n = first; n < first + count; ++n) {
    store->patient = patient;
    kind.fill(*store, n);
    ASSERT_TRUE(AddNew(*store)) << kind.name;
  }
  ASSERT_TRUE(transaction.Commit());
}

// The patient's records as the beam sender and the export walk them.
int WalkPatient(const Kind& kind, const QString& patient) {
  const std::unique_ptr<CDBChartStore> store = kind.make();
  int found = 0;
  for (bool more = store->FindFirstOfPatient(patient); more;
       more = store->FindNextOfPatient(patient)) {
    EXPECT_EQ(store->patient, patient) << kind.name;
    ++found;
  }
  return found;
}

class PatientWalkCost : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
};

// The steps of the sender's walk and of the page's listing of kPatient, who has 5 entries.
int64_t StepsToWalkAndList(const Kind& kind) {
  statement_steps::SinceLastCall();
  EXPECT_EQ(WalkPatient(kind, kPatient), 5) << kind.name;
  EXPECT_EQ(kind.list(kPatient), 5) << kind.name;
  return statement_steps::SinceLastCall();
}

TEST_F(PatientWalkCost, AWalkReadsNoneOfAPatientWhoseNameExtendsTheNameWithALetter) {
  for (const Kind& kind : kKinds) {
    AddEntries(kind, kPatient, 0, 5);
    AddEntries(kind, kLonger, 0, 5);
    StepsToWalkAndList(kind);  // prepares every statement
    const int64_t few = StepsToWalkAndList(kind);
    AddEntries(kind, kLonger, 5, 1000);
    const int64_t many = StepsToWalkAndList(kind);
    // Reading the longer name's records would take tens of thousands of steps more.
    EXPECT_LT(many, few + 100) << kind.name << ": " << few << " steps beside 5 records of "
                               << qPrintable(kLonger) << ", " << many << " beside 1005";
  }
}

// The steps of deleting kPatient's 5 entries of the kind, which are then filed again.
int64_t StepsToDelete(const Kind& kind) {
  statement_steps::SinceLastCall();
  kind.make()->DeleteAllOfPatient(kPatient);
  const int64_t steps = statement_steps::SinceLastCall();
  EXPECT_EQ(WalkPatient(kind, kPatient), 0) << kind.name;
  EXPECT_EQ(WalkPatient(kind, kLonger) % 5, 0) << kind.name << ": the other patient's are kept";
  AddEntries(kind, kPatient, 0, 5);
  return steps;
}

TEST_F(PatientWalkCost, DeletingThePatientReadsNoneOfAPatientWhoseNameExtendsTheName) {
  for (const Kind& kind : kKinds) {
    AddEntries(kind, kPatient, 0, 5);
    AddEntries(kind, kLonger, 0, 5);
    StepsToDelete(kind);  // prepares every statement
    const int64_t few = StepsToDelete(kind);
    AddEntries(kind, kLonger, 5, 1000);
    const int64_t many = StepsToDelete(kind);
    EXPECT_EQ(WalkPatient(kind, kLonger), 1005) << kind.name;
    EXPECT_LT(many, few + 100) << kind.name << ": " << few << " steps beside 5 records of "
                               << qPrintable(kLonger) << ", " << many << " beside 1005";
  }
}

TEST_F(PatientWalkCost, NamesThatSortAmongOrBeforeThePatientsKeysAreStillPassedOver) {
  const Kind& vitals = kKinds[0];
  // "Lewis, Jo2" + date interleaves with "Lewis, Jo" + date; "Lewis, Jo Jr" sorts before both.
  AddEntries(vitals, QStringLiteral("Lewis, Jo Jr"), 0, 3);
  AddEntries(vitals, QStringLiteral("Lewis, Jo2"), 0, 3);
  AddEntries(vitals, kPatient, 10, 4);
  AddEntries(vitals, kLonger, 0, 3);
  EXPECT_EQ(WalkPatient(vitals, kPatient), 4);
  EXPECT_EQ(WalkPatient(vitals, QStringLiteral("Lewis, Jo2")), 3);
  EXPECT_EQ(WalkPatient(vitals, QStringLiteral("Lewis, Jo Jr")), 3);

  memory_controls::Combo combo;
  CDBVitals().FillDateCombo(combo, kPatient, true);
  ASSERT_EQ(combo.GetCount(), 4);
  EXPECT_EQ(combo.Entries()[0].text, QStringLiteral("01/01/2024 10:00 AM"));
  EXPECT_EQ(combo.Entries()[3].text, QStringLiteral("01/01/2024 01:00 PM"));
  CDBVitals().FillDateCombo(combo, kPatient, false);
  ASSERT_EQ(combo.GetCount(), 4);
  EXPECT_EQ(combo.Entries()[0].text, QStringLiteral("01/01/2024 01:00 PM"));
  EXPECT_TRUE(CDBVitals().FindLatestOfPatient(kPatient));
}

}  // namespace
