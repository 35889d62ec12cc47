#pragma once

#include <QString>
#include <QStringList>

#include "common/CDBBaseDatabase.h"

class CListItem;
class IComboBox;

// The category lists: short pick lists of ready-made entries (patient types, rooms, doctors,
// routes, test names, ...), each list named by a numeric id. Entries of one list keep the order in
// which they were added.
class CDBCategories : public CDBBaseDatabase {
 public:
  static constexpr const char* kVolumeName = "CMCategories";
  static constexpr PropId kTextProp = 102;
  // Item data of the entry that opens the category editor at the end of a drop-down.
  static constexpr uint32_t kEditEntryData = 0xFFFF;

  enum ListId : int {
    kDoseList = 10,
    kRouteList = 11,
    kFrequencyList = 12,
    kDaysList = 14,
    kDispensedList = 15,
    kRefillsList = 16,
    kTestNameList = 20,
    // Not 50: list 50 is the pick list of the H&P note's chief-complaint row.
    kAgeUnitList = 39,
    kFirstNameList = 40,
    kLastNameList = 41,
    kPatientTypeList = 42,
    kRoomList = 43,
    kDoctorList = 44,
    kRaceList = 45,
    kCodeStatusList = 46,
    kDiagnosisList = 47,
    kAllergiesList = 48,
    kProblemsList = 49,
    kHpiList = 51,
  };

  CDBCategories();
  ~CDBCategories() override;

  // Creates the store and seeds the lists that come with factory entries; only the call that
  // really creates the store seeds, so the entries are added once.
  [[nodiscard]] bool CreateDB() override;
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override {
    return {{m_keyProp, ListKey(type)}, {kTextProp, text}};
  }
  QString OwnerName() const override { return ListKey(type); }

  // The entries of a list, with an "Edit Categories..." entry (item data 0xFFFF) at the end when
  // withEditEntry; item data of an entry = its record id.
  using CDBBaseDatabase::PopulateComboBox;
  void PopulateComboBox(int listId, IComboBox& combo, bool withEditEntry);
  QStringList GetListItems(int listId);
  // Makes the entries of a list, then the edit entry, the choices of a row.
  void GetListItems(int listId, CListItem& item);
  // Adds text to list listId (-1 = the list in type) unless the list has that entry already
  // (letter case ignored). True when the entry is on the list afterwards.
  [[nodiscard]] bool AddNew(int listId = -1);
  // Replaces the whole list by the one entry text.
  [[nodiscard]] bool Update(int listId, const QString& entry);
  [[nodiscard]] bool Rename(RecordId id, const QString& entry);

  // Store-order walk for category beaming: the count, then First and Next unpack each record in
  // turn; the walk leaves the store open until Next finds no more or Close is called.
  uint32_t GetRecordCount();
  bool First();
  bool Next();
  void Close() { m_db.Close(); }

  static QString ListKey(int listId);

  // Devices made before the age units had a list of their own keep the factory age units on
  // list 50, the chief-complaint row's pick list: they move to the age-unit list, once (while
  // that list is empty). Entries a person added to list 50 stay. True when nothing was left to
  // move or the move was stored whole; false, with nothing changed, when the device failed.
  [[nodiscard]] bool MoveLegacyAgeUnits();

  uint16_t type = 0;  // the list id
  QString text;
  RecordId recordId = 0;

 private:
  void Seed();
  bool ContainsEntry(int listId, const QString& entry);
  [[nodiscard]] bool MoveFactoryAgeUnits();
};
