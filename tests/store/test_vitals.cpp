#include <gtest/gtest.h>

#include "common/MemoryControls.h"
#include "dated_support.h"
#include "store/CDBVitals.h"

using namespace dated_support;

namespace {

const QString kPatient = QStringLiteral("Smith, J");

bool AddVitals(const FILETIME& when, const QString& values, const QString& name = kPatient) {
  CDBVitals vitals;
  vitals.patient = name;
  vitals.date = when;
  vitals.time = when;
  vitals.values = values;
  return vitals.AddNew(false);
}

class VitalsStore : public DatedStoreTest {};

TEST_F(VitalsStore, SerialisedFormHasTheFixedOffsets) {
  CDBVitals vitals;
  vitals.desktopId = 0x01020304;
  vitals.accessState = 2;
  vitals.timeStamp = At(2024, 3, 6, 8, 0, 1);
  vitals.date = At(2024, 3, 5);
  vitals.time = At(2024, 3, 5, 14, 30);
  vitals.values = QStringLiteral("Temp\n37\n");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(vitals.Serialize(bytes));

  ExpectedBytes expected;
  expected.U8(7).U32(0x01020304).U32(1);  // any nonzero access state travels as flag 1
  expected.Time(vitals.timeStamp).Time(vitals.date).Time(vitals.time).Text(vitals.values);
  EXPECT_EQ(bytes, expected.Bytes());
  EXPECT_EQ(bytes.size(), CDBDatedStore::kFixedSize + CDBVitals::AddStringSize(vitals.values));
  EXPECT_EQ(CDBDatedStore::kFixedSize, 33u);
}

TEST_F(VitalsStore, SerialisedOnOneDeviceAndFiledOnAnother) {
  const FILETIME when = At(2024, 3, 5, 14, 30, 15);
  const FILETIME stamp = At(2024, 3, 6, 9, 45, 30);
  std::vector<uint8_t> bytes;
  {
    TempDevice sender;
    clock_source::Fix(stamp);
    ASSERT_TRUE(AddVitals(when, QStringLiteral("Temp\n37\nPulse\n80\n")));
    CDBVitals vitals;
    ASSERT_TRUE(vitals.FindFirstOfPatient(kPatient));
    vitals.CloseWalk();
    ASSERT_TRUE(vitals.Serialize(bytes));
  }
  TempDevice receiver;
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  CDBVitals received;
  ASSERT_TRUE(received.Write(bytes.data(), bytes.size()));

  CDBVitals stored;
  ASSERT_TRUE(stored.FindByName(kPatient + QStringLiteral("20240305143015")));
  EXPECT_EQ(stored.patient, kPatient);
  EXPECT_EQ(stored.date, when);
  EXPECT_EQ(stored.time, when);
  EXPECT_EQ(stored.values, QStringLiteral("Temp\n37\nPulse\n80\n"));
  EXPECT_EQ(stored.timeStamp, stamp);  // the sender's stamp, to the second
  EXPECT_EQ(stored.desktopId, 0);
  EXPECT_EQ(stored.accessState, 0);
}

TEST_F(VitalsStore, ReceivedEntryOverwritesTheEntryOfTheSameTime) {
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  const FILETIME when = At(2024, 3, 5, 14, 30);
  ASSERT_TRUE(AddVitals(when, QStringLiteral("Temp\n37\n")));

  CDBVitals sent;
  sent.date = when;
  sent.time = when;
  sent.values = QStringLiteral("Temp\n38\n");
  sent.desktopId = 77;
  sent.accessState = 2;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(sent.Serialize(bytes));
  CDBVitals receiver;
  ASSERT_TRUE(receiver.Write(bytes.data(), bytes.size()));
  ASSERT_TRUE(receiver.Write(bytes.data(), bytes.size()));

  memory_controls::Combo combo;
  CDBVitals().FillDateCombo(combo, kPatient, true);
  ASSERT_EQ(combo.GetCount(), 1);
  CDBVitals stored;
  ASSERT_TRUE(stored.LoadByCEOID(combo.Entries()[0].data));
  EXPECT_EQ(stored.values, QStringLiteral("Temp\n38\n"));
  EXPECT_EQ(stored.desktopId, 77);
  EXPECT_EQ(stored.accessState, 1);
}

TEST_F(VitalsStore, FillDateComboListsOnlyThePatientInEitherOrder) {
  ASSERT_TRUE(AddVitals(At(2024, 3, 5, 14, 30), QStringLiteral("Temp\n37\n")));
  ASSERT_TRUE(AddVitals(At(2024, 3, 4, 9, 5), QStringLiteral("Temp\n36\n")));
  ASSERT_TRUE(AddVitals(At(2024, 3, 4, 12, 0), QStringLiteral("Temp\n39\n"), "Smith, Jo"));

  memory_controls::Combo combo;
  CDBVitals vitals;
  vitals.FillDateCombo(combo, kPatient, true);
  ASSERT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.Entries()[0].text, QStringLiteral("03/04/2024 09:05 AM"));
  EXPECT_EQ(combo.Entries()[1].text, QStringLiteral("03/05/2024 02:30 PM"));
  EXPECT_EQ(combo.Selected(), 0);
  ASSERT_TRUE(vitals.LoadByCEOID(combo.Entries()[0].data));
  EXPECT_EQ(vitals.values, QStringLiteral("Temp\n36\n"));

  vitals.FillDateCombo(combo, kPatient, false);
  ASSERT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.Entries()[0].text, QStringLiteral("03/05/2024 02:30 PM"));
  EXPECT_EQ(combo.Selected(), 0);

  vitals.FillDateCombo(combo, QStringLiteral("Nobody"), false);
  EXPECT_EQ(combo.GetCount(), 0);
}

TEST_F(VitalsStore, FormatVitalsTextLeavesOutEmptyValues) {
  CDBVitals vitals;
  vitals.date = At(2024, 3, 5, 14, 30);
  vitals.values = QStringLiteral("Temp\n37\nPulse\n\n");
  EXPECT_EQ(vitals.FormatVitalsText(),
            QStringLiteral("VS:\r\n03/05/2024 02:30 PM Temp:37 \r\n\r\n"));

  // Names and values stand as they are, blanks included.
  vitals.values = QStringLiteral("BP\n 120/80\n");
  EXPECT_EQ(vitals.FormatVitalsText(),
            QStringLiteral("VS:\r\n03/05/2024 02:30 PM BP: 120/80 \r\n\r\n"));

  vitals.values = QStringLiteral("\nTemp\n37\n");
  EXPECT_EQ(vitals.FormatVitalsText(), QStringLiteral("VS:\r\n03/05/2024 02:30 PM \r\n\r\n"));
}

TEST_F(VitalsStore, UpdateValuesRewritesValuesAndStampOnly) {
  clock_source::Fix(At(2024, 3, 5, 15, 0));
  const FILETIME when = At(2024, 3, 5, 14, 30);
  ASSERT_TRUE(AddVitals(when, QStringLiteral("Temp\n37\n")));
  memory_controls::Combo combo;
  CDBVitals vitals;
  vitals.FillDateCombo(combo, kPatient, true);
  ASSERT_EQ(combo.GetCount(), 1);
  const uint32_t id = combo.Entries()[0].data;

  clock_source::Fix(At(2024, 3, 7, 10, 0));
  ASSERT_TRUE(vitals.UpdateValues(id, QStringLiteral("Temp\n38\n")));
  CDBVitals stored;
  ASSERT_TRUE(stored.LoadByCEOID(id));
  EXPECT_EQ(stored.values, QStringLiteral("Temp\n38\n"));
  EXPECT_EQ(stored.timeStamp, At(2024, 3, 7, 10, 0));
  EXPECT_EQ(stored.date, when);
  EXPECT_EQ(stored.patient, kPatient);

  EXPECT_FALSE(vitals.UpdateValues(id + 1000, QStringLiteral("x")));
  EXPECT_FALSE(vitals.UpdateValues(0, QStringLiteral("x")));
}

}  // namespace
