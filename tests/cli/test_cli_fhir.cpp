// ovelin-cli export --format fhir: the bundles of hard cases and of a generated ward pass two
// independent FHIR validators, every vital sign is coded by our table or travels as text and is
// counted, and the same device exports the same bytes twice.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <map>
#include <set>

#include "cli/CliRunner.h"
#include "platform/Device.h"
#include "platform/FileTime.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace {

FILETIME At(int day, int hour) {
  SYSTEMTIME parts;
  parts.wYear = 2024;
  parts.wMonth = 6;
  parts.wDay = static_cast<uint16_t>(day);
  parts.wHour = static_cast<uint16_t>(hour);
  FILETIME time;
  filetime::FromSystemTime(parts, time);
  return time;
}

// The codes and units a vital sign may carry, as the exchange with hospital systems expects them.
const std::map<QString, std::set<QString>> kVitalUnits = {
    {"9279-1", {"/min"}},
    {"8867-4", {"/min"}},
    {"2708-6", {"%"}},
    {"8310-5", {"Cel", "[degF]"}},
    {"8302-2", {"cm", "[in_i]"}},
    {"29463-7", {"kg", "g", "[lb_av]"}},
    {"39156-5", {"kg/m2"}},
    {"85354-9", {}},
};

// An entry from the ward's server (desktopId set) has its access state.
void AddVitals(const QString& patient, int day, const QString& values, int32_t desktopId = 0,
               int32_t accessState = 0) {
  CDBVitals vitals;
  vitals.patient = patient;
  vitals.date = vitals.time = vitals.timeStamp = At(day, 8);
  vitals.values = values;
  vitals.desktopId = desktopId;
  vitals.accessState = accessState;
  ASSERT_TRUE(vitals.AddNew(desktopId != 0));
}

// The cases a mapping is most likely to get wrong, on the device of cli.
void SeedHardCases(CliRunner& cli) {
  for (const QStringList& patient :
       {QStringList{"--first", "Zoë", "--last", "Łukasz-Müller", "--sex", "F", "--mr", "Ü-17",
                    "--dob", "1950-02-03", "--allergies", "Penicillin"},
        QStringList{"--first", "Empty", "--last", "Chart", "--sex", "?"}}) {
    ASSERT_EQ(cli.Run(QStringList{"patient", "add", "--type", "Hospital"} + patient).code, 0);
  }
  platform::Device device(cli.folder());
  platform::DeviceScope scope(device);
  const QString zoe = QStringLiteral("Łukasz-Müller, Zoë");
  AddVitals(zoe, 1, "Temp\n100.4\nPulse\n88\nBP\n120/\nSAO2\n97%\nWeight\n154 lb\nTmax\n39\n");
  AddVitals(zoe, 2, "Temp\n38.2 C\nBP\n118/76\nResp\nlabored\nWeight\n80\nHeight\n170 cm\n", 41,
            1);  // read-only, from the ward's server
  CDBLabValues labs;
  labs.patient = zoe;
  labs.date = labs.time = At(1, 9);
  labs.group = "Chem";
  labs.values = "Na\n140\nK\nhemolysed\n";
  ASSERT_TRUE(labs.AddNew(false));
  CDBMeds med;
  med.patient = zoe;
  med.drug = "Amoxicillin";
  med.dose = "500 mg";
  med.route = "PO";
  med.frequency = "TID";
  med.trackDays = "Yes";
  med.days = "7";
  med.startDate = At(1, 0);
  ASSERT_TRUE(med.AddNew(false));
  CDBNotes note;
  note.patient = zoe;
  note.date = note.time = At(2, 10);
  note.noteText = "Zoë Łukasz-Müller\r\nFeels better.\r\n";
  ASSERT_TRUE(note.AddNew(false));
  CDBToDo todo;
  todo.patient = zoe;
  todo.flags = 0x80 | 1;  // done, most urgent
  todo.text = "Call family";
  todo.note = "Daughter: Ève";
  ASSERT_NE(todo.AddNew(false), 0u);
}

QJsonObject ExportBundle(CliRunner& cli, const QString& file, QString& summary) {
  const CliResult result = cli.Run({"export", "--format", "fhir", "--output", file});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  summary = result.err;
  QFile read(file);
  EXPECT_TRUE(read.open(QIODevice::ReadOnly));
  EXPECT_EQ(read.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
  return QJsonDocument::fromJson(read.readAll()).object();
}

// Runs both validators over the files; answers what they said when they found a problem.
QString Validate(const QStringList& files) {
  QProcess node;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("NODE_PATH", OVELIN_NPM_MODULES);
  node.setProcessEnvironment(environment);
  node.setProcessChannelMode(QProcess::MergedChannels);
  node.start("node", QStringList{OVELIN_FHIR_VALIDATE} + files);
  if (!node.waitForFinished(300000)) {
    return QStringLiteral("node did not run: %1").arg(node.errorString());
  }
  const QString said = QString::fromUtf8(node.readAll());
  return node.exitCode() == 0 ? QString() : said;
}

std::vector<QJsonObject> Resources(const QJsonObject& bundle, const QString& type) {
  std::vector<QJsonObject> found;
  for (const QJsonValue& entry : bundle["entry"].toArray()) {
    if (entry["resource"]["resourceType"].toString() == type) {
      found.push_back(entry["resource"].toObject());
    }
  }
  return found;
}

// Every coded vital sign carries a code and a unit of the table; every other is text, counted.
int CheckVitalCoding(const QJsonObject& bundle) {
  int uncoded = 0;
  for (const QJsonObject& observation : Resources(bundle, "Observation")) {
    if (observation["category"][0]["coding"][0]["code"].toString() != "vital-signs") {
      continue;
    }
    const QJsonArray coding = observation["code"]["coding"].toArray();
    if (coding.isEmpty()) {
      ++uncoded;
      EXPECT_TRUE(observation["valueString"].isString());
      continue;
    }
    const QString loinc = coding[0]["code"].toString();
    EXPECT_EQ(coding[0]["system"].toString(), "http://loinc.org");
    if (!kVitalUnits.count(loinc)) {
      ADD_FAILURE() << "a vital sign coded " << loinc.toStdString();
      continue;
    }
    if (loinc == "85354-9") {
      const QJsonArray parts = observation["component"].toArray();
      EXPECT_EQ(parts.size(), 2);
      EXPECT_EQ(parts[0]["code"]["coding"][0]["code"].toString(), "8480-6");
      EXPECT_EQ(parts[1]["code"]["coding"][0]["code"].toString(), "8462-4");
      EXPECT_EQ(parts[0]["valueQuantity"]["code"].toString(), "mm[Hg]");
      continue;
    }
    EXPECT_EQ(observation["valueQuantity"]["system"].toString(), "http://unitsofmeasure.org");
    EXPECT_TRUE(kVitalUnits.at(loinc).count(observation["valueQuantity"]["code"].toString()))
        << loinc.toStdString() << " "
        << observation["valueQuantity"]["code"].toString().toStdString();
  }
  return uncoded;
}

int SummaryCount(const QString& summary, const char* what) {
  const QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("(\\d+) ") + QLatin1String(what)).match(summary);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST(CliFhirExport, HardCasesAndAGeneratedWardValidateAndEveryVitalIsCodedOrCounted) {
  CliRunner hard;
  SeedHardCases(hard);
  CliRunner ward;
  ASSERT_EQ(ward.Run({"generate", "--patients", "3", "--seed", "11"}).code, 0);
  QString hardSummary;
  QString wardSummary;
  const QJsonObject hardBundle = ExportBundle(hard, hard.folder() + "/hard.json", hardSummary);
  const QJsonObject wardBundle = ExportBundle(ward, ward.folder() + "/ward.json", wardSummary);

  const QString problems = Validate({hard.folder() + "/hard.json", ward.folder() + "/ward.json"});
  EXPECT_TRUE(problems.isEmpty()) << problems.toStdString();

  // Tmax, "labored" and a weight without its unit cannot be coded; they travel and are counted.
  EXPECT_EQ(CheckVitalCoding(hardBundle), 3);
  EXPECT_EQ(SummaryCount(hardSummary, "vital signs not coded"), 3);
  EXPECT_EQ(CheckVitalCoding(wardBundle), SummaryCount(wardSummary, "vital signs not coded"));
  EXPECT_EQ(SummaryCount(hardSummary, "lab values as text"), 1);
  EXPECT_EQ(SummaryCount(wardSummary, "patients"), 3);

  std::map<QString, QString> units;  // what each temperature and weight was read as
  for (const QJsonObject& observation : Resources(hardBundle, "Observation")) {
    const QJsonObject quantity = observation["valueQuantity"].toObject();
    units[observation["code"]["text"].toString() + " " +
          QString::number(quantity["value"].toDouble())] = quantity["code"].toString();
    if (observation["code"]["coding"][0]["code"].toString() == "85354-9" &&
        observation["component"][0]["valueQuantity"]["value"].toDouble() == 120) {
      EXPECT_TRUE(observation["component"][1]["dataAbsentReason"].isObject());
    }
  }
  int readOnly = 0;
  for (const QJsonObject& observation : Resources(hardBundle, "Observation")) {
    readOnly += observation["meta"]["tag"][0]["code"].toString() == "read-only" ? 1 : 0;
  }
  EXPECT_EQ(readOnly, 5);  // the five values of the entry from the server
  EXPECT_EQ(units["Temp 100.4"], "[degF]");
  EXPECT_EQ(units["Temp 38.2"], "Cel");
  EXPECT_EQ(units["Weight 154"], "[lb_av]");
  EXPECT_EQ(units["Height 170"], "cm");

  const std::vector<QJsonObject> patients = Resources(hardBundle, "Patient");
  ASSERT_EQ(patients.size(), 2u);
  const QJsonObject zoe =
      patients[1]["name"][0]["family"] == "Łukasz-Müller" ? patients[1] : patients[0];
  EXPECT_EQ(zoe["name"][0]["given"][0].toString(), "Zoë");
  EXPECT_EQ(zoe["identifier"][0]["value"].toString(), "Ü-17");
  EXPECT_EQ(zoe["birthDate"].toString(), "1950-02-03");
  const std::vector<QJsonObject> notes = Resources(hardBundle, "DocumentReference");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(
      QByteArray::fromBase64(notes[0]["content"][0]["attachment"]["data"].toString().toLatin1()),
      QStringLiteral("Zoë Łukasz-Müller\r\nFeels better.\r\n").toUtf8());
  const std::vector<QJsonObject> meds = Resources(hardBundle, "MedicationStatement");
  ASSERT_EQ(meds.size(), 1u);
  EXPECT_EQ(meds[0]["effectivePeriod"]["end"].toString(), "2024-06-07");
  const std::vector<QJsonObject> tasks = Resources(hardBundle, "Task");
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0]["status"].toString(), "completed");
  EXPECT_EQ(tasks[0]["priority"].toString(), "stat");

  // The same device, the same bytes; every reference points into the bundle.
  QString again;
  ExportBundle(hard, hard.folder() + "/again.json", again);
  QFile first(hard.folder() + "/hard.json");
  QFile second(hard.folder() + "/again.json");
  ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
  EXPECT_EQ(first.readAll(), second.readAll());
  std::set<QString> urls;
  for (const QJsonValue& entry : wardBundle["entry"].toArray()) {
    EXPECT_TRUE(urls.insert(entry["fullUrl"].toString()).second);
  }
  for (const QJsonObject& observation : Resources(wardBundle, "Observation")) {
    EXPECT_TRUE(urls.count(observation["subject"]["reference"].toString()));
  }
}

TEST(CliFhirExport, RefusesBadInputAndNamesAMissingPatient) {
  CliRunner cli;
  EXPECT_EQ(cli.Run({"export", "--format", "xml"}).code, 2);
  EXPECT_EQ(cli.Run({"export", "--format", "fhir", "--force"}).code, 2);
  const CliResult missing = cli.Run({"export", "--format", "fhir", "--patient", "Nobody, No"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(missing.err.contains("no patient named Nobody, No")) << missing.err.toStdString();
  EXPECT_TRUE(missing.out.isEmpty());  // standard output gets a bundle only once it is whole
}

}  // namespace
