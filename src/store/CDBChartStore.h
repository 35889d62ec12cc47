#pragma once

#include <QString>

#include "common/CDBBaseDatabase.h"

// What the six chart stores share: the owning patient, the walk over one patient's records, the
// serialised head and the filing of received records under the patient filed before them.
//
// Every record of a chart store belongs to one patient through the patient's full name, the
// leading part of its key. A patient's records are reached by a seek to the name, never by a scan
// of the store; a walk checks each record's owner because another patient whose name extends this
// one ("Smith, Jo" after "Smith, J") sorts among them.
class CDBChartStore : public CDBBaseDatabase {
 public:
  // Head of every serialised chart record: type code, desktopId, access flag.
  static constexpr size_t kHeadSize = 9;

  using CDBBaseDatabase::CDBBaseDatabase;

  // Creates the database sorted on the key, then on property 200, both case-insensitive.
  bool CreateDB() override;
  QString OwnerName() const override { return patient; }

  // Serialises the head and the store's fields.
  bool Serialize(std::vector<uint8_t>& bytes) override;
  // Files a received record under CDBPatient::LastPatientWritten(): merged into the record that
  // the store's match rule calls the same, else added. Nothing is stored from a block of another
  // kind, a short or malformed block, or when no patient was filed before it.
  bool Write(const uint8_t* bytes, size_t length) override;

  // Reads the record with that id into the members.
  bool LoadByCEOID(RecordId id) { return ReadByCEOID(id); }
  // Moves to the patient's first record and unpacks it, leaving the store open on it.
  virtual bool FindFirstOfPatient(const QString& name);
  // Moves on to the patient's next record; closes the store and answers false at the end.
  virtual bool FindNextOfPatient(const QString& name);
  void CloseWalk() { m_db.Close(); }
  virtual void DeleteAllOfPatient(const QString& name) { DeleteParent(name); }

  virtual uint8_t RecordType() const = 0;

  // Files the members, patient included, as a restored record (a backup read back): merged into
  // the record that the store's match rule calls the same, else added with its own time stamp,
  // desktop identifier and access state.
  bool FileRestored() { return MergeReceived(); }

  QString patient;

 protected:
  // The fields after the head, in the order of the serialised form.
  virtual void WriteFields(bytes::Writer& writer) const = 0;
  virtual bool ReadFields(bytes::Reader& reader) = 0;
  // The update half of Write: merge into the matching record or add.
  virtual bool MergeReceived() = 0;

  // Open, move to the record by id, write value and a fresh time stamp over it, close. Only the
  // two properties change; false when the id names no record.
  bool UpdateTwoProps(RecordId id, PropId valueProp, const QString& value, PropId stampProp);
  // Visits the records whose key equals key, in store order, until visit answers true; the
  // store is open and positioned on the visited record meanwhile. Answers whether one did.
  template <typename Visit>
  bool ForEachWithKey(const QString& key, Visit visit);
};

template <typename Visit>
bool CDBChartStore::ForEachWithKey(const QString& key, Visit visit) {
  platform::Record record;
  for (RecordId id = m_db.SeekEqual(key); id != 0; id = m_db.SeekNext()) {
    if (!m_db.Read(record) || TextProp(record, m_keyProp).compare(key, Qt::CaseInsensitive) != 0) {
      return false;
    }
    if (visit(record)) {
      return true;
    }
  }
  return false;
}
