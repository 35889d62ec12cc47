#pragma once

#include <QString>
#include <vector>

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
  [[nodiscard]] bool CreateDB() override;
  QString OwnerName() const override { return patient; }

  // Serialises the head and the store's fields.
  bool Serialize(std::vector<uint8_t>& bytes) override;
  // Files a received record under CDBPatient::LastPatientWritten(): merged into the record that
  // the store's match rule calls the same, else added. Nothing is stored from a block of another
  // kind, a short or malformed block, or when no patient was filed before it.
  [[nodiscard]] bool Write(const uint8_t* bytes, size_t length) override;

  // Reads the record with that id into the members.
  bool LoadByCEOID(RecordId id) { return ReadByCEOID(id); }
  // Moves to the patient's first record and unpacks it, leaving the store open on it.
  virtual bool FindFirstOfPatient(const QString& name);
  // Moves on to the patient's next record; closes the store and answers false at the end.
  virtual bool FindNextOfPatient(const QString& name);
  void CloseWalk() { m_db.Close(); }
  // Deletes every record of the patient. A failure of the store reaches the caller's
  // StoreErrorScope (DeleteParent's false also means that there was nothing to delete).
  virtual void DeleteAllOfPatient(const QString& name) { static_cast<void>(DeleteParent(name)); }

  virtual uint8_t RecordType() const = 0;

  // Files the members, patient included, as a restored record (a backup read back): merged into
  // the record that the store's match rule calls the same, else added with its own time stamp,
  // desktop identifier and access state.
  [[nodiscard]] bool FileRestored() { return MergeReceived(); }
  // Files the members, patient included, as a restored record without looking for one the match
  // rule calls the same: for a restore into a device that held no record of the kind, which
  // reproduces the backup as it stands.
  [[nodiscard]] virtual bool AddRestored() = 0;

  QString patient;

 protected:
  // The fields after the head, in the order of the serialised form.
  virtual void WriteFields(bytes::Writer& writer) const = 0;
  virtual bool ReadFields(bytes::Reader& reader) = 0;
  // The update half of Write: merge into the matching record or add.
  [[nodiscard]] virtual bool MergeReceived() = 0;

  // Open, move to the record by id, write value and a fresh time stamp over it, close. Only the
  // two properties change; false when the id names no record.
  [[nodiscard]] bool UpdateTwoProps(RecordId id, PropId valueProp, const QString& value,
                                    PropId stampProp);
  // The first stored record, in store order, whose key equals key and that same calls the same
  // as the members, the store positioned on it; 0 when there is none or the store failed
  // (ReadFailed tells). identity holds the fields that tell records of one key apart, with the
  // members' values: records that hold them all are found by one seek; a record lacking one of
  // them is compared by same, which decides what a missing property counts as.
  template <typename Same>
  RecordId SeekSameRecord(const QString& key, const std::vector<platform::Property>& identity,
                          Same same);
};

template <typename Same>
CDBChartStore::RecordId CDBChartStore::SeekSameRecord(
    const QString& key, const std::vector<platform::Property>& identity, Same same) {
  if (identity.empty()) {
    return m_db.SeekEqual(key);
  }
  const RecordId complete = m_db.SeekMatch(key, identity);
  if (complete == 0 && ReadFailed()) {
    return 0;
  }
  std::vector<PropId> properties;
  for (const platform::Property& field : identity) {
    properties.push_back(field.id);
  }
  // Records of the key are in id order, so an incomplete one matters only before the complete one.
  platform::Record stored;
  for (RecordId id = m_db.SeekIncomplete(key, properties, 0);
       id != 0 && (complete == 0 || id < complete); id = m_db.SeekIncomplete(key, properties, id)) {
    if (m_db.Read(stored) && same(stored)) {
      return id;
    }
    if (ReadFailed()) {
      return 0;
    }
  }
  if (ReadFailed()) {
    return 0;
  }
  return complete != 0 ? m_db.SeekById(complete) : 0;
}
