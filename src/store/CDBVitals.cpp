#include "store/CDBVitals.h"

#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

CDBVitals::CDBVitals() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

namespace {

// Any entry of the same date and time is the same entry; its values are replaced.
constexpr CDBDatedStore::TextField kTextFields[] = {
    {CDBVitals::kValuesProp, CDBDatedStore::Member(&CDBVitals::values), true, false, true},
};

}  // namespace

std::span<const CDBDatedStore::TextField> CDBVitals::TextFields() const {
  return kTextFields;
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
