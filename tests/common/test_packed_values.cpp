// Packed values: the one text in which named values are stored, and how its pairs find rows.

#include <gtest/gtest.h>

#include "common/PackedValues.h"

namespace {

using packed_values::Pair;

TEST(PackedValues, PackAndSplitAreInverseAndKeepEmptyValues) {
  const std::vector<Pair> pairs = {{"Temp", "98.6"}, {"Pulse", ""}, {"BP", "120/80"}};
  const QString packed = packed_values::Pack(pairs);
  EXPECT_EQ(packed, "Temp\n98.6\nPulse\n\nBP\n120/80\n");
  EXPECT_EQ(packed_values::Split(packed), pairs);
  EXPECT_TRUE(packed_values::Split(QString()).empty());
}

TEST(PackedValues, SplitStopsWhereTheTextStopsBeingPairs) {
  // A last value without its line feed runs to the end of the text.
  EXPECT_EQ(packed_values::Split("Na\n140\nK\n4.1"),
            (std::vector<Pair>{{"Na", "140"}, {"K", "4.1"}}));
  // An empty name ends the pairs; so does a name that no line feed follows.
  EXPECT_EQ(packed_values::Split("Na\n140\n\nK\n4.1\n"), (std::vector<Pair>{{"Na", "140"}}));
  EXPECT_EQ(packed_values::Split("Na\n140\nK"), (std::vector<Pair>{{"Na", "140"}}));
  // A value holds anything but a line feed, carriage returns included.
  EXPECT_EQ(packed_values::Split("Note\nline one\r\n"),
            (std::vector<Pair>{{"Note", "line one\r"}}));
}

TEST(PackedValues, NoteTextQuotesTheValuesThatSaySomething) {
  const std::vector<Pair> rows = {
      {"Dx", "Pneumonia\nSepsis"}, {"Room", "  "}, {"Plan", "Fluids\r\nAntibiotics"}, {"Age", ""}};
  EXPECT_EQ(packed_values::NoteText(rows),
            "Dx: Pneumonia\r\nSepsis\r\nPlan: Fluids\r\nAntibiotics\r\n");
}

TEST(PackedValues, PlaceFillsEachRowOfTheNameOnceAndKeepsWhatHasNoRow) {
  const QStringList labels = {"WBC", "Hgb", "WBC", "Plt"};
  const packed_values::Placement placed =
      packed_values::Place(labels, "WBC\n7.2\nWBC\n8.0\nWBC\n9.9\nHct\n41\n");
  // Two WBC rows take the first two WBC values in order; rows not named are emptied.
  EXPECT_EQ(placed.values, (std::vector<QString>{"7.2", "", "8.0", ""}));
  EXPECT_EQ(placed.extra, (std::vector<Pair>{{"WBC", "9.9"}, {"Hct", "41"}}));
}

}  // namespace
