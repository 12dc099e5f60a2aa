// Reading a filter string for the setup dialog.
#include "DialogFilterStr.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qv {
namespace {

using Texts = std::array<std::string_view, 4>;

// An E or S range as its two bounds, or none, to compare in one line.
using Bounds = std::optional<std::array<std::string_view, 2>>;
Bounds Of(const std::optional<RangeText>& r) { return r ? Bounds{std::array{r->lo, r->hi}} : std::nullopt; }
Bounds B(std::string_view lo, std::string_view hi) { return std::array{lo, hi}; }

constexpr const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

TEST(DialogFilterStr, WorkedExample) {
  DialogFilterStr r = ReadDialogFilterStr(kExample);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.checkOrder, (std::vector<int>{7, 5, 0}));
  ASSERT_TRUE(r.levels[7] && r.levels[5] && r.levels[0]);
  EXPECT_EQ(*r.levels[7], (Texts{"0", "0", "0", "5"}));
  EXPECT_EQ(*r.levels[5], (Texts{"10", "30", "5", "40"}));
  EXPECT_EQ(*r.levels[0], (Texts{"20", "60", "10", "70"}));
  for (int d : {1, 2, 3, 4, 6}) EXPECT_FALSE(r.levels[d]) << d;
  EXPECT_EQ(Of(r.e), B("0", "1"));
  EXPECT_EQ(Of(r.s), B("1", "2"));
  EXPECT_EQ(r.bets, (std::vector<std::string_view>{"1234567", "024,3468,5,2347,05,268,79"}));
}

TEST(DialogFilterStr, EmptyAndBetOnlyStrings) {
  DialogFilterStr r = ReadDialogFilterStr("");
  EXPECT_TRUE(r.complete);
  EXPECT_TRUE(r.checkOrder.empty());
  EXPECT_FALSE(r.e || r.s);
  EXPECT_TRUE(r.bets.empty());

  r = ReadDialogFilterStr("S3-4TJ1||x");
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(Of(r.e), std::nullopt);
  EXPECT_EQ(Of(r.s), B("3", "4"));
  // An empty bet between two bars; text after the last bar is not read.
  EXPECT_EQ(r.bets, (std::vector<std::string_view>{"1", ""}));
}

TEST(DialogFilterStr, OwnOrderAndLastSectionOfALevelWins) {
  DialogFilterStr r = ReadDialogFilterStr("M0(1-2|0-3)M7(4-5|3-6)M0(7-8|6-9)TJ1|");
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.checkOrder, (std::vector<int>{0, 7}));
  EXPECT_EQ(*r.levels[0], (Texts{"7", "8", "6", "9"}));
  EXPECT_EQ(*r.levels[7], (Texts{"4", "5", "3", "6"}));
}

TEST(DialogFilterStr, TwoDigitBoundsAreReadOneCharacterEach) {
  EXPECT_EQ(Of(ReadDialogFilterStr("E1-12TJ1|").e), B("1", "1"));
  EXPECT_EQ(Of(ReadDialogFilterStr("E12-15").e), B("1", "-"));
  EXPECT_EQ(Of(ReadDialogFilterStr("E1").e), B("1", ""));  // text ends: empty bounds, nothing beyond
}

TEST(DialogFilterStr, StopsAtALevelItCannotShow) {
  for (const char* s : {"M5(1-2|0-3)M8(1-2|0-3)E0-1TJ1|", "M5(1-2|0-3)M9(1-2|0-3)",
                        "M5(1-2|0-3)Mx(1-2|0-3)", "M5(1-2|0-3)M"}) {
    DialogFilterStr r = ReadDialogFilterStr(s);
    EXPECT_FALSE(r.complete) << s;
    EXPECT_EQ(r.checkOrder, (std::vector<int>{5})) << s;
    EXPECT_EQ(*r.levels[5], (Texts{"1", "2", "0", "3"})) << s;
    EXPECT_FALSE(r.e) << s;
    EXPECT_TRUE(r.bets.empty()) << s;
  }
}

TEST(DialogFilterStr, StopsAtAnMWithoutClosingParenthesis) {
  DialogFilterStr r = ReadDialogFilterStr("M3(1-2|0-3)M4(1-2|0-3TJ1|");
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(r.checkOrder, (std::vector<int>{3}));
  EXPECT_FALSE(r.levels[4]);
  // A bet with an "M" in it, after the last ")", starts a section that never ends.
  r = ReadDialogFilterStr("TJ12M4567|");
  EXPECT_FALSE(r.complete);
  EXPECT_TRUE(r.bets.empty());
}

TEST(DialogFilterStr, MalformedMegabyteStringIsReadInOnePassWithoutCopies) {
  // Every section's ShotA runs up to a "-" a megabyte away, so each of the
  // many passes cuts the same long piece; the result must only point at it.
  std::string s;
  for (int i = 0; i < 200000; ++i) s += "M1()";
  const size_t before = s.size();
  s += std::string(1 << 20, '9');
  s += "-5|6-7)TJ1|";
  DialogFilterStr r = ReadDialogFilterStr(s);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.checkOrder, (std::vector<int>{1}));
  ASSERT_TRUE(r.levels[1]);
  const Texts& t = *r.levels[1];
  // The last pass starts at the run of nines' section.
  EXPECT_EQ(t[1], "5");
  EXPECT_EQ(t[2], "6");
  EXPECT_EQ(t[3], "7");
  EXPECT_GT(t[0].size(), size_t(1) << 20);
  EXPECT_GE(t[0].data(), s.data());  // a view into the string, not a copy
  EXPECT_LT(t[0].data(), s.data() + before);
  EXPECT_EQ(r.bets, (std::vector<std::string_view>{"1"}));
}

TEST(IsOneDigit, OnlyOneDecimalDigit) {
  EXPECT_TRUE(IsOneDigit("0"));
  EXPECT_TRUE(IsOneDigit("9"));
  for (const char* t : {"", "10", "-1", "+1", " 1", "a", "1 "}) EXPECT_FALSE(IsOneDigit(t)) << t;
}

}  // namespace
}  // namespace qv
