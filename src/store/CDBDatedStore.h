#pragma once

#include <QString>
#include <span>
#include <vector>

#include "store/CDBChartStore.h"

// Packed values, as vital signs and lab results keep them: pairs of a name, a line feed, a value
// and a line feed.
namespace packed {

struct Pair {
  QString name;
  QString value;
};

// The pairs of a packed text, names and values as they stand. Splitting goes on while the rest
// holds a line feed after at least one character, so a text that begins with a line feed has no
// pairs. A last value without its closing line feed runs to the end of the text.
std::vector<Pair> SplitPairs(const QString& text);

}  // namespace packed

// What the four dated chart stores (vital signs, lab results, tests, notes) share: a record is one
// entry of a patient at one date and time, keyed patient name + day string + hour string, with
// the day and hour also kept in the date property 102 so that the patient can be told from the
// key. The key, the date property, the time stamp, the serialised dates, the merge of a received
// record and the walks over one patient's records are written here once.
//
// The patient's keys are name + 14 digits. They lie in the store's case-insensitive order among
// the keys that begin with the name, where another patient whose name extends this one with a
// digit ("Smith, J2") may be interleaved, and all of them sort below name + kAfterAllDates
// because every day string does; a patient whose name extends this one with a letter
// ("Smith, Jo" after "Smith, J") sorts after that.
class CDBDatedStore : public CDBChartStore {
 public:
  // Day string + hour string of the entry, in every dated store.
  static constexpr PropId kDateProp = 102;
  // Sorts after every day string, so after every dated key of a patient.
  static constexpr const char* kAfterAllDates = "99999999";
  // Fixed part of the serialised form: head, timeStamp, date, time; the texts follow.
  static constexpr size_t kFixedSize = kHeadSize + 3 * 8;

  // One text field of a dated store, as its store's table lists it: its property and member;
  // whether it travels in the serialised form (fields travel in table order; one that does not is
  // empty in a received record); whether it tells two records of one key apart (a received record
  // matches a stored one when every such field agrees); and whether a received record writes it
  // over the record it matches.
  struct TextField {
    PropId prop;
    QString CDBDatedStore::*member;
    bool serialised;
    bool identifying;
    bool merged;
  };
  // A member of a store derived from this one, as a TextField holds it.
  template <typename Store>
  static constexpr QString CDBDatedStore::*Member(QString Store::*member) {
    return static_cast<QString CDBDatedStore::*>(member);
  }

  CDBDatedStore(const QString& volumeName, PropId timeStampProp);

  // patient is the key less as many characters as the date property holds; date and time both
  // take the date property's instant, and timeStamp its property's, only when present.
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override;

  // Adds the members as a new record. A record made here gets a fresh time stamp and no
  // desktop-identifier or access-state property; a received one keeps the sender's time stamp,
  // desktopId and accessState.
  [[nodiscard]] bool AddNew(bool received);
  // Reads the patient's most recent record; true when there is one.
  bool FindLatestOfPatient(const QString& name);

  // The key and the date property text that the members make.
  QString RecordKey() const;
  QString DateText() const;

  FILETIME date;
  FILETIME time;
  FILETIME timeStamp;

 protected:
  // The store's own text fields, in the order of its serialised form.
  virtual std::span<const TextField> TextFields() const = 0;

  void WriteFields(bytes::Writer& writer) const final;
  bool ReadFields(bytes::Reader& reader) final;
  // Overwrites the first stored record with the received key that IsSameRecord accepts with the
  // received time stamp, access state, desktop identifier and changeable fields; else adds it.
  [[nodiscard]] bool MergeReceived() override;

 public:
  [[nodiscard]] bool AddRestored() override { return AddNew(true); }

 protected:
  // Also past the patient: a key that goes on from the name at or after kAfterAllDates, as
  // another patient's whose name extends this one with a letter ("Smith, Jo" after "Smith, J").
  bool PastOwnerKeys(const QString& key, const QString& name) const override;

  // Visits the records of patient name (its exact name) in key order, ascending or descending,
  // each read and unpacked, until visit(id, record) answers true. The store must be open; the
  // walk reaches the patient's records by a seek and stops at the first key past the patient's
  // (PastOwnerKeys). Answers whether a visit answered true.
  template <typename Visit>
  bool ForEachOfPatient(const QString& name, bool ascending, Visit visit);

  PropId m_timeStampProp;

 private:
  // What the table of text fields serves: the properties of an added record, the members from a
  // stored one (a missing property gives the empty text), the texts of the serialised form after
  // its fixed part (ReadTexts changes the members only when every text was read), the match of a
  // received record and the fields it writes over the one it matches.
  void AddFieldProps(platform::Record& record) const;
  // The key, the date property and the text fields.
  platform::Record FieldProperties() const;
  void UnpackFields(const platform::Record& record);
  void WriteTexts(bytes::Writer& writer) const;
  bool ReadTexts(bytes::Reader& reader);
  bool IsSameRecord(const platform::Record& stored) const;
  // The identifying fields with the members' values.
  std::vector<platform::Property> Identity() const;
  void AddMergedFieldProps(platform::Record& record) const;
};

template <typename Visit>
bool CDBDatedStore::ForEachOfPatient(const QString& name, bool ascending, Visit visit) {
  platform::Record record;
  RecordId id = ascending ? m_db.SeekGreaterOrEqual(name)
                          : m_db.SeekLastLessThan(name + QLatin1String(kAfterAllDates));
  for (; id != 0; id = ascending ? m_db.SeekNext() : m_db.SeekPrevious()) {
    if (!ReadCurrent(record)) {
      if (ReadFailed()) {
        break;
      }
      continue;
    }
    if (PastOwnerKeys(TextProp(record, m_keyProp), name)) {
      break;
    }
    if (patient == name && visit(id, record)) {
      return true;
    }
  }
  return false;
}
