#include "store/CDBMeds.h"

#include <algorithm>
#include <optional>

#include "common/CDBPatient.h"
#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/ValueRules.h"

using platform::Record;

namespace {

// The text fields of a medication with their properties, in the order of the serialised form.
// identifying: the field tells two medications of one patient apart (see MergeReceived).
struct TextField {
  platform::PropId prop;
  QString CDBMeds::*member;
  bool identifying;
};

constexpr TextField kTextFields[] = {
    {CDBMeds::kDrugProp, &CDBMeds::drug, true},
    {CDBMeds::kDoseProp, &CDBMeds::dose, true},
    {CDBMeds::kRouteProp, &CDBMeds::route, true},
    {CDBMeds::kFrequencyProp, &CDBMeds::frequency, true},
    {CDBMeds::kTrackDaysProp, &CDBMeds::trackDays, true},
    {CDBMeds::kDispensedProp, &CDBMeds::dispensed, false},
    {CDBMeds::kRefillsProp, &CDBMeds::refills, false},
    {CDBMeds::kDaysProp, &CDBMeds::days, true},
};

// Whole days of treatment elapsed at now for a medication started on the day of start: 0 on the
// start day itself. None when the start is unknown (zero) or still to come: no day of treatment
// can be told then. The start counts from the beginning of its day, as it is stored.
std::optional<int64_t> ElapsedDays(const FILETIME& start, const FILETIME& now) {
  if (filetime::IsZero(start)) {
    return std::nullopt;
  }
  const uint64_t startTicks =
      filetime::ToTicks(CDBBaseDatabase::StringToTime(CDBBaseDatabase::TimeToDayString(start)));
  const uint64_t nowTicks = filetime::ToTicks(now);
  if (nowTicks < startTicks) {
    return std::nullopt;
  }
  return static_cast<int64_t>((nowTicks - startTicks) / filetime::kTicksPerDay);
}

}  // namespace

CDBMeds::CDBMeds() : CDBChartStore(QString::fromLatin1(kVolumeName)) {}

int64_t CDBMeds::LeadingNumber(const QString& text) {
  // Saturates far beyond any treatment length instead of overflowing.
  constexpr int64_t kCeiling = 1'000'000'000;
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(kCeiling, value * 10 + (text[i].unicode() - u'0'));
  }
  return negative ? -value : value;
}

Record CDBMeds::BuildProperties(const QString& stamp) const {
  Record record{{m_keyProp, patient}};
  for (const TextField& field : kTextFields) {
    record.Add(field.prop, this->*field.member);
  }
  record.Add(kStartDateProp, TimeToDayString(startDate));
  record.Add(kTimeStampProp, stamp);
  return record;
}

void CDBMeds::UnpackRecord(const Record& record) {
  CDBChartStore::UnpackRecord(record);
  patient = TextProp(record, m_keyProp);
  for (const TextField& field : kTextFields) {
    this->*field.member = TextProp(record, field.prop);
  }
  if (const platform::Property* start = record.Find(kStartDateProp)) {
    startDate = StringToTime(start->value);
  }
  if (const platform::Property* stamp = record.Find(kTimeStampProp)) {
    timeStamp = StringToTime(stamp->value);
  }
  // A synchronised medication is as writable as its patient.
  if (desktopId != 0) {
    accessState = CDBPatient::FindReadOnlyByName(patient);
  }
  m_recordId = m_db.IsOpen() ? m_db.CurrentId() : 0;
}

Record CDBMeds::ReceivedProperties() const {
  Record record = BuildProperties(TimeToDayHourString(timeStamp));
  AddSyncProps(record);
  return record;
}

bool CDBMeds::AddNew(bool received) {
  if (!OpenByName()) {
    return false;
  }
  QString stamp;
  if (received) {
    // The sender's stamp keeps its time of day, so that a record passed on again is unchanged.
    stamp = TimeToDayHourString(timeStamp);
  } else {
    stamp = GetCurrentTimeStamp();
    timeStamp = StringToTime(stamp);
    desktopId = 0;
    accessState = 0;
  }
  Record record = BuildProperties(stamp);
  if (received) {
    AddSyncProps(record);
  }
  m_recordId = m_db.Add(record);
  m_db.Close();
  return m_recordId != 0;
}

bool CDBMeds::UpdateByCEOID(RecordId id) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  bool written = false;
  Record stored;
  if (m_db.SeekById(id) == id && m_db.Read(stored, {m_keyProp})) {
    // A medication never changes patient: the stored key stays, whatever patient holds.
    patient = TextProp(stored, m_keyProp);
    const QString stamp = GetCurrentTimeStamp();
    written = m_db.WriteCurrent(BuildProperties(stamp));
    if (written) {
      timeStamp = StringToTime(stamp);
      m_recordId = id;
    }
  }
  m_db.Close();
  return written;
}

bool CDBMeds::PastOwnerKeys(const QString& key, const QString& name) const {
  return key.compare(name, Qt::CaseInsensitive) != 0;
}

template <typename Visit>
void CDBMeds::ForEachOfPatient(const QString& patientName, Visit visit) {
  // The patient's medications share one key. The order compares keys without regard to case, so
  // the run that the seek reaches may hold keys that differ from the name in case only; only
  // exact matches belong to the patient.
  Record record;
  for (RecordId id = m_db.SeekEqual(patientName); id != 0; id = m_db.SeekNext()) {
    if (!m_db.Read(record)) {
      if (ReadFailed()) {
        break;
      }
      continue;
    }
    const QString key = TextProp(record, m_keyProp);
    if (key.compare(patientName, Qt::CaseInsensitive) != 0) {
      break;
    }
    if (key != patientName) {
      continue;
    }
    // A record without a start date or stamp must not inherit the previous record's.
    startDate = FILETIME{};
    timeStamp = FILETIME{};
    UnpackRecord(record);
    visit();
  }
}

void CDBMeds::FillList(const QString& patientName, IListControl& list) {
  if (!OpenByName()) {
    return;
  }
  list.DeleteAllItems();
  ForEachOfPatient(patientName, [this, &list] {
    const RecordId id = m_recordId;
    const QString line = FormatLine();
    if (!line.isEmpty()) {
      list.SetItemData(list.InsertItem(list.GetItemCount(), line), id);
    }
  });
  m_db.Close();
}

QString CDBMeds::FormatLine() {
  QString dayText;
  if (trackDays == u"Yes") {
    FILETIME now;
    GetCurrentTime(now);
    // A number of days that is not a positive number sets no end: it counts as no limit rather
    // than making the medication vanish the first time it is listed.
    const int64_t limit = LeadingNumber(days);
    if (const std::optional<int64_t> elapsed = ElapsedDays(startDate, now)) {
      if (limit > 0 && limit - *elapsed < 1) {
        if (m_recordId != 0) {
          if (m_db.IsOpen()) {
            m_db.Delete(m_recordId);
          } else {
            // A failure is reported to the caller's scope; the medication is not listed.
            static_cast<void>(DeleteByCEOID(m_recordId));
          }
          m_recordId = 0;
        }
        return QString();
      }
      dayText = strings::FormatId(ids::kDayOfTreatment, *elapsed + 1);
    }
  }
  const QString line =
      strings::FormatId(ids::kMedicationLine, drug, dose, route, frequency, dayText);
  return line + u' ' + dispensed + u' ' + refills;
}

QString CDBMeds::FormatMedsSection(const QString& patientName) {
  if (!OpenByName()) {
    return QString();
  }
  QString lines;
  ForEachOfPatient(patientName, [this, &lines] {
    const QString line = FormatLine();
    if (!line.isEmpty()) {
      lines += line + QStringLiteral("\r\n");
    }
  });
  m_db.Close();
  return strings::FormatId(ids::kMedicationsSection, lines);
}

void CDBMeds::WriteFields(bytes::Writer& writer) const {
  writer.WriteFileTime(timeStamp);
  writer.WriteFileTime(startDate);
  for (const TextField& field : kTextFields) {
    writer.WriteString(this->*field.member);
  }
}

bool CDBMeds::ReadFields(bytes::Reader& reader) {
  if (!reader.ReadFileTime(timeStamp) || !reader.ReadFileTime(startDate) ||
      !value_rules::ValidTime(timeStamp) || !value_rules::ValidTime(startDate)) {
    return false;
  }
  for (const TextField& field : kTextFields) {
    if (!reader.ReadString(this->*field.member)) {
      return false;
    }
  }
  return true;
}

bool CDBMeds::SameMedication(const Record& stored) const {
  // A property the stored medication lacks does not make it another one.
  const auto agrees = [&stored](PropId id, const QString& value) {
    const platform::Property* property = stored.Find(id);
    return property == nullptr || property->value == value;
  };
  for (const TextField& field : kTextFields) {
    if (field.identifying && !agrees(field.prop, this->*field.member)) {
      return false;
    }
  }
  return agrees(kStartDateProp, TimeToDayString(startDate));
}

bool CDBMeds::MergeReceived() {
  if (!OpenByName()) {
    return false;
  }
  // Dispensed, refills, stamp and synchronisation marks do not tell medications apart; one already
  // on file is left exactly as it is.
  std::vector<platform::Property> identity;
  for (const TextField& field : kTextFields) {
    if (field.identifying) {
      identity.push_back({field.prop, this->*field.member, false});
    }
  }
  identity.push_back({kStartDateProp, TimeToDayString(startDate), false});
  std::sort(identity.begin(), identity.end(),
            [](const platform::Property& a, const platform::Property& b) { return a.id < b.id; });
  const bool onFile = SeekSameRecord(patient, identity, [this](const Record& stored) {
                        return SameMedication(stored);
                      }) != 0;
  const bool failed = !onFile && ReadFailed();
  m_db.Close();
  return !failed && (onFile || AddNew(true));
}
