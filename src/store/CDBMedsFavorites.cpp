#include "store/CDBMedsFavorites.h"

#include "common/CListItem.h"
#include "common/Controls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

CDBMedsFavorites::CDBMedsFavorites() : CDBBaseDatabase(QString::fromLatin1(kVolumeName)) {
  m_keyProp = kDrugProp;
}

bool CDBMedsFavorites::CreateDB() {
  return platform::PropertyDatabase::Create(m_volumeName, {{kDrugProp, true}});
}

void CDBMedsFavorites::UnpackRecord(const Record& record) {
  CDBBaseDatabase::UnpackRecord(record);
  drug = TextProp(record, kDrugProp);
  dose = TextProp(record, kDoseProp);
  route = TextProp(record, kRouteProp);
  frequency = TextProp(record, kFrequencyProp);
}

bool CDBMedsFavorites::AddNew() {
  if (!OpenByName()) {
    return false;
  }
  // The favourites of one drug lie together; a property a stored one lacks counts as equal.
  const auto agrees = [](const Record& stored, PropId id, const QString& value) {
    const platform::Property* property = stored.Find(id);
    return property == nullptr || property->value == value;
  };
  Record stored;
  for (RecordId id = m_db.SeekEqual(drug); id != 0; id = m_db.SeekNext()) {
    if (!m_db.Read(stored)) {
      if (ReadFailed()) {
        m_db.Close();
        return false;
      }
      continue;
    }
    if (TextProp(stored, kDrugProp).compare(drug, Qt::CaseInsensitive) != 0) {
      break;
    }
    if (agrees(stored, kDoseProp, dose) && agrees(stored, kRouteProp, route) &&
        agrees(stored, kFrequencyProp, frequency)) {
      m_db.Close();
      return true;
    }
  }
  const bool added = m_db.Add({{kDrugProp, drug},
                               {kDoseProp, dose},
                               {kRouteProp, route},
                               {kFrequencyProp, frequency}}) != 0;
  m_db.Close();
  return added;
}

void CDBMedsFavorites::FillChoices(CListItem& item) {
  item.RemoveAllChoices();
  if (!OpenByName()) {
    return;
  }
  Record record;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (ReadCurrent(record)) {
      item.AddChoice(FormatFavorite(), static_cast<int32_t>(id));
    } else if (ReadFailed()) {
      break;
    }
  }
  m_db.Close();
  item.AddChoice(strings::Load(ids::kEditCategoriesEntry), kEditChoiceId);
}

void CDBMedsFavorites::FillListBox(IListBox& listBox) {
  listBox.ResetContent();
  if (!OpenByName()) {
    return;
  }
  Record record;
  for (RecordId id = m_db.SeekFirst(); id != 0; id = m_db.SeekNext()) {
    if (ReadCurrent(record)) {
      listBox.SetItemData(listBox.AddString(FormatFavorite()), id);
    } else if (ReadFailed()) {
      break;
    }
  }
  m_db.Close();
}

QString CDBMedsFavorites::FormatFavorite() const {
  return strings::Format(QStringLiteral("%s %s %s %s"), drug, dose, route, frequency);
}

uint32_t CDBMedsFavorites::RecordCount() {
  if (!OpenByName()) {
    return 0;
  }
  const uint32_t count = m_db.RecordCount();
  m_db.Close();
  return count;
}

bool CDBMedsFavorites::First() {
  if (!OpenByName()) {
    return false;
  }
  return ReadOrClose(m_db.SeekFirst());
}

bool CDBMedsFavorites::Next() {
  if (!m_db.IsOpen()) {
    return false;
  }
  return ReadOrClose(m_db.SeekNext());
}

bool CDBMedsFavorites::ReadOrClose(RecordId id) {
  Record record;
  // A favourite deleted meanwhile is passed over; a failure ends the walk.
  for (; id != 0; id = m_db.SeekNext()) {
    if (ReadCurrent(record)) {
      return true;
    }
    if (ReadFailed()) {
      break;
    }
  }
  m_db.Close();
  return false;
}
