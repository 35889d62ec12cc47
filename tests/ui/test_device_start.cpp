// The program on a damaged device: told, never written to, opened read-only only when asked.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/DailyCheck.h"
#include "app/DeviceStart.h"
#include "common/MessageService.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "support/DamagedFiles.h"
#include "support/TestGuard.h"
#include "support/Wait.h"

namespace {

using damaged_files::Damage;

// A device whose object store lost its tables: damaged, but what is left can still be read.
void LoseTables(const QString& folder) {
  damaged_files::FillDevice(folder, 20);
  platform::Device device(folder);
  sqlite3_exec(device.ObjectStore(), "DROP TABLE v1_prop", nullptr, nullptr, nullptr);
}

class DeviceStartTest : public ::testing::Test {
 protected:
  device_start::Outcome Check(const QString& folder, bool interactive) {
    platform::Device device(folder);
    m_message.clear();
    return device_start::Check(device, interactive, m_message);
  }

  TestGuard m_guard;
  QString m_message;
};

TEST_F(DeviceStartTest, ASoundDeviceIsUsedWithoutAWord) {
  QTemporaryDir dir;
  damaged_files::FillDevice(dir.path(), 5);
  EXPECT_EQ(Check(dir.path(), true), device_start::Outcome::kUse);
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

TEST_F(DeviceStartTest, AReadableDamagedDeviceIsOpenedReadOnlyOnlyWhenThePersonSaysSo) {
  QTemporaryDir dir;
  LoseTables(dir.path());
  messages::Recorder& recorder = messages::DefaultRecorder();
  recorder.SetNextAnswer(messages::Answer::Ok);
  EXPECT_EQ(Check(dir.path(), true), device_start::Outcome::kOpenReadOnly);
  ASSERT_EQ(recorder.Messages().size(), 1u);
  EXPECT_EQ(recorder.Messages()[0].caption, "Ovelin");
  EXPECT_EQ(recorder.Messages()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_TRUE(recorder.Messages()[0].text.contains("objectstore.db"));

  recorder.SetNextAnswer(messages::Answer::Cancel);
  EXPECT_EQ(Check(dir.path(), true), device_start::Outcome::kQuit);
}

TEST_F(DeviceStartTest, AnUnreadableDeviceEndsTheProgramAfterSayingWhy) {
  QTemporaryDir dir;
  damaged_files::FillDevice(dir.path(), 300);
  damaged_files::DamageFile(damaged_files::ObjectStorePath(dir.path()), Damage::kCutInHalf);
  EXPECT_EQ(Check(dir.path(), true), device_start::Outcome::kQuit);
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].buttons, messages::Buttons::Ok);
  EXPECT_TRUE(m_message.startsWith("objectstore.db")) << m_message.toStdString();

  // Without a person to ask (a screenshot run) the program ends, and asks nothing.
  messages::DefaultRecorder().Clear();
  EXPECT_EQ(Check(dir.path(), false), device_start::Outcome::kQuit);
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

TEST_F(DeviceStartTest, TheProgramRefusesADamagedDeviceAndWritesItsPicturesForItsOwnerOnly) {
  QTemporaryDir dir;
  const QString sound = dir.path() + "/sound";
  const QString cut = dir.path() + "/cut";
  damaged_files::FillDevice(sound, 5);
  damaged_files::FillDevice(cut, 300);
  damaged_files::DamageFile(damaged_files::ObjectStorePath(cut), Damage::kCutInHalf);

  QProcess program;
  program.start(QStringLiteral(OVELIN_PROGRAM_PATH),
                {"--device", cut, "--screenshot", dir.path() + "/cut.png"});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitCode(), 1);
  EXPECT_TRUE(program.readAllStandardError().contains("objectstore.db"));
  EXPECT_FALSE(QFile::exists(dir.path() + "/cut.png"));

  program.start(QStringLiteral(OVELIN_PROGRAM_PATH),
                {"--device", sound, "--screenshot", dir.path() + "/sound.png"});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.path() + "/sound.png").constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Damage that the quick check at start-up cannot see (a zeroed page) is found by the daily full
// check, which the test runs by doing what its timer does: the person is told, and nothing more is
// written through the program's device. A sound device is checked without a word.
TEST_F(DeviceStartTest, TheDailyCheckTellsOfDamageTheQuickCheckMissedAndStopsWrites) {
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged);
    QTemporaryDir dir;
    damaged_files::FillDevice(dir.path(), 600);
    if (damaged) {
      damaged_files::DamageFile(damaged_files::ObjectStorePath(dir.path()), Damage::kZeroedPage);
    }
    messages::DefaultRecorder().Clear();
    platform::Device device(dir.path());
    const platform::DeviceScope current(device);
    ASSERT_EQ(device_start::Check(device, true, m_message), device_start::Outcome::kUse);
    DailyCheck check(device);
    check.Start();
    EXPECT_EQ(check.Timer().interval(), DailyCheck::kFirstDelayMs);
    int finished = 0;
    QObject::connect(&check, &DailyCheck::Finished, [&] { ++finished; });
    check.OnTimer();
    ASSERT_TRUE(test_wait::Until([&] { return finished == 1; }, 60'000));
    const std::vector<messages::Shown>& shown = messages::DefaultRecorder().Messages();
    EXPECT_EQ(device.Damage().Failed(), damaged);
    EXPECT_EQ(check.Timer().isActive(), !damaged);
    if (!damaged) {
      EXPECT_TRUE(shown.empty());
      EXPECT_EQ(check.Timer().interval(), DailyCheck::kIntervalMs);
      continue;
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("objectstore.db: ")) << shown[0].text.toStdString();
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(QStringLiteral("Filler")));
    EXPECT_EQ(db.Add({{1, QStringLiteral("after")}}), 0u);
    EXPECT_TRUE(db.LastError().IsDamage());
  }
}

}  // namespace
