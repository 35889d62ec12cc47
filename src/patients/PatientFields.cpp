#include "patients/PatientFields.h"

#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace patient_fields {
namespace {

using Row = field_table::Row<CDBPatient>;

constexpr uint8_t kMultiLineFlag = 1;

void LoadAge(const CDBPatient& patient, CListItem& item) {
  // "45 Years"; an age without a unit is the number alone, with no blank after it.
  item.value = patient.ageUnit.isEmpty()
                   ? patient.ageValue
                   : strings::FormatId(ids::kAgeText, patient.ageValue, patient.ageUnit);
}

void SaveAge(const CListItem& item, CDBPatient& patient) {
  SplitAge(item.value, patient.ageValue, patient.ageUnit);
}

Row PickList(int labelId, int listId, QString CDBPatient::*member, int limit = 0) {
  Row row;
  row.labelId = labelId;
  row.kind = CListItem::kPickList;
  row.listId = listId;
  row.limit = limit;
  row.text = member;
  return row;
}

Row MultiLine(int labelId, int listId, QString CDBPatient::*member) {
  Row row = PickList(labelId, listId, member);
  row.kind = CListItem::kPickListMultiline;
  row.flags = kMultiLineFlag;
  return row;
}

field_table::Table<CDBPatient> MakeAllRows() {
  using C = CDBCategories;
  Row type;
  type.labelId = ids::kLabelPatientType;
  type.kind = CListItem::kChoices;
  type.listId = C::kPatientTypeList;
  type.text = &CDBPatient::patientType;
  Row mrNumber;
  mrNumber.labelId = ids::kLabelMrNumber;
  mrNumber.limit = 30;
  mrNumber.text = &CDBPatient::mrNumber;
  Row age;
  age.labelId = ids::kLabelAge;
  age.load = LoadAge;
  age.save = SaveAge;
  Row dob;
  dob.labelId = ids::kLabelDob;
  dob.kind = CListItem::kDate;
  dob.date = &CDBPatient::dateOfBirth;
  Row sex;
  sex.labelId = ids::kLabelSex;
  sex.kind = CListItem::kChoices;
  sex.choiceIds = {ids::kSexMale, ids::kSexFemale};
  sex.text = &CDBPatient::sex;
  return {
      PickList(ids::kLabelFirstName, C::kFirstNameList, &CDBPatient::firstName, 30),
      PickList(ids::kLabelLastName, C::kLastNameList, &CDBPatient::lastName, 30),
      type,
      mrNumber,
      PickList(ids::kLabelRoom, C::kRoomList, &CDBPatient::room),
      PickList(ids::kLabelDoctor, C::kDoctorList, &CDBPatient::doctor),
      age,
      dob,
      PickList(ids::kLabelRace, C::kRaceList, &CDBPatient::race),
      sex,
      PickList(ids::kLabelCode, C::kCodeStatusList, &CDBPatient::codeStatus),
      MultiLine(ids::kLabelDx, C::kDiagnosisList, &CDBPatient::diagnosis),
      MultiLine(ids::kLabelAllergies, C::kAllergiesList, &CDBPatient::allergies),
      MultiLine(ids::kLabelProblems, C::kProblemsList, &CDBPatient::problems),
  };
}

}  // namespace

const field_table::Table<CDBPatient>& AllRows() {
  static const field_table::Table<CDBPatient> rows = MakeAllRows();
  return rows;
}

const field_table::Table<CDBPatient>& InfoRows() {
  static const field_table::Table<CDBPatient> rows = field_table::Without(
      AllRows(),
      {ids::kLabelFirstName, ids::kLabelLastName, ids::kLabelPatientType, ids::kLabelAllergies});
  return rows;
}

void SplitAge(const QString& text, QString& value, QString& unit) {
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  if (blank < 0) {
    value = text;
    unit.clear();
    return;
  }
  value = text.left(blank);
  unit = text.mid(blank + 1);
}

QDate DayOf(const FILETIME& time) {
  SYSTEMTIME fields;
  if (filetime::IsZero(time) || !filetime::ToSystemTime(time, fields)) {
    return {};
  }
  return QDate(fields.wYear, fields.wMonth, fields.wDay);
}

FILETIME WithDay(const FILETIME& time, const QDate& day) {
  if (!day.isValid()) {
    return time;
  }
  SYSTEMTIME fields{};
  if (!filetime::IsZero(time)) {
    filetime::ToSystemTime(time, fields);
  }
  fields.wYear = static_cast<uint16_t>(day.year());
  fields.wMonth = static_cast<uint16_t>(day.month());
  fields.wDay = static_cast<uint16_t>(day.day());
  fields.wDayOfWeek = static_cast<uint16_t>(day.dayOfWeek() % 7);
  FILETIME moved;
  return filetime::FromSystemTime(fields, moved) ? moved : time;
}

}  // namespace patient_fields
