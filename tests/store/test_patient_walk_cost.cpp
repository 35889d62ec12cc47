// The walk over one patient's dated records (vital signs, lab results, tests, notes) stops at the
// patient's last key: a patient whose name extends this one with a letter ("Lewis, Joan" after
// "Lewis, Jo") sorts after every dated key of it, and the walk reads none of that patient's
// records, however many there are. The cost is counted in SQLite steps, not timed. A patient whose
// name goes on with a digit or a space sorts among or before the patient's keys and is still
// passed over, not listed.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "common/MemoryControls.h"
#include "platform/Device.h"
#include "store/CDBLabValues.h"
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

// One dated store: a fresh store object of it, and its page's listing of a patient's entries
// in ascending order (answers how many it listed).
struct Kind {
  const char* name;
  std::function<std::unique_ptr<CDBDatedStore>()> make;
  std::function<int(const QString&)> list;
};

template <typename Store>
std::unique_ptr<CDBDatedStore> Make() {
  return std::make_unique<Store>();
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

const Kind kKinds[] = {{"vitals", Make<CDBVitals>, ListVitals},
                       {"labs", Make<CDBLabValues>, ListLabs},
                       {"tests", Make<CDBTest>, ListTests},
                       {"notes", Make<CDBNotes>, ListNotes}};

// Adds count entries of the patient, one an hour from the first hour of 2024 + first.
void AddEntries(const Kind& kind, const QString& patient, int first, int count) {
  const std::unique_ptr<CDBDatedStore> store = kind.make();
  platform::StoreTransaction transaction;  // one commit for the fill
  for (int n = first; n < first + count; ++n) {
    store->patient = patient;
    store->date = store->time = test_time::At(2024, 1, 1 + n / 24, n % 24);
    ASSERT_TRUE(store->AddNew(false)) << kind.name;
  }
  ASSERT_TRUE(transaction.Commit());
}

// The patient's records as the beam sender and the export walk them.
int WalkPatient(const Kind& kind, const QString& patient) {
  const std::unique_ptr<CDBDatedStore> store = kind.make();
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
  TestGuard guard_;
  TempDevice device_;
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
