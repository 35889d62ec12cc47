#pragma once

#include <QString>

#include "store/CDBDatedStore.h"

class IComboBox;

// The vital-signs entries of all patients ("OVVitals"): one record per entry, one date and time
// with any number of named values, packed as name, line feed, value, line feed per pair.
class CDBVitals : public CDBDatedStore {
 public:
  static constexpr uint8_t kRecordType = 7;
  static constexpr const char* kVolumeName = "OVVitals";

  enum Prop : PropId {
    kValuesProp = 103,
    kTimeStampProp = 104,
  };

  CDBVitals();

  uint8_t RecordType() const override { return kRecordType; }

  // Replaces an entry's packed values and refreshes its time stamp; false when the id names no
  // entry.
  [[nodiscard]] bool UpdateValues(RecordId id, const QString& newValues);
  // Fills the drop-down with the patient's entries (date and time, item data = record id), oldest
  // or newest first, and selects the first entry.
  void FillDateCombo(IComboBox& combo, const QString& patientName, bool ascending);
  // The "VS:" block of the entry in the members: its date and time, then name:value for every
  // value that is not empty.
  QString FormatVitalsText() const;

  QString values;

 protected:
  std::span<const TextField> TextFields() const override;
};
