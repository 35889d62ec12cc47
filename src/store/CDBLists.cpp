#include "store/CDBLists.h"

#include "common/StringIds.h"
#include "common/StringTable.h"

using platform::Record;

const CDBLists::DefaultList CDBLists::kDefaultLists[15] = {
    {ids::kListCc, ids::kCcFirst, ids::kCcLast},
    {ids::kListAllergies, ids::kNkda, ids::kNkda},
    {ids::kListPmh, ids::kPmhFirst, ids::kPmhLast},
    {ids::kListPsh, ids::kPshFirst, ids::kPshLast},
    {ids::kListFh, ids::kFhFirst, ids::kFhLast},
    {ids::kListSh, ids::kShFirst, ids::kShLast},
    {ids::kListGeneral, ids::kGeneralFirst, ids::kGeneralLast},
    {ids::kListHeent, ids::kHeentFirst, ids::kHeentLast},
    {ids::kListLungs, ids::kLungsFirst, ids::kLungsLast},
    {ids::kListCardiovascular, ids::kCardiovascularFirst, ids::kCardiovascularLast},
    {ids::kListAbdomen, ids::kAbdomenFirst, ids::kAbdomenLast},
    {ids::kListGenitourinary, ids::kGenitourinaryFirst, ids::kGenitourinaryLast},
    {ids::kListExtremities, ids::kExtremitiesFirst, ids::kExtremitiesLast},
    {ids::kListNeurologic, ids::kNeurologicFirst, ids::kNeurologicLast},
    {ids::kListSystem, ids::kRosFirst, ids::kRosLast},
};

CDBLists::CDBLists() : CDBBaseDatabase(QString::fromLatin1(kVolumeName)) {}

QString CDBLists::DefaultContent(int firstEntry, int lastEntry) {
  QString text;
  for (int id = firstEntry; id <= lastEntry; ++id) {
    text += strings::Load(id) + u'\n';
  }
  return text;
}

bool CDBLists::CreateDB() {
  // The store and its default lists are made together: a store without them is never left.
  platform::StoreTransaction transaction;
  if (!platform::PropertyDatabase::Create(m_volumeName, {{m_keyProp, true}})) {
    return false;
  }
  // Through a handle of its own: the members may hold a list that the caller is about to add
  // (creation happens inside the caller's first open), and they must not be disturbed.
  platform::PropertyDatabase db;
  if (!db.Open(m_volumeName)) {
    return transaction.Commit();
  }
  const QString stamp = GetCurrentTimeStamp();
  for (const DefaultList& list : kDefaultLists) {
    db.Add({{m_keyProp, QString::number(list.listId)},
            {kContentProp, DefaultContent(list.firstEntry, list.lastEntry)},
            {kTimeStampProp, stamp}});
  }
  db.Close();
  return transaction.Commit();
}

bool CDBLists::FindByName(const QString& listId) {
  recordId = 0;
  if (!OpenByName()) {
    return false;
  }
  Record record;
  const RecordId id = m_db.SeekEqual(listId);
  if (id != 0 && ReadCurrent(record)) {
    recordId = id;
  }
  m_db.Close();
  return recordId != 0;
}

void CDBLists::UnpackRecord(const Record& record) {
  CDBBaseDatabase::UnpackRecord(record);
  patient = TextProp(record, m_keyProp);
  content = TextProp(record, kContentProp);
}

bool CDBLists::AddNew() {
  if (!OpenByName()) {
    return false;
  }
  const RecordId id = m_db.Add(
      {{m_keyProp, patient}, {kContentProp, content}, {kTimeStampProp, GetCurrentTimeStamp()}});
  m_db.Close();
  if (id != 0) {
    recordId = id;
  }
  return id != 0;
}

bool CDBLists::UpdateValues(RecordId id, const QString& newContent) {
  if (id == 0 || !OpenByName()) {
    return false;
  }
  bool written = false;
  Record current;
  if (m_db.SeekById(id) == id && m_db.Read(current, {kContentProp, kTimeStampProp})) {
    written =
        m_db.WriteCurrent({{kContentProp, newContent}, {kTimeStampProp, GetCurrentTimeStamp()}});
  }
  m_db.Close();
  if (written) {
    content = newContent;
  }
  return written;
}
