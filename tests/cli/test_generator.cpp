// The generated ward: what `generate` fills, that it refuses a device with patients, and that a
// patient filled alone on another device gets the very records it has in the ward (what the
// benchmarks compare against).

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "cli/CliRunner.h"
#include "cli/DeviceGenerator.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/Clock.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

TEST(CliGenerate, FillsAnEmptyDeviceOnlyAndChecksItsNumbers) {
  CliRunner cli;
  const CliResult filled = cli.Run({"generate", "--patients", "3", "--seed", "5"});
  ASSERT_EQ(filled.code, 0) << filled.err.toStdString();
  EXPECT_EQ(filled.out, "3 patients with 480 records\n");
  const CliResult listed = cli.Run({"patient", "list"});
  EXPECT_EQ(listed.out.count(QLatin1Char('\n')), 3) << listed.out.toStdString();
  EXPECT_EQ(cli.Run({"check"}).code, 0);

  const CliResult again = cli.Run({"generate", "--patients", "3"});
  EXPECT_EQ(again.code, 2);
  EXPECT_TRUE(again.err.contains("already holds patients")) << again.err.toStdString();
  for (const char* bad : {"-1", "many", "5000"}) {
    EXPECT_EQ(CliRunner().Run({"generate", "--patients", bad}).code, 2) << bad;
  }
  EXPECT_EQ(CliRunner().Run({"generate", "--seed", "0"}).code, 2);
}

// The patient's records of every store, as texts, leaving out what differs from one fill to the
// next: record ids and the moment of filling in the time stamps.
QStringList RecordsOf(const QString& patient) {
  QStringList records;
  memory_controls::List list;
  CDBMeds meds;
  meds.FillList(patient, list);
  for (int row = 0; row < list.GetItemCount(); ++row) {
    records << list.GetItemText(row, 0);
  }
  CDBVitals vitals;
  CDBLabValues labs;
  CDBTest tests;
  CDBNotes notes;
  for (bool more = vitals.FindFirstOfPatient(patient); more;
       more = vitals.FindNextOfPatient(patient)) {
    records << vitals.DateText() + vitals.values;
  }
  for (bool more = labs.FindFirstOfPatient(patient); more; more = labs.FindNextOfPatient(patient)) {
    records << labs.DateText() + labs.group + labs.values;
  }
  for (bool more = tests.FindFirstOfPatient(patient); more;
       more = tests.FindNextOfPatient(patient)) {
    records << tests.DateText() + tests.test + tests.result;
  }
  for (bool more = notes.FindFirstOfPatient(patient); more;
       more = notes.FindNextOfPatient(patient)) {
    records << notes.DateText() + notes.noteText + notes.assessmentPlan;
  }
  CDBToDo todos;
  for (bool more = todos.FindFirstOfPatient(patient, -1); more;
       more = todos.FindNextOfPatient(patient, -1)) {
    records << QString::number(todos.flags) + todos.text + todos.note;
  }
  CDBPatient info;
  info.FindByName(patient);
  records << info.mrNumber + info.room + info.patientType + info.diagnosis + info.ageValue;
  return records;
}

TEST(Generator, APatientFilledAloneHasTheRecordsItHasInTheWard) {
  TestGuard guard;
  clock_source::Fix(test_time::At(2025, 5, 20, 14, 30));
  generator::Load load;
  load.patients = 6;
  const int chosen = 4;
  const QString name = generator::PatientName(load, chosen);
  ASSERT_FALSE(name.isEmpty());

  QTemporaryDir wardFolder;
  platform::Device ward(wardFolder.path());
  QStringList inWard;
  {
    const platform::DeviceScope scope(ward);
    QString error;
    ASSERT_TRUE(generator::Fill(load, error)) << error.toStdString();
    inWard = RecordsOf(name);
    platform::PropertyDatabase meds;
    ASSERT_TRUE(meds.Open(CDBMeds::kVolumeName));
    EXPECT_EQ(meds.RecordCount(), 6u * 20u);
  }
  QTemporaryDir aloneFolder;
  platform::Device alone(aloneFolder.path());
  const platform::DeviceScope scope(alone);
  ASSERT_TRUE(generator::FillPatient(load, chosen));
  const QStringList byItself = RecordsOf(name);
  EXPECT_EQ(inWard.size(), 20 + 50 + 50 + 10 + 10 + 20 + 1);
  EXPECT_EQ(byItself, inWard);
}

}  // namespace
