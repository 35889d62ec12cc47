#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "cli/CliRunner.h"

namespace {

TEST(CliPatient, AddListAndRefusals) {
  CliRunner cli;
  CliResult added =
      cli.Run({"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic", "--mr",
               "M1", "--room", "12", "--age", "45 Years", "--dob", "1981-06-15"});
  ASSERT_EQ(added.code, 0) << added.err.toStdString();
  EXPECT_EQ(added.out, "Smith, Ann\n");
  ASSERT_EQ(
      cli.Run({"patient", "add", "--first", "bo", "--last", "adams", "--type", "Hospital"}).code,
      0);

  CliResult duplicate = cli.Run({"patient", "add", "--first", "ann", "--last", "SMITH"});
  EXPECT_EQ(duplicate.code, 2);
  EXPECT_EQ(duplicate.err.trimmed(),
            "ovelin-cli: This patient is already on file! Please check the name and try again.");
  CliResult missing = cli.Run({"patient", "add", "--first", "Cy", "--last", "Cole"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(missing.err.contains("You must enter the patient name and type before saving"));
  EXPECT_EQ(cli.Run({"patient", "add", "--first", "Cy", "--last", "Cole", "--type", "Clinic",
                     "--dob", "1981-02-30"})
                .code,
            2);
  EXPECT_EQ(cli.Run({"patient", "add", "--bogus", "x"}).code, 2);

  CliResult all = cli.Run({"patient", "list"});
  EXPECT_EQ(all.code, 0);
  EXPECT_EQ(all.out, "adams, bo\t\t\t0\nSmith, Ann\tM1\t12\t0\n");
  EXPECT_EQ(cli.Run({"patient", "list", "--type", "clinic"}).out, "Smith, Ann\tM1\t12\t0\n");
}

TEST(CliRegistry, ValuesOfEveryTypeRoundTrip) {
  CliResult missing =
      CliRunner().Run({"reg", "get", "HKCU", "Software\\Quillfen\\Options", "Timeout"});
  EXPECT_EQ(missing.code, 2);

  CliRunner cli;
  const QString key = "Software\\Quillfen\\Options";
  ASSERT_EQ(cli.Run({"reg", "set", "HKCU", key, "Timeout", "dword", "600000"}).code, 0);
  ASSERT_EQ(cli.Run({"reg", "set", "HKCU", key, "Password Hint", "sz", "Password is zqx"}).code, 0);
  ASSERT_EQ(cli.Run({"reg", "set", "HKCU", key, "Password", "binary", "20002b005a000000"}).code, 0);
  ASSERT_EQ(cli.Run({"reg", "set", "HKLM", "Software\\Apps\\Quillfen, Inc. Ovelin", "DCVersion",
                     "sz", "1"})
                .code,
            0);
  EXPECT_EQ(cli.Run({"reg", "get", "HKCU", key, "Timeout"}).out, "dword\t600000\n");
  EXPECT_EQ(cli.Run({"reg", "get", "hkcu", key.toLower(), "password hint"}).out,
            "sz\tPassword is zqx\n");
  EXPECT_EQ(cli.Run({"reg", "get", "HKCU", key, "Password"}).out, "binary\t20002b005a000000\n");
  EXPECT_EQ(cli.Run({"reg", "get", "HKLM", key, "Timeout"}).code, 2);

  EXPECT_EQ(cli.Run({"reg", "set", "HKCU", key, "X", "dword", "ten"}).code, 2);
  EXPECT_EQ(cli.Run({"reg", "set", "HKCU", key, "X", "binary", "abc"}).code, 2);
  EXPECT_EQ(cli.Run({"reg", "set", "HKCU", key, "X", "binary", "zz"}).code, 2);
  EXPECT_EQ(cli.Run({"reg", "set", "HKCU", key, "X", "qword", "1"}).code, 2);
  EXPECT_EQ(cli.Run({"reg", "set", "HKXX", key, "X", "sz", "1"}).code, 2);
}

TEST(CliDump, ListsRecordsWithIdsAndProperties) {
  CliRunner cli;
  ASSERT_EQ(
      cli.Run({"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"}).code, 0);
  CliResult dump = cli.Run({"dump", "CMPatients"});
  ASSERT_EQ(dump.code, 0);
  const QJsonObject volume =
      QJsonDocument::fromJson(dump.out.toUtf8()).object()["volumes"].toArray()[0].toObject();
  EXPECT_EQ(volume["name"].toString(), "CMPatients");
  const QJsonObject record = volume["records"].toArray()[0].toObject();
  EXPECT_GT(record["id"].toInteger(), 0);
  EXPECT_EQ(record["properties"].toObject()["1"].toString(), "Smith, Ann");

  EXPECT_EQ(cli.Run({"dump", "NoSuchVolume"}).code, 2);
  const QJsonArray all =
      QJsonDocument::fromJson(cli.Run({"dump"}).out.toUtf8()).object()["volumes"].toArray();
  EXPECT_GE(all.size(), 1);
}

TEST(CliProgram, ExitCodesHelpAndAPrivateDeviceFolder) {
  QTemporaryDir dir;
  const QString device = dir.path() + "/device";
  QProcess process;
  process.start(OVELIN_CLI_PATH, {"--device", device, "patient", "list"});
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 0);
  struct stat info {};
  ASSERT_EQ(::stat(device.toLocal8Bit().constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat((device + "/objectstore.db").toLocal8Bit().constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  process.start(OVELIN_CLI_PATH, {"--device", device, "frobnicate"});
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 2);
  const QString error = QString::fromLocal8Bit(process.readAllStandardError());
  EXPECT_EQ(error.count('\n'), 1);

  process.start(OVELIN_CLI_PATH, {"--help"});
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_TRUE(process.readAllStandardOutput().contains("patient add"));
}

TEST(CliProgram, EveryCommandAnswersHelpWithItsUsageAndTouchesNoDevice) {
  const CliRunner cli;
  const struct {
    QStringList words;
    const char* usage;
  } commands[] = {
      {{"patient", "add", "--help"}, "ovelin-cli patient add"},
      {{"patient", "delete", "--help"}, "ovelin-cli patient delete NAME"},
      {{"reg", "get", "--help"}, "ovelin-cli reg get"},
      {{"dump", "--help"}, "ovelin-cli dump"},
      {{"export", "--help"}, "ovelin-cli export"},
      {{"import", "--help"}, "ovelin-cli import FILE"},
      {{"post", "-h"}, "ovelin-cli post MESSAGE"},
      {{"beam", "receive", "--help"}, "ovelin-cli beam receive"},
      {{"check", "--help"}, "ovelin-cli check"},
  };
  for (const auto& command : commands) {
    const CliResult result = cli.Run(command.words);
    EXPECT_EQ(result.code, 0) << command.words.join(' ').toStdString();
    EXPECT_TRUE(result.out.contains(command.usage)) << result.out.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(cli.folder() + "/objectstore.db"));
}

TEST(CliProgram, ANameNotOnFileIsBadInputAndARefusedBeamAFailure) {
  const CliRunner cli;
  ASSERT_EQ(
      cli.Run({"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"}).code, 0);
  // No such patient: bad input (2), for one patient as for a checkout list.
  EXPECT_EQ(cli.Run({"beam", "patient", "Nobody, Al", "--timeout", "1"}).code, 2);
  const CliResult checkout = cli.Run({"beam", "checkout", "Smith, Ann", "Nobody, Al"});
  EXPECT_EQ(checkout.code, 2);
  EXPECT_TRUE(checkout.err.contains("no patient named Nobody, Al")) << checkout.err.toStdString();
  // With a desktop companion, a patient never synchronised is held back: the transfer failed (1).
  ASSERT_EQ(cli.Run({"reg", "set", "HKLM", "Software\\Apps\\Quillfen, Inc. Ovelin", "DCVersion",
                     "dword", "3"})
                .code,
            0);
  EXPECT_EQ(cli.Run({"beam", "patient", "Smith, Ann", "--timeout", "1"}).code, 1);
  EXPECT_EQ(cli.Run({"beam", "checkout", "Smith, Ann", "--timeout", "1"}).code, 1);
}

}  // namespace
