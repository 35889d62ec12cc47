#include "common/CDBPatient.h"

#include "common/CAsciiPr.h"
#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/ValueRules.h"

using platform::Record;

thread_local QHash<QString, int> CDBPatient::m_ReadOnlyMap;
thread_local QString CDBPatient::m_LastPatientWritten;

namespace {

// The text fields with their properties, in the order of the serialised form.
struct TextField {
  platform::PropId prop;
  QString CDBPatient::*member;
};

constexpr TextField kTextFields[] = {
    {CDBPatient::kKeyProp, &CDBPatient::name},
    {CDBPatient::kFirstNameProp, &CDBPatient::firstName},
    {CDBPatient::kLastNameProp, &CDBPatient::lastName},
    {CDBPatient::kMrNumberProp, &CDBPatient::mrNumber},
    {CDBPatient::kDoctorProp, &CDBPatient::doctor},
    {CDBPatient::kAgeValueProp, &CDBPatient::ageValue},
    {CDBPatient::kAgeUnitProp, &CDBPatient::ageUnit},
    {CDBPatient::kRaceProp, &CDBPatient::race},
    {CDBPatient::kSexProp, &CDBPatient::sex},
    {CDBPatient::kCodeStatusProp, &CDBPatient::codeStatus},
    {CDBPatient::kRoomProp, &CDBPatient::room},
    {CDBPatient::kDiagnosisProp, &CDBPatient::diagnosis},
    {CDBPatient::kAllergiesProp, &CDBPatient::allergies},
    {CDBPatient::kProblemsProp, &CDBPatient::problems},
    {CDBPatient::kPatientTypeProp, &CDBPatient::patientType},
    {CDBPatient::kLegacyTodoProp, &CDBPatient::todo},
};

QString DateText(const FILETIME& time) {
  return filetime::IsZero(time) ? QString() : CDBBaseDatabase::TimeToDayHourString(time);
}

}  // namespace

CDBPatient::CDBPatient() : CDBBaseDatabase(QString::fromLatin1(kVolumeName)) {}

bool CDBPatient::ReadPatient(const QString& patientName, bool keepOpen) {
  if (!OpenByName()) {
    return false;
  }
  Record record;
  const bool found = m_db.SeekEqual(patientName) != 0 && ReadCurrent(record);
  if (!keepOpen || !found) {
    m_db.Close();
  }
  return found;
}

bool CDBPatient::FindByName(const QString& patientName) {
  return ReadPatient(patientName, false);
}

void CDBPatient::UnpackRecord(const Record& record) {
  CDBBaseDatabase::UnpackRecord(record);
  recordId = m_db.CurrentId();
  for (const TextField& field : kTextFields) {
    this->*field.member = TextProp(record, field.prop);
  }
  admitDate = StringToTime(TextProp(record, kAdmitDateProp));
  dateOfBirth = StringToTime(TextProp(record, kDateOfBirthProp));
  timeStamp = StringToTime(TextProp(record, kTimeStampProp));
}

Record CDBPatient::BuildProperties(bool received) const {
  Record record;
  for (const TextField& field : kTextFields) {
    record.Add(field.prop, this->*field.member);
  }
  record.Add(kAdmitDateProp, DateText(admitDate));
  record.Add(kDateOfBirthProp, DateText(dateOfBirth));
  record.Add(kTimeStampProp, received && !filetime::IsZero(timeStamp)
                                 ? TimeToDayHourString(timeStamp)
                                 : GetCurrentTimeStamp());
  if (received) {
    AddSyncProps(record);
  }
  return record;
}

bool CDBPatient::CreateRecord(bool received) {
  name = MakeFullName(firstName, lastName);
  if (!OpenByName()) {
    return false;
  }
  bool added = false;
  if (m_db.SeekEqual(name) == 0) {
    recordId = m_db.Add(BuildProperties(received));
    added = recordId != 0;
  }
  m_db.Close();
  m_ReadOnlyMap.remove(name);
  return added;
}

bool CDBPatient::UpdateRecord(const QString& patientName, bool received) {
  if (!OpenByName()) {
    return false;
  }
  bool written = false;
  const RecordId id = m_db.SeekEqual(patientName);
  if (id != 0) {
    // The stored name stays: it is the key that every chart record refers to.
    Record record;
    if (m_db.Read(record, {kKeyProp})) {
      name = TextProp(record, kKeyProp);
    }
    written = m_db.WriteCurrent(BuildProperties(received));
    recordId = id;
  }
  m_db.Close();
  m_ReadOnlyMap.remove(patientName);
  return written;
}

bool CDBPatient::WriteField(const QString& patientName, PropId id, const QString& value) {
  if (!OpenByName()) {
    return false;
  }
  bool written = false;
  if (m_db.SeekEqual(patientName) != 0) {
    written = m_db.WriteCurrent({{id, value}, {kTimeStampProp, GetCurrentTimeStamp()}});
  }
  m_db.Close();
  return written;
}

QString CDBPatient::ReadField(const QString& patientName, PropId id) {
  if (!OpenByName()) {
    return {};
  }
  Record record;
  QString value;
  if (m_db.SeekEqual(patientName) != 0 && m_db.Read(record, {id})) {
    value = TextProp(record, id);
  }
  m_db.Close();
  return value;
}

bool CDBPatient::MovePatient(const QString& patientName, const QString& type) {
  return WriteField(patientName, kPatientTypeProp, type);
}

QString CDBPatient::FindAllergiesByName(const QString& patientName) {
  return ReadField(patientName, kAllergiesProp);
}

bool CDBPatient::UpdateAllergies(const QString& patientName, const QString& text) {
  return WriteField(patientName, kAllergiesProp, text);
}

QString CDBPatient::FindTodoByName(const QString& patientName) {
  return ReadField(patientName, kLegacyTodoProp);
}

bool CDBPatient::UpdateTodo(const QString& patientName, const QString& text) {
  return WriteField(patientName, kLegacyTodoProp, text);
}

int CDBPatient::FindReadOnlyByName(const QString& patientName) {
  const auto cached = m_ReadOnlyMap.constFind(patientName);
  if (cached != m_ReadOnlyMap.constEnd()) {
    return cached.value();
  }
  CDBPatient patient;
  const int state = patient.FindByName(patientName) ? patient.accessState : 0;
  m_ReadOnlyMap.insert(patientName, state);
  return state;
}

bool CDBPatient::PatientRow::OfType(const QString& type) const {
  return type.isEmpty() || patientType.compare(type, Qt::CaseInsensitive) == 0;
}

std::vector<CDBPatient::PatientRow> CDBPatient::ReadPatientRows(const QString& type) {
  std::vector<PatientRow> rows;
  if (!OpenByName()) {
    return rows;
  }
  {
    // The store's lock is taken once for the walk rather than at every seek and read.
    const platform::StoreSnapshot snapshot;
    Record record;
    for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
      if (!ReadCurrent(record)) {
        if (ReadFailed()) {
          break;
        }
        continue;
      }
      PatientRow row{name, mrNumber, room, static_cast<uint8_t>(accessState), patientType};
      if (row.OfType(type)) {
        rows.push_back(std::move(row));
      }
    }
  }
  m_db.Close();
  return rows;
}

std::vector<CDBPatient::PatientRow> CDBPatient::PopulatePatientList(IListControl& list,
                                                                    const QString& type) {
  list.DeleteAllItems();
  std::vector<PatientRow> rows = ReadPatientRows(type);
  for (size_t index = 0; index < rows.size(); ++index) {
    const PatientRow& shown = rows[index];
    const int row = list.InsertItem(list.GetItemCount(), shown.name);
    list.SetItemText(row, 1, shown.mrNumber);
    list.SetItemText(row, 2, shown.room);
    list.SetItemData(row, static_cast<uint32_t>(index));
  }
  return rows;
}

QString CDBPatient::MakeFullName(const QString& first, const QString& last) {
  return QStringLiteral("%1, %2").arg(last, first);
}

int CDBPatient::SetAge(const FILETIME& dateOfBirth, QString& text) {
  text.clear();
  SYSTEMTIME born;
  if (filetime::IsZero(dateOfBirth) || !filetime::ToSystemTime(dateOfBirth, born)) {
    return 0;
  }
  FILETIME nowTime;
  GetCurrentTime(nowTime);
  SYSTEMTIME now;
  filetime::ToSystemTime(nowTime, now);

  int months = (now.wYear - born.wYear) * 12 + (now.wMonth - born.wMonth);
  if (now.wDay < born.wDay) {
    --months;  // the month is not complete until the day of birth comes round
  }
  int value = 0;
  int unitId = ids::kAgeUnitDays;
  if (months >= 24) {
    value = months / 12;
    unitId = ids::kAgeUnitYears;
  } else if (months >= 1) {
    value = months;
    unitId = ids::kAgeUnitMonths;
  } else {
    const uint64_t nowTicks = filetime::ToTicks(nowTime);
    const uint64_t bornTicks = filetime::ToTicks(dateOfBirth);
    value = nowTicks > bornTicks ? static_cast<int>((nowTicks - bornTicks) / filetime::kTicksPerDay)
                                 : 0;
  }
  text = QStringLiteral("%1 %2").arg(value).arg(strings::Load(unitId));
  return value;
}

bool CDBPatient::Serialize(std::vector<uint8_t>& bytes) {
  bytes.clear();
  bytes::Writer writer(bytes);
  writer.WriteU8(kRecordType);
  writer.WriteI32(desktopId);
  writer.WriteI32(accessState != 0 ? 1 : 0);
  writer.WriteFileTime(admitDate);
  writer.WriteFileTime(dateOfBirth);
  for (const TextField& field : kTextFields) {
    writer.WriteString(this->*field.member);
  }
  return true;
}

bool CDBPatient::Write(const uint8_t* bytes, size_t length) {
  bytes::Reader reader(bytes, length);
  uint8_t type = 0;
  bool ok = reader.ReadU8(type) && type == kRecordType && reader.ReadI32(desktopId) &&
            reader.ReadI32(accessState) && reader.ReadFileTime(admitDate) &&
            reader.ReadFileTime(dateOfBirth);
  for (const TextField& field : kTextFields) {
    ok = ok && reader.ReadString(this->*field.member);
  }
  // What could not be exported and restored is refused here, where it enters.
  if (!ok || !value_rules::ValidName(name) || !value_rules::ValidAccessState(accessState) ||
      !value_rules::ValidTime(admitDate) || !value_rules::ValidTime(dateOfBirth)) {
    return false;
  }
  timeStamp = FILETIME{};  // a received patient is stamped with the time it was filed
  return FileReceived();
}

bool CDBPatient::FileReceived() {
  const QString receivedName = name;
  bool filed = UpdateRecord(receivedName, true);
  if (!filed && OpenByName()) {
    if (m_db.SeekEqual(receivedName) == 0) {
      recordId = m_db.Add(BuildProperties(true));
      filed = recordId != 0;
    }
    m_db.Close();
  }
  if (filed) {
    m_LastPatientWritten = name;
    m_ReadOnlyMap.remove(name);
  }
  return filed;
}

int CDBPatient::PrintPatientLog(int linesPerPage, int pageWidth, int leftMargin, int topMargin,
                                int bottomMargin) {
  CAsciiPr printer;
  const int opened = printer.OpenPort(linesPerPage, pageWidth, leftMargin, topMargin, bottomMargin);
  if (opened != 0) {
    return opened;
  }
  if (OpenByName()) {
    Record record;
    for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
      if (!ReadCurrent(record)) {
        if (ReadFailed()) {
          break;
        }
        continue;
      }
      printer.PrintStringBuffer(name + strings::FormatId(ids::kLogRoomLine, room, mrNumber));
      printer.CrLf();
      printer.PrintStringBuffer(
          strings::FormatId(ids::kLogPatientLine, ageValue, ageUnit, sex, diagnosis));
      printer.CrLf();
      if (!todo.isEmpty()) {
        printer.PrintStringBuffer(strings::FormatId(ids::kLogToDo, todo));
        printer.CrLf();
      }
      printer.CrLf();
    }
    m_db.Close();
  }
  printer.FormFeed();
  return printer.ClosePort();
}
