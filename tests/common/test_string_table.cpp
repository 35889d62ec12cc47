#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringView>
#include <cstdint>
#include <limits>
#include <ostream>

#include "common/StringIds.h"
#include "common/StringTable.h"

using namespace Qt::StringLiterals;

// Readable failure messages for texts (found by argument-dependent lookup).
static void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace {

using strings::Format;
using strings::FormatId;
using strings::Load;

// ---------------------------------------------------------------------------------------------
// The table as built into the library

TEST(StringTable, LoadsWithoutDuplicatesOrBadLines) {
  EXPECT_GT(strings::Ids().size(), 500u);
  EXPECT_EQ(strings::Duplicates(), std::vector<int>{});
  EXPECT_EQ(strings::BadLines(), std::vector<int>{});
  const std::vector<int> ids = strings::Ids();
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
}

TEST(StringTable, UnknownIdIsEmpty) {
  EXPECT_FALSE(strings::Exists(0));
  EXPECT_FALSE(strings::Exists(-1));
  EXPECT_TRUE(Load(0).isEmpty());
  EXPECT_TRUE(Load(2219).isEmpty());
}

TEST(StringTable, ExactTextsKeepBlanksAndLineEnds) {
  EXPECT_EQ(Load(131), u"Ovelin");
  EXPECT_EQ(Load(143), u"%s %s %s %s %s");
  EXPECT_EQ(Load(153), u"Medications:\r\n%s\r\n");
  EXPECT_EQ(Load(158), u"   Day %i");
  EXPECT_EQ(Load(159), u"VS:\r\n%s\r\n\r\n");
  EXPECT_EQ(Load(176), u"(-) ");
  EXPECT_EQ(Load(177), u"(+) ");
  EXPECT_EQ(Load(188), u"Edit Categories...");
  EXPECT_EQ(Load(3700), u"NKDA");
  EXPECT_EQ(Load(3740), u"Converted Ovelin 5.0 Todo Item");
  EXPECT_EQ(Load(3760), u"Delete");
  EXPECT_EQ(Load(3800), u"\nSearching for receiver");
  EXPECT_EQ(
      Load(3818),
      u"Error sending %s.  Sent %d of %d labs, %d of %d meds, %d of %d notes, %d of %d tests, "
      u"%d of %d todos, %d of %d vitals.");
  EXPECT_EQ(Load(3829), u"\nSuccess");
  EXPECT_EQ(Load(7204), u"%s:%s ");
  EXPECT_TRUE(Load(155).contains(u"SOAP note.  Make sure"));
  EXPECT_EQ(
      Load(152),
      u"%s\r\n%s\r\nMR#: %s\r\n\r\nS)\r\n%s\r\n\r\nO)\r\n%s\r\n\r\n%s\r\n\r\nPE:\r\n%s\r\n\r\n"
      u"%s%s%sA/P)\r\n%s\r\n");
}

TEST(StringTable, AccessStatesAreThreeConsecutiveEntries) {
  EXPECT_EQ(Load(ids::kAccessStateFirst + 0), u" ");
  EXPECT_EQ(Load(ids::kAccessStateFirst + 1), u"Read Only");
  EXPECT_EQ(Load(ids::kAccessStateFirst + 2), u"Read/Write");
}

TEST(StringTable, TodoPriorityChoices) {
  EXPECT_EQ(Load(3732), u"All");
  for (int p = 1; p <= 5; ++p) {
    EXPECT_EQ(Load(3732 + p), QString::number(p));
  }
}

// Runs of consecutive ids: every id from first to last exists and the run ends there.
struct IdRun {
  int first;
  int last;
  int count;
  const char16_t* firstText;
  const char16_t* lastText;
};

void ExpectRun(const IdRun& run) {
  SCOPED_TRACE(run.first);
  EXPECT_EQ(run.last - run.first + 1, run.count);
  for (int id = run.first; id <= run.last; ++id) {
    EXPECT_TRUE(strings::Exists(id)) << id;
  }
  EXPECT_FALSE(strings::Exists(run.last + 1));
  EXPECT_EQ(Load(run.first), QStringView(run.firstText));
  EXPECT_EQ(Load(run.last), QStringView(run.lastText));
}

TEST(StringTable, DefaultAutoTextRuns) {
  const IdRun runs[] = {
      {2400, ids::kCcLast, 11, u"Constipation", u"Vomitting"},
      {2500, ids::kPmhLast, 19, u"AAA", u"TB"},
      {2600, ids::kPshLast, 14, u"AAA Repair", u"TVH"},
      {2700, ids::kFhLast, 4, u"Ca", u"MI"},
      {2800, ids::kShLast, 3, u"ETOH", u"Tobacco"},
      {2902, ids::kHeentLast, 8, u"WNL", u"No Lymphadenopathy"},
      {3000, ids::kLungsLast, 5, u"WNL", u"No Egophony"},
      {3100, ids::kCardiovascularLast, 7, u"WNL", u"Cap Refill <2 sec"},
      {3200, ids::kAbdomenLast, 6, u"WNL", u"No HSM"},
      {3300, ids::kGenitourinaryLast, 3, u"WNL", u"No Masses"},
      {3400, ids::kExtremitiesLast, 4, u"WNL", u"No Effusion"},
      {3500, ids::kNeurologicLast, 8, u"WNL", u"Sensory Deficit"},
      {2200, ids::kRosLast, 19, u"Weight Change", u"Impotence"},
  };
  for (const IdRun& run : runs) {
    ExpectRun(run);
  }
  // General's two entries are followed at once by HEENT's.
  EXPECT_EQ(Load(2900), u"WNL");
  EXPECT_EQ(Load(2901), u"NAD");
  EXPECT_EQ(ids::kGeneralLast + 1, ids::kHeentFirst);
}

TEST(StringTable, ListNames) {
  const char16_t* history[] = {u"CC",  u"HPI", u"Use Meds", u"Allergies",
                               u"PMH", u"PSH", u"FH",       u"SH"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Load(2100 + i), QStringView(history[i]));
  }
  const char16_t* exam[] = {u"General", u"HEENT",         u"Lungs",       u"Cardiovascular",
                            u"Abdomen", u"Genitourinary", u"Extremities", u"Neurologic"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Load(2300 + i), QStringView(exam[i]));
  }
  EXPECT_EQ(Load(534), u"System");
}

TEST(StringTable, LabValueNameRuns) {
  const IdRun runs[] = {
      {1200, ids::kCbcValueLast, 14, u"RBC", u"Retic"},
      {1300, ids::kChemistryValueLast, 15, u"Na", u"Trp"},
      {1400, ids::kLftValueLast, 18, u"Alb", u"I-bili"},
      {1500, ids::kUaValueLast, 11, u"SG", u"Glu"},
      {1600, ids::kCoagsValueLast, 7, u"PT", u"DD"},
      {1650, ids::kAbgValueLast, 7, u"pH", u"FIO2"},
      {1700, ids::kMiscResult, 2, u"Value Name", u"Result"},
  };
  for (const IdRun& run : runs) {
    ExpectRun(run);
  }
  EXPECT_EQ(Load(1308), u"Ca T");
  EXPECT_EQ(Load(1507), u"RBC");
}

TEST(StringTable, RowLabelRunsAreConsecutive) {
  ExpectRun({ids::kPatientLabelFirst, ids::kPatientLabelFirst + 13, 14, u"Name (F)", u"Problems"});
  EXPECT_EQ(Load(ids::kLabelDob), u"DOB");
  EXPECT_EQ(Load(ids::kPatientLabelFirst + 12), u"Allergies");
  ExpectRun({ids::kMedLabelFirst, ids::kMedLabelLast, 8, u"Drug", u"# Refills"});
  EXPECT_EQ(Load(ids::kMedLabelFirst + 4), u"Track Days");
  ExpectRun({ids::kVitalFirst, ids::kVitalLast, 13, u"Tmax", u"Out"});
  EXPECT_EQ(Load(ids::kVitalFirst + 7), u"In IV");
}

TEST(StringTable, ChoiceRuns) {
  EXPECT_EQ(Load(ids::kDateChoiceFirst), u"No Date");
  for (int n = 0; n < 10; ++n) {
    EXPECT_EQ(Load(ids::kDecadeFirst + n), QString::number(1910 + 10 * n) + u"'s"_s);
  }
  EXPECT_EQ(ids::kDecadeFirst + 9, ids::kDecadeLast);
  EXPECT_EQ(Load(ids::kWeekdayFirst), u"Sunday");
  EXPECT_EQ(Load(ids::kWeekdayFirst + 6), u"Saturday");
  EXPECT_EQ(Load(ids::kRosChoiceFirst), u"--");
  EXPECT_EQ(Load(ids::kChoiceNo), u"No");
  EXPECT_EQ(Load(ids::kChoiceYes), u"Yes");
  ExpectRun(
      {ids::kBeamStatusFirst, ids::kBeamStatusLast, 30, u"\nSearching for receiver", u"\nSuccess"});
}

// Every name in StringIds.h stands for an id of the table. The build makes the header from the
// table and gives its path; a header that cannot be read fails the test.
TEST(StringTable, EveryNamedIdExists) {
  QFile header(QString::fromUtf8(OVELIN_STRING_IDS_HEADER));
  ASSERT_TRUE(header.open(QIODevice::ReadOnly)) << "cannot read " << OVELIN_STRING_IDS_HEADER;
  const QString source = QString::fromUtf8(header.readAll());
  static const QRegularExpression line(uR"(constexpr int (\w+) = (\w+);)"_s);
  QHash<QString, int> values;
  for (auto it = line.globalMatch(source); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    bool number = false;
    const int value = m.captured(2).toInt(&number);
    ASSERT_TRUE(number || values.contains(m.captured(2))) << m.captured(0).toStdString();
    values.insert(m.captured(1), number ? value : values.value(m.captured(2)));
  }
  EXPECT_GT(values.size(), 300);
  for (auto it = values.cbegin(); it != values.cend(); ++it) {
    EXPECT_TRUE(strings::Exists(it.value())) << it.key().toStdString() << " = " << it.value();
  }
}

// ---------------------------------------------------------------------------------------------
// The file format

TEST(StringTableParse, EntriesCommentsAndEscapes) {
  const strings::ParsedTable t = strings::Parse(
      "# a comment\n"
      "\n"
      "1\tplain\n"
      "2\t  lead and trail  \n"
      "3\ta\\r\\nb\\tc\\\\d\n"
      "4\tC:\\windows\\x\n"
      "5\tends with \\\n"
      "6\t\n"
      "7\tcrlf line\r\n"
      "8\t# not a comment\n"
      "9\tinner\ttab\n");
  EXPECT_TRUE(t.duplicates.empty());
  EXPECT_TRUE(t.badLines.empty());
  EXPECT_EQ(t.texts.size(), 9);
  EXPECT_EQ(t.texts.value(1), u"plain");
  EXPECT_EQ(t.texts.value(2), u"  lead and trail  ");
  EXPECT_EQ(t.texts.value(3), u"a\r\nb\tc\\d");
  EXPECT_EQ(t.texts.value(4), u"C:\\windows\\x");
  EXPECT_EQ(t.texts.value(5), u"ends with \\");
  EXPECT_TRUE(t.texts.contains(6));
  EXPECT_TRUE(t.texts.value(6).isEmpty());
  EXPECT_EQ(t.texts.value(7), u"crlf line");
  EXPECT_EQ(t.texts.value(8), u"# not a comment");
  EXPECT_EQ(t.texts.value(9), u"inner\ttab");
}

TEST(StringTableParse, NonAsciiAndByteOrderMark) {
  const strings::ParsedTable t = strings::Parse(
      "\xEF\xBB\xBF"
      "10\tdi\xC3\xA1logo \xE2\x86\x92\n");
  EXPECT_TRUE(t.badLines.empty());
  EXPECT_EQ(t.texts.value(10), u"di\u00E1logo \u2192");
}

TEST(StringTableParse, DuplicatesReportedFirstTextKept) {
  const strings::ParsedTable t = strings::Parse("5\tfirst\n6\tx\n5\tsecond\n5\tthird\n6\ty\n");
  EXPECT_EQ(t.duplicates, (std::vector<int>{5, 6}));
  EXPECT_EQ(t.texts.value(5), u"first");
  EXPECT_EQ(t.texts.value(6), u"x");
}

TEST(StringTableParse, MalformedLinesReportedByNumber) {
  const strings::ParsedTable t = strings::Parse(
      "1\tgood\n"
      "no tab here\n"
      "-2\tnegative\n"
      "x3\tnot a number\n"
      "\tno id\n"
      "99999999999\ttoo large\n"
      " 4\tleading blank\n"
      "2\tgood too\n");
  EXPECT_EQ(t.badLines, (std::vector<int>{2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(t.texts.size(), 2);
}

// ---------------------------------------------------------------------------------------------
// Format

TEST(StringFormat, TableTextsFilled) {
  EXPECT_EQ(FormatId(158, 3), u"   Day 3");
  EXPECT_EQ(FormatId(153, QString()), u"Medications:\r\n\r\n");
  EXPECT_EQ(FormatId(3823, Format(u"%s, "_s, u"Smith, J"_s), 2, 5),
            u"\nSending Smith, J, 2 of 5 patients");
  EXPECT_EQ(FormatId(3738, Load(3760)), u"Delete the selected todo item?");
  EXPECT_EQ(FormatId(3818, "Doe", 1, 2, 0, 0, 3, 3, 0, 1, 0, 0, 0, 4),
            u"Error sending Doe.  Sent 1 of 2 labs, 0 of 0 meds, 3 of 3 notes, 0 of 1 tests, "
            u"0 of 0 todos, 0 of 4 vitals.");
  EXPECT_EQ(FormatId(6602, 1, 2, 2024, 9, 5, 7), u"01/02/2024 09:05:07");
  EXPECT_TRUE(FormatId(123456, 1).isEmpty());
}

TEST(StringFormat, TextArguments) {
  const QString name = u"Smith"_s;
  EXPECT_EQ(Format(u"[%s]"_s, name), u"[Smith]");
  EXPECT_EQ(Format(u"[%s]"_s, "utf-8 \xC3\xA9"), u"[utf-8 \u00E9]");
  EXPECT_EQ(Format(u"[%s]"_s, QStringView(u"view")), u"[view]");
  EXPECT_EQ(Format(u"[%s]"_s, QLatin1StringView("latin")), u"[latin]");
  EXPECT_EQ(Format(u"[%s]"_s, QChar(u'Q')), u"[Q]");
  EXPECT_EQ(Format(u"[%s|%s]"_s, u"utf-16", QByteArray("bytes")), u"[utf-16|bytes]");
  EXPECT_EQ(Format(u"[%5s|%-5s]"_s, "ab", "cd"), u"[   ab|cd   ]");
  EXPECT_EQ(Format(u"[%.2s|%5.1s]"_s, "abc", "xyz"), u"[ab|    x]");
  EXPECT_EQ(Format(u"[%s]"_s, 42), u"[42]");
  EXPECT_EQ(Format(u"[%S]"_s, "wide"), u"[wide]");
  // A directive that meets a text where a number belongs shows the text rather than guessing.
  EXPECT_EQ(Format(u"[%d]"_s, "n/a"), u"[n/a]");
}

TEST(StringFormat, SignedIntegers) {
  EXPECT_EQ(Format(u"%d"_s, -42), u"-42");
  EXPECT_EQ(Format(u"%i"_s, 0), u"0");
  EXPECT_EQ(Format(u"%02i:%02i"_s, 7, 45), u"07:45");
  EXPECT_EQ(Format(u"%02i"_s, 123), u"123");
  EXPECT_EQ(Format(u"[%5d|%-5d|%05d]"_s, -42, -42, -42), u"[  -42|-42  |-0042]");
  EXPECT_EQ(Format(u"[%+d|% d|%.3d|%.0d]"_s, 5, 5, 42, 0), u"[+5| 5|042|]");
  EXPECT_EQ(Format(u"%ld %lld %hd %I64d"_s, 1L, 2LL, short{3}, int64_t{4}), u"1 2 3 4");
  EXPECT_EQ(Format(u"%d"_s, std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
  EXPECT_EQ(Format(u"%d"_s, std::numeric_limits<uint64_t>::max()), u"18446744073709551615");
  enum class Priority { kHigh = 3 };
  EXPECT_EQ(Format(u"%d"_s, Priority::kHigh), u"3");
}

TEST(StringFormat, UnsignedHexAndCharacters) {
  EXPECT_EQ(Format(u"%u"_s, 7u), u"7");
  EXPECT_EQ(Format(u"%u"_s, -1), u"4294967295");
  EXPECT_EQ(Format(u"%x|%X|%#x|%08X"_s, 255, 255, 255, 0xBEEF), u"ff|FF|0xff|0000BEEF");
  EXPECT_EQ(Format(u"%x"_s, -1), u"ffffffff");
  EXPECT_EQ(Format(u"%c%c%3c"_s, 'O', u'k', 0x263A), u"Ok  \u263A");
  EXPECT_EQ(Format(u"%c"_s, "xyz"), u"x");
  EXPECT_EQ(Format(u"%c"_s, 0x1F600), QString::fromUcs4(U"\U0001F600", 1));
}

TEST(StringFormat, PercentMissingSurplusAndMalformed) {
  EXPECT_EQ(Format(u"100%%"_s), u"100%");
  EXPECT_EQ(Format(u"%d%%"_s, 50), u"50%");
  EXPECT_EQ(Format(u"%s and %s, %d"_s, "one"), u"one and , ");
  EXPECT_EQ(Format(u"Day %i"_s), u"Day ");
  EXPECT_EQ(Format(u"only %s"_s, "this", "not", 3), u"only this");
  EXPECT_EQ(Format(u"%q %s"_s, "x"), u"%q x");
  EXPECT_EQ(Format(u"50%"_s), u"50%");
  EXPECT_EQ(Format(u"%-"_s, 1), u"%-");
  EXPECT_EQ(Format(u"%5"_s, 1), u"%5");
  EXPECT_EQ(Format(u"%*d %d"_s, 1, 2), u"%*d 1");
  EXPECT_EQ(Format(QString()), QString());
}

TEST(StringFormat, HugeWidthIsBounded) {
  const QString out = Format(u"%999999999999d"_s, 1);
  EXPECT_LE(out.size(), 4096);
  EXPECT_TRUE(out.endsWith(u'1'));
}

}  // namespace
