#pragma once

#include <QString>
#include <vector>

#include "store/CDBDatedStore.h"

class IListControl;

// The test results of all patients ("OVTest"): one record per test (imaging and other studies)
// at one date and time, with a free-text result.
class CDBTest : public CDBDatedStore {
 public:
  static constexpr uint8_t kRecordType = 5;
  static constexpr const char* kVolumeName = "OVTest";

  enum Prop : PropId {
    kTestProp = 103,
    kResultProp = 104,
    kTimeStampProp = 108,
  };

  CDBTest();

  uint8_t RecordType() const override { return kRecordType; }

  // Replaces a test's result and refreshes its time stamp. Nothing happens when the id names no
  // test; when the database fails to read or write the test, the user is shown "dberror %i" with
  // the database's error code. Answers whether the result was written.
  [[nodiscard]] bool UpdateResult(RecordId id, const QString& newResult);
  // Fills a two-column list (date and time, test) with the patient's tests, oldest or newest
  // first, and the three parallel arrays with each row's day-and-hour text, test name and record
  // id. A row's item data is its index into the arrays. List and arrays stay as they were when
  // the store cannot be opened.
  void FillList(IListControl& list, const QString& patientName, std::vector<QString>& dates,
                std::vector<QString>& tests, std::vector<RecordId>& ids, bool ascending);

  QString test;
  QString result;

 protected:
  // A received test is the stored one of the same key only when it has the same name.
  std::span<const TextField> TextFields() const override;
};
