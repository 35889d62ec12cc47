#include "store/RecordFields.h"

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

namespace {

// The value of count ASCII digits from text[at]; false when any is not one.
bool Digits(const QString& text, qsizetype at, qsizetype count, uint32_t& value) {
  value = 0;
  for (qsizetype i = at; i < at + count; ++i) {
    const char16_t unit = text[i].unicode();
    if (unit < u'0' || unit > u'9') {
      return false;
    }
    value = value * 10 + (unit - u'0');
  }
  return true;
}

}  // namespace

bool ParseIsoTime(const QString& text, FILETIME& out) {
  // YYYY-MM-DDThh:mm:ss, then optionally a point and 1 to 7 digits; nothing before or after.
  constexpr qsizetype kWhole = 19;
  if (text.size() < kWhole || text.size() == kWhole + 1 || text.size() > kWhole + 8 ||
      text[4] != u'-' || text[7] != u'-' || text[10] != u'T' || text[13] != u':' ||
      text[16] != u':' || (text.size() > kWhole && text[kWhole] != u'.')) {
    return false;
  }
  uint32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, fraction = 0;
  const qsizetype fractionDigits = text.size() > kWhole ? text.size() - kWhole - 1 : 0;
  if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) ||
      !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) || !Digits(text, 17, 2, second) ||
      !Digits(text, kWhole + 1, fractionDigits, fraction)) {
    return false;
  }
  for (qsizetype i = fractionDigits; i < 7; ++i) {
    fraction *= 10;  // ".5" is five tenths of a second
  }
  SYSTEMTIME parts;
  parts.wYear = static_cast<uint16_t>(year);
  parts.wMonth = static_cast<uint16_t>(month);
  parts.wDay = static_cast<uint16_t>(day);
  parts.wHour = static_cast<uint16_t>(hour);
  parts.wMinute = static_cast<uint16_t>(minute);
  parts.wSecond = static_cast<uint16_t>(second);
  FILETIME whole;
  if (!filetime::FromSystemTime(parts, whole)) {
    return false;
  }
  out = filetime::FromTicks(filetime::ToTicks(whole) + fraction);
  return true;
}

}  // namespace record_fields
