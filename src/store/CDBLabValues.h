#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "store/CDBDatedStore.h"

class IListControl;

// The lab results of all patients ("OVLabValues"): one record per lab group drawn at one date and
// time, with the group's values packed as name, line feed, value, line feed per pair.
class CDBLabValues : public CDBDatedStore {
 public:
  static constexpr uint8_t kRecordType = 2;
  static constexpr const char* kVolumeName = "OVLabValues";

  enum Prop : PropId {
    kGroupProp = 103,
    kValuesProp = 104,
    kTimeStampProp = 105,
  };

  CDBLabValues();

  uint8_t RecordType() const override { return kRecordType; }

  // Replaces a result's packed values and refreshes its time stamp; false when the id names no
  // result.
  [[nodiscard]] bool UpdateValues(RecordId id, const QString& newValues);
  // Fills a two-column list (date and time, group) with the patient's results, oldest or newest
  // first, and the five parallel arrays with each row's day-and-hour text, group, record id,
  // changed flag (0) and access state. A row's item data is its index into the arrays. The list
  // and arrays are emptied first, also when the store cannot be opened.
  void FillList(IListControl& list, const QString& patientName, std::vector<QString>& dates,
                std::vector<QString>& groups, std::vector<RecordId>& ids,
                std::vector<uint8_t>& changed, std::vector<uint8_t>& accessStates, bool ascending);
  // One paragraph for the result in the members: date and time, group, then name:value for every
  // value that is not blank. In a "Misc" result the "Value Name" row names the value after it.
  QString FormatResultText() const;

  QString group;
  QString values;

 protected:
  // A received result is the stored one of the same key only when it is of the same group.
  std::span<const TextField> TextFields() const override;
};
