#pragma once

#include <QString>

#include "store/CDBChartStore.h"

class IListControl;

// The medication store "OVMeds": one record per medication of a patient, keyed on the patient's
// name alone, so a patient's medications share one key and lie together in store order.
//
// A medication with "Track Days" "Yes" is shown with its current day of treatment and leaves the
// store by itself once its number of days has passed: the listing operations (FormatLine and the
// walks that use it) delete it when they meet it.
//
// FindByName(patient) is the base's: it reads the patient's first medication.
class CDBMeds : public CDBChartStore {
 public:
  static constexpr uint8_t kRecordType = 3;
  static constexpr const char* kVolumeName = "OVMeds";

  enum Prop : PropId {
    kDrugProp = 102,
    kDoseProp = 103,
    kRouteProp = 104,
    kFrequencyProp = 105,
    kTrackDaysProp = 106,
    kDaysProp = 107,
    kTimeStampProp = 108,
    kStartDateProp = 109,
    kDispensedProp = 110,
    kRefillsProp = 111,
  };

  // Serialised form: head (9 bytes), timeStamp, startDate, then the texts drug, dose, route,
  // frequency, trackDays, dispensed, refills, days.
  static constexpr size_t kFixedSize = kHeadSize + 16;

  CDBMeds();

  // The leading decimal number of a text, as a person typed it: blanks, an optional sign, digits
  // ("7", " 7 days" -> 7, "-3" -> -3); 0 when it does not start with a number. How "# Days" is
  // read, by the listing and by the dialog that checks it.
  static int64_t LeadingNumber(const QString& text);

  uint8_t RecordType() const override { return kRecordType; }
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override;

  // Adds the members as a new medication. A received one keeps its sender's time stamp, desktop
  // identifier and access state; one made here gets a fresh time stamp and neither of the others.
  [[nodiscard]] bool AddNew(bool received);
  // Rewrites the medication with that id from the members with a fresh time stamp; its desktop
  // identifier and access state stay as they are. False when the id names no medication.
  [[nodiscard]] bool UpdateByCEOID(RecordId id);

  // Shows the patient's medications, one row each: the text of FormatLine, item data = record id.
  // Medications whose days have run out are deleted on the way and get no row. Leaves the list
  // untouched when the store cannot be opened.
  void FillList(const QString& patientName, IListControl& list);
  // The line of the current medication: drug, dose, route, frequency, the day of treatment when
  // tracked, dispensed and refills. Empty when the medication's days have run out; the record the
  // members were read from is then deleted.
  QString FormatLine();
  // "Medications:" and the lines of the patient's current medications, each ended by CR LF (also
  // when there are none); empty when the store cannot be opened.
  QString FormatMedsSection(const QString& patientName);

  FILETIME startDate;
  QString drug;
  QString dose;
  QString route;
  QString frequency;
  QString trackDays;
  QString days;
  QString dispensed;
  QString refills;
  FILETIME timeStamp;

 protected:
  void WriteFields(bytes::Writer& writer) const override;
  bool ReadFields(bytes::Reader& reader) override;
  // Files the received medication unless the patient already has the same one.
  [[nodiscard]] bool MergeReceived() override;

 public:
  [[nodiscard]] bool AddRestored() override { return AddNew(true); }

 protected:
  // The patient's medications share the one key, the name: a key that differs from it other than
  // in case belongs to another patient, and so does every key after it.
  bool PastOwnerKeys(const QString& key, const QString& name) const override;

 private:
  platform::Record BuildProperties(const QString& stamp) const;
  // Whether a stored medication is the received one (see MergeReceived).
  bool SameMedication(const platform::Record& stored) const;
  // Visits the patient's medications in store order with the store open and positioned on each,
  // unpacked into the members.
  template <typename Visit>
  void ForEachOfPatient(const QString& patientName, Visit visit);

  RecordId m_recordId = 0;  // the record the members were last read from or added as
};
