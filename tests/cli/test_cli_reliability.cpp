// A damaged device is an error with its cause, never an empty device; backups are written whole
// and private; imports refuse what is out of range and hold no value beyond a bound.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "cli/CliRunner.h"
#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "support/DamagedFiles.h"

using damaged_files::Damage;

namespace {

void AddPatients(const CliRunner& cli, int count) {
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(cli.Run({"patient", "add", "--first", QStringLiteral("P%1").arg(i), "--last", "Lee",
                       "--type", "Clinic"})
                  .code,
              0);
  }
}

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(CliDamagedDevice, EveryCommandRefusesADamagedDeviceAndAGoodBackupStays) {
  for (const Damage damage : {Damage::kCutInHalf, Damage::kBadHeader, Damage::kFolder,
                              Damage::kEmptied, Damage::kRemoved}) {
    SCOPED_TRACE(static_cast<int>(damage));
    CliRunner cli;
    AddPatients(cli, 1);
    damaged_files::FillDevice(cli.folder(), 300);
    const QString backup = cli.folder() + "/backup.json";
    ASSERT_EQ(cli.Run({"export", "--output", backup}).code, 0);
    const QString good = ReadAll(backup);
    damaged_files::DamageFile(damaged_files::ObjectStorePath(cli.folder()), damage);

    for (const QStringList& command :
         {QStringList{"patient", "list"}, QStringList{"dump"},
          QStringList{"export", "--output", backup},
          QStringList{"patient", "add", "--first", "A", "--last", "B", "--type", "C"}}) {
      const CliResult result = cli.Run(command);
      EXPECT_EQ(result.code, 1) << command.join(' ').toStdString();
      EXPECT_TRUE(result.out.isEmpty());
      EXPECT_TRUE(result.err.contains("is damaged")) << result.err.toStdString();
      EXPECT_TRUE(result.err.contains("objectstore.db: ")) << result.err.toStdString();
    }
    EXPECT_EQ(ReadAll(backup), good);
    EXPECT_EQ(cli.Run({"check"}).code, 1);
  }
}

// A device folder in use is never taken for a new one: a database file emptied or gone is damage,
// named, and is not made afresh; the loss of the folder's mark alone loses nothing.
TEST(CliDamagedDevice, AnEmptiedOrMissingFileOfAUsedDeviceIsDamageNotANewDevice) {
  for (const char* file : {"objectstore.db", "registry.db"}) {
    for (const Damage damage : {Damage::kEmptied, Damage::kRemoved}) {
      SCOPED_TRACE(std::string(file) + " " + std::to_string(static_cast<int>(damage)));
      CliRunner cli;
      AddPatients(cli, 1);
      const QString path = cli.folder() + "/" + file;
      damaged_files::DamageFile(path, damage);
      for (const QStringList& command : {QStringList{"patient", "list"}, QStringList{"check"}}) {
        const CliResult result = cli.Run(command);
        EXPECT_EQ(result.code, 1) << command.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("%1: the file is").arg(file)))
            << result.err.toStdString();
      }
      EXPECT_EQ(QFileInfo::exists(path), damage == Damage::kEmptied);
      EXPECT_EQ(QFileInfo(path).size(), 0);
    }
  }
  CliRunner cli;
  AddPatients(cli, 1);
  ASSERT_TRUE(QFile::remove(cli.folder() + "/initialised"));
  EXPECT_TRUE(cli.Run({"patient", "list"}).out.startsWith("Lee, P0\t"));
  EXPECT_TRUE(QFileInfo::exists(cli.folder() + "/initialised"));
  damaged_files::DamageFile(damaged_files::ObjectStorePath(cli.folder()), Damage::kEmptied);
  EXPECT_EQ(cli.Run({"patient", "list"}).code, 1);
}

TEST(CliDamagedDevice, TheFullCheckFindsAZeroedPageThatTheQuickCheckMisses) {
  CliRunner cli;
  damaged_files::FillDevice(cli.folder(), 600);
  const CliResult sound = cli.Run({"check"});
  EXPECT_EQ(sound.code, 0) << sound.err.toStdString();
  EXPECT_EQ(sound.out, "ok\n");
  damaged_files::DamageFile(damaged_files::ObjectStorePath(cli.folder()), Damage::kZeroedPage);
  const CliResult damaged = cli.Run({"check"});
  EXPECT_EQ(damaged.code, 1);
  EXPECT_TRUE(damaged.err.contains("objectstore.db: ")) << damaged.err.toStdString();
  // Reading what the zeroed page held fails with its cause instead of leaving records out.
  const CliResult dump = cli.Run({"dump"});
  EXPECT_EQ(dump.code, 1);
  EXPECT_TRUE(dump.out.isEmpty());
  EXPECT_TRUE(dump.err.contains("malformed") || dump.err.contains("corrupt"))
      << dump.err.toStdString();
}

TEST(CliDamagedDevice, TheFullCheckReportsTwoRecordsSharingOneRecordId) {
  CliRunner cli;
  AddPatients(cli, 1);
  damaged_files::FillDevice(cli.folder(), 3);
  ASSERT_EQ(cli.Run({"check"}).code, 0);
  {
    platform::Device device(cli.folder());
    const platform::DeviceScope current(device);
    ASSERT_TRUE(platform::PropertyDatabase::Ready());
    sqlite3* db = device.ObjectStore();
    const auto number = [db](const char* volume) {
      sqlite3_stmt* find = nullptr;
      sqlite3_prepare_v2(db, "SELECT num FROM volumes WHERE name = ?1", -1, &find, nullptr);
      sqlite3_bind_text(find, 1, volume, -1, SQLITE_STATIC);
      const std::string found =
          sqlite3_step(find) == SQLITE_ROW ? std::to_string(sqlite3_column_int64(find, 0)) : "";
      sqlite3_finalize(find);
      return found;
    };
    const std::string patients = "v" + number("CMPatients");
    const std::string filler = "v" + number("Filler");
    // The first filler record takes the patient's record id, properties and all.
    const std::string taken = "(SELECT min(id) FROM " + patients + "_rec)";
    const std::string first = "(SELECT min(id) FROM " + filler + "_rec)";
    const std::string sql = "UPDATE " + filler + "_prop SET rec = " + taken +
                            " WHERE rec = " + first + "; UPDATE " + filler +
                            "_rec SET id = " + taken + " WHERE id = " + first;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
  }
  const CliResult check = cli.Run({"check"});
  EXPECT_EQ(check.code, 1);
  EXPECT_TRUE(check.err.contains("objectstore.db: a record id is used by two records"))
      << check.err.toStdString();
}

TEST(CliDamagedDevice, ADamagedRegistryIsReportedAsDamaged) {
  CliRunner cli;
  const QString key = "Software\\Quillfen\\Options";
  ASSERT_EQ(cli.Run({"reg", "set", "HKCU", key, "Timeout", "dword", "5"}).code, 0);
  damaged_files::DamageFile(damaged_files::RegistryPath(cli.folder()), Damage::kBadHeader);
  const CliResult result = cli.Run({"reg", "get", "HKCU", key, "Password"});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(result.err.contains("registry.db: ")) << result.err.toStdString();
  EXPECT_FALSE(result.err.contains("no value"));
}

TEST(CliBackup, ABackupIsReplacedByOneOfFewerPatientsOnlyWhenForced) {
  CliRunner cli;
  AddPatients(cli, 3);
  const QString backup = cli.folder() + "/backup.json";
  ASSERT_EQ(cli.Run({"export", "--output", backup}).code, 0);
  const QString three = ReadAll(backup);
  ASSERT_EQ(cli.Run({"patient", "delete", "Lee, P1"}).code, 0);
  const CliResult refused = cli.Run({"export", "--output", backup});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(refused.err.contains("holds 3 patients, the new backup only 2"))
      << refused.err.toStdString();
  EXPECT_EQ(ReadAll(backup), three);
  EXPECT_EQ(cli.Run({"export", "--output", backup, "--force"}).code, 0);
  EXPECT_EQ(QJsonDocument::fromJson(ReadAll(backup).toUtf8())["patients"].toArray().size(), 2);
  // A backup of as many patients replaces it; a file that is no backup is kept.
  EXPECT_EQ(cli.Run({"export", "--output", backup}).code, 0);
  const QString other = cli.folder() + "/notes.txt";
  QFile file(other);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("my notes");
  file.close();
  EXPECT_EQ(cli.Run({"export", "--output", other}).code, 1);
  EXPECT_EQ(ReadAll(other), "my notes");
}

TEST(CliBackup, AnExportIsPrivateWhateverTheUmask) {
  CliRunner cli;
  AddPatients(cli, 2);
  const QString backup = cli.folder() + "/backup.json";
  const mode_t previous = ::umask(0);
  const CliResult result = cli.Run({"export", "--output", backup});
  ::umask(previous);
  ASSERT_EQ(result.code, 0) << result.err.toStdString();
  struct stat info {};
  ASSERT_EQ(::stat(backup.toUtf8().constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const QJsonObject document = QJsonDocument::fromJson(ReadAll(backup).toUtf8()).object();
  EXPECT_EQ(document["patients"].toArray().size(), 2);
}

TEST(CliBackup, AnImportStopsAtAValueLongerThanABackupHoldsAndNamesTheValueItRefuses) {
  CliRunner cli;
  // A text that never ends is not read on to the end of the input.
  const QString endless = cli.folder() + "/endless.json";
  {
    QFile file(endless);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"patients": [{"name": ")");
    file.write(QByteArray(3 << 20, 'a'));
  }
  const CliResult tooLong = cli.Run({"import", endless});
  EXPECT_EQ(tooLong.code, 2);
  EXPECT_TRUE(tooLong.err.contains(
      "endless.json: patients[0], field \"name\": a text longer than 1048576 characters"))
      << tooLong.err.toStdString();

  AddPatients(cli, 1);
  const QString path = cli.folder() + "/backup.json";
  ASSERT_EQ(cli.Run({"export", "--output", path}).code, 0);
  QJsonObject document = QJsonDocument::fromJson(ReadAll(path).toUtf8()).object();
  QJsonArray patients = document["patients"].toArray();
  QJsonObject patient = patients[0].toObject();
  patient["accessState"] = -5;
  patient["name"] = "Other, One";
  patients[0] = patient;
  document["patients"] = patients;
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(QJsonDocument(document).toJson());
  file.close();
  const CliResult refused = cli.Run({"import", path});
  EXPECT_EQ(refused.code, 2);
  EXPECT_TRUE(
      refused.err.contains("patients[0]: field \"accessState\" must be an integer from 0 to 2"))
      << refused.err.toStdString();
  EXPECT_EQ(cli.Run({"patient", "list"}).out, "Lee, P0\t\t\t0\n");
}

}  // namespace
