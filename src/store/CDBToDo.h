#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "common/CListItem.h"
#include "store/CDBChartStore.h"

class IListControl;

// The todo store "OVToDo": one record per todo item of a patient, a short text, an optional note,
// a priority and a done mark.
//
// It differs from the other chart stores: the database is opened (created when missing) by the
// constructor and stays open until the object is destroyed; the patient name lives in property
// 101, which is the key, and the key order compares case-sensitively, so "smith, a" and
// "Smith, A" own different items; the time stamp is kept and beamed as text.
//
// Every operation answers false, 0 or nothing at once when the constructor could not open the
// database (isOpen false).
class CDBToDo : public CDBChartStore {
 public:
  static constexpr uint8_t kRecordType = 6;
  static constexpr const char* kVolumeName = "OVToDo";

  enum Prop : PropId {
    kPatientProp = 101,
    kFlagsProp = 102,
    kTextProp = 103,
    kNoteProp = 104,
    kTimeStampProp = 105,
  };

  // flags: bits 0-6 the priority (1-5 from the todo page, 0 for converted items), bit 7 done.
  static constexpr uint32_t kPriorityMask = 0x7F;
  static constexpr uint32_t kCheckedFlag = 0x80;
  // Serialised form: head, flags (u32), then text, note and timeStamp.
  static constexpr size_t kFixedSize = kHeadSize + 4;

  // Opens the database, creating it with its two sort orders when it is missing.
  CDBToDo();
  ~CDBToDo() override;

  // Creates the database sorted on property 101 case-sensitively, then on property 200.
  [[nodiscard]] bool CreateDB() override;
  // Reads the item with that id into the members; the database stays open.
  bool ReadByCEOID(RecordId id) override;
  [[nodiscard]] bool DeleteByCEOID(RecordId id) override { return RemoveByCEOID(id); }
  // Deletes every item of the patient; true when one was deleted.
  [[nodiscard]] bool DeleteParent(const QString& name) override;
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override;
  uint8_t RecordType() const override { return kRecordType; }

  // Adds the members as a new item; answers its record id, 0 on failure. A received item keeps
  // its desktop identifier, access state and the sender's time-stamp text.
  [[nodiscard]] RecordId AddNew(bool received);
  // Writes the five item properties (time stamp := now) over the item with that id; its desktop
  // identifier and access state stay as they were.
  [[nodiscard]] bool UpdateByCEOID(RecordId id);
  [[nodiscard]] bool RemoveByCEOID(RecordId id);

  // Moves to the patient's first item whose priority is priority (-1 = any) and unpacks it; the
  // store stays positioned on it for FindNextOfPatient.
  bool FindFirstOfPatient(const QString& name, int priority);
  bool FindNextOfPatient(const QString& name, int priority);
  bool FindFirstOfPatient(const QString& name) override { return FindFirstOfPatient(name, -1); }
  bool FindNextOfPatient(const QString& name) override { return FindNextOfPatient(name, -1); }
  void DeleteAllOfPatient(const QString& name) override { static_cast<void>(DeleteParent(name)); }

  // Fills the todo list with the patient's items: column 0 the priority, column 1 the text, the
  // check box for the done mark, icon 1 for an item with a note, and a row item per row.
  void FillList(const QString& name, IListControl& list);
  // Writes the list's rows back as the patient's items: new rows are added, changed rows
  // rewritten. Answers the number of rows.
  int SaveList(const QString& name, IListControl& list);
  // Turns the todo text that patients of the earlier release kept in their own record into an
  // item, once.
  void ConvertLegacyTodo(const QString& name);

  // Row item for a todo row: the priority choices "1" to "5" with priority selected.
  static std::unique_ptr<CListItem> MakeRowItem(uint32_t priority);
  // A priority text as stored: its decimal value kept to 16 bits; 0 when it is not a number.
  static uint32_t ParsePriority(const QString& text);

  uint32_t flags = 0;
  QString text;
  QString note;
  QString timeStamp;
  bool isOpen = false;

 protected:
  void WriteFields(bytes::Writer& writer) const override;
  bool ReadFields(bytes::Reader& reader) override;
  [[nodiscard]] bool MergeReceived() override;

 public:
  [[nodiscard]] bool AddRestored() override { return AddNew(true) != 0; }

 protected:
 private:
  // isOpen, with the database reopened when a walk of the base class closed it.
  bool Ready();
  // From the current position on: the first item of the patient with that priority.
  bool SeekPatientItem(RecordId id, const QString& name, int priority);
  platform::Record ItemProperties() const;
};
