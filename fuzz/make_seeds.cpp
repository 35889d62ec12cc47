// Writes the seed corpora of the fuzz harnesses into fuzz/corpus/<harness>/: sound examples of
// every input each harness reads, made by the program's own writers on a scratch device. Run by
// hand when a format grows (scripts/fuzz --seeds); the corpora are kept in the repository.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cstdio>

#include "beam/CBeamEngine.h"
#include "common/ByteStream.h"
#include "common/CDBPatient.h"
#include "platform/Device.h"
#include "platform/Registry.h"
#include "store/Backup.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace {

using Bytes = std::vector<uint8_t>;

const QString kPatient = QStringLiteral("Smith, Ann");

void Save(const QString& folder, const QString& name, const Bytes& bytes) {
  QDir().mkpath(folder);
  QFile file(folder + QLatin1Char('/') + name);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  }
}

FILETIME Minute(int minute) {
  SYSTEMTIME parts;
  parts.wYear = 2026;
  parts.wMonth = 12;
  parts.wDay = 8;
  parts.wHour = 9;
  parts.wMinute = static_cast<uint16_t>(minute);
  FILETIME time;
  filetime::FromSystemTime(parts, time);
  return time;
}

bool AddRecords() {
  CDBPatient patient;
  patient.firstName = QStringLiteral("Ann");
  patient.lastName = QStringLiteral("Smith");
  patient.patientType = QStringLiteral("Clinic");
  patient.diagnosis = QStringLiteral("CHF");
  if (!patient.CreateRecord(false)) {
    return false;
  }
  CDBLabValues lab;
  lab.patient = kPatient;
  lab.date = lab.time = Minute(1);
  lab.group = QStringLiteral("CBC");
  lab.values = QStringLiteral("WBC\n7\nHgb\n12\n");
  if (!lab.AddNew(false)) {
    return false;
  }
  CDBMeds med;
  med.patient = kPatient;
  med.drug = QStringLiteral("Lasix");
  med.dose = QStringLiteral("40mg");
  med.trackDays = QStringLiteral("Yes");
  med.days = QStringLiteral("7");
  med.startDate = Minute(0);
  if (!med.AddNew(false)) {
    return false;
  }
  CDBNotes note;
  note.patient = kPatient;
  note.date = note.time = Minute(2);
  note.noteText = QStringLiteral("S: better");
  if (!note.AddNew(false)) {
    return false;
  }
  CDBTest test;
  test.patient = kPatient;
  test.date = test.time = Minute(3);
  test.test = QStringLiteral("CXR");
  test.result = QStringLiteral("clear");
  if (!test.AddNew(false)) {
    return false;
  }
  CDBToDo todo;
  todo.patient = kPatient;
  todo.flags = 0x83;
  todo.text = QStringLiteral("call family");
  if (!todo.AddNew(false)) {
    return false;
  }
  CDBVitals vitals;
  vitals.patient = kPatient;
  vitals.date = vitals.time = Minute(4);
  vitals.values = QStringLiteral("Temp\n37\n");
  return vitals.AddNew(false);
}

Bytes Serialized(uint8_t kind) {
  CBeamRecord record;
  Bytes bytes;
  if (kind == beam::kPatientRecord ? record.FindPatient(kPatient)
                                   : record.FirstOf(kind, kPatient)) {
    record.SerializeRecord(bytes);
  }
  return bytes;
}

void Append(Bytes& to, const Bytes& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

Bytes Frame(const Bytes& record) {
  Bytes bytes;
  bytes::Writer(bytes).WriteU32(static_cast<uint32_t>(record.size()));
  Append(bytes, record);
  return bytes;
}

Bytes U32(uint32_t value) {
  Bytes bytes;
  bytes::Writer(bytes).WriteU32(value);
  return bytes;
}

// A patient block with one record in each section.
Bytes PatientBlock() {
  Bytes block = Frame(Serialized(beam::kPatientRecord));
  Append(block, U32(6));
  for (const uint8_t kind : beam::kSectionOrder) {
    Append(block, U32(1));
    block.push_back(kind);
    Append(block, Frame(Serialized(kind)));
    block.push_back(0);
  }
  return block;
}

Bytes CategoryBlock() {
  Bytes bytes = U32(3);
  bytes::Writer writer(bytes);
  writer.WriteU32(2);
  for (const char* entry : {"Hospital", "ICU 4"}) {
    const QString text = QString::fromLatin1(entry);
    writer.WriteU32(static_cast<uint32_t>(text.size() + 1));
    writer.WriteU16(42);
    writer.WriteStringUnits(text);
  }
  writer.WriteU32(1);
  for (const char* field : {"Tylenol", "650mg", "PO", "Q4H"}) {
    writer.WriteString(QString::fromLatin1(field));
  }
  return bytes;
}

void WriteRecordSeeds(const QString& root) {
  for (uint8_t kind = beam::kPatientRecord; kind <= beam::kVitalsRecord; ++kind) {
    Save(root + QStringLiteral("/fuzz_record_write"), QStringLiteral("kind%1").arg(kind),
         Serialized(kind));
    Save(root + QStringLiteral("/fuzz_byte_reader"), QStringLiteral("kind%1").arg(kind),
         Serialized(kind));
  }
  Save(root + QStringLiteral("/fuzz_patient_record"), QStringLiteral("patient"),
       Serialized(beam::kPatientRecord));
}

void WriteBeamSeeds(const QString& root) {
  const QString folder = root + QStringLiteral("/fuzz_beam_receive");
  Bytes record{beam::kRecordTransfer};
  Append(record, Frame(Serialized(beam::kPatientRecord)));
  Append(record, Frame(Serialized(beam::kLabRecord)));
  Save(folder, QStringLiteral("kind2-record"), record);
  Bytes patient{beam::kPatientTransfer};
  Append(patient, PatientBlock());
  Save(folder, QStringLiteral("kind3-patient"), patient);
  Bytes checkout{beam::kPatientsTransfer};
  Append(checkout, U32(2));
  Append(checkout, PatientBlock());
  Append(checkout, PatientBlock());
  Save(folder, QStringLiteral("kind4-checkout"), checkout);
  Bytes categories{beam::kCategoriesTransfer};
  Append(categories, CategoryBlock());
  Save(folder, QStringLiteral("kind1-categories"), categories);
}

void WriteBackupSeed(const QString& root) {
  QJsonObject document;
  QString error;
  backup::Export({}, document, error);
  const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Compact);
  Save(root + QStringLiteral("/fuzz_backup_import"), QStringLiteral("device"),
       Bytes(json.begin(), json.end()));
}

void WriteRegistrySeeds(const QString& root) {
  const QString folder = root + QStringLiteral("/fuzz_registry_value");
  // The first byte: the value type times four (a multiple of four goes through the file).
  const auto seed = [&](const char* name, platform::ValueType type, const QByteArray& data) {
    Bytes bytes{static_cast<uint8_t>(static_cast<uint32_t>(type) << 2)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    Save(folder, QString::fromLatin1(name), bytes);
  };
  seed("sz", platform::ValueType::Sz,
       platform::RegistryKey::EncodeString(QStringLiteral("Password is zqx")));
  seed("dword", platform::ValueType::Dword, QByteArray("\xc0\x27\x09\x00", 4));
  seed("binary", platform::ValueType::Binary, QByteArray("\x20\x00\x2b\x00\x5a\x00\x00\x00", 8));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds CORPUS_FOLDER\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir scratch;
  platform::Device device(scratch.path());
  device.Prepare();
  platform::DeviceScope scope(device);
  if (!AddRecords()) {
    std::fprintf(stderr, "fuzz_make_seeds: the scratch device could not be filled\n");
    return 1;
  }
  WriteRecordSeeds(root);
  WriteBeamSeeds(root);
  WriteBackupSeed(root);
  WriteRegistrySeeds(root);
  return 0;
}
