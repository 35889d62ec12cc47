// Filing a received medication, todo, lab result or test finds its match by seeks: the work SQLite
// does for one filing (its virtual-machine steps, summed over every statement) is the same for a
// patient with a few records of that kind as for one with thousands. And the match rules hold
// for records that lack the properties they compare, whichever comes first in the store.

#include <gtest/gtest.h>

#include <functional>

#include "common/CDBPatient.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "support/StatementSteps.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using platform::Record;
using test_time::At;

const QString kPatient = QStringLiteral("Smith, Ann");

// One kind of record: how to add the patient's n-th one here and how to serialise the n-th as
// another device would send it.
struct Kind {
  const char* name;
  std::function<void(int n)> add;
  std::function<std::vector<uint8_t>(int n)> received;
  std::function<bool(const uint8_t*, size_t)> file;
};

void FillMeds(CDBMeds& meds, int n) {
  meds.patient = kPatient;
  meds.drug = QStringLiteral("Drug %1").arg(n);
  meds.dose = QStringLiteral("10 mg");
  meds.route = QStringLiteral("PO");
  meds.frequency = QStringLiteral("BID");
  meds.trackDays = QStringLiteral("No");
  meds.days.clear();
  meds.dispensed = QStringLiteral("30");
  meds.refills = QStringLiteral("1");
  meds.startDate = At(2024, 3, 1);
}

void FillTodo(CDBToDo& todo, int n) {
  todo.patient = kPatient;
  todo.text = QStringLiteral("Check item %1").arg(n);
  todo.note = QStringLiteral("note");
  todo.flags = 2;
}

// Every result at one date and time, told apart by its group or name alone.
template <typename Store>
void FillDated(Store& store, int n, QString Store::*field) {
  store.patient = kPatient;
  store.date = store.time = At(2024, 3, 1, 8, 0);
  store.timeStamp = At(2024, 3, 2);
  store.*field = QStringLiteral("Panel %1").arg(n);
}

template <typename Store>
std::vector<uint8_t> Serialised(const std::function<void(Store&)>& fill) {
  Store store;
  fill(store);
  store.desktopId = 7;
  std::vector<uint8_t> bytes;
  store.Serialize(bytes);
  return bytes;
}

std::vector<Kind> Kinds() {
  return {
      {"medication",
       [](int n) {
         CDBMeds meds;
         FillMeds(meds, n);
         EXPECT_TRUE(meds.AddNew(false));
       },
       [](int n) { return Serialised<CDBMeds>([n](CDBMeds& m) { FillMeds(m, n); }); },
       [](const uint8_t* bytes, size_t length) { return CDBMeds().Write(bytes, length); }},
      {"todo",
       [](int n) {
         CDBToDo todo;
         FillTodo(todo, n);
         EXPECT_TRUE(todo.AddNew(false));
       },
       [](int n) { return Serialised<CDBToDo>([n](CDBToDo& t) { FillTodo(t, n); }); },
       [](const uint8_t* bytes, size_t length) { return CDBToDo().Write(bytes, length); }},
      {"lab result",
       [](int n) {
         CDBLabValues labs;
         FillDated(labs, n, &CDBLabValues::group);
         EXPECT_TRUE(labs.AddNew(false));
       },
       [](int n) {
         return Serialised<CDBLabValues>(
             [n](CDBLabValues& l) { FillDated(l, n, &CDBLabValues::group); });
       },
       [](const uint8_t* bytes, size_t length) { return CDBLabValues().Write(bytes, length); }},
      {"test",
       [](int n) {
         CDBTest tests;
         FillDated(tests, n, &CDBTest::test);
         EXPECT_TRUE(tests.AddNew(false));
       },
       [](int n) {
         return Serialised<CDBTest>([n](CDBTest& t) { FillDated(t, n, &CDBTest::test); });
       },
       [](const uint8_t* bytes, size_t length) { return CDBTest().Write(bytes, length); }},
  };
}

class FilingCost : public ::testing::Test {
 protected:
  void SetUp() override {
    CDBPatient patient;
    patient.firstName = QStringLiteral("Ann");
    patient.lastName = QStringLiteral("Smith");
    patient.patientType = QStringLiteral("Clinic");
    ASSERT_TRUE(patient.CreateRecord(false));
  }

  TestGuard m_guard;
  TempDevice m_device;
};

// The steps of filing the received copy of the patient's record number n (merged into it) and of
// a record the patient does not have (added), after the patient has count records of the kind.
struct Filing {
  int64_t merged = 0;
  int64_t added = 0;
};

Filing Measure(const Kind& kind, int& have, int count) {
  {
    platform::StoreTransaction transaction;  // one commit for the fill
    for (; have < count; ++have) {
      kind.add(have);
    }
    transaction.Commit();
  }
  Filing steps;
  CDBPatient::SetLastPatientWritten(kPatient);
  const std::vector<uint8_t> known = kind.received(count / 2);
  const std::vector<uint8_t> unknown = kind.received(count + 100'000);
  kind.file(known.data(), known.size());  // prepares every statement and the match index
  statement_steps::SinceLastCall();
  EXPECT_TRUE(kind.file(known.data(), known.size())) << kind.name;
  steps.merged = statement_steps::SinceLastCall();
  EXPECT_TRUE(kind.file(unknown.data(), unknown.size())) << kind.name;
  steps.added = statement_steps::SinceLastCall();
  return steps;
}

TEST_F(FilingCost, FilingAReceivedRecordCostsTheSameWhateverThePatientHasOnFile) {
  for (const Kind& kind : Kinds()) {
    int have = 0;
    const Filing few = Measure(kind, have, 20);
    const Filing many = Measure(kind, have, 3000);
    // A walk over the patient's records would take tens of thousands of steps more.
    EXPECT_LT(many.merged, few.merged + 200) << kind.name << ": " << few.merged << " steps among "
                                             << 20 << " records, " << many.merged << " among 3000";
    EXPECT_LT(many.added, few.added + 200) << kind.name << ": " << few.added << " steps among "
                                           << 20 << " records, " << many.added << " among 3000";
  }
  // Merged ones were not added again: 3000 of each, the two new ones, no more.
  platform::PropertyDatabase db;
  for (const char* volume : {CDBMeds::kVolumeName, CDBToDo::kVolumeName, CDBLabValues::kVolumeName,
                             CDBTest::kVolumeName}) {
    ASSERT_TRUE(db.Open(QString::fromLatin1(volume)));
    EXPECT_EQ(db.RecordCount(), 3002u) << volume;
  }
}

// ---- Records lacking what the rules compare
// ------------------------------------------------------

// Adds a record of the store volume with exactly these properties, as another writer might.
platform::RecordId AddRaw(const char* volume, const Record& record) {
  platform::PropertyDatabase db;
  EXPECT_TRUE(db.Open(QString::fromLatin1(volume)));
  return db.Add(record);
}

TEST_F(FilingCost, AResultLackingItsGroupIsTheFirstMatchOfAReceivedOneWithoutAGroup) {
  CDBLabValues labs;
  labs.patient = kPatient;
  labs.date = labs.time = At(2024, 3, 1, 8, 0);
  labs.group = QString();
  labs.values = QStringLiteral("K\n4\n");
  ASSERT_TRUE(labs.CreateDB());
  const QString key = labs.RecordKey();
  const QString date = labs.DateText();
  // First a result without any group property, then one whose group is the empty text.
  const platform::RecordId lacking =
      AddRaw(CDBLabValues::kVolumeName, {{CDBBaseDatabase::kKeyProp, key},
                                         {CDBDatedStore::kDateProp, date},
                                         {CDBLabValues::kValuesProp, QStringLiteral("K\n3\n")}});
  const platform::RecordId empty =
      AddRaw(CDBLabValues::kVolumeName, {{CDBBaseDatabase::kKeyProp, key},
                                         {CDBDatedStore::kDateProp, date},
                                         {CDBLabValues::kGroupProp, QString()},
                                         {CDBLabValues::kValuesProp, QStringLiteral("K\n5\n")}});
  std::vector<uint8_t> bytes;
  labs.Serialize(bytes);
  CDBPatient::SetLastPatientWritten(kPatient);
  ASSERT_TRUE(CDBLabValues().Write(bytes.data(), bytes.size()));

  CDBLabValues stored;
  ASSERT_TRUE(stored.LoadByCEOID(lacking));
  EXPECT_EQ(stored.values, QStringLiteral("K\n4\n"));  // the received values
  ASSERT_TRUE(stored.LoadByCEOID(empty));
  EXPECT_EQ(stored.values, QStringLiteral("K\n5\n"));
  // A received result of a group is not matched by either.
  labs.group = QStringLiteral("Chemistry");
  labs.Serialize(bytes);
  ASSERT_TRUE(CDBLabValues().Write(bytes.data(), bytes.size()));
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open(CDBLabValues::kVolumeName));
  EXPECT_EQ(db.RecordCount(), 3u);
}

TEST_F(FilingCost, AMedicationLackingFieldsIsOnFileWhereverItStands) {
  CDBMeds meds;
  FillMeds(meds, 1);
  ASSERT_TRUE(meds.CreateDB());
  // The same drug with every field but the dose, after a full medication of another dose.
  meds.dose = QStringLiteral("20 mg");
  ASSERT_TRUE(meds.AddNew(false));
  AddRaw(CDBMeds::kVolumeName,
         {{CDBBaseDatabase::kKeyProp, kPatient},
          {CDBMeds::kDrugProp, meds.drug},
          {CDBMeds::kRouteProp, meds.route},
          {CDBMeds::kFrequencyProp, meds.frequency},
          {CDBMeds::kTrackDaysProp, meds.trackDays},
          {CDBMeds::kDaysProp, meds.days},
          {CDBMeds::kStartDateProp, CDBBaseDatabase::TimeToDayString(meds.startDate)}});
  meds.dose = QStringLiteral("10 mg");
  std::vector<uint8_t> bytes;
  meds.Serialize(bytes);
  CDBPatient::SetLastPatientWritten(kPatient);
  ASSERT_TRUE(CDBMeds().Write(bytes.data(), bytes.size()));
  platform::PropertyDatabase db;
  ASSERT_TRUE(db.Open(CDBMeds::kVolumeName));
  EXPECT_EQ(db.RecordCount(), 2u);  // on file already: the one without a dose counts as equal
}

}  // namespace
