// What the program is told about a device before it shows it.

#include "common/DeviceHealth.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QTemporaryDir>

#include "common/CDBPatient.h"
#include "support/DamagedFiles.h"

namespace {

using damaged_files::Damage;

device_health::Report CheckFresh(const QString& folder) {
  platform::Device device(folder);
  return device_health::CheckOnOpen(device);
}

TEST(DeviceHealth, ASoundDeviceNeedsNoWord) {
  QTemporaryDir dir;
  damaged_files::FillDevice(dir.path(), 20);
  const device_health::Report report = CheckFresh(dir.path());
  EXPECT_EQ(report.state, device_health::State::kSound);
  EXPECT_TRUE(report.message.isEmpty());
}

TEST(DeviceHealth, ADamagedDeviceIsNamedWithItsFileAndReadOnlyIsOfferedOnlyWhereItCanBeRead) {
  QTemporaryDir cut;
  damaged_files::FillDevice(cut.path(), 300);
  damaged_files::DamageFile(damaged_files::ObjectStorePath(cut.path()), Damage::kCutInHalf);
  const device_health::Report unreadable = CheckFresh(cut.path());
  EXPECT_EQ(unreadable.state, device_health::State::kDamaged);
  EXPECT_TRUE(unreadable.details.startsWith("objectstore.db: the file is cut short"))
      << unreadable.details.toStdString();
  EXPECT_FALSE(unreadable.canOpenReadOnly);
  EXPECT_TRUE(unreadable.message.startsWith("The data on this device is damaged:\nobjectstore.db"));
  EXPECT_TRUE(unreadable.message.contains("Ovelin will not write to it"));
  EXPECT_FALSE(unreadable.message.contains("read-only"));

  // A database that lost its tables: the rest of the device can still be read.
  QTemporaryDir lost;
  damaged_files::FillDevice(lost.path(), 20);
  {
    platform::Device device(lost.path());
    sqlite3_exec(device.ObjectStore(), "DROP TABLE v1_prop", nullptr, nullptr, nullptr);
  }
  const device_health::Report readable = CheckFresh(lost.path());
  EXPECT_EQ(readable.state, device_health::State::kDamaged);
  EXPECT_TRUE(readable.canOpenReadOnly) << readable.details.toStdString();
  EXPECT_TRUE(readable.message.endsWith("to look at what can still be read?"));

  // Opened read-only, the device takes no change.
  platform::Device device(lost.path());
  device.SetReadOnly(true);
  platform::DeviceScope scope(device);
  CDBPatient patient;
  patient.firstName = "Ann";
  patient.lastName = "Smith";
  EXPECT_FALSE(patient.CreateRecord(false));
}

}  // namespace
