#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "common/ByteStream.h"
#include "platform/FileTime.h"
#include "platform/PropertyDatabase.h"

class IComboBox;
class IListControl;

// Now, from the device clock.
void GetCurrentTime(FILETIME& now);

// Base of every record store. A store object names one property database ("volume") and holds the
// current record as plain members; operations open the database, work, and close it again.
//
// Every store keys its records on one text property; records created on the device carry no
// desktop-identifier and no access-state property and read back 0 for both.
//
// An operation answers false, 0 or nothing both when there is no such record and when the device
// failed; LastError() tells the two apart for the store's own database, and a
// platform::StoreErrorScope around a task catches every failure of it, in whatever store. A walk
// that meets a failure stops there rather than pass over the records it cannot read.
class CDBBaseDatabase {
 public:
  using RecordId = platform::RecordId;
  using PropId = platform::PropId;

  // Property identifiers shared by the stores.
  static constexpr PropId kKeyProp = 1;
  static constexpr PropId kDesktopIdProp = 2;
  static constexpr PropId kAccessStateProp = 3;
  // The second sort order of the chart stores names a property that no record carries.
  static constexpr PropId kUnusedSortProp = 200;

  explicit CDBBaseDatabase(const QString& volumeName);
  virtual ~CDBBaseDatabase();
  CDBBaseDatabase(const CDBBaseDatabase&) = delete;
  CDBBaseDatabase& operator=(const CDBBaseDatabase&) = delete;

  // Virtual operations, in slot order.
  virtual bool ExistDB();
  // Creates the database sorted on the key, case-insensitive.
  [[nodiscard]] virtual bool CreateDB();
  // Opens the existing database on its first sort order.
  virtual bool OpenDB();
  // Opens the database, creating it through CreateDB the first time.
  virtual bool OpenByName();
  // Deletes every record whose key equals name.
  [[nodiscard]] virtual bool DeleteByName(const QString& name);
  // Reads and unpacks the record with that id.
  virtual bool ReadByCEOID(RecordId id);
  [[nodiscard]] virtual bool DeleteByCEOID(RecordId id);
  // Reads and unpacks the first record whose key equals name.
  virtual bool FindByName(const QString& name);
  // Deletes every record that belongs to the named owner (see OwnerName), reached by a seek.
  [[nodiscard]] virtual bool DeleteParent(const QString& name);
  // Copies the record with that id as a new record keyed on name; answers the new id or 0.
  [[nodiscard]] virtual RecordId DuplicateRecord(const QString& name, RecordId id);
  // Fill controls with the key texts of all records, item data = record id.
  virtual void PopulateComboBox(IComboBox& combo);
  virtual void PopulateListCtrl(IListControl& list);
  virtual void PopulateStringList(QStringList& keys);
  // As PopulateComboBox, each distinct key once.
  virtual void UniquePopulateComboBox(IComboBox& combo);
  // Serialises the current members into a new block; false when the store has no serialised form.
  virtual bool Serialize(std::vector<uint8_t>& bytes);
  // Files a received block; false (nothing stored) when it is not this store's or is malformed.
  [[nodiscard]] virtual bool Write(const uint8_t* bytes, size_t length);
  // Fills the members from a record: here the desktop identifier and access state.
  virtual void UnpackRecord(const platform::Record& record);
  // The properties the members make as a received record stores them: its own time stamp,
  // desktop identifier and access state kept. Empty for a store that files nothing received.
  virtual platform::Record ReceivedProperties() const { return {}; }
  // Writes ReceivedProperties over the record with that id, or adds them as a new record when id
  // is 0, whatever the store's match rule would say; answers the record's id (0 on failure).
  [[nodiscard]] RecordId StoreReceived(RecordId id);

  // Buffer operations: one field at a running offset, false on overrun.
  static bool ReadData(bytes::Reader& reader, void* out, size_t count);
  static bool WriteData(bytes::Writer& writer, const void* data, size_t count);
  static bool ReadString(bytes::Reader& reader, QString& out);
  static bool WriteString(bytes::Writer& writer, const QString& text);
  static size_t AddStringSize(const QString& text);

  // Time texts. Day strings ("yyyymmdd") followed by hour strings ("hhmmss") sort as text in time
  // order, and every day string sorts below "99999999".
  static QString GetCurrentTimeStamp();
  static QString TimeToDayString(const FILETIME& time);
  static QString TimeToHourString(const FILETIME& time);
  static QString TimeToDayHourString(const FILETIME& time);
  // A day string, optionally followed by an hour string; zero for a text of neither form.
  static FILETIME StringToTime(const QString& text);
  // "MM/dd/yyyy", with " hh:mm AM" when withTime.
  static QString GetFormattedDateTime(const FILETIME& time, bool withTime);

  const QString& VolumeName() const { return m_volumeName; }
  // Writes the members' desktop identifier and access state over the record with that id.
  [[nodiscard]] bool WriteSyncMarks(RecordId id);

  // The owner of the current record as UnpackRecord left it (the patient for chart records).
  virtual QString OwnerName() const;
  // The id of the record last read or found; 0 before any.
  RecordId CurrentRecordId() const { return m_db.CurrentId(); }

  // The failure of the latest operation on this store's database; none when it succeeded or
  // found nothing.
  const platform::StoreError& LastError() const { return m_db.LastError(); }

  int32_t desktopId = 0;
  int32_t accessState = 0;

 protected:
  // After a read that answered false: whether it failed (else the record was simply gone).
  bool ReadFailed() const { return m_db.LastError().Failed(); }
  // Stores properties: as a new record when id is 0, else over the record with that id.
  [[nodiscard]] RecordId WriteRecordProps(const platform::Record& record, RecordId id = 0);
  // Reads the current record of the open database and unpacks it.
  bool ReadCurrent(platform::Record& record);
  // Whether a key met on the ascending walk from the owner's name lies after every key of the
  // owner, so that the walk can stop: here, a key that does not begin with the name.
  virtual bool PastOwnerKeys(const QString& key, const QString& name) const;
  // Adds the desktop identifier and access state as decimal texts.
  void AddSyncProps(platform::Record& record) const;
  // Decimal value of a property, or fallback when it is missing or not a number.
  static int32_t IntProp(const platform::Record& record, PropId id, int32_t fallback = 0);
  static QString TextProp(const platform::Record& record, PropId id);

  QString m_volumeName;
  PropId m_keyProp = kKeyProp;
  PropId m_desktopIdProp = kDesktopIdProp;
  PropId m_accessStateProp = kAccessStateProp;
  platform::PropertyDatabase m_db;
  QString m_currentKey;  // key of the record last unpacked

 private:
  void FillCombo(IComboBox& combo, bool unique);
};
