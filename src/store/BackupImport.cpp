// Reading a backup document as a stream: the JSON is parsed an event at a time, each record is
// checked as it is read, and each patient is stored once its object ends. Nothing but one patient
// with its records is held at a time, and limits on a value, a record and a patient keep a hostile
// document from exhausting memory.

#include <QBuffer>
#include <QIODevice>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "platform/BulkWriteScope.h"
#include "platform/JsonReader.h"
#include "platform/PropertyDatabase.h"
#include "platform/ValueRules.h"
#include "store/Backup.h"
#include "store/BackupSections.h"
#include "store/CDBLists.h"
#include "store/CDBMedsFavorites.h"

namespace backup {
namespace {

using namespace record_fields;

// The document's text of one chart record, of a favourite, category or auto-text list: the
// largest record a beam may carry.
constexpr int64_t kMaxRecordBytes = int64_t{16} << 20;
// The document's text of one patient with its records, which are held until the patient's
// object ends (its name may come after them). A generated patient with 160 records takes 65 KiB.
constexpr int64_t kMaxPatientBytes = int64_t{64} << 20;
// No text is longer than the stores take, and the document itself nests five levels deep.
constexpr platform::JsonReader::Limits kLimits{value_rules::kMaxTextLength, 32};

// A scalar of the document as the parser gives it.
struct Scalar {
  enum class Type { kNull, kBool, kNumber, kString } type;
  double number = 0;
  QString text = {};
};

bool IsWholeNumber(const Scalar& value, double low, double high) {
  return value.type == Scalar::Type::kNumber && value.number >= low && value.number <= high &&
         value.number == std::floor(value.number);
}

// The fields of one record by name, set from scalars and checked for completeness.
class RecordReader {
 public:
  explicit RecordReader(Fields fields) : m_fields(std::move(fields)) {
    const auto add = [this](Kind kind, const char* name, size_t index) {
      m_byName.push_back({name, kind, index});
    };
    for (size_t i = 0; i < m_fields.texts.size(); ++i) {
      add(Kind::kText, m_fields.texts[i].first, i);
    }
    for (size_t i = 0; i < m_fields.times.size(); ++i) {
      add(Kind::kTime, m_fields.times[i].first, i);
    }
    for (size_t i = 0; i < m_fields.numbers.size(); ++i) {
      add(Kind::kNumber, m_fields.numbers[i].name, i);
    }
    for (size_t i = 0; i < m_fields.unsignedNumbers.size(); ++i) {
      add(Kind::kUnsigned, m_fields.unsignedNumbers[i].first, i);
    }
    m_seen.assign(m_byName.size(), false);
  }

  const Fields& Bound() const { return m_fields; }
  void Begin() { std::fill(m_seen.begin(), m_seen.end(), false); }
  // Whether name is one of the record's fields.
  bool Has(const QString& name) const { return Find(name) != nullptr; }

  // Sets the field from the value; false with the reason when its type or range is wrong.
  // where names the record, made only for a message.
  template <typename Where>
  bool Set(const QString& name, const Scalar& value, Where where, QString& error) {
    const Slot* slot = Find(name);
    m_seen[static_cast<size_t>(slot - m_byName.data())] = true;
    switch (slot->kind) {
      case Kind::kText:
        if (value.type != Scalar::Type::kString) {
          return Fail(error, where, *slot);
        }
        if (!value_rules::ValidText(value.text)) {
          error = QStringLiteral("%1: field \"%2\" must be a text without NUL characters")
                      .arg(where(), QLatin1String(slot->name));
          return false;
        }
        *m_fields.texts[slot->index].second = value.text;
        return true;
      case Kind::kTime: {
        FILETIME& time = *m_fields.times[slot->index].second;
        if (value.type == Scalar::Type::kNull) {
          time = FILETIME{};
        } else if (value.type != Scalar::Type::kString || !ParseIsoTime(value.text, time)) {
          return Fail(error, where, *slot);
        }
        return true;
      }
      case Kind::kNumber: {
        const Number& number = m_fields.numbers[slot->index];
        if (!IsWholeNumber(value, number.low, number.high)) {
          return Fail(error, where, *slot);
        }
        *number.value = static_cast<int32_t>(value.number);
        return true;
      }
      case Kind::kUnsigned:
        if (!IsWholeNumber(value, 0, UINT32_MAX)) {
          return Fail(error, where, *slot);
        }
        *m_fields.unsignedNumbers[slot->index].second = static_cast<uint32_t>(value.number);
        return true;
    }
    return true;
  }

  // Every field must have been given; false naming the first one that was not.
  template <typename Where>
  bool Complete(Where where, QString& error) const {
    for (size_t i = 0; i < m_byName.size(); ++i) {
      if (!m_seen[i]) {
        return Fail(error, where, m_byName[i]);
      }
    }
    return true;
  }

 private:
  enum class Kind { kText, kTime, kNumber, kUnsigned };
  struct Slot {
    const char* name;
    Kind kind;
    size_t index;
  };

  const Slot* Find(const QString& name) const {
    for (const Slot& slot : m_byName) {
      if (name == QLatin1String(slot.name)) {
        return &slot;
      }
    }
    return nullptr;
  }

  // What the field must hold, for a field missing or of the wrong type or range.
  QString Expected(const Slot& slot) const {
    switch (slot.kind) {
      case Kind::kText:
        return QStringLiteral("a text");
      case Kind::kTime:
        return QStringLiteral("null or a time YYYY-MM-DDThh:mm:ss");
      case Kind::kNumber: {
        const Number& number = m_fields.numbers[slot.index];
        if (number.low == INT32_MIN && number.high == INT32_MAX) {
          return QStringLiteral("a 32-bit integer");
        }
        return QStringLiteral("an integer from %1 to %2").arg(number.low).arg(number.high);
      }
      case Kind::kUnsigned:
        return QStringLiteral("an unsigned 32-bit integer");
    }
    return {};
  }

  template <typename Where>
  bool Fail(QString& error, Where where, const Slot& slot) const {
    error = QStringLiteral("%1: field \"%2\" must be %3")
                .arg(where(), QLatin1String(slot.name), Expected(slot));
    return false;
  }

  Fields m_fields;
  std::vector<Slot> m_byName;
  std::vector<bool> m_seen;
};

// The values of one record of a patient, kept until the patient is stored.
struct HeldRecord {
  std::vector<QString> texts;
  std::vector<FILETIME> times;
  std::vector<int32_t> numbers;
  std::vector<uint32_t> unsignedNumbers;
};

HeldRecord Hold(const Fields& fields) {
  HeldRecord held;
  for (const auto& [name, value] : fields.texts) {
    held.texts.push_back(*value);
  }
  for (const auto& [name, value] : fields.times) {
    held.times.push_back(*value);
  }
  for (const Number& number : fields.numbers) {
    held.numbers.push_back(*number.value);
  }
  for (const auto& [name, value] : fields.unsignedNumbers) {
    held.unsignedNumbers.push_back(*value);
  }
  return held;
}

void Restore(const HeldRecord& held, const Fields& fields) {
  for (size_t i = 0; i < fields.texts.size(); ++i) {
    *fields.texts[i].second = held.texts[i];
  }
  for (size_t i = 0; i < fields.times.size(); ++i) {
    *fields.times[i].second = held.times[i];
  }
  for (size_t i = 0; i < fields.numbers.size(); ++i) {
    *fields.numbers[i].value = held.numbers[i];
  }
  for (size_t i = 0; i < fields.unsignedNumbers.size(); ++i) {
    *fields.unsignedNumbers[i].second = held.unsignedNumbers[i];
  }
}

// One section's store, its fields, and the records of the current patient held for it.
struct SectionState {
  explicit SectionState(const Section& section)
      : store(section.make()), reader(section.bind(*store)), merge(!Empty(*store)) {}

  // Whether the device holds no record of the store's kind.
  static bool Empty(const CDBChartStore& store) {
    platform::PropertyDatabase db;
    return !platform::PropertyDatabase::Exists(store.VolumeName()) ||
           (db.Open(store.VolumeName()) && db.RecordCount() == 0);
  }

  std::unique_ptr<CDBChartStore> store;
  RecordReader reader;
  std::vector<HeldRecord> held;
  bool seen = false;  // the patient has given this section's array
  // Whether records are merged by the store's match rule: not into a device that held none of
  // the kind when the import began, where the backup is filed as it stands.
  bool merge;
};

// The arrays of the document's object.
enum class List { kNone, kPatients, kCategories, kAutoTextLists, kFavorites };

// The parser's events, turned into stored records. Every handler answers false to stop the parse,
// with m_error saying why.
class DocumentReader : public platform::JsonHandler {
 public:
  DocumentReader(const platform::JsonReader& input, const platform::ProgressCallback& progress,
                 uint64_t total)
      : m_input(input),
        m_progress(progress),
        m_total(total),
        m_patient(Bind(m_patientStore)),
        m_favorite(Bind(m_favoriteStore)) {
    for (const Section& section : Sections()) {
      m_sections.emplace_back(section);
    }
  }

  const QString& Error() const { return m_error; }

  // Where in the document the reading stands, for a message about the text there.
  QString Place() const {
    const QString field = QStringLiteral(", field \"%1\"").arg(m_key);
    switch (Current()) {
      case Level::kPatient:
        return ElementWhere() + field;
      case Level::kRecord:
        return (InChartRecord() ? RecordWhere() : ElementWhere()) + field;
      case Level::kSection:
        return RecordWhere();
      case Level::kDocument:
      case Level::kList:
      case Level::kSkipped:
        break;
    }
    return QStringLiteral("document");
  }

  // After the parse: the document's own members were all there.
  bool Finish() {
    if (!m_formatSeen || !m_versionSeen) {
      return Refuse(NotABackup());
    }
    for (const auto& [list, name] : kLists) {
      if (!m_listSeen[static_cast<size_t>(list)]) {
        return Refuse(QStringLiteral("document: \"%1\" must be an array").arg(QLatin1String(name)));
      }
    }
    return true;
  }

  // ---- The reader's events ----

  bool Null() override { return OnScalar({Scalar::Type::kNull}); }
  bool Bool(bool) override { return OnScalar({Scalar::Type::kBool}); }
  bool Number(double value) override { return OnScalar({Scalar::Type::kNumber, value}); }
  bool String(const QString& text) override { return OnScalar({Scalar::Type::kString, 0, text}); }
  bool Key(const QString& name) override {
    m_key = name;
    return true;
  }
  bool BeginObject() override { return Open(true); }
  bool EndObject() override { return Close(); }
  bool BeginArray() override { return Open(false); }
  bool EndArray() override { return Close(); }

 private:
  // Where the parser stands: the document, one of its arrays, an element of one, or a section.
  enum class Level { kDocument, kList, kPatient, kSection, kRecord, kSkipped };

  static constexpr std::pair<List, const char*> kLists[] = {{List::kPatients, "patients"},
                                                            {List::kCategories, "categories"},
                                                            {List::kAutoTextLists, "autoTextLists"},
                                                            {List::kFavorites, "favorites"}};

  static QString NotABackup() {
    return QStringLiteral("not an Ovelin backup of version %1").arg(kFormatVersion);
  }

  bool Refuse(const QString& error) {
    m_error = error;
    return false;
  }

  Level Current() const { return m_levels.empty() ? Level::kDocument : m_levels.back(); }

  QString ElementWhere() const {
    const char* name = "patients";
    for (const auto& [list, listName] : kLists) {
      if (list == m_list) {
        name = listName;
      }
    }
    return QStringLiteral("%1[%2]").arg(QLatin1String(name)).arg(m_element);
  }

  QString RecordWhere() const {
    return QStringLiteral("%1.%2[%3]")
        .arg(ElementWhere(), QLatin1String(Sections()[m_section].name))
        .arg(CurrentSection().held.size());
  }

  // The same, made only when a message needs them.
  auto ElementPlace() const {
    return [this] { return ElementWhere(); };
  }
  auto RecordPlace() const {
    return [this] { return RecordWhere(); };
  }

  SectionState& CurrentSection() { return m_sections[m_section]; }
  const SectionState& CurrentSection() const { return m_sections[m_section]; }
  // Whether the record open now is a chart record, rather than an entry of the document's lists.
  bool InChartRecord() const { return m_levels[m_levels.size() - 2] == Level::kSection; }

  bool Open(bool object) {
    if (!m_started) {
      m_started = true;
      if (!object) {
        return Refuse(NotABackup());
      }
      m_levels.push_back(Level::kDocument);
      return true;
    }
    switch (Current()) {
      case Level::kDocument:
        return OpenMember(object);
      case Level::kList:
        return OpenElement(object);
      case Level::kPatient:
        return OpenPatientMember(object);
      case Level::kSection:
        return OpenChartRecord(object);
      case Level::kRecord:
      case Level::kSkipped:
        m_levels.push_back(Level::kSkipped);  // a value nobody reads
        return true;
    }
    return true;
  }

  bool OpenMember(bool object) {
    for (const auto& [list, name] : kLists) {
      if (m_key == QLatin1String(name)) {
        if (object) {
          return Refuse(QStringLiteral("document: \"%1\" must be an array").arg(name));
        }
        m_list = list;
        m_element = 0;
        m_listSeen[static_cast<size_t>(list)] = true;
        m_levels.push_back(Level::kList);
        return true;
      }
    }
    if (m_key == QLatin1String("format") || m_key == QLatin1String("version")) {
      return Refuse(NotABackup());
    }
    m_levels.push_back(Level::kSkipped);
    return true;
  }

  bool OpenElement(bool object) {
    if (!object) {
      return Refuse(QStringLiteral("document.") + ElementWhere() +
                    QStringLiteral(" must be an object"));
    }
    m_recordStart = m_input.Position();
    if (m_list == List::kPatients) {
      for (SectionState& section : m_sections) {
        section.held.clear();
        section.seen = false;
      }
      m_patient.Begin();
      m_levels.push_back(Level::kPatient);
    } else {
      m_favorite.Begin();
      m_entry = Entry{};
      m_levels.push_back(Level::kRecord);
    }
    return true;
  }

  bool OpenPatientMember(bool object) {
    for (size_t i = 0; i < Sections().size(); ++i) {
      if (m_key == QLatin1String(Sections()[i].name)) {
        if (object) {
          return Refuse(QStringLiteral("%1: \"%2\" must be an array")
                            .arg(ElementWhere(), QLatin1String(Sections()[i].name)));
        }
        m_section = i;
        m_sections[i].seen = true;
        m_levels.push_back(Level::kSection);
        return true;
      }
    }
    if (m_patient.Has(m_key)) {
      return m_patient.Set(m_key, {Scalar::Type::kBool}, ElementPlace(), m_error);
    }
    m_levels.push_back(Level::kSkipped);
    return true;
  }

  bool OpenChartRecord(bool object) {
    if (!object) {
      return Refuse(RecordWhere() + QStringLiteral(" must be an object"));
    }
    if (m_input.Position() - m_recordStart > kMaxPatientBytes) {
      return Refuse(QStringLiteral("%1: the patient takes more than %2 MiB of the document, more "
                                   "than a backup holds")
                        .arg(ElementWhere())
                        .arg(kMaxPatientBytes >> 20));
    }
    m_chartRecordStart = m_input.Position();
    CurrentSection().reader.Begin();
    m_levels.push_back(Level::kRecord);
    return true;
  }

  bool Close() {
    const Level closing = Current();
    m_levels.pop_back();
    switch (closing) {
      case Level::kDocument:
      case Level::kList:
      case Level::kSection:
      case Level::kSkipped:
        return true;
      case Level::kPatient:
        return StorePatient();
      case Level::kRecord:
        return Current() == Level::kSection ? HoldChartRecord() : StoreEntry();
    }
    return true;
  }

  bool OnScalar(const Scalar& value) {
    switch (Current()) {
      case Level::kDocument:
        if (!m_started) {
          m_started = true;
          return Refuse(NotABackup());
        }
        return DocumentMember(value);
      case Level::kList:
        return Refuse(QStringLiteral("document.") + ElementWhere() +
                      QStringLiteral(" must be an object"));
      case Level::kPatient:
        if (m_patient.Has(m_key)) {
          return m_patient.Set(m_key, value, ElementPlace(), m_error);
        }
        for (const Section& section : Sections()) {
          if (m_key == QLatin1String(section.name)) {
            return Refuse(QStringLiteral("%1: \"%2\" must be an array")
                              .arg(ElementWhere(), QLatin1String(section.name)));
          }
        }
        return true;
      case Level::kSection:
        return Refuse(RecordWhere() + QStringLiteral(" must be an object"));
      case Level::kRecord:
        return RecordMember(value);
      case Level::kSkipped:
        return true;
    }
    return true;
  }

  bool DocumentMember(const Scalar& value) {
    if (m_key == QLatin1String("format")) {
      m_formatSeen = true;
      return value.type == Scalar::Type::kString && value.text == QLatin1String(kFormatName)
                 ? true
                 : Refuse(NotABackup());
    }
    if (m_key == QLatin1String("version")) {
      m_versionSeen = true;
      return IsWholeNumber(value, kFormatVersion, kFormatVersion) ? true : Refuse(NotABackup());
    }
    for (const auto& [list, name] : kLists) {
      if (m_key == QLatin1String(name)) {
        return Refuse(QStringLiteral("document: \"%1\" must be an array").arg(name));
      }
    }
    return true;
  }

  bool RecordMember(const Scalar& value) {
    const bool chart = InChartRecord();
    if (m_input.Position() - (chart ? m_chartRecordStart : m_recordStart) > kMaxRecordBytes) {
      return Refuse(QStringLiteral("%1: the record takes more than %2 MiB of the document")
                        .arg(chart ? RecordWhere() : ElementWhere())
                        .arg(kMaxRecordBytes >> 20));
    }
    if (chart) {
      RecordReader& reader = CurrentSection().reader;
      return !reader.Has(m_key) || reader.Set(m_key, value, RecordPlace(), m_error);
    }
    if (m_list == List::kFavorites) {
      return !m_favorite.Has(m_key) || m_favorite.Set(m_key, value, ElementPlace(), m_error);
    }
    const bool text = value.type == Scalar::Type::kString && value_rules::ValidText(value.text);
    const bool category = m_list == List::kCategories;
    if (m_key == QLatin1String("list")) {
      if (category) {
        m_entry.number = IsWholeNumber(value, 0, 65535) ? static_cast<int>(value.number) : -1;
      } else {
        m_entry.list = text ? std::optional(value.text) : std::nullopt;
      }
    } else if (m_key == QLatin1String(category ? "text" : "content")) {
      m_entry.text = text ? std::optional(value.text) : std::nullopt;
    }
    return true;
  }

  bool HoldChartRecord() {
    SectionState& section = CurrentSection();
    if (!section.reader.Complete(RecordPlace(), m_error)) {
      return false;
    }
    section.held.push_back(Hold(section.reader.Bound()));
    return true;
  }

  bool StorePatient() {
    const QString where = ElementWhere();
    if (!m_patient.Complete(ElementPlace(), m_error)) {
      return false;
    }
    if (!value_rules::ValidName(m_patientStore.name)) {
      return Refuse(where + QStringLiteral(": the patient has no name"));
    }
    for (size_t i = 0; i < Sections().size(); ++i) {
      // A section left out is an error, as a section that is not an array is.
      if (!m_sections[i].seen) {
        return Refuse(QStringLiteral("%1: \"%2\" must be an array")
                          .arg(where, QLatin1String(Sections()[i].name)));
      }
    }
    if (!m_patientStore.FileReceived()) {
      return Refuse(QStringLiteral("the patient %1 could not be stored").arg(m_patientStore.name));
    }
    // Records are filed under the name on file, which may differ from the document's in case.
    const QString owner = CDBPatient::LastPatientWritten();
    for (SectionState& section : m_sections) {
      for (const HeldRecord& record : section.held) {
        Restore(record, section.reader.Bound());
        section.store->patient = owner;
        if (!(section.merge ? section.store->FileRestored() : section.store->AddRestored())) {
          return Refuse(QStringLiteral("a record of %1 could not be stored").arg(owner));
        }
      }
      section.held.clear();
    }
    ++m_element;
    platform::Report(m_progress, static_cast<uint64_t>(m_input.Position()), m_total);
    return true;
  }

  bool StoreEntry() {
    const QString where = ElementWhere();
    ++m_element;
    switch (m_list) {
      case List::kFavorites:
        if (!m_favorite.Complete(ElementPlace(), m_error)) {
          return false;
        }
        return m_favoriteStore.AddNew() ||
               Refuse(QStringLiteral("the favourite %1 could not be stored")
                          .arg(m_favoriteStore.drug));
      case List::kCategories:
        return StoreCategory(where);
      case List::kAutoTextLists:
        return StoreAutoTextList(where);
      case List::kPatients:
      case List::kNone:
        break;
    }
    return true;
  }

  bool StoreCategory(const QString& where) {
    if (m_entry.number < 0 || !m_entry.text) {
      return Refuse(
          where + QStringLiteral(" needs a list number 0-65535 and a text without NUL characters"));
    }
    CDBCategories categories;
    categories.text = *m_entry.text;
    return categories.AddNew(m_entry.number) ||
           Refuse(QStringLiteral("the category %1 could not be stored").arg(categories.text));
  }

  bool StoreAutoTextList(const QString& where) {
    if (!m_entry.list || m_entry.list->isEmpty() || !m_entry.text) {
      return Refuse(where + QStringLiteral(" needs a list id text and a content text, without "
                                           "NUL characters"));
    }
    CDBLists store;
    bool stored = false;
    if (store.FindByName(*m_entry.list)) {
      stored = store.UpdateValues(store.recordId, *m_entry.text);
    } else {
      store.patient = *m_entry.list;
      store.content = *m_entry.text;
      stored = store.AddNew();
    }
    return stored ||
           Refuse(QStringLiteral("the auto-text list %1 could not be stored").arg(*m_entry.list));
  }

  const platform::JsonReader& m_input;
  const platform::ProgressCallback& m_progress;
  uint64_t m_total;
  QString m_error;

  std::vector<Level> m_levels;
  QString m_key;
  bool m_started = false;
  bool m_formatSeen = false;
  bool m_versionSeen = false;
  bool m_listSeen[5] = {};

  List m_list = List::kNone;
  qsizetype m_element = 0;  // the index of the list's current element
  int64_t m_recordStart = 0;
  int64_t m_chartRecordStart = 0;

  CDBPatient m_patientStore;
  RecordReader m_patient;
  std::vector<SectionState> m_sections;
  size_t m_section = 0;

  CDBMedsFavorites m_favoriteStore;
  RecordReader m_favorite;
  // A category or an auto-text list as far as it has been read; a value of the wrong type or
  // range counts as missing.
  struct Entry {
    int number = -1;              // a category's list
    std::optional<QString> list;  // an auto-text list's id
    std::optional<QString> text;  // a category's text, an auto-text list's content
  } m_entry;
};

// Counts the objects of the document's "patients" array, and nothing else.
class PatientCounter : public platform::JsonHandler {
 public:
  size_t Count() const { return m_count; }

  bool Null() override { return true; }
  bool Bool(bool) override { return true; }
  bool Number(double) override { return true; }
  bool String(const QString&) override { return true; }
  bool Key(const QString& name) override {
    if (m_depth == 1) {
      m_inPatients = name == QLatin1String("patients");
    }
    return true;
  }
  bool BeginObject() override { return Open(); }
  bool BeginArray() override { return Open(); }
  bool EndObject() override { return Close(); }
  bool EndArray() override { return Close(); }

 private:
  bool Open() {
    if (m_inPatients && m_depth == 2) {
      ++m_count;
    }
    ++m_depth;
    return true;
  }
  bool Close() {
    --m_depth;
    return true;
  }

  int m_depth = 0;
  bool m_inPatients = false;
  size_t m_count = 0;
};

}  // namespace

bool Import(QIODevice& input, QString& error, const platform::ProgressCallback& progress,
            uint64_t total) {
  // One transaction over every store: a failure, a refusal or a crash midway leaves the device
  // exactly as it was. Since the whole transaction is taken back on any failure, its writes need
  // no savepoints of their own.
  platform::StoreErrorScope failures;
  const platform::BulkWriteScope bulk(platform::BulkWriteScope::Failure::kEndsTheTransaction);
  const platform::UnmappedReadScope onePass;
  platform::StoreTransaction transaction;
  platform::Report(progress, 0, total);
  platform::JsonReader json(input, kLimits);
  DocumentReader reader(json, progress, total);
  bool restored = transaction.Active() && json.Read(reader) && reader.Finish();
  if (restored) {
    platform::Report(progress, static_cast<uint64_t>(json.Position()), total);
  }
  CDBPatient::ResetLastPatientWritten();
  error = json.Error().isEmpty() ? reader.Error()
                                 : QStringLiteral("%1: %2").arg(reader.Place(), json.Error());
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

std::optional<size_t> CountPatients(QIODevice& input) {
  platform::JsonReader json(input, kLimits);
  PatientCounter counter;
  if (!json.Read(counter)) {
    return std::nullopt;
  }
  return counter.Count();
}

bool Import(const QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress) {
  QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Compact);
  QBuffer input(&text);
  input.open(QIODevice::ReadOnly);
  return Import(input, error, progress, static_cast<uint64_t>(text.size()));
}

}  // namespace backup
