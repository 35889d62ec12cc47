// Row tables: one description of a form's rows builds them and moves values both ways.

#include <gtest/gtest.h>

#include "common/CDBCategories.h"
#include "common/FieldTable.h"
#include "common/StringIds.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

struct Visit {
  QString reason;
  QString kind;
  FILETIME when{};
  QString first;
  QString second;
};

void LoadBoth(const Visit& visit, CListItem& item) {
  item.value = visit.first + QLatin1Char('/') + visit.second;
}

void SaveBoth(const CListItem& item, Visit& visit) {
  visit.first = item.value.section(QLatin1Char('/'), 0, 0);
  visit.second = item.value.section(QLatin1Char('/'), 1);
}

field_table::Table<Visit> Rows() {
  field_table::Row<Visit> reason;
  reason.labelId = ids::kLabelDx;
  reason.kind = CListItem::kPickListMultiline;
  reason.listId = CDBCategories::kDiagnosisList;
  reason.limit = 40;
  reason.flags = 1;
  reason.text = &Visit::reason;
  field_table::Row<Visit> kind;
  kind.labelId = ids::kLabelSex;
  kind.kind = CListItem::kChoices;
  kind.choiceIds = {ids::kSexMale, ids::kSexFemale};
  kind.text = &Visit::kind;
  field_table::Row<Visit> when;
  when.labelId = ids::kLabelDob;
  when.kind = CListItem::kDate;
  when.date = &Visit::when;
  field_table::Row<Visit> both;
  both.labelId = ids::kLabelAge;
  both.load = LoadBoth;
  both.save = SaveBoth;
  return {reason, kind, when, both};
}

class FieldTableTest : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(FieldTableTest, BuildMakesEmptyRowsWithTheirEditorsAndChoices) {
  const std::vector<CListItem> items = field_table::Build(Rows());
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].labelId, ids::kLabelDx);
  EXPECT_EQ(items[0].kind, CListItem::kPickListMultiline);
  EXPECT_EQ(items[0].listId, CDBCategories::kDiagnosisList);
  EXPECT_EQ(items[0].limit, 40);
  EXPECT_EQ(items[0].flags, 1);
  ASSERT_EQ(items[1].choices.size(), 2u);
  EXPECT_EQ(items[1].choices[1].id, ids::kSexFemale);
  for (const CListItem& item : items) {
    EXPECT_TRUE(item.value.isEmpty());
  }
}

TEST_F(FieldTableTest, ChoicesOfACategoryListComeFromTheStore) {
  field_table::Row<Visit> type;
  type.labelId = ids::kLabelPatientType;
  type.kind = CListItem::kChoices;
  type.listId = CDBCategories::kPatientTypeList;
  const std::vector<CListItem> items = field_table::Build<Visit>({type});
  QStringList texts;
  for (const CListItem::Choice& choice : items[0].choices) {
    texts << choice.text;
  }
  EXPECT_TRUE(texts.contains("Clinic"));
  EXPECT_TRUE(texts.contains("Hospital"));
}

TEST_F(FieldTableTest, ExchangeMovesEveryKindOfRowBothWays) {
  Visit stored;
  stored.reason = "Chest pain";
  stored.kind = "Female";
  SYSTEMTIME day{};
  day.wYear = 1990;
  day.wMonth = 7;
  day.wDay = 4;
  ASSERT_TRUE(filetime::FromSystemTime(day, stored.when));
  stored.first = "12";
  stored.second = "Years";

  const field_table::Table<Visit> rows = Rows();
  std::vector<CListItem> items = field_table::Build(rows);
  field_table::Exchange(rows, items, stored, false);
  EXPECT_EQ(items[0].value, "Chest pain");
  EXPECT_EQ(items[1].choiceId, ids::kSexFemale);
  EXPECT_EQ(items[2].value, "Wednesday 7/4/1990");
  EXPECT_EQ(items[3].value, "12/Years");

  items[0].value = "Syncope";
  items[3].value = "3/Days";
  Visit saved;
  field_table::Exchange(rows, items, saved, true);
  EXPECT_EQ(saved.reason, "Syncope");
  EXPECT_EQ(saved.kind, "Female");
  EXPECT_EQ(filetime::ToTicks(saved.when), filetime::ToTicks(stored.when));
  EXPECT_EQ(saved.first, "3");
  EXPECT_EQ(saved.second, "Days");
}

TEST_F(FieldTableTest, ADateRowBefore1800OrEmptyIsNoDate) {
  const field_table::Table<Visit> rows = Rows();
  std::vector<CListItem> items = field_table::Build(rows);
  Visit saved;
  saved.when = filetime::FromTicks(1);
  items[2].date.wYear = 1799;
  items[2].date.wMonth = 12;
  items[2].date.wDay = 31;
  field_table::Exchange(rows, items, saved, true);
  EXPECT_TRUE(filetime::IsZero(saved.when));

  // A zero date shows as an empty row.
  Visit none;
  std::vector<CListItem> shown = field_table::Build(rows);
  field_table::Exchange(rows, shown, none, false);
  EXPECT_TRUE(shown[2].value.isEmpty());
  EXPECT_FALSE(shown[2].HasDate());
}

TEST_F(FieldTableTest, WithoutKeepsTheOtherRowsInOrder) {
  const field_table::Table<Visit> shorter =
      field_table::Without(Rows(), {ids::kLabelSex, ids::kLabelAge});
  ASSERT_EQ(shorter.size(), 2u);
  EXPECT_EQ(shorter[0].labelId, ids::kLabelDx);
  EXPECT_EQ(shorter[1].labelId, ids::kLabelDob);
}

}  // namespace
