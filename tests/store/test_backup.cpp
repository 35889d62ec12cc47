#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/Clock.h"
#include "platform/ValueRules.h"
#include "store/Backup.h"
#include "store/CDBLabValues.h"
#include "store/CDBLists.h"
#include "store/CDBMeds.h"
#include "store/CDBMedsFavorites.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "store/PatientDeletion.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using test_time::At;

void AddPatient(const QString& first, const QString& last) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = "Clinic";
  patient.dateOfBirth = At(1970, 5, 6);
  ASSERT_TRUE(patient.CreateRecord(false));
}

// One record of every kind for the patient, and for one of them the marks of a record that came
// from the desktop.
void AddRecords(const QString& name) {
  CDBMeds med;
  med.patient = name;
  med.drug = "Lasix";
  med.dose = "40mg";
  med.trackDays = "No";
  med.startDate = At(2026, 12, 1);
  ASSERT_TRUE(med.AddNew(false));
  CDBVitals vitals;
  vitals.patient = name;
  vitals.date = vitals.time = At(2026, 12, 8, 9, 30);
  vitals.values = "Temp\n37\nPulse\n80\n";
  ASSERT_TRUE(vitals.AddNew(false));
  CDBLabValues lab;
  lab.patient = name;
  lab.date = lab.time = At(2026, 12, 8, 6, 0);
  lab.group = "CBC";
  lab.values = "WBC\n7\n";
  lab.timeStamp = At(2026, 12, 8, 7, 0);
  lab.desktopId = 41;
  lab.accessState = 2;
  ASSERT_TRUE(lab.AddNew(true));
  CDBTest test;
  test.patient = name;
  test.date = test.time = At(2026, 12, 7, 14, 0);
  test.test = "CXR";
  test.result = "clear";
  ASSERT_TRUE(test.AddNew(false));
  CDBNotes note;
  note.patient = name;
  note.date = note.time = At(2026, 12, 8, 10, 0);
  note.noteText = "S: fine";
  note.subjective = "fine";
  ASSERT_TRUE(note.AddNew(false));
  CDBToDo todo;
  todo.patient = name;
  todo.flags = 131;
  todo.text = "call family";
  todo.note = "after 5";
  ASSERT_NE(todo.AddNew(false), 0u);
}

QJsonObject ExportAll() {
  QJsonObject document;
  QString error;
  EXPECT_TRUE(backup::Export({}, document, error)) << error.toStdString();
  return document;
}

class Backup : public ::testing::Test {
 protected:
  void SetUp() override { clock_source::Fix(At(2026, 12, 9, 8, 0)); }

  TestGuard m_guard;
};

TEST_F(Backup, ExportImportIntoAnEmptyDeviceReproducesEveryRecord) {
  QJsonObject first;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    AddPatient("Jo", "Smith");
    AddRecords("Smith, Ann");
    AddRecords("Smith, Jo");
    CDBMedsFavorites favorite;
    favorite.drug = "Tylenol";
    favorite.dose = "650mg";
    ASSERT_TRUE(favorite.AddNew());
    CDBCategories room;
    room.text = "ICU 4";
    ASSERT_TRUE(room.AddNew(CDBCategories::kRoomList));
    CDBLists lists;
    ASSERT_TRUE(lists.FindByName("2103"));
    ASSERT_TRUE(lists.UpdateValues(lists.recordId, "NKDA\nPCN\n"));
    first = ExportAll();
  }
  const QJsonArray patients = first["patients"].toArray();
  ASSERT_EQ(patients.size(), 2);
  const QJsonObject ann = patients[0].toObject();
  EXPECT_EQ(ann["dateOfBirth"].toString(), "1970-05-06T00:00:00");
  for (const char* section : {"labs", "meds", "notes", "tests", "todos", "vitals"}) {
    EXPECT_EQ(ann[section].toArray().size(), 1) << section;
  }
  const QJsonObject lab = ann["labs"].toArray()[0].toObject();
  EXPECT_EQ(lab["timeStamp"].toString(), "2026-12-08T07:00:00");
  EXPECT_EQ(lab["desktopId"].toInt(), 41);
  EXPECT_EQ(lab["accessState"].toInt(), 2);
  EXPECT_FALSE(lab.contains("id"));

  TempDevice target;
  clock_source::Advance(3600'000);  // a later "now" must not leak into the restored stamps
  QString error;
  ASSERT_TRUE(backup::Import(first, error)) << error.toStdString();
  const QJsonObject second = ExportAll();
  EXPECT_EQ(QJsonDocument(second).toJson().toStdString(),
            QJsonDocument(first).toJson().toStdString());

  // Importing again merges into what is there instead of doubling it.
  ASSERT_TRUE(backup::Import(first, error)) << error.toStdString();
  EXPECT_EQ(ExportAll(), first);
}

// The id of the only record of a volume.
CDBBaseDatabase::RecordId OnlyRecord(const char* volume) {
  platform::PropertyDatabase db;
  if (!db.Open(volume)) {
    return 0;
  }
  const auto id = db.SeekFirst();
  return db.SeekNext() == 0 ? id : 0;
}

TEST_F(Backup, RestoredRecordsOfEveryKindCanBeRewritten) {
  // Restored records carry the synchronisation marks, as synchronised and received ones do;
  // a correction to any of them must be stored like one to a record made on the device.
  QJsonObject document;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    AddRecords("Smith, Ann");
    document = ExportAll();
  }
  TempDevice target;
  QString error;
  ASSERT_TRUE(backup::Import(document, error)) << error.toStdString();

  CDBMeds med;
  med.drug = "Lasix";
  med.dose = "80mg";
  med.trackDays = "No";
  EXPECT_TRUE(med.UpdateByCEOID(OnlyRecord(CDBMeds::kVolumeName)));
  EXPECT_TRUE(CDBVitals().UpdateValues(OnlyRecord(CDBVitals::kVolumeName), "Temp\n38\n"));
  EXPECT_TRUE(CDBLabValues().UpdateValues(OnlyRecord(CDBLabValues::kVolumeName), "WBC\n9\n"));
  EXPECT_TRUE(CDBTest().UpdateResult(OnlyRecord(CDBTest::kVolumeName), "effusion"));
  EXPECT_TRUE(CDBNotes().UpdateValues(OnlyRecord(CDBNotes::kVolumeName), "S: worse"));
  CDBToDo todo;
  ASSERT_TRUE(todo.ReadByCEOID(OnlyRecord(CDBToDo::kVolumeName)));
  todo.text = "call family today";
  EXPECT_TRUE(todo.UpdateByCEOID(OnlyRecord(CDBToDo::kVolumeName)));
  CDBPatient patient;
  ASSERT_TRUE(patient.FindByName("Smith, Ann"));
  patient.room = "12";
  EXPECT_TRUE(patient.UpdateRecord("Smith, Ann", false));

  const QJsonObject ann = ExportAll()["patients"].toArray()[0].toObject();
  EXPECT_EQ(ann["room"].toString(), "12");
  EXPECT_EQ(ann["meds"].toArray()[0].toObject()["dose"].toString(), "80mg");
  EXPECT_EQ(ann["vitals"].toArray()[0].toObject()["values"].toString(), "Temp\n38\n");
  EXPECT_EQ(ann["labs"].toArray()[0].toObject()["values"].toString(), "WBC\n9\n");
  EXPECT_EQ(ann["tests"].toArray()[0].toObject()["result"].toString(), "effusion");
  EXPECT_EQ(ann["notes"].toArray()[0].toObject()["noteText"].toString(), "S: worse");
  EXPECT_EQ(ann["todos"].toArray()[0].toObject()["text"].toString(), "call family today");
}

TEST_F(Backup, OnePatientOnly) {
  TempDevice device;
  AddPatient("Ann", "Smith");
  AddPatient("Jo", "Smith");
  QJsonObject document;
  QString error;
  ASSERT_TRUE(backup::Export("smith, jo", document, error));
  ASSERT_EQ(document["patients"].toArray().size(), 1);
  EXPECT_EQ(document["patients"].toArray()[0].toObject()["name"].toString(), "Smith, Jo");
  EXPECT_FALSE(backup::Export("Nobody, X", document, error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(Backup, MalformedDocumentsStoreNothing) {
  QJsonObject good;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    AddRecords("Smith, Ann");
    good = ExportAll();
  }
  const auto breakRecord = [&](const char* section, const char* field, const QJsonValue& value) {
    QJsonObject document = good;
    QJsonArray patients = document["patients"].toArray();
    QJsonObject patient = patients[0].toObject();
    QJsonArray records = patient[section].toArray();
    QJsonObject record = records[0].toObject();
    if (value.isUndefined()) {
      record.remove(field);
    } else {
      record[field] = value;
    }
    records[0] = record;
    patient[section] = records;
    patients[0] = patient;
    document["patients"] = patients;
    return document;
  };
  const auto breakPatient = [&](const char* field, const QJsonValue& value) {
    QJsonObject document = good;
    QJsonArray patients = document["patients"].toArray();
    QJsonObject patient = patients[0].toObject();
    patient[field] = value;
    patients[0] = patient;
    document["patients"] = patients;
    return document;
  };
  const std::vector<QJsonObject> broken = {
      breakPatient("name", ""),
      breakPatient("accessState", -5),
      breakRecord("labs", "accessState", 3),
      breakRecord("tests", "timeStamp", "2026-12-08T07:00:00\n"),
      breakRecord("vitals", "values", QStringLiteral("Temp\n37") + QChar(0) + "\n"),
      breakRecord("vitals", "date", "2026-13-01T00:00:00"),
      breakRecord("todos", "flags", -1),
      breakRecord("meds", "drug", 5),
      breakRecord("notes", "noteText", QJsonValue(QJsonValue::Undefined)),
      breakRecord("labs", "desktopId", 1.5),
      QJsonObject{{"format", "something else"}},
      QJsonObject{{"format", "ovelin-backup"}, {"version", 1}, {"patients", 3}},
  };
  for (const QJsonObject& document : broken) {
    TempDevice target;
    QString error;
    EXPECT_FALSE(backup::Import(document, error));
    EXPECT_FALSE(error.isEmpty());
    CDBPatient patient;
    EXPECT_FALSE(patient.FindByName("Smith, Ann")) << error.toStdString();
    EXPECT_FALSE(patient.FindByName("")) << error.toStdString();
    EXPECT_TRUE(error.startsWith("patients[0]") || error.startsWith("not an") ||
                error.startsWith("document"))
        << error.toStdString();
  }
}

// Many patients with many records: a document larger than what a full disk still takes.
QJsonObject LargeDocument() {
  TempDevice source;
  for (int i = 0; i < 40; ++i) {
    AddPatient(QStringLiteral("P%1").arg(i), "Many");
    AddRecords(QStringLiteral("Many, P%1").arg(i));
  }
  return ExportAll();
}

TEST_F(Backup, AnImportThatFillsTheDiskMidwayStoresNothing) {
  const QJsonObject document = LargeDocument();
  TempDevice target;
  AddPatient("Ann", "Smith");
  // The device may grow by a few pages only: the disk is full long before the document is in.
  sqlite3* db = target.device().ObjectStore();
  sqlite3_stmt* count = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &count, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
  const std::string limit =
      "PRAGMA max_page_count=" + std::to_string(sqlite3_column_int64(count, 0) + 8);
  sqlite3_finalize(count);
  ASSERT_EQ(sqlite3_exec(db, limit.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);

  QString error;
  EXPECT_FALSE(backup::Import(document, error));
  EXPECT_TRUE(error.contains("full")) << error.toStdString();
  memory_controls::List list;
  std::vector<QString> names;
  for (const CDBPatient::PatientRow& row : CDBPatient().PopulatePatientList(list, {})) {
    names.push_back(row.name);
  }
  EXPECT_EQ(names, std::vector<QString>{"Smith, Ann"});
  for (const char* volume : {"OVMeds", "OVVitals", "OVNotes"}) {
    platform::PropertyDatabase records;
    EXPECT_FALSE(records.Open(QString::fromLatin1(volume)) && records.RecordCount() != 0) << volume;
  }
}

TEST_F(Backup, AnExportOfADeviceThatCannotBeReadWholeFails) {
  TempDevice device;
  AddPatient("Ann", "Smith");
  AddRecords("Smith, Ann");
  // The medications lose their properties table: reading them fails.
  sqlite3* db = device.device().ObjectStore();
  ASSERT_EQ(
      sqlite3_exec(db, "CREATE TEMP TABLE n AS SELECT num FROM volumes WHERE name = 'OVMeds';",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_stmt* find = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT num FROM n", -1, &find, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(find), SQLITE_ROW);
  const std::string drop = "DROP TABLE v" + std::to_string(sqlite3_column_int64(find, 0)) + "_prop";
  sqlite3_finalize(find);
  ASSERT_EQ(sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);

  QJsonObject document;
  QString error;
  EXPECT_FALSE(backup::Export({}, document, error));
  EXPECT_TRUE(error.contains("could not be read whole")) << error.toStdString();
  EXPECT_TRUE(document.isEmpty());
}

TEST_F(Backup, DeletingAPatientRemovesEveryRecordOfThatPatientOnly) {
  TempDevice device;
  AddPatient("J", "Smith");
  AddPatient("Jo", "Smith");
  AddRecords("Smith, J");
  AddRecords("Smith, Jo");
  EXPECT_TRUE(patient_records::DeletePatient("Smith, J"));
  EXPECT_FALSE(patient_records::DeletePatient("Smith, J"));

  QJsonObject document;
  QString error;
  ASSERT_TRUE(backup::Export({}, document, error));
  const QJsonArray patients = document["patients"].toArray();
  ASSERT_EQ(patients.size(), 1);
  for (const char* section : {"labs", "meds", "notes", "tests", "todos", "vitals"}) {
    EXPECT_EQ(patients[0].toObject()[section].toArray().size(), 1) << section;
  }
  for (const char* volume : {"OVMeds", "OVVitals", "OVLabValues", "OVTest", "OVNotes", "OVToDo"}) {
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(QString::fromLatin1(volume)));
    EXPECT_EQ(db.RecordCount(), 1u) << volume;
  }
}

// ---- The document as a stream ------------------------------------------------------------------

// What the export writes, as text.
QByteArray ExportText() {
  QByteArray text;
  size_t patients = 0;
  QString error;
  EXPECT_TRUE(backup::Export(
      {},
      [&text](const QByteArray& bytes) {
        text += bytes;
        return true;
      },
      patients, error))
      << error.toStdString();
  return text;
}

bool ImportText(QByteArray text, QString& error) {
  QBuffer input(&text);
  input.open(QIODevice::ReadOnly);
  return backup::Import(input, error);
}

// The value as JSON text with every object's keys in reverse order, and with a member that no
// reader knows, holding arrays and objects, in each object.
QByteArray Reordered(const QJsonValue& value) {
  if (value.isArray()) {
    QByteArrayList items;
    for (const QJsonValue& item : value.toArray()) {
      items << Reordered(item);
    }
    return "[" + items.join(",") + "]";
  }
  if (value.isObject()) {
    const QJsonObject object = value.toObject();
    QByteArrayList members{R"("zzUnknown": [{"a": [1, {"b": null}]}, "text", 2])"};
    const QStringList keys = object.keys();
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
      members << "\"" + key->toUtf8() + "\": " + Reordered(object.value(*key));
    }
    return "{" + members.join(",") + "}";
  }
  const QByteArray single = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return single.mid(1, single.size() - 2);
}

TEST_F(Backup, ABackupOfHardCasesIsRestoredAndWrittenAgainByteForByte) {
  // Written by the export that built the whole document in memory before writing it: names and
  // texts in many scripts, a character outside the BMP, control characters, quotes and
  // backslashes, CR LF, the extremes of every number, fractions of a second, null times, the
  // first and last instants a time may hold, and a patient without records.
  QFile file(QStringLiteral(OVELIN_BACKUP_SAMPLE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray sample = file.readAll();
  TempDevice device;
  QString error;
  ASSERT_TRUE(ImportText(sample, error)) << error.toStdString();
  EXPECT_EQ(ExportText().toStdString(), sample.toStdString());
}

TEST_F(Backup, ADocumentIsReadWhateverTheOrderOfItsMembersAndUnknownMembersAreSkipped) {
  QByteArray written;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    AddPatient("Jo", "Smith");
    AddRecords("Smith, Ann");
    CDBMedsFavorites favorite;
    favorite.drug = "Tylenol";
    ASSERT_TRUE(favorite.AddNew());
    written = ExportText();
  }
  // Reversed, a patient's name comes after four of its sections and before the other two.
  const QByteArray reordered = Reordered(QJsonDocument::fromJson(written).object());
  TempDevice target;
  QString error;
  ASSERT_TRUE(ImportText(reordered, error)) << error.toStdString();
  EXPECT_EQ(ExportText().toStdString(), written.toStdString());
}

TEST_F(Backup, ATextUpToTheLimitGoesBothWaysAndALongerOneNeither) {
  QByteArray atLimit;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    AddRecords("Smith, Ann");
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName("Smith, Ann"));
    patient.problems = QString(value_rules::kMaxTextLength, QLatin1Char('p'));
    ASSERT_TRUE(patient.UpdateRecord("Smith, Ann", false));
    atLimit = ExportText();

    patient.problems += QLatin1Char('p');
    ASSERT_TRUE(patient.UpdateRecord("Smith, Ann", false));
    size_t patients = 0;
    QString error;
    EXPECT_FALSE(backup::Export(
        {}, [](const QByteArray&) { return true; }, patients, error));
    EXPECT_TRUE(error.contains("\"problems\" of Smith, Ann")) << error.toStdString();
  }
  {
    TempDevice target;
    QString error;
    ASSERT_TRUE(ImportText(atLimit, error)) << error.toStdString();
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName("Smith, Ann"));
    EXPECT_EQ(patient.problems.size(), value_rules::kMaxTextLength);
  }
  TempDevice target;
  QByteArray tooLong = atLimit;
  tooLong.replace(QByteArray(value_rules::kMaxTextLength, 'p'),
                  QByteArray(value_rules::kMaxTextLength + 1, 'p'));
  QString error;
  EXPECT_FALSE(ImportText(tooLong, error));
  EXPECT_TRUE(error.startsWith(
      "patients[0], field \"problems\": a text longer than 1048576 characters at offset "))
      << error.toStdString();
  EXPECT_FALSE(CDBPatient().FindByName("Smith, Ann"));
}

TEST_F(Backup, ASurrogateWithoutItsPartnerIsWrittenAndReadBackAsItWas) {
  // A text cut in the middle of a pair (a received one, say) holds half a pair; it is written as
  // its escape, as QJsonDocument wrote it, and must come back unchanged.
  const QString halfPair =
      QStringLiteral("a") + QChar(static_cast<char16_t>(0xD83D)) + QStringLiteral("b");
  QByteArray written;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName("Smith, Ann"));
    patient.problems = halfPair;
    ASSERT_TRUE(patient.UpdateRecord("Smith, Ann", false));
    written = ExportText();
  }
  ASSERT_TRUE(written.contains(R"("problems": "a\ud83db")")) << written.toStdString();
  TempDevice target;
  QString error;
  ASSERT_TRUE(ImportText(written, error)) << error.toStdString();
  CDBPatient patient;
  ASSERT_TRUE(patient.FindByName("Smith, Ann"));
  EXPECT_EQ(patient.problems, halfPair);
}

TEST_F(Backup, AnEmptyDeviceTakesTheBackupAsItStandsAndAFullOneMergesIt) {
  // The same medication entered twice on the device that made the backup.
  QJsonObject document;
  {
    TempDevice source;
    AddPatient("Ann", "Smith");
    for (int i = 0; i < 2; ++i) {
      CDBMeds med;
      med.patient = "Smith, Ann";
      med.drug = "Lasix";
      med.dose = "40mg";
      ASSERT_TRUE(med.AddNew(false));
    }
    document = ExportAll();
  }
  TempDevice target;
  const auto medications = [] { return ExportAll()["patients"][0]["meds"].toArray().size(); };
  QString error;
  ASSERT_TRUE(backup::Import(document, error)) << error.toStdString();
  EXPECT_EQ(medications(), 2);
  ASSERT_TRUE(backup::Import(document, error)) << error.toStdString();
  EXPECT_EQ(medications(), 2);
}

}  // namespace
