#include <gtest/gtest.h>

#include "common/ByteStream.h"
#include "common/CDBBaseDatabase.h"
#include "platform/Clock.h"
#include "support/TestTime.h"

namespace {

using test_time::At;

TEST(TimeText, DayAndHourStringsRoundTripAndSortInTimeOrder) {
  const FILETIME earlier = At(2026, 3, 9, 23, 59, 58);
  const FILETIME later = At(2026, 3, 10, 0, 0, 1);
  EXPECT_EQ(CDBBaseDatabase::TimeToDayString(earlier), "20260309");
  EXPECT_EQ(CDBBaseDatabase::TimeToHourString(earlier), "235958");
  EXPECT_LT(CDBBaseDatabase::TimeToDayHourString(earlier),
            CDBBaseDatabase::TimeToDayHourString(later));
  EXPECT_EQ(CDBBaseDatabase::StringToTime(CDBBaseDatabase::TimeToDayHourString(earlier)), earlier);
  EXPECT_EQ(CDBBaseDatabase::StringToTime("20260309"), At(2026, 3, 9));
  // Every day string sorts below the latest-record sentinel.
  EXPECT_LT(CDBBaseDatabase::TimeToDayString(At(9999, 12, 31)), QStringLiteral("99999999"));
}

TEST(TimeText, MalformedTextsGiveZero) {
  for (const char* text :
       {"", "2026030", "2026-03-09", "20261309", "20260230", "20260309256000", "abcdefgh"}) {
    EXPECT_TRUE(filetime::IsZero(CDBBaseDatabase::StringToTime(QString::fromLatin1(text)))) << text;
  }
}

TEST(TimeText, FormattedDateTime) {
  EXPECT_EQ(CDBBaseDatabase::GetFormattedDateTime(At(2026, 12, 9, 0, 5), true),
            "12/09/2026 12:05 AM");
  EXPECT_EQ(CDBBaseDatabase::GetFormattedDateTime(At(2026, 12, 9, 13, 45), true),
            "12/09/2026 01:45 PM");
  EXPECT_EQ(CDBBaseDatabase::GetFormattedDateTime(At(1999, 1, 2, 13, 45), false), "01/02/1999");
}

TEST(TimeText, TimeStampComesFromTheSettableClock) {
  clock_source::Fix(At(2030, 5, 6, 7, 8, 9));
  EXPECT_EQ(CDBBaseDatabase::GetCurrentTimeStamp(), "20300506070809");
  clock_source::UseSystemTime();
}

TEST(FileTime, WeekdayAndLeapDays) {
  SYSTEMTIME parts;
  ASSERT_TRUE(filetime::ToSystemTime(At(2024, 2, 29, 12), parts));
  EXPECT_EQ(parts.wDayOfWeek, 4);  // a Thursday
  EXPECT_EQ(parts.wDay, 29);
  SYSTEMTIME invalid;
  invalid.wYear = 2023;
  invalid.wMonth = 2;
  invalid.wDay = 29;
  FILETIME out;
  EXPECT_FALSE(filetime::FromSystemTime(invalid, out));
}

TEST(ByteStream, WritesLittleEndianFieldsAndCountedTexts) {
  std::vector<uint8_t> buffer;
  bytes::Writer writer(buffer);
  writer.WriteU8(7);
  writer.WriteI32(-2);
  writer.WriteFileTime(filetime::FromTicks(0x0102030405060708ull));
  writer.WriteString(QStringLiteral("Ab"));
  const std::vector<uint8_t> expected = {7, 0xFE, 0xFF, 0xFF, 0xFF, 8,   7, 6,   5, 4, 3, 2,
                                         1, 3,    0,    0,    0,    'A', 0, 'b', 0, 0, 0};
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(bytes::AddStringSize(QStringLiteral("Ab")), 10u);

  bytes::Reader reader(buffer);
  uint8_t type = 0;
  int32_t value = 0;
  FILETIME time;
  QString text;
  ASSERT_TRUE(reader.ReadU8(type) && reader.ReadI32(value) && reader.ReadFileTime(time) &&
              reader.ReadString(text));
  EXPECT_EQ(type, 7);
  EXPECT_EQ(value, -2);
  EXPECT_EQ(filetime::ToTicks(time), 0x0102030405060708ull);
  EXPECT_EQ(text, "Ab");
  EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ByteStream, ReadsPastTheEndFailWithoutMoving) {
  std::vector<uint8_t> buffer;
  bytes::Writer writer(buffer);
  writer.WriteString(QStringLiteral("text"));

  // Cut anywhere: the text never reads and the offset stays at the start.
  for (size_t cut = 0; cut < buffer.size(); ++cut) {
    bytes::Reader reader(buffer.data(), cut);
    QString text;
    EXPECT_FALSE(reader.ReadString(text)) << cut;
    EXPECT_EQ(reader.Offset(), 0u);
  }
  // A huge count is refused before anything is allocated.
  const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 'a', 0};
  bytes::Reader reader(huge);
  QString text;
  EXPECT_FALSE(reader.ReadString(text));
  // A text whose last unit is not 0 is refused.
  const std::vector<uint8_t> unterminated = {2, 0, 0, 0, 'a', 0, 'b', 0};
  bytes::Reader second(unterminated);
  EXPECT_FALSE(second.ReadString(text));
  uint32_t number = 0;
  bytes::Reader shortNumber(huge.data(), 3);
  EXPECT_FALSE(shortNumber.ReadU32(number));
}

// A count of 0 is no text (every text holds at least its terminating zero): refused, and nothing
// past the count is looked at.
TEST(ByteStream, ATextWhoseCountIsZeroIsRefused) {
  for (const std::vector<uint8_t>& buffer :
       {std::vector<uint8_t>{0, 0, 0, 0}, std::vector<uint8_t>{0, 0, 0, 0, 'a', 0, 0, 0}}) {
    bytes::Reader reader(buffer);
    QString text = QStringLiteral("kept");
    EXPECT_FALSE(reader.ReadString(text));
    EXPECT_EQ(reader.Offset(), 0u);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(reader.ReadStringUnits(0, text));
  }
}

// A FILETIME is 8 bytes: with 4 to 7 left, its low half would read but the whole must not, and
// the offset stays where it was.
TEST(ByteStream, AFileTimeCutShortReadsNothing) {
  const std::vector<uint8_t> buffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  for (size_t left = 4; left < 8; ++left) {
    bytes::Reader reader(buffer.data(), 3 + left);
    uint8_t skipped[3];
    ASSERT_TRUE(reader.ReadData(skipped, sizeof skipped));
    FILETIME time{};
    EXPECT_FALSE(reader.ReadFileTime(time)) << left;
    EXPECT_EQ(reader.Offset(), 3u) << left;
    EXPECT_EQ(time.dwLowDateTime, 0u) << left;
  }
}

}  // namespace
