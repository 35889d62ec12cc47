// Fault tests: ovelin-cli killed with SIGKILL at random points of an import, a patient delete and a
// beam receive. Afterwards the device passes the full check and holds all or none of the
// operation's records (a beam receive: only whole records, each as it was sent). The kill points
// are spread over the time the operation takes undisturbed, measured first; the number of trials
// is fixed.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <random>
#include <set>

namespace {

constexpr int kTrials = 5;
const char* const kSections[] = {"labs", "meds", "notes", "tests", "todos", "vitals"};

struct Result {
  int code = -1;
  QString out;
  QString err;
};

Result Cli(const QString& device, const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(OVELIN_CLI_PATH), QStringList{"--device", device} + arguments);
  process.waitForFinished(120'000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

// A backup document with patients Many, P0 ... Many, P<count-1>, each with records records of
// every kind, made through the command line's own import of a generated document.
QJsonObject MakeDocument(int patients, int records) {
  QJsonArray list;
  for (int p = 0; p < patients; ++p) {
    QJsonObject patient{{"name", QStringLiteral("Many, P%1").arg(p)},
                        {"firstName", QStringLiteral("P%1").arg(p)},
                        {"lastName", "Many"}};
    for (const char* field : {"mrNumber", "doctor", "ageValue", "ageUnit", "race", "sex",
                              "codeStatus", "room", "diagnosis", "allergies", "problems", "todo"}) {
      patient[field] = "";
    }
    patient["patientType"] = "Clinic";
    patient["admitDate"] = QJsonValue(QJsonValue::Null);
    patient["dateOfBirth"] = QJsonValue(QJsonValue::Null);
    patient["timeStamp"] = QJsonValue(QJsonValue::Null);
    patient["desktopId"] = 0;
    patient["accessState"] = 0;
    QJsonArray vitals;
    QJsonArray notes;
    for (int r = 0; r < records; ++r) {
      const QString when = QStringLiteral("2026-12-0%1T%2:%3:00")
                               .arg(1 + r / 600)
                               .arg((r / 60) % 10, 2, 10, QLatin1Char('0'))
                               .arg(r % 60, 2, 10, QLatin1Char('0'));
      QJsonObject dated{{"date", when},
                        {"time", when},
                        {"timeStamp", when},
                        {"desktopId", 0},
                        {"accessState", 0}};
      QJsonObject vital = dated;
      vital["values"] = QStringLiteral("Temp\n%1\n").arg(r);
      vitals.append(vital);
      QJsonObject note = dated;
      note["noteText"] = QStringLiteral("note %1").arg(r);
      for (const char* field : {"subjective", "objective", "assessmentPlan"}) {
        note[field] = "";
      }
      notes.append(note);
    }
    patient["vitals"] = vitals;
    patient["notes"] = notes;
    for (const char* section : {"labs", "meds", "tests", "todos"}) {
      patient[section] = QJsonArray();
    }
    list.append(patient);
  }
  return QJsonObject{{"format", "ovelin-backup"},
                     {"version", 1},
                     {"patients", list},
                     {"categories", QJsonArray()},
                     {"autoTextLists", QJsonArray()},
                     {"favorites", QJsonArray()}};
}

QString WriteDocument(const QString& folder, const QJsonObject& document) {
  const QString path = folder + "/document.json";
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(QJsonDocument(document).toJson());
  return path;
}

QJsonObject Export(const QString& device) {
  const Result exported = Cli(device, {"export"});
  EXPECT_EQ(exported.code, 0) << exported.err.toStdString();
  return QJsonDocument::fromJson(exported.out.toUtf8()).object();
}

size_t RecordCount(const QJsonObject& document) {
  size_t count = 0;
  for (const QJsonValue& patient : document["patients"].toArray()) {
    for (const char* section : kSections) {
      count += static_cast<size_t>(patient[section].toArray().size());
    }
  }
  return count;
}

void ExpectSound(const QString& device) {
  const Result check = Cli(device, {"check"});
  EXPECT_EQ(check.code, 0) << check.err.toStdString();
}

// Copies a device folder (closed) to a new one.
void CopyDevice(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QString& name : QDir(from).entryList(QDir::Files)) {
    QFile::copy(from + "/" + name, to + "/" + name);
  }
}

// Runs the command until it ends by itself, answering how long it took.
qint64 TimeUndisturbed(const QString& device, const QStringList& arguments) {
  QElapsedTimer timer;
  timer.start();
  const Result result = Cli(device, arguments);
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  return timer.elapsed();
}

// Starts the command and kills it with SIGKILL after delayMs, unless it ended before.
void KillAfter(const QString& device, const QStringList& arguments, int delayMs) {
  QProcess process;
  process.start(QStringLiteral(OVELIN_CLI_PATH), QStringList{"--device", device} + arguments);
  ASSERT_TRUE(process.waitForStarted());
  if (!process.waitForFinished(delayMs)) {
    process.kill();
    process.waitForFinished();
  }
}

std::mt19937& Random() {
  static std::mt19937 random(20261209);
  return random;
}

int KillPoint(qint64 undisturbedMs) {
  std::uniform_int_distribution<int> spread(0, static_cast<int>(undisturbedMs * 6 / 5) + 1);
  return spread(Random());
}

TEST(FaultKill, AKilledImportStoresAllOrNothing) {
  QTemporaryDir dir;
  const QJsonObject document = MakeDocument(40, 30);
  const QString path = WriteDocument(dir.path(), document);
  const QString base = dir.path() + "/base";
  ASSERT_EQ(
      Cli(base, {"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"}).code,
      0);
  const QString timed = dir.path() + "/timed";
  CopyDevice(base, timed);
  const qint64 undisturbed = TimeUndisturbed(timed, {"import", path});
  const size_t allRecords = RecordCount(Export(timed));

  for (int trial = 0; trial < kTrials; ++trial) {
    const QString device = dir.path() + QStringLiteral("/trial%1").arg(trial);
    CopyDevice(base, device);
    const int delay = KillPoint(undisturbed);
    SCOPED_TRACE(delay);
    KillAfter(device, {"import", path}, delay);
    ExpectSound(device);
    const QJsonObject after = Export(device);
    const qsizetype patients = after["patients"].toArray().size();
    EXPECT_TRUE(patients == 1 || patients == 41) << patients;
    EXPECT_EQ(RecordCount(after), patients == 1 ? 0u : allRecords);
  }
}

TEST(FaultKill, AKilledPatientDeleteDeletesTheWholePatientOrNothing) {
  QTemporaryDir dir;
  const QString base = dir.path() + "/base";
  ASSERT_EQ(Cli(base, {"import", WriteDocument(dir.path(), MakeDocument(2, 150))}).code, 0);
  const QString timed = dir.path() + "/timed";
  CopyDevice(base, timed);
  const qint64 undisturbed = TimeUndisturbed(timed, {"patient", "delete", "Many, P0"});

  for (int trial = 0; trial < kTrials; ++trial) {
    const QString device = dir.path() + QStringLiteral("/trial%1").arg(trial);
    CopyDevice(base, device);
    const int delay = KillPoint(undisturbed);
    SCOPED_TRACE(delay);
    KillAfter(device, {"patient", "delete", "Many, P0"}, delay);
    ExpectSound(device);
    const QJsonObject after = Export(device);
    const qsizetype patients = after["patients"].toArray().size();
    EXPECT_TRUE(patients == 1 || patients == 2) << patients;
    EXPECT_EQ(RecordCount(after), patients == 1 ? 300u : 600u);
  }
}

// One beam of the patient from sender to receiver; the receiver is killed after delayMs (never
// when delayMs is negative). Answers how long the receive ran.
qint64 BeamPatient(const QString& sender, const QString& receiver, int delayMs) {
  // The receiver listens on a port of the system's choice and says which.
  QProcess receiving;
  receiving.start(QStringLiteral(OVELIN_CLI_PATH), {"--device", receiver, "beam", "receive",
                                                    "--listen", "127.0.0.1:0", "--timeout", "60"});
  receiving.waitForStarted();
  QString announced;
  while (!announced.contains('\n') && receiving.state() == QProcess::Running) {
    receiving.waitForReadyRead(100);
    announced += QString::fromUtf8(receiving.readAllStandardError());
  }
  const QString address = announced.section("listening on ", 1).section('\n', 0, 0).trimmed();
  QElapsedTimer timer;
  timer.start();
  QProcess sending;
  sending.start(QStringLiteral(OVELIN_CLI_PATH), {"--device", sender, "beam", "patient", "Many, P0",
                                                  "--peer", address, "--timeout", "60"});
  if (delayMs >= 0 && !receiving.waitForFinished(delayMs)) {
    receiving.kill();
  }
  receiving.waitForFinished(90'000);
  const qint64 took = timer.elapsed();
  // The receiver is what is examined; a sender left without it need not wait out its time-out.
  if (delayMs >= 0) {
    sending.kill();
  }
  sending.waitForFinished(90'000);
  return took;
}

// Every record as its JSON text, by section.
std::set<QString> RecordTexts(const QJsonObject& document) {
  std::set<QString> texts;
  for (const QJsonValue& patient : document["patients"].toArray()) {
    for (const char* section : kSections) {
      for (const QJsonValue& record : patient[section].toArray()) {
        texts.insert(QString::fromLatin1(section) +
                     QString::fromUtf8(QJsonDocument(record.toObject()).toJson()));
      }
    }
  }
  return texts;
}

TEST(FaultKill, AKilledBeamReceiveKeepsOnlyWholeRecordsAsTheyWereSent) {
  QTemporaryDir dir;
  const QString sender = dir.path() + "/sender";
  ASSERT_EQ(Cli(sender, {"import", WriteDocument(dir.path(), MakeDocument(1, 120))}).code, 0);
  const std::set<QString> sent = RecordTexts(Export(sender));
  const qint64 undisturbed = BeamPatient(sender, dir.path() + "/timed", -1);
  EXPECT_EQ(RecordTexts(Export(dir.path() + "/timed")), sent);

  for (int trial = 0; trial < kTrials; ++trial) {
    const QString receiver = dir.path() + QStringLiteral("/trial%1").arg(trial);
    const int delay = KillPoint(undisturbed);
    SCOPED_TRACE(delay);
    BeamPatient(sender, receiver, delay);
    ExpectSound(receiver);
    for (const QString& record : RecordTexts(Export(receiver))) {
      EXPECT_TRUE(sent.count(record) == 1) << record.toStdString();
    }
  }
}

}  // namespace
