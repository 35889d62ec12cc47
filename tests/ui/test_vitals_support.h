#pragma once

// What the vitals, labs and tests page tests share: records stored as the device or the desktop
// makes them, and the "VS/Tests" tab alone on a fake strip with a fixed clock.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QApplication>
#include <memory>

#include "FakeHost.h"
#include "chart/CVSTestsPage.h"
#include "common/MessageService.h"
#include "platform/Clock.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace vs_tests_test {

inline const QString kPatient = QStringLiteral("Doe, Jane");

// A record made on the device (accessState 0), or received read-only (1) or read/write (2)
// from the desktop.
template <typename Store>
bool StoreRecord(Store& record, const QString& patient, const FILETIME& when, int accessState) {
  record.patient = patient;
  record.date = when;
  record.time = when;
  record.accessState = accessState;
  record.desktopId = accessState != 0 ? 40 + accessState : 0;
  record.timeStamp = when;
  return record.AddNew(accessState != 0);
}

inline void AddVitals(const FILETIME& when, const QString& values, int accessState = 0,
                      const QString& patient = kPatient) {
  CDBVitals vitals;
  vitals.values = values;
  ASSERT_TRUE(StoreRecord(vitals, patient, when, accessState));
}

inline void AddLab(const FILETIME& when, const QString& group, const QString& values,
                   int accessState = 0, const QString& patient = kPatient) {
  CDBLabValues lab;
  lab.group = group;
  lab.values = values;
  ASSERT_TRUE(StoreRecord(lab, patient, when, accessState));
}

inline void AddTest(const FILETIME& when, const QString& name, const QString& result,
                    int accessState = 0, const QString& patient = kPatient) {
  CDBTest test;
  test.test = name;
  test.result = result;
  ASSERT_TRUE(StoreRecord(test, patient, when, accessState));
}

// Makes every later property write of the store named volume fail, as a full or damaged object
// store would (the tables as docs/store-file.md lays them out).
inline void RefuseWrites(platform::Device& device, const char* volume) {
  sqlite3* db = device.ObjectStore();
  sqlite3_stmt* query = nullptr;
  const QByteArray select = QByteArray("SELECT num FROM volumes WHERE name = '") + volume + "'";
  ASSERT_EQ(sqlite3_prepare_v2(db, select.constData(), -1, &query, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  const qint64 number = sqlite3_column_int64(query, 0);
  sqlite3_finalize(query);
  const struct {
    const char* event;
    const char* table;
  } refusals[] = {{"INSERT", "prop"}, {"UPDATE", "prop"}, {"DELETE", "rec"}, {"INSERT", "rec"}};
  for (const auto& refusal : refusals) {
    const QString trigger = QStringLiteral(
                                "CREATE TEMP TRIGGER refuse_%1_%2 BEFORE %1 ON main.v%3_%2 "
                                "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                                .arg(QLatin1String(refusal.event), QLatin1String(refusal.table))
                                .arg(number);
    ASSERT_EQ(sqlite3_exec(db, trigger.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
  }
}

inline const std::vector<messages::Shown>& Shown() {
  return messages::DefaultRecorder().Messages();
}

// The "VS/Tests" tab of kPatient on a fake strip, on a fresh device, today fixed at 4 March
// 2024; MakePage builds it once the test has stored its records.
class VsTestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_source::Fix(test_time::At(2024, 3, 4, 9, 30));
    m_host.Select(kPatient);
  }

  void MakePage() {
    m_page = std::make_unique<CVSTestsPage>();
    m_page->SetHost(&m_host);
    m_page->resize(472, 520);
    m_page->show();
    m_page->OnSetActive();
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  std::unique_ptr<CVSTestsPage> m_page;
};

}  // namespace vs_tests_test
