#include "store/FhirExport.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QUuid>
#include <functional>

#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/PackedValues.h"
#include "platform/BulkWriteScope.h"
#include "platform/FileTime.h"
#include "platform/StoreError.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "store/FhirCoding.h"

namespace fhir {
namespace {

const QString kLoinc = QStringLiteral("http://loinc.org");
const QString kUcum = QStringLiteral("http://unitsofmeasure.org");
const QString kObservationCategory =
    QStringLiteral("http://terminology.hl7.org/CodeSystem/observation-category");
// Where a record came from, as its access state tells: on the device, or from the ward's server.
const QString kAccessStateSystem = QStringLiteral("urn:ovelin:access-state");
constexpr uint32_t kToDoDoneFlag = 0x80;
constexpr uint32_t kToDoPriorityMask = 0x7F;

QJsonObject Coding(const QString& system, const QString& code, const QString& display) {
  return QJsonObject{{"system", system}, {"code", code}, {"display", display}};
}

QJsonObject Concept(const QJsonObject& coding, const QString& text) {
  return QJsonObject{{"coding", QJsonArray{coding}}, {"text", text}};
}

QJsonObject TextConcept(const QString& text) {
  return QJsonObject{{"text", text}};
}

QJsonObject Reference(const QString& fullUrl) {
  return QJsonObject{{"reference", fullUrl}};
}

// This machine's offset from UTC at a local hour, in seconds. Asked of the system once an hour
// of the records: each question reads the time zone anew.
int OffsetAt(const QDate& day, int hour) {
  static thread_local QHash<qint64, int> known;
  const qint64 key = day.toJulianDay() * 24 + hour;
  const auto found = known.constFind(key);
  if (found != known.constEnd()) {
    return *found;
  }
  const int offset = QDateTime(day, QTime(hour, 0), Qt::LocalTime).offsetFromUtc();
  known.insert(key, offset);
  return offset;
}

// A local time of the device as FHIR dateTime, with this machine's offset from UTC; empty when
// the time is not set.
QString DateTime(const FILETIME& time) {
  SYSTEMTIME parts;
  if (filetime::IsZero(time) || !filetime::ToSystemTime(time, parts)) {
    return {};
  }
  const int offset = OffsetAt(QDate(parts.wYear, parts.wMonth, parts.wDay), parts.wHour);
  const int minutes = std::abs(offset) / 60;
  return QString::asprintf("%04u-%02u-%02uT%02u:%02u:%02u%c%02d:%02d", parts.wYear, parts.wMonth,
                           parts.wDay, parts.wHour, parts.wMinute, parts.wSecond,
                           offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

QString Date(const FILETIME& time) {
  return DateTime(time).left(10);
}

// The device's records and the ids they get in the bundle.
class BundleWriter {
 public:
  BundleWriter(const QByteArray& idSeed, Summary& summary, const Sink& write)
      : m_namespace(QUuid::createUuidV5(QUuid(), QByteArrayLiteral("ovelin device ") + idSeed)),
        m_summary(summary),
        m_write(write) {}

  // A resource's id, from the kind of record, its record id and a part within it.
  QString IdOf(const char* kind, uint32_t recordId, int part = 0) const {
    return QUuid::createUuidV5(
               m_namespace,
               QStringLiteral("%1/%2/%3").arg(QLatin1String(kind)).arg(recordId).arg(part).toUtf8())
        .toString(QUuid::WithoutBraces);
  }

  // Adds the resource under id; answers its full URL for references.
  QString Add(QJsonObject resource, const QString& id, int32_t accessState) {
    resource.insert(QStringLiteral("id"), id);
    if (accessState != 0) {
      resource.insert(QStringLiteral("meta"),
                      QJsonObject{{"tag", QJsonArray{Coding(
                                              kAccessStateSystem,
                                              accessState == 1 ? QStringLiteral("read-only")
                                                               : QStringLiteral("read-write"),
                                              accessState == 1 ? QStringLiteral("Read Only")
                                                               : QStringLiteral("Read/Write"))}}});
    }
    const QString fullUrl = QStringLiteral("urn:uuid:") + id;
    // Each entry leaves as soon as it is made, one to a line: the bundle is never held whole.
    const QByteArray entry =
        QJsonDocument(QJsonObject{{"fullUrl", fullUrl}, {"resource", resource}})
            .toJson(QJsonDocument::Compact);
    m_written = m_written && m_write((m_summary.resources == 0 ? "\n" : ",\n") + entry);
    ++m_summary.resources;
    return fullUrl;
  }

  Summary& Counts() { return m_summary; }
  bool Written() const { return m_written; }

 private:
  QUuid m_namespace;
  Summary& m_summary;
  const Sink& m_write;
  bool m_written = true;
};

QJsonObject Category(const QString& code, const QString& display) {
  return QJsonObject{{"coding", QJsonArray{Coding(kObservationCategory, code, display)}}};
}

QJsonObject Observation(const QJsonObject& category, const QJsonObject& code,
                        const QString& patient, const QString& when) {
  QJsonObject observation{{"resourceType", "Observation"},
                          {"status", "final"},
                          {"category", QJsonArray{category}},
                          {"code", code},
                          {"subject", Reference(patient)}};
  if (!when.isEmpty()) {
    observation.insert(QStringLiteral("effectiveDateTime"), when);
  }
  return observation;
}

QJsonObject QuantityOf(double value, const QString& ucum) {
  return QJsonObject{{"value", value}, {"unit", ucum}, {"system", kUcum}, {"code", ucum}};
}

// ---------------------------------------------------------------------------------------------
// The patient

QString Gender(const QString& sex) {
  const QString folded = sex.trimmed().toCaseFolded();
  if (folded.isEmpty()) {
    return {};
  }
  if (folded == QLatin1String("m") || folded == QLatin1String("male")) {
    return QStringLiteral("male");
  }
  if (folded == QLatin1String("f") || folded == QLatin1String("female")) {
    return QStringLiteral("female");
  }
  return QStringLiteral("unknown");
}

QString AddPatient(BundleWriter& writer, const CDBPatient& patient) {
  QJsonObject name{{"use", "official"}, {"text", patient.name}};
  if (!patient.lastName.isEmpty()) {
    name.insert(QStringLiteral("family"), patient.lastName);
  }
  if (!patient.firstName.isEmpty()) {
    name.insert(QStringLiteral("given"), QJsonArray{patient.firstName});
  }
  QJsonObject resource{{"resourceType", "Patient"}, {"name", QJsonArray{name}}};
  if (!patient.mrNumber.trimmed().isEmpty()) {
    resource.insert(
        QStringLiteral("identifier"),
        QJsonArray{QJsonObject{
            {"type", Concept(Coding(QStringLiteral("http://terminology.hl7.org/CodeSystem/v2-0203"),
                                    QStringLiteral("MR"), QStringLiteral("Medical record number")),
                             QStringLiteral("MR number"))},
            {"value", patient.mrNumber.trimmed()}}});
  }
  if (const QString gender = Gender(patient.sex); !gender.isEmpty()) {
    resource.insert(QStringLiteral("gender"), gender);
  }
  if (const QString born = Date(patient.dateOfBirth); !born.isEmpty()) {
    resource.insert(QStringLiteral("birthDate"), born);
  }
  ++writer.Counts().patients;
  const QString fullUrl =
      writer.Add(resource, writer.IdOf("patient", patient.recordId), patient.accessState);
  // What the chart says of the patient as text travels as text: the allergies and the
  // diagnosis and problems.
  if (!patient.allergies.trimmed().isEmpty()) {
    writer.Add(QJsonObject{{"resourceType", "AllergyIntolerance"},
                           {"code", TextConcept(patient.allergies.trimmed())},
                           {"patient", Reference(fullUrl)}},
               writer.IdOf("patient", patient.recordId, 1), patient.accessState);
  }
  int part = 2;
  for (const QString& condition : {patient.diagnosis, patient.problems}) {
    if (!condition.trimmed().isEmpty()) {
      writer.Add(QJsonObject{{"resourceType", "Condition"},
                             {"code", TextConcept(condition.trimmed())},
                             {"subject", Reference(fullUrl)}},
                 writer.IdOf("patient", patient.recordId, part), patient.accessState);
    }
    ++part;
  }
  return fullUrl;
}

// ---------------------------------------------------------------------------------------------
// The chart records

void AddMedication(BundleWriter& writer, const CDBMeds& med, const QString& patient) {
  QStringList dosage;
  for (const QString& part : {med.dose, med.route, med.frequency}) {
    if (!part.trimmed().isEmpty()) {
      dosage << part.trimmed();
    }
  }
  QJsonObject resource{{"resourceType", "MedicationStatement"},
                       {"status", "active"},
                       {"medicationCodeableConcept", TextConcept(med.drug)},
                       {"subject", Reference(patient)}};
  if (const QString start = Date(med.startDate); !start.isEmpty()) {
    QJsonObject period{{"start", start}};
    // A medication given for a number of days ends on the last of them (and leaves the device
    // after it); one not tracked has no end.
    const int64_t days = CDBMeds::LeadingNumber(med.days);
    if (med.trackDays == QLatin1String("Yes") && days > 0) {
      const QDate end = QDate::fromString(start, Qt::ISODate).addDays(days - 1);
      period.insert(QStringLiteral("end"), end.toString(Qt::ISODate));
    }
    resource.insert(QStringLiteral("effectivePeriod"), period);
  }
  if (!dosage.isEmpty()) {
    QJsonObject dose{{"text", dosage.join(QLatin1Char(' '))}};
    if (!med.route.trimmed().isEmpty()) {
      dose.insert(QStringLiteral("route"), TextConcept(med.route.trimmed()));
    }
    resource.insert(QStringLiteral("dosage"), QJsonArray{dose});
  }
  QStringList notes;
  if (!med.dispensed.trimmed().isEmpty()) {
    notes << QStringLiteral("Dispensed: ") + med.dispensed.trimmed();
  }
  if (!med.refills.trimmed().isEmpty()) {
    notes << QStringLiteral("Refills: ") + med.refills.trimmed();
  }
  if (!notes.isEmpty()) {
    resource.insert(QStringLiteral("note"),
                    QJsonArray{QJsonObject{{"text", notes.join(QStringLiteral("; "))}}});
  }
  writer.Add(resource, writer.IdOf("medication", med.CurrentRecordId()), med.accessState);
}

QJsonObject BloodPressureObservation(const BloodPressureValues& values, const QString& patient,
                                     const QString& when, const QString& name) {
  const QJsonObject category =
      Category(QStringLiteral("vital-signs"), QStringLiteral("Vital Signs"));
  QJsonObject panel =
      Observation(category,
                  Concept(Coding(kLoinc, QStringLiteral("85354-9"),
                                 QStringLiteral("Blood pressure panel with all children optional")),
                          name),
                  patient, when);
  QJsonObject systolic{{"code", Concept(Coding(kLoinc, QStringLiteral("8480-6"),
                                               QStringLiteral("Systolic blood pressure")),
                                        QStringLiteral("Systolic"))},
                       {"valueQuantity", QuantityOf(values.systolic, QStringLiteral("mm[Hg]"))}};
  QJsonObject diastolic{{"code", Concept(Coding(kLoinc, QStringLiteral("8462-4"),
                                                QStringLiteral("Diastolic blood pressure")),
                                         QStringLiteral("Diastolic"))}};
  if (values.diastolic) {
    diastolic.insert(QStringLiteral("valueQuantity"),
                     QuantityOf(*values.diastolic, QStringLiteral("mm[Hg]")));
  } else {
    // Recorded without it: the profile asks for the component, with the reason it is absent.
    diastolic.insert(
        QStringLiteral("dataAbsentReason"),
        Concept(Coding(QStringLiteral("http://terminology.hl7.org/CodeSystem/data-absent-reason"),
                       QStringLiteral("unknown"), QStringLiteral("Unknown")),
                QStringLiteral("Not recorded")));
  }
  panel.insert(QStringLiteral("component"), QJsonArray{systolic, diastolic});
  return panel;
}

QJsonObject VitalObservation(BundleWriter& writer, const packed_values::Pair& pair,
                             const QString& patient, const QString& when) {
  const QJsonObject category =
      Category(QStringLiteral("vital-signs"), QStringLiteral("Vital Signs"));
  if (IsBloodPressure(pair.name)) {
    if (const std::optional<BloodPressureValues> values = BloodPressure(pair.value)) {
      return BloodPressureObservation(*values, patient, when, pair.name);
    }
  } else if (const std::optional<VitalCoding> coding = CodeVital(pair.name, pair.value)) {
    QJsonObject observation =
        Observation(category, Concept(Coding(kLoinc, coding->loinc, coding->display), pair.name),
                    patient, when);
    observation.insert(QStringLiteral("valueQuantity"),
                       QuantityOf(coding->quantity.value, coding->quantity.ucum));
    return observation;
  }
  ++writer.Counts().uncodedVitals;
  QJsonObject observation = Observation(category, TextConcept(pair.name), patient, when);
  observation.insert(QStringLiteral("valueString"), pair.value);
  return observation;
}

void AddVitals(BundleWriter& writer, const CDBVitals& vitals, const QString& patient) {
  const QString when = DateTime(vitals.time);
  int part = 0;
  for (const packed_values::Pair& pair : packed_values::Split(vitals.values)) {
    if (!pair.value.trimmed().isEmpty()) {
      writer.Add(VitalObservation(writer, pair, patient, when),
                 writer.IdOf("vitals", vitals.CurrentRecordId(), part), vitals.accessState);
    }
    ++part;
  }
}

void AddLabs(BundleWriter& writer, const CDBLabValues& labs, const QString& patient) {
  const QString when = DateTime(labs.time);
  const QJsonObject category = Category(QStringLiteral("laboratory"), QStringLiteral("Laboratory"));
  QJsonArray results;
  int part = 1;
  for (const packed_values::Pair& pair : packed_values::Split(labs.values)) {
    if (pair.value.trimmed().isEmpty()) {
      ++part;
      continue;
    }
    QJsonObject observation = Observation(category, TextConcept(pair.name), patient, when);
    if (const std::optional<double> number = Number(pair.value)) {
      observation.insert(QStringLiteral("valueQuantity"), QJsonObject{{"value", *number}});
    } else {
      ++writer.Counts().textLabValues;
      observation.insert(QStringLiteral("valueString"), pair.value);
    }
    results.append(Reference(writer.Add(
        observation, writer.IdOf("lab", labs.CurrentRecordId(), part), labs.accessState)));
    ++part;
  }
  QJsonObject report{
      {"resourceType", "DiagnosticReport"},
      {"status", "final"},
      {"category",
       QJsonArray{Concept(Coding(QStringLiteral("http://terminology.hl7.org/CodeSystem/v2-0074"),
                                 QStringLiteral("LAB"), QStringLiteral("Laboratory")),
                          QStringLiteral("Laboratory"))}},
      {"code", TextConcept(labs.group.isEmpty() ? QStringLiteral("Lab") : labs.group)},
      {"subject", Reference(patient)}};
  if (!when.isEmpty()) {
    report.insert(QStringLiteral("effectiveDateTime"), when);
  }
  if (!results.isEmpty()) {
    report.insert(QStringLiteral("result"), results);
  }
  writer.Add(report, writer.IdOf("lab", labs.CurrentRecordId(), 0), labs.accessState);
}

void AddTest(BundleWriter& writer, const CDBTest& test, const QString& patient) {
  QJsonObject observation =
      Observation(Category(QStringLiteral("procedure"), QStringLiteral("Procedure")),
                  TextConcept(test.test), patient, DateTime(test.time));
  if (!test.result.isEmpty()) {
    observation.insert(QStringLiteral("valueString"), test.result);
  }
  writer.Add(observation, writer.IdOf("test", test.CurrentRecordId()), test.accessState);
}

// An H&P note is composed from its sheet's sections under "History)"; SOAP notes keep their
// subjective and objective sections, other notes none.
bool IsHistoryAndPhysical(const CDBNotes& note) {
  return note.subjective.isEmpty() && note.objective.isEmpty() &&
         note.noteText.contains(QLatin1String("\r\nHistory)\r\n"));
}

void AddNote(BundleWriter& writer, const CDBNotes& note, const QString& patient) {
  const bool hp = IsHistoryAndPhysical(note);
  const QJsonObject type =
      hp ? Concept(Coding(kLoinc, QStringLiteral("34117-2"),
                          QStringLiteral("History and physical note")),
                   QStringLiteral("History and physical"))
         : Concept(Coding(kLoinc, QStringLiteral("11506-3"), QStringLiteral("Progress note")),
                   QStringLiteral("Progress note"));
  QJsonObject resource{
      {"resourceType", "DocumentReference"},
      {"status", "current"},
      {"type", type},
      {"subject", Reference(patient)},
      {"content",
       QJsonArray{QJsonObject{
           {"attachment",
            QJsonObject{{"contentType", "text/plain; charset=utf-8"},
                        {"data", QString::fromLatin1(note.noteText.toUtf8().toBase64())}}}}}}};
  if (const QString when = DateTime(note.time); !when.isEmpty()) {
    resource.insert(QStringLiteral("date"), when);
  }
  writer.Add(resource, writer.IdOf("note", note.CurrentRecordId()), note.accessState);
}

// Priority 1 is the most urgent of the five a person picks.
QString TaskPriority(uint32_t priority) {
  switch (priority) {
    case 1:
      return QStringLiteral("stat");
    case 2:
      return QStringLiteral("asap");
    case 3:
      return QStringLiteral("urgent");
    default:
      return QStringLiteral("routine");
  }
}

void AddToDo(BundleWriter& writer, const CDBToDo& todo, const QString& patient) {
  QJsonObject resource{{"resourceType", "Task"},
                       {"status", (todo.flags & kToDoDoneFlag) != 0 ? "completed" : "requested"},
                       {"intent", "order"},
                       {"priority", TaskPriority(todo.flags & kToDoPriorityMask)},
                       {"description", todo.text},
                       {"for", Reference(patient)}};
  if (!todo.note.isEmpty()) {
    resource.insert(QStringLiteral("note"), QJsonArray{QJsonObject{{"text", todo.note}}});
  }
  writer.Add(resource, writer.IdOf("todo", todo.CurrentRecordId()), todo.accessState);
}

// Walks the patient's records of one store, adding each.
template <typename Store>
void AddEach(BundleWriter& writer, const QString& name, const QString& patient,
             void (*add)(BundleWriter&, const Store&, const QString&)) {
  Store store;
  for (bool more = store.FindFirstOfPatient(name); more; more = store.FindNextOfPatient(name)) {
    add(writer, store, patient);
  }
}

void AddChart(BundleWriter& writer, const QString& name) {
  CDBPatient patient;
  if (!patient.FindByName(name)) {
    return;
  }
  const QString fullUrl = AddPatient(writer, patient);
  AddEach<CDBMeds>(writer, patient.name, fullUrl, AddMedication);
  AddEach<CDBVitals>(writer, patient.name, fullUrl, AddVitals);
  AddEach<CDBLabValues>(writer, patient.name, fullUrl, AddLabs);
  AddEach<CDBTest>(writer, patient.name, fullUrl, AddTest);
  AddEach<CDBNotes>(writer, patient.name, fullUrl, AddNote);
  AddEach<CDBToDo>(writer, patient.name, fullUrl, AddToDo);
}

}  // namespace

QString Summary::Describe() const {
  return QStringLiteral(
             "%1 patients, %2 resources; %3 vital signs not coded (name and value as "
             "text), %4 lab values as text")
      .arg(patients)
      .arg(resources)
      .arg(uncodedVitals)
      .arg(textLabValues);
}

bool Export(const QString& onlyPatient, const QByteArray& idSeed, const Sink& write,
            Summary& summary, QString& error, const platform::ProgressCallback& progress) {
  // A bundle is made only from a device read whole: a read that failed would leave records out.
  platform::StoreErrorScope failures;
  const platform::UnmappedReadScope onePass;
  summary = Summary{};
  const QString bundleId = QUuid::createUuidV5(QUuid(), QByteArrayLiteral("ovelin bundle ") +
                                                            idSeed + onlyPatient.toUtf8())
                               .toString(QUuid::WithoutBraces);
  bool written = write(QStringLiteral(R"({"resourceType":"Bundle","id":"%1","type":"collection",)"
                                      R"("entry":[)")
                           .arg(bundleId)
                           .toUtf8());
  BundleWriter writer(idSeed, summary, write);
  memory_controls::List list;
  const std::vector<CDBPatient::PatientRow> rows = CDBPatient().PopulatePatientList(list, {});
  platform::Report(progress, 0, rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (onlyPatient.isEmpty() || rows[i].name.compare(onlyPatient, Qt::CaseInsensitive) == 0) {
      AddChart(writer, rows[i].name);
    }
    platform::Report(progress, i + 1, rows.size());
  }
  written = written && writer.Written() && write(QByteArrayLiteral("\n]}\n"));
  if (failures.Failed()) {
    error =
        QStringLiteral("the device could not be read whole: %1").arg(failures.Error().Describe());
    return false;
  }
  if (!onlyPatient.isEmpty() && summary.patients == 0) {
    error = QStringLiteral("no patient named %1").arg(onlyPatient);
    return false;
  }
  if (!written) {
    error = QStringLiteral("the bundle could not be written");
    return false;
  }
  return true;
}

}  // namespace fhir
