#include "print/CheckoutPrint.h"

#include <QByteArray>

#include "common/CAsciiPr.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Registry.h"
#include "shell/Options.h"
#include "store/CDBMeds.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace checkout_print {
namespace {

constexpr const char* kMedsValue = "ChecklistMeds";
constexpr const char* kVitalsValue = "ChecklistVitals";
constexpr const char* kTodoValue = "ChecklistTodo";
// The checkout printout walks the priorities from the converted items' 0 to 5.
constexpr int kLastPriority = 5;

// A stored choice read whatever its type: the integer of its first four bytes; a value that is
// missing or shorter keeps the default (included).
bool ReadChoice(const platform::RegistryKey& key, const char* name) {
  platform::ValueType type{};
  QByteArray data;
  if (!key.Query(QString::fromLatin1(name), type, data) || data.size() < 4) {
    return true;
  }
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(data[i]);
  }
  return value != 0;
}

// 1 or 0 as a little-endian 4-byte integer.
QByteArray ChoiceBytes(bool included) {
  QByteArray bytes(4, '\0');
  bytes[0] = included ? '\1' : '\0';
  return bytes;
}

void PrintTodos(CAsciiPr& printer, const QString& name) {
  CDBToDo todos;
  todos.ConvertLegacyTodo(name);
  for (int priority = 0; priority <= kLastPriority; ++priority) {
    for (bool found = todos.FindFirstOfPatient(name, priority); found;
         found = todos.FindNextOfPatient(name, priority)) {
      printer.PrintStringBuffer(strings::FormatId(ids::kCheckoutTodoLine, priority, todos.text));
      printer.CrLf();
      printer.PrintStringBuffer(todos.note);
      printer.CrLf();
    }
  }
}

}  // namespace

Contents LoadContents() {
  Contents contents;
  platform::RegistryKey key;
  if (key.Open(platform::Hive::CurrentUser, QString::fromLatin1(app_options::kOptionsKey))) {
    contents.meds = ReadChoice(key, kMedsValue);
    contents.vitals = ReadChoice(key, kVitalsValue);
    contents.todo = ReadChoice(key, kTodoValue);
  }
  return contents;
}

bool SaveContents(const Contents& contents) {
  platform::RegistryKey key;
  return key.Create(platform::Hive::CurrentUser, QString::fromLatin1(app_options::kOptionsKey)) &&
         key.SetBinary(QString::fromLatin1(kMedsValue), ChoiceBytes(contents.meds)) &&
         key.SetBinary(QString::fromLatin1(kVitalsValue), ChoiceBytes(contents.vitals)) &&
         key.SetBinary(QString::fromLatin1(kTodoValue), ChoiceBytes(contents.todo));
}

void PrintPatient(CAsciiPr& printer, const QString& name, const Contents& contents) {
  CDBPatient patient;
  if (!patient.FindByName(name)) {
    return;
  }
  printer.PrintStringBuffer(strings::FormatId(ids::kCheckoutNameLine, patient.name,
                                              patient.mrNumber, patient.room, patient.codeStatus));
  printer.CrLf();
  printer.PrintStringBuffer(strings::FormatId(
      ids::kCheckoutDetailLine, patient.ageValue, patient.ageUnit, patient.race, patient.sex,
      CDBPatient::GetFormattedDateTime(patient.admitDate, false), patient.diagnosis));
  printer.CrLf();
  printer.CrLf();
  if (!patient.problems.isEmpty()) {
    printer.PrintStringBuffer(strings::FormatId(ids::kCheckoutProblems, patient.problems));
    printer.CrLf();
  }
  if (contents.vitals) {
    CDBVitals vitals;
    if (vitals.FindLatestOfPatient(patient.name)) {
      printer.PrintStringBuffer(vitals.FormatVitalsText());
    }
  }
  if (contents.meds) {
    CDBMeds meds;
    printer.PrintStringBuffer(meds.FormatMedsSection(patient.name));
  }
  if (contents.todo) {
    PrintTodos(printer, patient.name);
  }
}

}  // namespace checkout_print
