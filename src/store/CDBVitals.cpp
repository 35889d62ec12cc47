#include "store/CDBVitals.h"

#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

CDBVitals::CDBVitals() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

void CDBVitals::AddFieldProps(Record& record) const {
  record.Add(kValuesProp, values);
}

void CDBVitals::UnpackFields(const Record& record) {
  values = TextProp(record, kValuesProp);
}

void CDBVitals::WriteTexts(bytes::Writer& writer) const {
  writer.WriteString(values);
}

bool CDBVitals::ReadTexts(bytes::Reader& reader) {
  QString receivedValues;
  if (!reader.ReadString(receivedValues)) {
    return false;
  }
  values = receivedValues;
  return true;
}

void CDBVitals::AddMergedFieldProps(Record& record) const {
  record.Add(kValuesProp, values);
}

bool CDBVitals::UpdateValues(RecordId id, const QString& newValues) {
  return UpdateTwoProps(id, kValuesProp, newValues, kTimeStampProp);
}

void CDBVitals::FillDateCombo(IComboBox& combo, const QString& patientName, bool ascending) {
  if (OpenByName()) {
    combo.ResetContent();
    ForEachOfPatient(patientName, ascending, [&](RecordId id, const Record&) {
      combo.SetItemData(combo.AddString(GetFormattedDateTime(date, true)), id);
      return false;
    });
    m_db.Close();
  }
  combo.SetCurSel(0);
}

QString CDBVitals::FormatVitalsText() const {
  QString text = GetFormattedDateTime(date, true) + QLatin1Char(' ');
  for (const packed::Pair& pair : packed::SplitPairs(values)) {
    if (!pair.value.isEmpty()) {
      text += strings::Format(QStringLiteral("%s:%s "), pair.name, pair.value);
    }
  }
  return strings::FormatId(ids::kVitalsSection, text);
}
