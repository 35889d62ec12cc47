#include "store/CDBDatedStore.h"
#include "platform/ValueRules.h"

#include <algorithm>

using platform::Record;

std::vector<packed::Pair> packed::SplitPairs(const QString& text) {
  std::vector<Pair> pairs;
  QStringView rest(text);
  for (qsizetype nameEnd = rest.indexOf(u'\n'); nameEnd > 0; nameEnd = rest.indexOf(u'\n')) {
    const QStringView afterName = rest.mid(nameEnd + 1);
    const qsizetype valueEnd = afterName.indexOf(u'\n');
    const QStringView value = valueEnd < 0 ? afterName : afterName.left(valueEnd);
    pairs.push_back({rest.left(nameEnd).toString(), value.toString()});
    rest = valueEnd < 0 ? QStringView() : afterName.mid(valueEnd + 1);
  }
  return pairs;
}

CDBDatedStore::CDBDatedStore(const QString& volumeName, PropId timeStampProp)
    : CDBChartStore(volumeName), m_timeStampProp(timeStampProp) {}

QString CDBDatedStore::DateText() const {
  return TimeToDayString(date) + TimeToHourString(time);
}

QString CDBDatedStore::RecordKey() const {
  return patient + DateText();
}

void CDBDatedStore::UnpackRecord(const Record& record) {
  CDBChartStore::UnpackRecord(record);
  const platform::Property* dateProp = record.Find(kDateProp);
  if (dateProp) {
    date = StringToTime(dateProp->value);
    time = date;
  }
  const QString key = TextProp(record, m_keyProp);
  const qsizetype dateLength = dateProp ? dateProp->value.size() : 0;
  patient = key.left(std::max<qsizetype>(0, key.size() - dateLength));
  if (const platform::Property* stamp = record.Find(m_timeStampProp)) {
    timeStamp = StringToTime(stamp->value);
  }
  UnpackFields(record);
}

Record CDBDatedStore::FieldProperties() const {
  Record record;
  record.Add(m_keyProp, RecordKey());
  record.Add(kDateProp, DateText());
  AddFieldProps(record);
  return record;
}

Record CDBDatedStore::ReceivedProperties() const {
  Record record = FieldProperties();
  // The sender's stamp is kept with its hour as well as its day, so that a record passed on
  // again, or exported and imported, carries exactly the stamp it came with.
  record.Add(m_timeStampProp, TimeToDayHourString(timeStamp));
  AddSyncProps(record);
  return record;
}

bool CDBDatedStore::AddNew(bool received) {
  if (!OpenByName()) {
    return false;
  }
  Record record;
  if (received) {
    record = ReceivedProperties();
  } else {
    record = FieldProperties();
    const QString now = GetCurrentTimeStamp();
    record.Add(m_timeStampProp, now);
    timeStamp = StringToTime(now);
  }
  const bool added = m_db.Add(record) != 0;
  m_db.Close();
  return added;
}

bool CDBDatedStore::FindLatestOfPatient(const QString& name) {
  if (!OpenByName()) {
    return false;
  }
  // Walking back from name + kAfterAllDates passes over any patient whose name extends this one
  // with a digit ("Smith, J2") until the patient's own most recent record.
  const bool found = ForEachOfPatient(name, false, [](RecordId, const Record&) { return true; });
  m_db.Close();
  return found;
}

bool CDBDatedStore::PastOwnerKeys(const QString& key, const QString& name) const {
  // Only a digit or a character below it can continue the name among the patient's keys, and
  // the store orders those before any letter, so the comparison by code unit is the store's.
  return CDBChartStore::PastOwnerKeys(key, name) ||
         QStringView(key).mid(name.size()).compare(QLatin1StringView(kAfterAllDates)) >= 0;
}

void CDBDatedStore::AddFieldProps(Record& record) const {
  for (const TextField& field : TextFields()) {
    record.Add(field.prop, this->*field.member);
  }
}

void CDBDatedStore::UnpackFields(const Record& record) {
  for (const TextField& field : TextFields()) {
    this->*field.member = TextProp(record, field.prop);
  }
}

void CDBDatedStore::WriteTexts(bytes::Writer& writer) const {
  for (const TextField& field : TextFields()) {
    if (field.serialised) {
      writer.WriteString(this->*field.member);
    }
  }
}

bool CDBDatedStore::ReadTexts(bytes::Reader& reader) {
  const std::span<const TextField> fields = TextFields();
  std::vector<QString> received(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].serialised && !reader.ReadString(received[i])) {
      return false;
    }
  }
  // A field that does not travel must not keep what the object held before.
  for (size_t i = 0; i < fields.size(); ++i) {
    this->*fields[i].member = received[i];
  }
  return true;
}

bool CDBDatedStore::IsSameRecord(const Record& stored) const {
  for (const TextField& field : TextFields()) {
    if (field.identifying && TextProp(stored, field.prop) != this->*field.member) {
      return false;
    }
  }
  return true;
}

void CDBDatedStore::AddMergedFieldProps(Record& record) const {
  for (const TextField& field : TextFields()) {
    if (field.merged) {
      record.Add(field.prop, this->*field.member);
    }
  }
}

void CDBDatedStore::WriteFields(bytes::Writer& writer) const {
  writer.WriteFileTime(timeStamp);
  writer.WriteFileTime(date);
  writer.WriteFileTime(time);
  WriteTexts(writer);
}

bool CDBDatedStore::ReadFields(bytes::Reader& reader) {
  FILETIME receivedStamp;
  FILETIME receivedDate;
  FILETIME receivedTime;
  if (!reader.ReadFileTime(receivedStamp) || !reader.ReadFileTime(receivedDate) ||
      !reader.ReadFileTime(receivedTime) || !ReadTexts(reader) ||
      !value_rules::ValidTime(receivedStamp) || !value_rules::ValidTime(receivedDate) ||
      !value_rules::ValidTime(receivedTime)) {
    return false;
  }
  timeStamp = receivedStamp;
  date = receivedDate;
  time = receivedTime;
  return true;
}

std::vector<platform::Property> CDBDatedStore::Identity() const {
  std::vector<platform::Property> identity;
  for (const TextField& field : TextFields()) {
    if (field.identifying) {
      identity.push_back({field.prop, this->*field.member, false});
    }
  }
  return identity;
}

bool CDBDatedStore::MergeReceived() {
  if (!OpenByName()) {
    return false;
  }
  // A stored record lacking an identifying property holds the empty text there, as UnpackRecord
  // reads it.
  const RecordId match = SeekSameRecord(
      RecordKey(), Identity(), [this](const Record& stored) { return IsSameRecord(stored); });
  const bool failed = match == 0 && ReadFailed();
  bool written = false;
  if (match != 0) {
    Record changes;
    // As in AddNew(true): the received stamp with its hour.
    changes.Add(m_timeStampProp, TimeToDayHourString(timeStamp));
    AddSyncProps(changes);
    AddMergedFieldProps(changes);
    written = m_db.WriteCurrent(changes);
  }
  m_db.Close();
  if (failed) {
    return false;  // not known whether the record is on file: nothing is added
  }
  // A match whose write failed is reported as a failure, not filed a second time.
  return match != 0 ? written : AddNew(true);
}
