// The program on a damaged device: told, never written to, opened read-only only when asked.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/DeviceStart.h"
#include "common/MessageService.h"
#include "platform/Device.h"
#include "support/DamagedFiles.h"
#include "support/TestGuard.h"

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
    message_.clear();
    return device_start::Check(device, interactive, message_);
  }

  TestGuard guard_;
  QString message_;
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
  EXPECT_TRUE(message_.startsWith("objectstore.db")) << message_.toStdString();

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

}  // namespace
