#include "store/Backup.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <memory>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/BulkWriteScope.h"
#include "platform/PropertyDatabase.h"
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

namespace backup {
namespace {

using namespace record_fields;

constexpr const char* kFormatName = "ovelin-backup";
constexpr int kFormatVersion = 1;

QJsonObject ToJson(const Fields& fields) {
  QJsonObject object;
  for (const auto& [name, value] : fields.texts) {
    object.insert(QLatin1String(name), *value);
  }
  for (const auto& [name, value] : fields.times) {
    object.insert(QLatin1String(name), filetime::IsZero(*value) ? QJsonValue(QJsonValue::Null)
                                                                : QJsonValue(IsoTime(*value)));
  }
  for (const Number& number : fields.numbers) {
    object.insert(QLatin1String(number.name), *number.value);
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    object.insert(QLatin1String(name), static_cast<qint64>(*value));
  }
  return object;
}

bool IsWholeNumber(const QJsonValue& value, double low, double high) {
  const double number = value.toDouble();
  return value.isDouble() && number >= low && number <= high && number == std::floor(number);
}

// Fills the bound members from an object; every field must be present with the right type.
bool FromJson(const QJsonObject& object, const Fields& fields, const QString& where,
              QString& error) {
  const auto fail = [&](const char* name, const char* expected) {
    error = QStringLiteral("%1: field \"%2\" must be %3")
                .arg(where, QLatin1String(name), QLatin1String(expected));
    return false;
  };
  for (const auto& [name, value] : fields.texts) {
    const QJsonValue field = object.value(QLatin1String(name));
    if (!field.isString()) {
      return fail(name, "a text");
    }
    if (!value_rules::ValidText(field.toString())) {
      return fail(name, "a text without NUL characters");
    }
    *value = field.toString();
  }
  for (const auto& [name, value] : fields.times) {
    const QJsonValue field = object.value(QLatin1String(name));
    if (field.isNull()) {
      *value = FILETIME{};
    } else if (!field.isString() || !ParseIsoTime(field.toString(), *value)) {
      return fail(name, "null or a time YYYY-MM-DDThh:mm:ss");
    }
  }
  for (const Number& number : fields.numbers) {
    const QJsonValue field = object.value(QLatin1String(number.name));
    if (!IsWholeNumber(field, number.low, number.high)) {
      if (number.low == INT32_MIN && number.high == INT32_MAX) {
        return fail(number.name, "a 32-bit integer");
      }
      const QByteArray range =
          QStringLiteral("an integer from %1 to %2").arg(number.low).arg(number.high).toLatin1();
      return fail(number.name, range.constData());
    }
    *number.value = static_cast<int32_t>(field.toDouble());
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    const QJsonValue field = object.value(QLatin1String(name));
    if (!IsWholeNumber(field, 0, UINT32_MAX)) {
      return fail(name, "an unsigned 32-bit integer");
    }
    *value = static_cast<uint32_t>(field.toDouble());
  }
  return true;
}

// The sections of a patient, in the order the beam protocol sends them.
struct Section {
  const char* name;
  std::function<std::unique_ptr<CDBChartStore>()> make;
  std::function<Fields(CDBChartStore&)> bind;
};

template <typename Store>
Section MakeSection(const char* name) {
  return Section{name, [] { return std::make_unique<Store>(); },
                 [](CDBChartStore& store) { return Bind(static_cast<Store&>(store)); }};
}

const std::vector<Section>& Sections() {
  static const std::vector<Section> sections = {
      MakeSection<CDBLabValues>("labs"), MakeSection<CDBMeds>("meds"),
      MakeSection<CDBNotes>("notes"),    MakeSection<CDBTest>("tests"),
      MakeSection<CDBToDo>("todos"),     MakeSection<CDBVitals>("vitals")};
  return sections;
}

QJsonObject ExportPatient(const QString& name) {
  CDBPatient patient;
  patient.FindByName(name);
  QJsonObject object = ToJson(Bind(patient));
  for (const Section& section : Sections()) {
    QJsonArray records;
    std::unique_ptr<CDBChartStore> store = section.make();
    const Fields fields = section.bind(*store);
    for (bool more = store->FindFirstOfPatient(patient.name); more;
         more = store->FindNextOfPatient(patient.name)) {
      records.append(ToJson(fields));
    }
    object.insert(QLatin1String(section.name), records);
  }
  return object;
}

QJsonArray ExportCategories() {
  QJsonArray entries;
  CDBCategories categories;
  for (bool more = categories.First(); more; more = categories.Next()) {
    entries.append(QJsonObject{{"list", categories.type}, {"text", categories.text}});
  }
  return entries;
}

QJsonArray ExportAutoTextLists() {
  QJsonArray lists;
  CDBLists store;
  QStringList keys;
  store.PopulateStringList(keys);
  for (const QString& key : keys) {
    if (store.FindByName(key)) {
      lists.append(QJsonObject{{"list", store.patient}, {"content", store.content}});
    }
  }
  return lists;
}

QJsonArray ExportFavorites() {
  QJsonArray favorites;
  CDBMedsFavorites store;
  const Fields fields = Bind(store);
  for (bool more = store.First(); more; more = store.Next()) {
    favorites.append(ToJson(fields));
  }
  return favorites;
}

// What a document holds, checked and read into memory before anything is stored.
struct PatientData {
  QJsonObject patient;
  std::vector<std::vector<QJsonObject>> sections;
};

bool ArrayOfObjects(const QJsonObject& parent, const char* name, const QString& where,
                    QJsonArray& out, QString& error) {
  const QJsonValue value = parent.value(QLatin1String(name));
  if (!value.isArray()) {
    error = QStringLiteral("%1: \"%2\" must be an array").arg(where, QLatin1String(name));
    return false;
  }
  out = value.toArray();
  for (qsizetype i = 0; i < out.size(); ++i) {
    if (!out[i].isObject()) {
      error = QStringLiteral("%1.%2[%3] must be an object").arg(where, QLatin1String(name)).arg(i);
      return false;
    }
  }
  return true;
}

// Checks every record of the document by reading it into a scratch store object.
bool Check(const QJsonObject& document, QString& error) {
  if (document.value("format").toString() != QLatin1String(kFormatName) ||
      document.value("version").toInt() != kFormatVersion) {
    error = QStringLiteral("not an Ovelin backup of version %1").arg(kFormatVersion);
    return false;
  }
  QJsonArray patients;
  if (!ArrayOfObjects(document, "patients", "document", patients, error)) {
    return false;
  }
  for (qsizetype i = 0; i < patients.size(); ++i) {
    const QString where = QStringLiteral("patients[%1]").arg(i);
    const QJsonObject object = patients[i].toObject();
    CDBPatient patient;
    if (!FromJson(object, Bind(patient), where, error)) {
      return false;
    }
    if (!value_rules::ValidName(patient.name)) {
      error = where + QStringLiteral(": the patient has no name");
      return false;
    }
    for (const Section& section : Sections()) {
      QJsonArray records;
      if (!ArrayOfObjects(object, section.name, where, records, error)) {
        return false;
      }
      std::unique_ptr<CDBChartStore> store = section.make();
      for (qsizetype r = 0; r < records.size(); ++r) {
        const QString recordWhere = QStringLiteral("%1.%2[%3]").arg(where).arg(section.name).arg(r);
        if (!FromJson(records[r].toObject(), section.bind(*store), recordWhere, error)) {
          return false;
        }
      }
    }
  }
  QJsonArray entries;
  if (!ArrayOfObjects(document, "categories", "document", entries, error)) {
    return false;
  }
  for (qsizetype i = 0; i < entries.size(); ++i) {
    const QJsonObject entry = entries[i].toObject();
    if (!IsWholeNumber(entry.value("list"), 0, 65535) || !entry.value("text").isString() ||
        !value_rules::ValidText(entry.value("text").toString())) {
      error = QStringLiteral(
                  "categories[%1] needs a list number 0-65535 and a text without NUL "
                  "characters")
                  .arg(i);
      return false;
    }
  }
  if (!ArrayOfObjects(document, "autoTextLists", "document", entries, error)) {
    return false;
  }
  for (qsizetype i = 0; i < entries.size(); ++i) {
    const QJsonObject entry = entries[i].toObject();
    if (!entry.value("list").isString() || entry.value("list").toString().isEmpty() ||
        !entry.value("content").isString() ||
        !value_rules::ValidText(entry.value("list").toString()) ||
        !value_rules::ValidText(entry.value("content").toString())) {
      error = QStringLiteral(
                  "autoTextLists[%1] needs a list id text and a content text, without "
                  "NUL characters")
                  .arg(i);
      return false;
    }
  }
  if (!ArrayOfObjects(document, "favorites", "document", entries, error)) {
    return false;
  }
  CDBMedsFavorites favorite;
  for (qsizetype i = 0; i < entries.size(); ++i) {
    if (!FromJson(entries[i].toObject(), Bind(favorite), QStringLiteral("favorites[%1]").arg(i),
                  error)) {
      return false;
    }
  }
  return true;
}

bool RestorePatient(const QJsonObject& object, QString& error) {
  CDBPatient patient;
  FromJson(object, Bind(patient), {}, error);
  if (!patient.FileReceived()) {
    error = QStringLiteral("the patient %1 could not be stored").arg(patient.name);
    return false;
  }
  // Records are filed under the name on file, which may differ from the document's in letter case.
  const QString owner = CDBPatient::LastPatientWritten();
  for (const Section& section : Sections()) {
    std::unique_ptr<CDBChartStore> store = section.make();
    const Fields fields = section.bind(*store);
    for (const QJsonValue& record : object.value(QLatin1String(section.name)).toArray()) {
      FromJson(record.toObject(), fields, {}, error);
      store->patient = owner;
      if (!store->FileRestored()) {
        error = QStringLiteral("a record of %1 could not be stored").arg(owner);
        return false;
      }
    }
  }
  return true;
}

bool RestoreCategories(const QJsonArray& entries, QString& error) {
  CDBCategories categories;
  for (const QJsonValue& entry : entries) {
    categories.text = entry["text"].toString();
    if (!categories.AddNew(entry["list"].toInt())) {
      error = QStringLiteral("the category %1 could not be stored").arg(categories.text);
      return false;
    }
  }
  return true;
}

bool RestoreAutoTextLists(const QJsonArray& lists, QString& error) {
  CDBLists store;
  for (const QJsonValue& list : lists) {
    const QString id = list["list"].toString();
    const QString content = list["content"].toString();
    bool stored = false;
    if (store.FindByName(id)) {
      stored = store.UpdateValues(store.recordId, content);
    } else {
      store.patient = id;
      store.content = content;
      stored = store.AddNew();
    }
    if (!stored) {
      error = QStringLiteral("the auto-text list %1 could not be stored").arg(id);
      return false;
    }
  }
  return true;
}

bool RestoreFavorites(const QJsonArray& favorites, QString& error) {
  CDBMedsFavorites store;
  QString ignored;
  for (const QJsonValue& favorite : favorites) {
    FromJson(favorite.toObject(), Bind(store), {}, ignored);
    if (!store.AddNew()) {
      error = QStringLiteral("the favourite %1 could not be stored").arg(store.drug);
      return false;
    }
  }
  return true;
}

bool RestorePatients(const QJsonArray& patients, QString& error,
                     const platform::ProgressCallback& progress) {
  const auto total = static_cast<uint64_t>(patients.size());
  platform::Report(progress, 0, total);
  for (qsizetype i = 0; i < patients.size(); ++i) {
    if (!RestorePatient(patients[i].toObject(), error)) {
      return false;
    }
    platform::Report(progress, static_cast<uint64_t>(i + 1), total);
  }
  return true;
}

}  // namespace

bool Export(const QString& onlyPatient, QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress) {
  // A backup is written only from a device read whole: a read that failed would leave records out.
  platform::StoreErrorScope failures;
  memory_controls::List list;
  QJsonArray patients;
  const std::vector<CDBPatient::PatientRow> rows = CDBPatient().PopulatePatientList(list, {});
  platform::Report(progress, 0, rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (onlyPatient.isEmpty() || rows[i].name.compare(onlyPatient, Qt::CaseInsensitive) == 0) {
      patients.append(ExportPatient(rows[i].name));
    }
    platform::Report(progress, i + 1, rows.size());
  }
  if (!onlyPatient.isEmpty() && patients.isEmpty() && !failures.Failed()) {
    error = QStringLiteral("no patient named %1").arg(onlyPatient);
    return false;
  }
  QJsonObject whole{{"format", kFormatName},
                    {"version", kFormatVersion},
                    {"patients", patients},
                    {"categories", ExportCategories()},
                    {"autoTextLists", ExportAutoTextLists()},
                    {"favorites", ExportFavorites()}};
  if (failures.Failed()) {
    error =
        QStringLiteral("the device could not be read whole: %1").arg(failures.Error().Describe());
    return false;
  }
  document = whole;
  return true;
}

bool Import(const QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress) {
  if (!Check(document, error)) {
    return false;
  }
  // One transaction over every store: a failure, a refusal or a crash midway leaves the device
  // exactly as it was.
  platform::StoreErrorScope failures;
  const platform::BulkWriteScope bulk;
  platform::StoreTransaction transaction;
  bool restored = transaction.Active() &&
                  RestoreCategories(document.value("categories").toArray(), error) &&
                  RestoreAutoTextLists(document.value("autoTextLists").toArray(), error) &&
                  RestoreFavorites(document.value("favorites").toArray(), error);
  if (restored) {
    restored = RestorePatients(document.value("patients").toArray(), error, progress);
  }
  CDBPatient::ResetLastPatientWritten();
  restored = restored && !failures.Failed() && transaction.Commit();
  if (!restored) {
    // The cache may hold states of patients that the rollback took away again.
    CDBPatient::ClearReadOnlyCache();
    if (failures.Failed()) {
      error = QStringLiteral("nothing was stored: %1").arg(failures.Error().Describe());
    }
  }
  return restored;
}

}  // namespace backup
