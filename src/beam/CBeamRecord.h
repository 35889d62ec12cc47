#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/CDBBaseDatabase.h"

class CDBChartStore;

// Record type codes: the first byte of every serialised record, the kind that a page reports for
// its selected record and the marker of a section of a beamed patient.
namespace beam {

enum RecordType : uint8_t {
  kNoRecord = 0,
  kPatientRecord = 1,
  kLabRecord = 2,
  kMedRecord = 3,
  kNoteRecord = 4,
  kTestRecord = 5,
  kTodoRecord = 6,
  kVitalsRecord = 7,
};

}  // namespace beam

// Holds one record of any kind for beaming: the store object of its kind, whose members are the
// record being sent or received. Setting another kind replaces the store object by a fresh one of
// the new kind; an unknown kind leaves the holder empty.
class CBeamRecord {
 public:
  using RecordId = platform::RecordId;

  CBeamRecord();
  ~CBeamRecord();
  CBeamRecord(const CBeamRecord&) = delete;
  CBeamRecord& operator=(const CBeamRecord&) = delete;

  // True when a store object of that kind is held afterwards.
  bool SetRecordType(uint32_t code);
  // Reads the record with that id of that kind; true when it was read.
  bool ReadById(uint32_t code, RecordId recordId);
  // Reads the patient of that name; true when found.
  bool FindPatient(const QString& name);

  // The held record's serialised form; false when the holder is empty or the store has none.
  bool SerializeRecord(std::vector<uint8_t>& bytes);
  // Files a received record through the store of the kind that its first byte names; false when
  // that byte is 0 or unknown, or the store refused the record.
  bool WriteRecord(const uint8_t* bytes, size_t length);

  // The patient's name for a patient, the owning patient's name for the other kinds; empty when
  // the holder is empty.
  QString GetPatientName() const;
  // The record's identity on the desktop; 0 when it was never synchronised (or nothing is held).
  int32_t GetDesktopId() const;

  // Counts of the patient's records of each kind, by the walks below.
  uint32_t CountLabs(const QString& name) { return CountOf(beam::kLabRecord, name); }
  uint32_t CountMeds(const QString& name) { return CountOf(beam::kMedRecord, name); }
  uint32_t CountNotes(const QString& name) { return CountOf(beam::kNoteRecord, name); }
  uint32_t CountTests(const QString& name) { return CountOf(beam::kTestRecord, name); }
  uint32_t CountTodos(const QString& name) { return CountOf(beam::kTodoRecord, name); }
  uint32_t CountVitals(const QString& name) { return CountOf(beam::kVitalsRecord, name); }

  // The walk over one patient's records of one kind. First holds a fresh store of the kind and
  // moves to the patient's first record, leaving the store open on it. Next is false unless the
  // holder holds that kind; it moves on to the patient's next record, and closes the store and
  // answers false when there is none. Only records whose patient name equals name exactly (letter
  // case included) are visited.
  bool FirstLab(const QString& name) { return FirstOf(beam::kLabRecord, name); }
  bool NextLab(const QString& name) { return NextOf(beam::kLabRecord, name); }
  bool FirstMed(const QString& name) { return FirstOf(beam::kMedRecord, name); }
  bool NextMed(const QString& name) { return NextOf(beam::kMedRecord, name); }
  bool FirstNote(const QString& name) { return FirstOf(beam::kNoteRecord, name); }
  bool NextNote(const QString& name) { return NextOf(beam::kNoteRecord, name); }
  bool FirstTest(const QString& name) { return FirstOf(beam::kTestRecord, name); }
  bool NextTest(const QString& name) { return NextOf(beam::kTestRecord, name); }
  bool FirstTodo(const QString& name) { return FirstOf(beam::kTodoRecord, name); }
  bool NextTodo(const QString& name) { return NextOf(beam::kTodoRecord, name); }
  bool FirstVital(const QString& name) { return FirstOf(beam::kVitalsRecord, name); }
  bool NextVital(const QString& name) { return NextOf(beam::kVitalsRecord, name); }

  // The same for a kind given by its code (2-7); false for any other code.
  uint32_t CountOf(uint8_t code, const QString& name);
  bool FirstOf(uint8_t code, const QString& name);
  bool NextOf(uint8_t code, const QString& name);

  uint32_t Type() const { return m_type; }
  // The store object held, nullptr when empty.
  CDBBaseDatabase* Store() const { return m_store.get(); }

  // A fresh store object for a record type code; nullptr for an unknown code.
  static std::unique_ptr<CDBBaseDatabase> MakeStore(uint32_t code);

 private:
  // The held chart store, nullptr when the holder holds a patient or nothing.
  CDBChartStore* ChartStore() const;

  uint32_t m_type = beam::kNoRecord;
  std::unique_ptr<CDBBaseDatabase> m_store;
};
