#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FilterString.h"

namespace qv {
namespace {

constexpr const char* kWorkedExample =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

struct Walked {
  std::vector<std::vector<std::string>> sections;
  std::string remainder;
  bool malformed = false;
};

Walked Walk(std::string_view s) {
  Walked w;
  MSectionWalker walk(s);
  while (walk.HasSection()) {
    MSectionText f = walk.Fields();
    w.sections.push_back({std::string(f.level), std::string(f.shotA), std::string(f.shotB),
                          std::string(f.canErrA), std::string(f.canErrB)});
    if (!walk.Advance()) {
      w.malformed = true;
      return w;
    }
  }
  w.remainder = walk.Working();
  return w;
}

using Fields = std::vector<std::string>;

TEST(MSectionWalker, ReadsTheWorkedExample) {
  Walked w = Walk(kWorkedExample);
  ASSERT_EQ(w.sections.size(), 3u);
  EXPECT_EQ(w.sections[0], (Fields{"7", "0", "0", "0", "5"}));
  EXPECT_EQ(w.sections[1], (Fields{"5", "10", "30", "5", "40"}));
  EXPECT_EQ(w.sections[2], (Fields{"0", "20", "60", "10", "70"}));
  EXPECT_EQ(w.remainder, "E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|");
  EXPECT_FALSE(w.malformed);
}

TEST(MSectionWalker, PositionsAreRelativeToTheWorkingTextNotToTheM) {
  // The working text is taken to begin with a section wherever its "M" is.
  Walked w = Walk("xyM(1-2|3-4)");
  ASSERT_EQ(w.sections.size(), 1u);
  EXPECT_EQ(w.sections[0], (Fields{"y", "(1", "2", "3", "4"}));
  EXPECT_EQ(w.remainder, "");
}

TEST(MSectionWalker, MissingSeparatorsGiveTheCutsOfFirstOccurrences) {
  // No "-" at all: ShotA is empty, ShotB runs from the start to the "|".
  EXPECT_EQ(Walk("M1(5|6)").sections[0], (Fields{"1", "", "M1(5", "", "6"}));
  // No "|": the tail is the whole working text.
  EXPECT_EQ(Walk("M1(5-6)").sections[0], (Fields{"1", "5", "", "M1(5", "6"}));
  // A "-" inside a number is taken for the separator.
  EXPECT_EQ(Walk("M2(-5-6|1-2)").sections[0], (Fields{"2", "", "5-6", "1", "2"}));
  // A section shorter than its positions.
  EXPECT_EQ(Walk("M)").sections[0], (Fields{")", "", "", "", "M"}));
  EXPECT_EQ(Walk("M)").remainder, "");
}

TEST(MSectionWalker, AnMAnywhereStartsAnotherPass) {
  Walked w = Walk("M1(1-2|0-3)TJ12M4|");
  EXPECT_TRUE(w.malformed);  // the second pass finds no ")"
  ASSERT_EQ(w.sections.size(), 2u);
  EXPECT_EQ(w.sections[1][0], "J");
}

TEST(MSectionWalker, StopsWhenAnMHasNoClosingParen) {
  EXPECT_TRUE(Walk("M").malformed);
  EXPECT_TRUE(Walk("M5(1-2|0-3").malformed);
  EXPECT_TRUE(Walk(")M").malformed);
  EXPECT_EQ(CountMSections("M5(1-2|0-3"), std::nullopt);
  EXPECT_EQ(CountMSections(")M"), std::nullopt);
}

TEST(MSectionWalker, CountMatchesTheWalk) {
  EXPECT_EQ(CountMSections(""), 0u);
  EXPECT_EQ(CountMSections("TJ1|"), 0u);
  EXPECT_EQ(CountMSections(kWorkedExample), 3u);
  EXPECT_EQ(CountMSections("M0(1-1|1-1)M0(1-1|1-1)"), 2u);
  EXPECT_EQ(CountMSections("M))))"), 1u);
}

TEST(MSectionWalker, HugeMalformedStringsWalkInLinearTime) {
  // Many passes whose separators lie far away: no pass may rescan the string.
  std::string s;
  for (int i = 0; i < 200000; ++i) s += "M)";
  s += "-|-)";
  MSectionWalker walk(s);
  size_t passes = 0;
  size_t firstShotA = 0;
  while (walk.HasSection()) {
    MSectionText f = walk.Fields();
    if (passes == 0) firstShotA = f.shotA.size();
    ASSERT_TRUE(walk.Advance());
    ++passes;
  }
  EXPECT_EQ(passes, 200000u);
  EXPECT_EQ(firstShotA, s.size() - 4 - 3);  // ShotA runs to the far "-"
  EXPECT_EQ(walk.Working(), "-|-)");

  std::string many(1000000, ')');
  many += 'M';
  EXPECT_EQ(CountMSections(many), std::nullopt);
}

TEST(FindRange, ReadsSingleCharactersAtFixedOffsets) {
  struct Case {
    const char* text;
    char marker;
    const char* lo;
    const char* hi;
  } cases[] = {
      {"E0-1S1-2", 'E', "0", "1"},
      {"E0-1S1-2", 'S', "1", "2"},
      // Two-digit bounds are misread: E1-12 is 1..1, E12-15 reads "1" and "-".
      {"E1-12", 'E', "1", "1"},
      {"E12-15", 'E', "1", "-"},
      // The character between the bounds is never read.
      {"E3x4", 'E', "3", "4"},
      // A range cut short by the end of the text.
      {"xE1", 'E', "1", ""},
  };
  for (const Case& c : cases) {
    auto r = FindRange(c.text, c.marker);
    ASSERT_TRUE(r) << c.text << ' ' << c.marker;
    EXPECT_EQ(r->lo, c.lo) << c.text << ' ' << c.marker;
    EXPECT_EQ(r->hi, c.hi) << c.text << ' ' << c.marker;
  }
  EXPECT_FALSE(FindRange("TJ1|", 'E'));
}

std::vector<std::string> Bets(std::string_view s) {
  std::vector<std::string> out;
  ForEachMediaBet(s, [&](std::string_view b) { out.emplace_back(b); });
  return out;
}

TEST(ForEachMediaBet, PiecesEndAtEachBarAfterTheFirstTJ) {
  EXPECT_EQ(Bets("TJ1234567|024,3468,5,2347,05,268,79|"),
            (std::vector<std::string>{"1234567", "024,3468,5,2347,05,268,79"}));
  EXPECT_EQ(Bets("TJ1234567||"), (std::vector<std::string>{"1234567", ""}));
  EXPECT_EQ(Bets("TJ1|2|tail"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Bets("TJ"), std::vector<std::string>{});
  EXPECT_EQ(Bets("1|2|"), std::vector<std::string>{});
  EXPECT_EQ(Bets("xTJaTJb|"), (std::vector<std::string>{"aTJb"}));
}

TEST(CanCarryMediaBet, NoMarkerOfTheFormatAndNoControlCharacter) {
  using namespace std::string_literals;
  for (const std::string bet : {""s, "1234567"s, "024,3468,5,2347,05,268,79"s, "T"s, "J"s, "JT"s,
                                "1T"s, "tj"s, "m e s"s, "\xB7\xD6\xB2\xBC"s, " 1\x7F\xFF"s})
    EXPECT_TRUE(CanCarryMediaBet(bet)) << ::testing::PrintToString(bet);
  for (const std::string bet : {"TJ"s, "1TJ2"s, "|"s, "12|4567"s, "M"s, "xxE"s, "S1"s, "12\n4567"s,
                                "\r"s, "1\x1A"s, "\x01"s, "\t"s, "\x1F"s, "12\0" "4567"s})
    EXPECT_FALSE(CanCarryMediaBet(bet)) << ::testing::PrintToString(bet);
}

}  // namespace
}  // namespace qv
