#include "store/CDBLabValues.h"

#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

CDBLabValues::CDBLabValues() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

namespace {

constexpr CDBDatedStore::TextField kTextFields[] = {
    {CDBLabValues::kGroupProp, CDBDatedStore::Member(&CDBLabValues::group), true, true, false},
    {CDBLabValues::kValuesProp, CDBDatedStore::Member(&CDBLabValues::values), true, false, true},
};

}  // namespace

std::span<const CDBDatedStore::TextField> CDBLabValues::TextFields() const {
  return kTextFields;
}

bool CDBLabValues::UpdateValues(RecordId id, const QString& newValues) {
  return UpdateTwoProps(id, kValuesProp, newValues, kTimeStampProp);
}

void CDBLabValues::FillList(IListControl& list, const QString& patientName,
                            std::vector<QString>& dates, std::vector<QString>& groups,
                            std::vector<RecordId>& ids, std::vector<uint8_t>& changed,
                            std::vector<uint8_t>& accessStates, bool ascending) {
  list.DeleteAllItems();
  dates.clear();
  groups.clear();
  ids.clear();
  changed.clear();
  accessStates.clear();
  if (!OpenByName()) {
    return;
  }
  ForEachOfPatient(patientName, ascending, [&](RecordId id, const Record&) {
    const int row = static_cast<int>(ids.size());
    list.InsertItem(row, GetFormattedDateTime(date, true));
    list.SetItemText(row, 1, group);
    list.SetItemData(row, static_cast<uint32_t>(row));
    dates.push_back(TimeToDayHourString(date));
    groups.push_back(group);
    ids.push_back(id);
    changed.push_back(0);
    accessStates.push_back(static_cast<uint8_t>(accessState & 0xFF));
    return false;
  });
  m_db.Close();
  list.SetFocus();
}

QString CDBLabValues::FormatResultText() const {
  const bool misc = group == strings::Load(ids::kLabGroupMisc);
  const QString valueNameRow = strings::Load(ids::kMiscValueName);
  QString text = GetFormattedDateTime(date, true) + QLatin1Char(' ') + group + QLatin1Char(' ');
  QString miscName;
  for (const packed::Pair& pair : packed::SplitPairs(values)) {
    QString name = pair.name;
    const QString value = pair.value.trimmed();
    if (misc) {
      if (name == valueNameRow) {
        miscName = value;
        continue;
      }
      name = miscName;
    }
    if (!value.isEmpty()) {
      text += strings::Format(QStringLiteral("%s:%s "), name, value);
    }
  }
  return text;
}
