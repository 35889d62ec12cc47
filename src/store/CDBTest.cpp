#include "store/CDBTest.h"

#include "common/Controls.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

CDBTest::CDBTest() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

namespace {

constexpr CDBDatedStore::TextField kTextFields[] = {
    {CDBTest::kTestProp, CDBDatedStore::Member(&CDBTest::test), true, true, false},
    {CDBTest::kResultProp, CDBDatedStore::Member(&CDBTest::result), true, false, true},
};

}  // namespace

std::span<const CDBDatedStore::TextField> CDBTest::TextFields() const {
  return kTextFields;
}

bool CDBTest::UpdateResult(RecordId id, const QString& newResult) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  if (m_db.SeekById(id) != id) {
    m_db.Close();
    return false;
  }
  // The test exists: from here on a refusal is the database's, and the user is told.
  Record current;
  const bool written =
      m_db.Read(current, {kResultProp, kTimeStampProp}) &&
      m_db.WriteCurrent({{kResultProp, newResult}, {kTimeStampProp, GetCurrentTimeStamp()}});
  // The code of the step that failed, as the database reported it.
  const int error = written ? 0 : m_db.LastError().code;
  m_db.Close();
  if (!written) {
    messages::Show(strings::FormatId(ids::kDatabaseError, error), messages::Buttons::Ok);
  }
  return written;
}

void CDBTest::FillList(IListControl& list, const QString& patientName, std::vector<QString>& dates,
                       std::vector<QString>& tests, std::vector<RecordId>& ids, bool ascending) {
  if (OpenByName()) {
    list.DeleteAllItems();
    dates.clear();
    tests.clear();
    ids.clear();
    ForEachOfPatient(patientName, ascending, [&](RecordId id, const Record&) {
      const int row = static_cast<int>(ids.size());
      list.InsertItem(row, GetFormattedDateTime(date, true));
      list.SetItemText(row, 1, test);
      list.SetItemData(row, static_cast<uint32_t>(row));
      dates.push_back(TimeToDayHourString(date));
      tests.push_back(test);
      ids.push_back(id);
      return false;
    });
    m_db.Close();
  }
  list.SetFocus();
}
