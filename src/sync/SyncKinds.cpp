#include "sync/SyncKinds.h"

#include <map>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "platform/ValueRules.h"
#include "store/CDBLabValues.h"
#include "store/CDBLists.h"
#include "store/CDBMeds.h"
#include "store/CDBMedsFavorites.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "store/RecordFields.h"

namespace ward_sync {
namespace {

using record_fields::Fields;

// Column names differ from the members' where SQL reserves the word or a plainer one reads better.
QString ColumnOf(const char* field) {
  static const std::map<std::string, QString> renamed = {
      {"group", QStringLiteral("lab_group")},
      {"values", QStringLiteral("packed_values")},
      {"date", QStringLiteral("taken_at")},
      {"test", QStringLiteral("test_name")},
      {"text", QStringLiteral("item_text")}};
  const auto found = renamed.find(field);
  if (found != renamed.end()) {
    return found->second;
  }
  QString column;
  for (const char* c = field; *c; ++c) {
    if (*c >= 'A' && *c <= 'Z') {
      column += QLatin1Char('_');
      column += QLatin1Char(static_cast<char>(*c - 'A' + 'a'));
    } else {
      column += QLatin1Char(*c);
    }
  }
  return column;
}

// Fields that are not columns: the marks are the row's id and access state, and a dated entry's
// time is its date.
bool IsColumn(const char* field) {
  const std::string name(field);
  return name != "desktopId" && name != "accessState" && name != "time";
}

std::vector<QString> ColumnsOf(const Fields& fields) {
  std::vector<QString> columns;
  for (const auto& [name, value] : fields.texts) {
    columns.push_back(ColumnOf(name));
  }
  for (const auto& [name, value] : fields.times) {
    if (IsColumn(name)) {
      columns.push_back(ColumnOf(name));
    }
  }
  for (const record_fields::Number& number : fields.numbers) {
    if (IsColumn(number.name)) {
      columns.push_back(ColumnOf(number.name));
    }
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    columns.push_back(ColumnOf(name));
  }
  return columns;
}

ward::Value TimeValue(const FILETIME& time) {
  if (filetime::IsZero(time)) {
    return std::nullopt;
  }
  return record_fields::IsoTime(time).toUtf8();
}

ward::Values RowOf(const Fields& fields) {
  ward::Values row;
  for (const auto& [name, value] : fields.texts) {
    row.push_back(value->toUtf8());
  }
  for (const auto& [name, value] : fields.times) {
    if (IsColumn(name)) {
      row.push_back(TimeValue(*value));
    }
  }
  for (const record_fields::Number& number : fields.numbers) {
    if (IsColumn(number.name)) {
      row.push_back(QByteArray::number(*number.value));
    }
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    row.push_back(QByteArray::number(*value));
  }
  return row;
}

// A text of a server row as the device may store it.
bool ReadText(const ward::Result& result, int row, int column, const QString& name, QString& out,
              QString& error) {
  out = result.IsNull(row, column) ? QString() : result.Text(row, column);
  if (out.size() > value_rules::kMaxTextLength || !value_rules::ValidText(out)) {
    error = QStringLiteral("column %1 holds a text longer than %2 characters")
                .arg(name)
                .arg(value_rules::kMaxTextLength);
    return false;
  }
  return true;
}

bool ReadTime(const ward::Result& result, int row, int column, const QString& name, FILETIME& out,
              QString& error) {
  if (result.IsNull(row, column)) {
    out = FILETIME{};
    return true;
  }
  QString text = result.Text(row, column);
  text.replace(QLatin1Char(' '), QLatin1Char('T'));
  if (!record_fields::ParseIsoTime(text, out) || !value_rules::ValidTime(out)) {
    error = QStringLiteral("column %1 holds a time outside the years 1601 to 9999").arg(name);
    return false;
  }
  return true;
}

bool ReadNumber(const ward::Result& result, int row, int column, const QString& name, int64_t low,
                int64_t high, int64_t& out, QString& error) {
  bool ok = false;
  out = result.IsNull(row, column) ? 0 : result.Text(row, column).toLongLong(&ok);
  if (!ok || out < low || out > high) {
    error =
        QStringLiteral("column %1 must hold a number from %2 to %3").arg(name).arg(low).arg(high);
    return false;
  }
  return true;
}

bool FromRow(const Fields& fields, const ward::Result& result, int row, int first, QString& error) {
  int column = first;
  for (const auto& [name, value] : fields.texts) {
    if (!ReadText(result, row, column++, ColumnOf(name), *value, error)) {
      return false;
    }
  }
  FILETIME* date = nullptr;
  FILETIME* time = nullptr;
  for (const auto& [name, value] : fields.times) {
    if (!IsColumn(name)) {
      time = value;
    } else if (!ReadTime(result, row, column++, ColumnOf(name), *value, error)) {
      return false;
    } else if (std::string_view(name) == "date") {
      date = value;
    }
  }
  if (date && time) {
    *time = *date;
  }
  for (const record_fields::Number& number : fields.numbers) {
    int64_t value = 0;
    if (IsColumn(number.name)) {
      if (!ReadNumber(result, row, column++, ColumnOf(number.name), number.low, number.high, value,
                      error)) {
        return false;
      }
      *number.value = static_cast<int32_t>(value);
    }
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    int64_t number = 0;
    if (!ReadNumber(result, row, column++, ColumnOf(name), 0, UINT32_MAX, number, error)) {
      return false;
    }
    *value = static_cast<uint32_t>(number);
  }
  return true;
}

// A kind whose members are bound by record_fields.
template <typename Store>
Kind FieldsKind(const char* table, Scope scope, QString sameWhere = {},
                std::vector<int> sameColumns = {}) {
  Store sample;
  Kind kind{
      table,
      scope,
      ColumnsOf(record_fields::Bind(sample)),
      [] { return std::make_unique<Store>(); },
      [](CDBBaseDatabase& store) { return RowOf(record_fields::Bind(static_cast<Store&>(store))); },
      [](CDBBaseDatabase& store, const ward::Result& result, int row, int first, QString& error) {
        return FromRow(record_fields::Bind(static_cast<Store&>(store)), result, row, first, error);
      },
      std::move(sameWhere),
      std::move(sameColumns)};
  return kind;
}

Kind CategoriesKind() {
  return Kind{
      "categories",
      Scope::List,
      {QStringLiteral("list"), QStringLiteral("entry")},
      [] { return std::make_unique<CDBCategories>(); },
      [](CDBBaseDatabase& store) {
        auto& categories = static_cast<CDBCategories&>(store);
        return ward::Values{QByteArray::number(categories.type), categories.text.toUtf8()};
      },
      [](CDBBaseDatabase& store, const ward::Result& result, int row, int first, QString& error) {
        auto& categories = static_cast<CDBCategories&>(store);
        int64_t list = 0;
        if (!ReadNumber(result, row, first, QStringLiteral("list"), 0, UINT16_MAX, list, error)) {
          return false;
        }
        categories.type = static_cast<uint16_t>(list);
        return ReadText(result, row, first + 1, QStringLiteral("entry"), categories.text, error);
      },
      QStringLiteral("list = $1::integer AND lower(entry) = lower($2)"),
      {0, 1}};
}

Kind AutoTextKind() {
  return Kind{
      "auto_text_lists",
      Scope::List,
      {QStringLiteral("list"), QStringLiteral("content")},
      [] { return std::make_unique<CDBLists>(); },
      [](CDBBaseDatabase& store) {
        auto& lists = static_cast<CDBLists&>(store);
        return ward::Values{lists.patient.toUtf8(), lists.content.toUtf8()};
      },
      [](CDBBaseDatabase& store, const ward::Result& result, int row, int first, QString& error) {
        auto& lists = static_cast<CDBLists&>(store);
        return ReadText(result, row, first, QStringLiteral("list"), lists.patient, error) &&
               ReadText(result, row, first + 1, QStringLiteral("content"), lists.content, error);
      },
      QStringLiteral("list = $1"),
      {0}};
}

}  // namespace

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      FieldsKind<CDBPatient>("patients", Scope::Patient, QStringLiteral("lower(name) = lower($1)"),
                             {0}),
      // A chart record made on two devices for one patient is the same record by its store's
      // match rule; the patient's server id is the last parameter.
      FieldsKind<CDBMeds>(
          "medications", Scope::Chart,
          QStringLiteral("t.drug = $1 AND t.dose = $2 AND t.route = $3 AND t.frequency = $4 AND"
                         " t.track_days = $5 AND t.days = $6 AND"
                         " t.start_date IS NOT DISTINCT FROM $7::timestamp AND"
                         " t.patient_id = $8::integer"),
          {0, 1, 2, 3, 4, 5, 8}),
      FieldsKind<CDBVitals>(
          "vital_signs", Scope::Chart,
          QStringLiteral(
              "t.taken_at IS NOT DISTINCT FROM $1::timestamp AND t.patient_id = $2::integer"),
          {1}),
      FieldsKind<CDBLabValues>(
          "lab_results", Scope::Chart,
          QStringLiteral("t.lab_group = $1 AND t.taken_at IS NOT DISTINCT FROM $2::timestamp AND"
                         " t.patient_id = $3::integer"),
          {0, 2}),
      FieldsKind<CDBTest>(
          "tests", Scope::Chart,
          QStringLiteral("t.test_name = $1 AND t.taken_at IS NOT DISTINCT FROM $2::timestamp AND"
                         " t.patient_id = $3::integer"),
          {0, 2}),
      FieldsKind<CDBNotes>(
          "notes", Scope::Chart,
          QStringLiteral(
              "t.taken_at IS NOT DISTINCT FROM $1::timestamp AND t.patient_id = $2::integer"),
          {4}),
      FieldsKind<CDBToDo>("todos", Scope::Chart,
                          QStringLiteral("t.item_text = $1 AND t.patient_id = $2::integer"), {0}),
      CategoriesKind(), AutoTextKind(),
      FieldsKind<CDBMedsFavorites>(
          "favorite_medications", Scope::List,
          QStringLiteral("lower(drug) = lower($1) AND dose = $2 AND route = $3 AND frequency = $4"),
          {0, 1, 2, 3})};
  return kinds;
}

}  // namespace ward_sync
