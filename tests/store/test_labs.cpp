#include <gtest/gtest.h>

#include "common/MemoryControls.h"
#include "dated_support.h"
#include "store/CDBLabValues.h"

using namespace dated_support;

namespace {

const QString kPatient = QStringLiteral("Smith, J");

void SetLab(CDBLabValues& lab, const FILETIME& when, const QString& group,
            const QString& values = {}) {
  lab.patient = kPatient;
  lab.date = when;
  lab.time = when;
  lab.group = group;
  lab.values = values;
}

bool AddLab(const FILETIME& when, const QString& group, const QString& values = {}) {
  CDBLabValues lab;
  SetLab(lab, when, group, values);
  return lab.AddNew(false);
}

std::vector<uint8_t> Serialised(const FILETIME& when, const QString& group, const QString& values) {
  CDBLabValues lab;
  SetLab(lab, when, group, values);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(lab.Serialize(bytes));
  return bytes;
}

struct Filled {
  memory_controls::List list;
  std::vector<QString> dates;
  std::vector<QString> groups;
  std::vector<CDBLabValues::RecordId> ids;
  std::vector<uint8_t> changed;
  std::vector<uint8_t> accessStates;

  void Fill(bool ascending) {
    CDBLabValues().FillList(list, kPatient, dates, groups, ids, changed, accessStates, ascending);
  }
};

class LabStore : public DatedStoreTest {};

TEST_F(LabStore, SerialisedFormHasTheFixedOffsets) {
  CDBLabValues lab;
  SetLab(lab, At(2024, 3, 5, 7, 15), QStringLiteral("CBC"), QStringLiteral("WBC\n9\n"));
  lab.timeStamp = At(2024, 3, 5, 8, 0);
  lab.desktopId = -2;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(lab.Serialize(bytes));
  ExpectedBytes expected;
  expected.U8(2).U32(0xFFFFFFFE).U32(0).Time(lab.timeStamp).Time(lab.date).Time(lab.time);
  expected.Text(lab.group).Text(lab.values);
  EXPECT_EQ(bytes, expected.Bytes());
}

TEST_F(LabStore, SerialisedOnOneDeviceAndFiledOnAnother) {
  const FILETIME when = At(2024, 3, 5, 7, 15, 42);
  std::vector<uint8_t> bytes;
  {
    TempDevice sender;
    clock_source::Fix(At(2024, 3, 5, 9, 1, 2));
    ASSERT_TRUE(AddLab(when, QStringLiteral("Coags"), QStringLiteral("PT\n12\nINR\n1.1\n")));
    CDBLabValues lab;
    ASSERT_TRUE(lab.FindFirstOfPatient(kPatient));
    lab.CloseWalk();
    ASSERT_TRUE(lab.Serialize(bytes));
  }
  TempDevice receiver;
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  ASSERT_TRUE(CDBLabValues().Write(bytes.data(), bytes.size()));
  CDBLabValues stored;
  ASSERT_TRUE(stored.FindByName(kPatient + QStringLiteral("20240305071542")));
  EXPECT_EQ(stored.patient, kPatient);
  EXPECT_EQ(stored.date, when);
  EXPECT_EQ(stored.time, when);
  EXPECT_EQ(stored.group, QStringLiteral("Coags"));
  EXPECT_EQ(stored.values, QStringLiteral("PT\n12\nINR\n1.1\n"));
  EXPECT_EQ(stored.timeStamp, At(2024, 3, 5, 9, 1, 2));
}

TEST_F(LabStore, ReceivedResultMatchesOnlyTheSameGroupAtTheSameTime) {
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  const FILETIME when = At(2024, 3, 5, 7, 15);
  ASSERT_TRUE(AddLab(when, QStringLiteral("CBC"), QStringLiteral("WBC\n9\n")));

  const auto chem = Serialised(when, QStringLiteral("Chemistry"), QStringLiteral("Na\n140\n"));
  ASSERT_TRUE(CDBLabValues().Write(chem.data(), chem.size()));
  ASSERT_TRUE(CDBLabValues().Write(chem.data(), chem.size()));
  const auto cbc = Serialised(when, QStringLiteral("CBC"), QStringLiteral("WBC\n11\n"));
  ASSERT_TRUE(CDBLabValues().Write(cbc.data(), cbc.size()));

  Filled filled;
  filled.Fill(true);
  ASSERT_EQ(filled.groups.size(), 2u);
  for (size_t i = 0; i < filled.ids.size(); ++i) {
    CDBLabValues stored;
    ASSERT_TRUE(stored.LoadByCEOID(filled.ids[i]));
    EXPECT_EQ(stored.values, stored.group == QStringLiteral("CBC") ? QStringLiteral("WBC\n11\n")
                                                                   : QStringLiteral("Na\n140\n"));
  }
}

TEST_F(LabStore, FillListOrdersRowsAndParallelArrays) {
  ASSERT_TRUE(AddLab(At(2024, 3, 5, 7, 15), QStringLiteral("CBC")));
  ASSERT_TRUE(AddLab(At(2024, 3, 4, 6, 0), QStringLiteral("UA")));
  CDBLabValues other;
  SetLab(other, At(2024, 3, 4, 12, 0), QStringLiteral("ABG"));
  other.patient = QStringLiteral("Smith, Jo");
  ASSERT_TRUE(other.AddNew(false));
  // A read-only result from the desktop keeps its state in the arrays.
  FilePatient(QStringLiteral("J"), QStringLiteral("Smith"));
  CDBLabValues readOnly;
  SetLab(readOnly, At(2024, 3, 6, 6, 0), QStringLiteral("LFTs"));
  readOnly.accessState = 1;
  ASSERT_TRUE(readOnly.AddNew(true));

  Filled filled;
  filled.list.InsertItem(0, QStringLiteral("stale"));
  filled.dates.push_back(QStringLiteral("stale"));
  filled.Fill(false);
  ASSERT_EQ(filled.list.GetItemCount(), 3);
  EXPECT_EQ(filled.groups, (std::vector<QString>{"LFTs", "CBC", "UA"}));
  EXPECT_EQ(filled.dates,
            (std::vector<QString>{"20240306060000", "20240305071500", "20240304060000"}));
  EXPECT_EQ(filled.changed, (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(filled.accessStates, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(filled.list.GetItemText(1, 0), QStringLiteral("03/05/2024 07:15 AM"));
  EXPECT_EQ(filled.list.GetItemText(1, 1), QStringLiteral("CBC"));
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(filled.list.GetItemData(row), static_cast<uint32_t>(row));
  }
  CDBLabValues first;
  ASSERT_TRUE(first.LoadByCEOID(filled.ids[0]));
  EXPECT_EQ(first.group, QStringLiteral("LFTs"));

  filled.Fill(true);
  EXPECT_EQ(filled.groups, (std::vector<QString>{"UA", "CBC", "LFTs"}));
}

TEST_F(LabStore, FormatResultTextNamesMiscValuesAndSkipsBlanks) {
  CDBLabValues lab;
  SetLab(lab, At(2024, 3, 5, 14, 30), QStringLiteral("Misc"),
         QStringLiteral("Value Name\nLactate\nResult\n2.1\n"));
  EXPECT_EQ(lab.FormatResultText(), QStringLiteral("03/05/2024 02:30 PM Misc Lactate:2.1 "));
  lab.values = QStringLiteral("Value Name\nLactate\nResult\n\n");
  EXPECT_EQ(lab.FormatResultText(), QStringLiteral("03/05/2024 02:30 PM Misc "));

  lab.group = QStringLiteral("Chemistry");
  lab.values = QStringLiteral("Na\n 140 \nK\n   \nCl\n101\n");
  EXPECT_EQ(lab.FormatResultText(), QStringLiteral("03/05/2024 02:30 PM Chemistry Na:140 Cl:101 "));
  // Outside Misc a "Value Name" row is an ordinary value.
  lab.values = QStringLiteral("Value Name\nX\n");
  EXPECT_EQ(lab.FormatResultText(), QStringLiteral("03/05/2024 02:30 PM Chemistry Value Name:X "));
}

TEST_F(LabStore, UpdateValuesKeepsGroupAndDate) {
  ASSERT_TRUE(AddLab(At(2024, 3, 5, 7, 15), QStringLiteral("CBC"), QStringLiteral("WBC\n9\n")));
  Filled filled;
  filled.Fill(true);
  ASSERT_EQ(filled.ids.size(), 1u);
  clock_source::Fix(At(2024, 3, 8, 8, 0));
  CDBLabValues lab;
  ASSERT_TRUE(lab.UpdateValues(filled.ids[0], QStringLiteral("WBC\n10\n")));
  ASSERT_TRUE(lab.LoadByCEOID(filled.ids[0]));
  EXPECT_EQ(lab.values, QStringLiteral("WBC\n10\n"));
  EXPECT_EQ(lab.group, QStringLiteral("CBC"));
  EXPECT_EQ(lab.timeStamp, At(2024, 3, 8, 8, 0));
  EXPECT_FALSE(lab.UpdateValues(filled.ids[0] + 1000, QStringLiteral("x")));
}

}  // namespace
