#include "store/RecordFields.h"

#include <QRegularExpression>

#include "common/CDBPatient.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBMedsFavorites.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace record_fields {

void AddSync(Fields& fields, CDBBaseDatabase& store) {
  fields.numbers.push_back({"desktopId", &store.desktopId});
  fields.numbers.push_back({"accessState", &store.accessState, 0, kHighestAccessState});
}

Fields Bind(CDBPatient& p) {
  Fields f;
  f.texts = {{"name", &p.name},
             {"firstName", &p.firstName},
             {"lastName", &p.lastName},
             {"mrNumber", &p.mrNumber},
             {"doctor", &p.doctor},
             {"ageValue", &p.ageValue},
             {"ageUnit", &p.ageUnit},
             {"race", &p.race},
             {"sex", &p.sex},
             {"codeStatus", &p.codeStatus},
             {"room", &p.room},
             {"diagnosis", &p.diagnosis},
             {"allergies", &p.allergies},
             {"problems", &p.problems},
             {"patientType", &p.patientType},
             {"todo", &p.todo}};
  f.times = {
      {"admitDate", &p.admitDate}, {"dateOfBirth", &p.dateOfBirth}, {"timeStamp", &p.timeStamp}};
  AddSync(f, p);
  return f;
}

namespace {

void BindDated(Fields& f, CDBDatedStore& r) {
  f.times = {{"date", &r.date}, {"time", &r.time}, {"timeStamp", &r.timeStamp}};
  AddSync(f, r);
}

}  // namespace

Fields Bind(CDBLabValues& r) {
  Fields f;
  f.texts = {{"group", &r.group}, {"values", &r.values}};
  BindDated(f, r);
  return f;
}

Fields Bind(CDBMeds& r) {
  Fields f;
  f.texts = {{"drug", &r.drug},           {"dose", &r.dose},           {"route", &r.route},
             {"frequency", &r.frequency}, {"trackDays", &r.trackDays}, {"days", &r.days},
             {"dispensed", &r.dispensed}, {"refills", &r.refills}};
  f.times = {{"startDate", &r.startDate}, {"timeStamp", &r.timeStamp}};
  AddSync(f, r);
  return f;
}

Fields Bind(CDBNotes& r) {
  Fields f;
  f.texts = {{"noteText", &r.noteText},
             {"subjective", &r.subjective},
             {"objective", &r.objective},
             {"assessmentPlan", &r.assessmentPlan}};
  BindDated(f, r);
  return f;
}

Fields Bind(CDBTest& r) {
  Fields f;
  f.texts = {{"test", &r.test}, {"result", &r.result}};
  BindDated(f, r);
  return f;
}

Fields Bind(CDBToDo& r) {
  Fields f;
  f.texts = {{"text", &r.text}, {"note", &r.note}, {"timeStamp", &r.timeStamp}};
  f.unsignedNumbers = {{"flags", &r.flags}};
  AddSync(f, r);
  return f;
}

Fields Bind(CDBVitals& r) {
  Fields f;
  f.texts = {{"values", &r.values}};
  BindDated(f, r);
  return f;
}

Fields Bind(CDBMedsFavorites& r) {
  Fields f;
  f.texts = {
      {"drug", &r.drug}, {"dose", &r.dose}, {"route", &r.route}, {"frequency", &r.frequency}};
  return f;
}

// Times as ISO 8601 local times; a fraction of a second only when there is one.
QString IsoTime(const FILETIME& time) {
  SYSTEMTIME parts;
  if (!filetime::ToSystemTime(time, parts)) {
    return {};
  }
  QString text = QString::asprintf("%04u-%02u-%02uT%02u:%02u:%02u", parts.wYear, parts.wMonth,
                                   parts.wDay, parts.wHour, parts.wMinute, parts.wSecond);
  const uint64_t fraction = filetime::ToTicks(time) % filetime::kTicksPerSecond;
  if (fraction != 0) {
    text += QString::asprintf(".%07llu", static_cast<unsigned long long>(fraction));
  }
  return text;
}

bool ParseIsoTime(const QString& text, FILETIME& out) {
  // \A and \z: nothing may stand before or after the time, not even a line feed.
  static const QRegularExpression pattern(
      QStringLiteral(R"(\A(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,7}))?\z)"));
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) {
    return false;
  }
  SYSTEMTIME parts;
  parts.wYear = static_cast<uint16_t>(match.captured(1).toUInt());
  parts.wMonth = static_cast<uint16_t>(match.captured(2).toUInt());
  parts.wDay = static_cast<uint16_t>(match.captured(3).toUInt());
  parts.wHour = static_cast<uint16_t>(match.captured(4).toUInt());
  parts.wMinute = static_cast<uint16_t>(match.captured(5).toUInt());
  parts.wSecond = static_cast<uint16_t>(match.captured(6).toUInt());
  FILETIME whole;
  if (!filetime::FromSystemTime(parts, whole)) {
    return false;
  }
  const QString fraction = match.captured(7).leftJustified(7, QLatin1Char('0'));
  out = filetime::FromTicks(filetime::ToTicks(whole) +
                            (fraction.isEmpty() ? 0 : fraction.toULongLong()));
  return true;
}

}  // namespace record_fields
