#include <QDate>

#include "cli/Command.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "store/PatientDeletion.h"

namespace cli {
namespace {

const QStringList kAddOptions = {"first",  "last",      "type",     "mr",   "room",
                                 "doctor", "age",       "sex",      "race", "code",
                                 "dx",     "allergies", "problems", "dob",  "admit"};

// A date option "YYYY-MM-DD" as the device keeps it (midnight, local time).
bool ParseDate(const QString& text, FILETIME& out) {
  const QDate date = QDate::fromString(text, Qt::ISODate);
  SYSTEMTIME parts;
  parts.wYear = static_cast<uint16_t>(date.year());
  parts.wMonth = static_cast<uint16_t>(date.month());
  parts.wDay = static_cast<uint16_t>(date.day());
  return date.isValid() && date.year() >= 1800 && filetime::FromSystemTime(parts, out);
}

// The age text splits at its first blank into value and unit, as the dialogs save it.
void SplitAge(const QString& text, QString& value, QString& unit) {
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  value = blank < 0 ? text : text.left(blank);
  unit = blank < 0 ? QString() : text.mid(blank + 1);
}

int AddPatient(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, kAddOptions, error)) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  CDBPatient patient;
  patient.firstName = args.OptionOr("first", {});
  patient.lastName = args.OptionOr("last", {});
  patient.patientType = args.OptionOr("type", {});
  // Checked in the order the add-patient dialog checks: a duplicate name first.
  CDBPatient existing;
  if (existing.FindByName(CDBPatient::MakeFullName(patient.firstName, patient.lastName))) {
    return BadInput(context, strings::Load(ids::kPatientAlreadyOnFile));
  }
  if (context.DeviceFailed()) {
    return DeviceFailure(context);
  }
  if (patient.firstName.isEmpty() || patient.lastName.isEmpty() || patient.patientType.isEmpty()) {
    return BadInput(context, strings::Load(ids::kPatientNameAndTypeRequired));
  }
  patient.mrNumber = args.OptionOr("mr", {});
  patient.room = args.OptionOr("room", {});
  patient.doctor = args.OptionOr("doctor", {});
  SplitAge(args.OptionOr("age", {}), patient.ageValue, patient.ageUnit);
  patient.sex = args.OptionOr("sex", {});
  patient.race = args.OptionOr("race", {});
  patient.codeStatus = args.OptionOr("code", {});
  patient.diagnosis = args.OptionOr("dx", {});
  patient.allergies = args.OptionOr("allergies", {});
  patient.problems = args.OptionOr("problems", {});
  GetCurrentTime(patient.admitDate);
  for (const auto& [option, field] :
       {std::pair{"dob", &patient.dateOfBirth}, std::pair{"admit", &patient.admitDate}}) {
    if (const auto text = args.Option(option); text && !ParseDate(*text, *field)) {
      return BadInput(context, QStringLiteral("--%1 must be a date YYYY-MM-DD").arg(option));
    }
  }
  if (!patient.CreateRecord(false)) {
    return Failure(context, QStringLiteral("the patient could not be stored"));
  }
  context.out << patient.name << Qt::endl;
  return kSuccess;
}

int ListPatients(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"type"}, error)) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  memory_controls::List list;
  const std::vector<CDBPatient::PatientRow> rows =
      CDBPatient().PopulatePatientList(list, args.OptionOr("type", {}));
  if (context.DeviceFailed()) {
    return DeviceFailure(context);
  }
  for (const CDBPatient::PatientRow& row : rows) {
    context.out << row.name << '\t' << row.mrNumber << '\t' << row.room << '\t' << row.accessState
                << '\n';
  }
  context.out.flush();
  return kSuccess;
}

int DeletePatient(Context& context, const QStringList& arguments) {
  if (arguments.size() != 1) {
    return BadInput(context, QStringLiteral("usage: patient delete NAME"));
  }
  if (!patient_records::DeletePatient(arguments[0])) {
    return context.DeviceFailed()
               ? Failure(context, QStringLiteral("nothing was deleted"))
               : BadInput(context, QStringLiteral("no patient named %1").arg(arguments[0]));
  }
  return kSuccess;
}

}  // namespace

int RunPatient(Context& context, const QStringList& arguments) {
  const QString action = arguments.value(0);
  const QStringList rest = arguments.mid(1);
  if (action == QLatin1String("add")) {
    return AddPatient(context, rest);
  }
  if (action == QLatin1String("list")) {
    return ListPatients(context, rest);
  }
  if (action == QLatin1String("delete")) {
    return DeletePatient(context, rest);
  }
  return BadInput(context, QStringLiteral("patient needs add, list or delete"));
}

}  // namespace cli
