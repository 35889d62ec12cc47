#include "store/Backup.h"

#include <QJsonDocument>
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "platform/BulkWriteScope.h"
#include "platform/JsonWriter.h"
#include "platform/PropertyDatabase.h"
#include "platform/ValueRules.h"
#include "store/BackupSections.h"
#include "store/CDBLabValues.h"
#include "store/CDBLists.h"
#include "store/CDBMeds.h"
#include "store/CDBMedsFavorites.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace backup {

using namespace record_fields;
using platform::JsonWriter;

namespace {

template <typename Store>
Section MakeSection(const char* name) {
  return Section{name, [] { return std::make_unique<Store>(); },
                 [](CDBChartStore& store) { return Bind(static_cast<Store&>(store)); }};
}

}  // namespace

const std::vector<Section>& Sections() {
  static const std::vector<Section> sections = {
      MakeSection<CDBLabValues>("labs"), MakeSection<CDBMeds>("meds"),
      MakeSection<CDBNotes>("notes"),    MakeSection<CDBTest>("tests"),
      MakeSection<CDBToDo>("todos"),     MakeSection<CDBVitals>("vitals")};
  return sections;
}

namespace {

// One member of a record's object: a bound field, or (for a patient) the array of a section.
struct Member {
  enum class Kind { kText, kTime, kNumber, kUnsigned, kSection } kind;
  const char* name;
  size_t index;
};

// The members in the document's order, that of QJsonObject's keys.
std::vector<Member> OrderedMembers(const Fields& fields, bool withSections) {
  std::vector<Member> members;
  const auto add = [&members](Member::Kind kind, const auto& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      if constexpr (std::is_same_v<std::decay_t<decltype(list[i])>, Number>) {
        members.push_back({kind, list[i].name, i});
      } else {
        members.push_back({kind, list[i].first, i});
      }
    }
  };
  add(Member::Kind::kText, fields.texts);
  add(Member::Kind::kTime, fields.times);
  add(Member::Kind::kNumber, fields.numbers);
  add(Member::Kind::kUnsigned, fields.unsignedNumbers);
  if (withSections) {
    for (size_t i = 0; i < Sections().size(); ++i) {
      members.push_back({Member::Kind::kSection, Sections()[i].name, i});
    }
  }
  std::sort(members.begin(), members.end(),
            [](const Member& a, const Member& b) { return std::strcmp(a.name, b.name) < 0; });
  return members;
}

// Writes the members of a record to the document. A text longer than a backup's reader takes
// is refused: a backup that cannot be restored must not be written.
class RecordWriter {
 public:
  RecordWriter(JsonWriter& json, QString& error) : m_json(json), m_error(error) {}

  bool Field(const Fields& fields, const Member& member) {
    m_json.Key(member.name);
    switch (member.kind) {
      case Member::Kind::kText: {
        const QString& text = *fields.texts[member.index].second;
        if (text.size() > value_rules::kMaxTextLength) {
          m_error = QStringLiteral(
                        "the field \"%1\" of %2 holds %3 characters, more than a "
                        "backup can take back (%4)")
                        .arg(QLatin1String(member.name), m_owner)
                        .arg(text.size())
                        .arg(value_rules::kMaxTextLength);
          return false;
        }
        m_json.String(text);
        break;
      }
      case Member::Kind::kTime: {
        const FILETIME& time = *fields.times[member.index].second;
        filetime::IsZero(time) ? m_json.Null() : m_json.String(IsoTime(time));
        break;
      }
      case Member::Kind::kNumber:
        m_json.Number(*fields.numbers[member.index].value);
        break;
      case Member::Kind::kUnsigned:
        m_json.Number(*fields.unsignedNumbers[member.index].second);
        break;
      case Member::Kind::kSection:
        break;
    }
    return true;
  }

  bool Record(const Fields& fields, const std::vector<Member>& members) {
    m_json.BeginObject();
    for (const Member& member : members) {
      if (!Field(fields, member)) {
        return false;
      }
    }
    m_json.EndObject();
    return true;
  }

  void SetOwner(const QString& owner) { m_owner = owner; }

 private:
  JsonWriter& m_json;
  QString& m_error;
  QString m_owner;
};

bool ExportSection(RecordWriter& records, const Section& section, const QString& owner) {
  std::unique_ptr<CDBChartStore> store = section.make();
  const Fields fields = section.bind(*store);
  const std::vector<Member> members = OrderedMembers(fields, false);
  for (bool more = store->FindFirstOfPatient(owner); more; more = store->FindNextOfPatient(owner)) {
    if (!records.Record(fields, members)) {
      store->CloseWalk();
      return false;
    }
  }
  return true;
}

bool ExportPatient(JsonWriter& json, const QString& name, QString& error) {
  CDBPatient patient;
  patient.FindByName(name);
  const Fields fields = Bind(patient);
  RecordWriter records(json, error);
  records.SetOwner(patient.name);
  json.BeginObject();
  for (const Member& member : OrderedMembers(fields, true)) {
    if (member.kind != Member::Kind::kSection) {
      if (!records.Field(fields, member)) {
        return false;
      }
      continue;
    }
    json.Key(member.name);
    json.BeginArray();
    if (!ExportSection(records, Sections()[member.index], patient.name)) {
      return false;
    }
    json.EndArray();
  }
  json.EndObject();
  return true;
}

void ExportAutoTextLists(JsonWriter& json) {
  CDBLists store;
  QStringList keys;
  store.PopulateStringList(keys);
  json.BeginArray();
  for (const QString& key : keys) {
    if (store.FindByName(key)) {
      json.BeginObject();
      json.Key("content");
      json.String(store.content);
      json.Key("list");
      json.String(store.patient);
      json.EndObject();
    }
  }
  json.EndArray();
}

void ExportCategories(JsonWriter& json) {
  CDBCategories categories;
  json.BeginArray();
  for (bool more = categories.First(); more; more = categories.Next()) {
    json.BeginObject();
    json.Key("list");
    json.Number(categories.type);
    json.Key("text");
    json.String(categories.text);
    json.EndObject();
  }
  json.EndArray();
}

bool ExportFavorites(JsonWriter& json, QString& error) {
  CDBMedsFavorites store;
  const Fields fields = Bind(store);
  const std::vector<Member> members = OrderedMembers(fields, false);
  RecordWriter records(json, error);
  records.SetOwner(QStringLiteral("a favourite"));
  json.BeginArray();
  for (bool more = store.First(); more; more = store.Next()) {
    if (!records.Record(fields, members)) {
      return false;
    }
  }
  json.EndArray();
  return true;
}

bool ExportPatients(JsonWriter& json, const QString& onlyPatient, size_t& written, QString& error,
                    const platform::ProgressCallback& progress) {
  memory_controls::List list;
  const std::vector<CDBPatient::PatientRow> rows = CDBPatient().PopulatePatientList(list, {});
  platform::Report(progress, 0, rows.size());
  json.BeginArray();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (onlyPatient.isEmpty() || rows[i].name.compare(onlyPatient, Qt::CaseInsensitive) == 0) {
      if (!ExportPatient(json, rows[i].name, error)) {
        return false;
      }
      ++written;
    }
    platform::Report(progress, i + 1, rows.size());
    if (json.Failed()) {
      return false;
    }
  }
  json.EndArray();
  return true;
}

}  // namespace

bool Export(const QString& onlyPatient, const Sink& write, size_t& patients, QString& error,
            const platform::ProgressCallback& progress) {
  // A backup is written only from a device read whole: a read that failed would leave records out.
  platform::StoreErrorScope failures;
  const platform::UnmappedReadScope onePass;
  patients = 0;
  JsonWriter json(write);
  json.BeginObject();
  json.Key("autoTextLists");
  ExportAutoTextLists(json);
  json.Key("categories");
  ExportCategories(json);
  json.Key("favorites");
  bool whole = ExportFavorites(json, error);
  if (whole) {
    json.Key("format");
    json.String(QLatin1String(kFormatName));
    json.Key("patients");
    whole = ExportPatients(json, onlyPatient, patients, error, progress);
  }
  if (failures.Failed()) {
    error =
        QStringLiteral("the device could not be read whole: %1").arg(failures.Error().Describe());
    return false;
  }
  if (!whole) {
    return false;
  }
  if (!onlyPatient.isEmpty() && patients == 0) {
    error = QStringLiteral("no patient named %1").arg(onlyPatient);
    return false;
  }
  json.Key("version");
  json.Number(kFormatVersion);
  json.EndObject();
  if (json.Failed()) {
    error = QStringLiteral("the backup could not be written");
    return false;
  }
  return true;
}

bool Export(const QString& onlyPatient, QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress) {
  QByteArray text;
  size_t patients = 0;
  const Sink append = [&text](const QByteArray& bytes) {
    text += bytes;
    return true;
  };
  if (!Export(onlyPatient, append, patients, error, progress)) {
    return false;
  }
  document = QJsonDocument::fromJson(text).object();
  return true;
}

}  // namespace backup
