// Ward synchronisation against a real PostgreSQL server of the test's own: devices converge, a
// conflict keeps both versions, the server itself refuses changes to read-only records, a killed
// sync converges on the next, and every failure leaves the device as it was.

#include <gtest/gtest.h>

#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "cli/CliRunner.h"
#include "support/DamagedFiles.h"
#include "support/WardServer.h"

namespace {

WardServer& Server() {
  static WardServer server;
  return server;
}

// One patient with a record of every chart kind, as a backup document.
QJsonObject Patient(const QString& first, const QString& mr, const QString& marker) {
  const QJsonObject sync{{"desktopId", 0}, {"accessState", 0}};
  auto with = [&sync](QJsonObject object) {
    for (auto it = sync.begin(); it != sync.end(); ++it) {
      object.insert(it.key(), it.value());
    }
    return object;
  };
  const QString when = QStringLiteral("2026-11-02T08:30:00");
  return with(QJsonObject{{"name", "Lee, " + first},
                          {"firstName", first},
                          {"lastName", "Lee"},
                          {"mrNumber", mr},
                          {"doctor", "Ng"},
                          {"ageValue", "40"},
                          {"ageUnit", "Y"},
                          {"race", ""},
                          {"sex", "F"},
                          {"codeStatus", "Full"},
                          {"room", "12" + marker},
                          {"diagnosis", "CAP"},
                          {"allergies", "NKDA"},
                          {"problems", ""},
                          {"patientType", "Hospital"},
                          {"todo", ""},
                          {"admitDate", when},
                          {"dateOfBirth", QJsonValue::Null},
                          {"timeStamp", when},
                          {"labs", QJsonArray{with({{"group", "CBC"},
                                                    {"values", "WBC\n" + marker + "\n"},
                                                    {"date", when},
                                                    {"time", when},
                                                    {"timeStamp", when}})}},
                          {"meds", QJsonArray{with({{"drug", "Tylenol"},
                                                    {"dose", "650mg"},
                                                    {"route", "PO"},
                                                    {"frequency", "Q4H"},
                                                    {"trackDays", ""},
                                                    {"days", ""},
                                                    {"dispensed", marker},
                                                    {"refills", ""},
                                                    {"startDate", when},
                                                    {"timeStamp", when}})}},
                          {"notes", QJsonArray{with({{"noteText", "Seen " + marker},
                                                     {"subjective", ""},
                                                     {"objective", ""},
                                                     {"assessmentPlan", ""},
                                                     {"date", when},
                                                     {"time", when},
                                                     {"timeStamp", when}})}},
                          {"tests", QJsonArray{with({{"test", "CXR"},
                                                     {"result", "clear " + marker},
                                                     {"date", when},
                                                     {"time", when},
                                                     {"timeStamp", when}})}},
                          {"todos", QJsonArray{with({{"text", "Call family"},
                                                     {"note", marker},
                                                     {"timeStamp", "20261102083000"},
                                                     {"flags", 2}})}},
                          {"vitals", QJsonArray{with({{"values", "HR\n" + marker + "\n"},
                                                      {"date", when},
                                                      {"time", when},
                                                      {"timeStamp", when}})}}});
}

bool Import(const CliRunner& cli, const QJsonArray& patients, const QJsonObject& lists = {}) {
  const QString path = cli.folder() + "/seed.json";
  QFile file(path);
  QJsonObject document{{"format", "ovelin-backup"},     {"version", 1},
                       {"patients", patients},          {"categories", QJsonArray{}},
                       {"autoTextLists", QJsonArray{}}, {"favorites", QJsonArray{}}};
  for (auto list = lists.begin(); list != lists.end(); ++list) {
    document.insert(list.key(), list.value());
  }
  return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(document).toJson()) > 0 &&
         (file.close(), true) && cli.Run({"import", path}).code == 0;
}

// What a device holds, as its backup (times and marks included).
QJsonObject Holdings(const CliRunner& cli) {
  const CliResult result = cli.Run({"export"});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

// The patients of a device with all of their records, as text that a failure can show.
std::string PatientsOf(const CliRunner& cli) {
  return QJsonDocument(Holdings(cli)["patients"].toArray()).toJson().toStdString();
}

class WardSync : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server().Failure().isEmpty()) << Server().Failure().toStdString();
    // A fresh ward for every test.
    bool ok = false;
    Server().Sql("DROP SCHEMA IF EXISTS ward CASCADE", &ok);
    ASSERT_TRUE(ok);
    const CliResult init = m_a.Run({"server", "init", Server().ConnInfo("postgres")});
    ASSERT_EQ(init.code, 0) << init.err.toStdString();
    Server().Sql(
        "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'nurse_a') THEN"
        " CREATE ROLE nurse_a LOGIN IN ROLE ward_device; CREATE ROLE nurse_b LOGIN IN ROLE"
        " ward_device; END IF; END $$",
        &ok);
    ASSERT_TRUE(ok);
  }

  CliResult Sync(const CliRunner& cli, const char* role) const {
    return cli.Run({"sync", "--server", Server().ConnInfo(role)});
  }

  CliRunner m_a;
  CliRunner m_b;
};

TEST_F(WardSync, TwoDevicesConvergeOnRecordsEditsAndDeletionsOfEveryKind) {
  const QJsonObject lists{
      {"categories", QJsonArray{QJsonObject{{"list", 11}, {"text", "Ward 7"}}}},
      {"autoTextLists", QJsonArray{QJsonObject{{"list", "2103"}, {"content", "NKDA\nLatex\n"}}}},
      {"favorites",
       QJsonArray{QJsonObject{
           {"drug", "Lasix"}, {"dose", "40mg"}, {"route", "IV"}, {"frequency", "BID"}}}}};
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "a"), Patient("Bea", "222", "a")}, lists));
  const QStringList companion{"reg", "get", "HKLM", "Software\\Apps\\Quillfen, Inc. Ovelin",
                              "DCVersion"};
  EXPECT_NE(m_a.Run(companion).code, 0);
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  // From the first sync on, the beam commands refuse records never synchronised.
  EXPECT_EQ(m_a.Run(companion).code, 0);
  const CliResult first = Sync(m_b, "nurse_b");
  ASSERT_EQ(first.code, 0) << first.err.toStdString();
  EXPECT_EQ(PatientsOf(m_a), PatientsOf(m_b));
  // The ward-wide lists travel too: the whole devices agree.
  EXPECT_EQ(QJsonDocument(Holdings(m_a)).toJson().toStdString(),
            QJsonDocument(Holdings(m_b)).toJson().toStdString());
  EXPECT_EQ(Server().Sql("SELECT count(*) FROM ward.favorite_medications WHERE drug = 'Lasix'"),
            "1");
  // Every record got its server id and read/write access on the device that made it.
  for (const QJsonValue patient : Holdings(m_a)["patients"].toArray()) {
    EXPECT_GT(patient["desktopId"].toInt(), 0);
    EXPECT_EQ(patient["accessState"].toInt(), 2);
    for (const char* kind : {"labs", "meds", "notes", "tests", "todos", "vitals"}) {
      const QJsonObject record = patient[kind].toArray().first().toObject();
      EXPECT_GT(record["desktopId"].toInt(), 0) << kind;
      EXPECT_EQ(record["accessState"].toInt(), 2) << kind;
    }
  }

  // B edits one record of every kind (the import merges into the matching records) and deletes a
  // patient with all of its records; A takes both, and a second sync moves nothing.
  ASSERT_TRUE(Import(m_b, {Patient("Ann", "111", "b")}));
  ASSERT_EQ(m_b.Run({"patient", "delete", "Lee, Bea"}).code, 0);
  ASSERT_EQ(Sync(m_b, "nurse_b").code, 0);
  const CliResult taken = Sync(m_a, "nurse_a");
  ASSERT_EQ(taken.code, 0);
  EXPECT_TRUE(taken.out.contains("0 conflicts")) << taken.out.toStdString();
  const QJsonArray patients = Holdings(m_a)["patients"].toArray();
  EXPECT_EQ(QJsonDocument(patients).toJson().toStdString(), PatientsOf(m_b));
  ASSERT_EQ(patients.size(), 1);
  EXPECT_EQ(patients[0]["room"], "12b");
  EXPECT_EQ(patients[0]["vitals"][0]["values"], "HR\nb\n");
  EXPECT_EQ(patients[0]["todos"][0]["note"], "b");
  EXPECT_EQ(Server().Sql("SELECT count(*) FILTER (WHERE deleted), count(*) FROM ward.patients"),
            "1|2");
  const CliResult again = Sync(m_a, "nurse_a");
  EXPECT_TRUE(again.out.contains("0 changes sent, 0 changes received")) << again.out.toStdString();
}

TEST_F(WardSync, AConflictKeepsBothVersionsAndPatientsMergeOnlyByMrNumber) {
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "a")}));
  ASSERT_TRUE(Import(m_b, {Patient("Ann", "111", "b"), Patient("Bea", "999", "b")}));
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  CliRunner c;
  ASSERT_TRUE(Import(c, {Patient("Bea", "555", "c")}));
  ASSERT_EQ(Sync(c, "nurse_a").code, 0);

  // Ann is one patient (the same MR number): the server's version, A's, wins each record that
  // differs, and B's is kept. Bea of another MR number stays B's own.
  const CliResult b = Sync(m_b, "nurse_b");
  ASSERT_EQ(b.code, 0) << b.err.toStdString();
  EXPECT_TRUE(b.out.contains("1 patient has the name of another device's patient"))
      << b.out.toStdString();
  EXPECT_EQ(Server().Sql("SELECT count(*) FROM ward.patients WHERE name = 'Lee, Ann'"), "1");
  const QJsonArray patients = Holdings(m_b)["patients"].toArray();
  ASSERT_EQ(patients.size(), 2);
  EXPECT_EQ(patients[0]["room"], "12a");
  EXPECT_EQ(patients[0]["vitals"][0]["values"], "HR\na\n");
  EXPECT_EQ(patients[1]["mrNumber"], "999");
  EXPECT_EQ(patients[1]["desktopId"], 0);
  EXPECT_EQ(Server().Sql("SELECT lost_version->>'packed_values' FROM ward.conflicts"
                         " WHERE kind = 'vital_signs'"),
            "HR\nb");
  const CliResult listed = m_b.Run({"sync", "--conflicts"});
  ASSERT_EQ(listed.code, 0);
  EXPECT_TRUE(listed.out.contains("same name, another MR number")) << listed.out.toStdString();
  EXPECT_TRUE(listed.out.contains("made on two devices"));

  // Changed on both sides after a sync: the one that reaches the server first wins.
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "x")}));
  ASSERT_TRUE(Import(m_b, {Patient("Ann", "111", "y")}));
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  const CliResult second = Sync(m_b, "nurse_b");
  EXPECT_TRUE(second.out.contains("7 conflicts")) << second.out.toStdString();
  EXPECT_EQ(Holdings(m_b)["patients"][0]["vitals"][0]["values"], "HR\nx\n");
  EXPECT_EQ(Server().Sql("SELECT count(*) FROM ward.conflicts WHERE reason = 'changed on two "
                         "devices' AND lost_version->>'packed_values' = 'HR\ny\n'"),
            "1");
}

TEST_F(WardSync, TheServerRefusesChangesToReadOnlyRecords) {
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "a")}));
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  Server().Sql("UPDATE ward.patients SET access_state = 1");

  // The database refuses a device role whatever client it uses.
  bool ok = true;
  const QString refused =
      Server().Sql("UPDATE ward.vital_signs SET packed_values = 'x'", &ok, "nurse_a");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(refused.contains("read-only")) << refused.toStdString();
  Server().Sql("UPDATE ward.patients SET room = 'admin' ", &ok, "nurse_a");
  EXPECT_FALSE(ok);

  // The device takes the read-only mark, edits anyway, and gets the server's version back.
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  EXPECT_EQ(Holdings(m_a)["patients"][0]["accessState"], 1);
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "z")}));
  const CliResult result = Sync(m_a, "nurse_a");
  ASSERT_EQ(result.code, 0) << result.err.toStdString();
  EXPECT_TRUE(result.out.contains("refused because the server holds the record read-only"))
      << result.out.toStdString();
  const QJsonObject patient = Holdings(m_a)["patients"][0].toObject();
  EXPECT_EQ(patient["room"], "12a");
  EXPECT_EQ(patient["vitals"][0]["values"], "HR\na\n");
}

TEST_F(WardSync, ASyncKilledAtAnyPointConvergesWithNothingDuplicatedOrLost) {
  QJsonArray ward;
  for (int i = 0; i < 30; ++i) {
    ward.append(Patient(QStringLiteral("P%1").arg(i), QString::number(i), "a"));
  }
  ASSERT_TRUE(Import(m_a, ward));
  QRandomGenerator random(29);
  for (int round = 0; round < 6; ++round) {
    QProcess child;
    child.start(QStringLiteral(OVELIN_CLI_PATH),
                {"--device", m_a.folder(), "sync", "--server", Server().ConnInfo("nurse_a")});
    ASSERT_TRUE(child.waitForStarted(30000));
    QThread::msleep(random.bounded(20U, 400U));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(30000);
    if (round == 3) {
      ASSERT_TRUE(Server().Restart());
    }
  }
  ASSERT_EQ(Sync(m_a, "nurse_a").code, 0);
  ASSERT_EQ(Sync(m_b, "nurse_b").code, 0);
  EXPECT_EQ(Server().Sql("SELECT count(*), count(DISTINCT name) FROM ward.patients"), "30|30");
  EXPECT_EQ(Server().Sql("SELECT count(*) FROM ward.vital_signs"), "30");
  EXPECT_EQ(PatientsOf(m_a), PatientsOf(m_b));
  const CliResult check = m_a.Run({"check"});
  EXPECT_EQ(check.code, 0) << check.out.toStdString();
}

TEST_F(WardSync, EveryFailureIsToldAndChangesNothingOnTheDevice) {
  ASSERT_TRUE(Import(m_a, {Patient("Ann", "111", "a")}));
  const QJsonObject before = Holdings(m_a);
  const auto refused = [&](const QStringList& arguments, const char* message) {
    const CliResult result = m_a.Run(QStringList{"sync"} + arguments);
    EXPECT_NE(result.code, 0) << message;
    EXPECT_TRUE(result.err.contains(QLatin1String(message))) << result.err.toStdString();
    EXPECT_EQ(Holdings(m_a) == before, true) << message;
  };
  refused({}, "sync needs --server");
  refused({"--server", "host=/nonexistent dbname=ward"}, "Could not connect to the ward server");
  refused({"--server", Server().ConnInfo("nobody")}, "role \"nobody\" does not exist");
  refused({"--server", Server().ConnInfo("nurse_a") + " password=secret"}, "holds a password");
  refused({"--server", Server().ConnInfo("nurse_a", "postgres")}, "no ward schema");

  // A row that breaks the device's limits stops the sync before anything is stored.
  ASSERT_EQ(Sync(m_b, "nurse_b").code, 0);
  ASSERT_TRUE(Import(m_b, {Patient("Zed", "7", "b")}));
  ASSERT_EQ(Sync(m_b, "nurse_b").code, 0);
  Server().Sql("UPDATE ward.notes SET note_text = repeat('x', 1100000)");
  refused({"--server", Server().ConnInfo("nurse_a")}, "holds a text longer than");
  Server().Sql("UPDATE ward.notes SET note_text = 'fine'");

  Server().Sql("UPDATE ward.schema_info SET version = 2");
  refused({"--server", Server().ConnInfo("nurse_a")}, "newer than this program's");
  Server().Sql("UPDATE ward.schema_info SET version = 1");

  // A damaged device is never synchronised.
  CliRunner damaged;
  ASSERT_TRUE(Import(damaged, {Patient("Cy", "3", "d")}));
  damaged_files::DamageFile(damaged_files::ObjectStorePath(damaged.folder()),
                            damaged_files::Damage::kCutInHalf);
  const CliResult refusedDamaged = Sync(damaged, "nurse_a");
  EXPECT_NE(refusedDamaged.code, 0);
  EXPECT_TRUE(refusedDamaged.err.contains("is damaged"))
      << refusedDamaged.err.toStdString();
  EXPECT_EQ(Server().Sql("SELECT count(*) FROM ward.patients WHERE name = 'Lee, Cy'"), "0");

  // The last server is remembered only after a sync that worked.
  EXPECT_EQ(Sync(m_a, "nurse_a").code, 0);
  const CliResult plain = m_a.Run({"sync"});
  EXPECT_EQ(plain.code, 0) << plain.err.toStdString();
  EXPECT_TRUE(plain.out.contains("nurse_a@ward"));
}

}  // namespace
