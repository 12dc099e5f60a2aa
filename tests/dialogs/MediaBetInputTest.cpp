// The entry dialog's key filter and the check and normalisation of its OK.
#include "MediaBetInput.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using Kind = BetCheck::Kind;

TEST(BetKeyFilter, PassesDigitsAndCommaOnly) {
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(ClassifyBetKey(c), BetKey::Pass) << c;
  EXPECT_EQ(ClassifyBetKey(','), BetKey::Pass);
  for (char c : std::string("aZ -+.;|*\t\r\n\x1B")) EXPECT_EQ(ClassifyBetKey(c), BetKey::Drop) << int(c);
  // Both bytes of a full-width comma are refused.
  EXPECT_EQ(ClassifyBetKey('\xA3'), BetKey::Drop);
  EXPECT_EQ(ClassifyBetKey('\xAC'), BetKey::Drop);
  EXPECT_EQ(ClassifyBetKey('\0'), BetKey::Drop);
}

TEST(BetKeyFilter, BackspaceRemovesLastCharacterWhereverTheCaret) {
  std::string text = "12345";
  EXPECT_FALSE(FilterBetKey('\b', text));
  EXPECT_EQ(text, "1234");
  text.clear();
  EXPECT_FALSE(FilterBetKey('\b', text));
  EXPECT_EQ(text, "");
  text = "1";
  EXPECT_TRUE(FilterBetKey('7', text));
  EXPECT_EQ(text, "1");  // the box inserts it itself
  EXPECT_FALSE(FilterBetKey('x', text));
  EXPECT_EQ(text, "1");
}

struct Case {
  const char* input;
  Kind kind;
  const char* text;  // accepted text
};

class BetCheckCases : public ::testing::TestWithParam<Case> {};

TEST_P(BetCheckCases, Result) {
  const Case& c = GetParam();
  BetCheck r = CheckBetInput(c.input);
  EXPECT_EQ(r.kind, c.kind) << c.input;
  if (c.kind == Kind::Accepted) {
    EXPECT_EQ(r.text, c.text) << c.input;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BetCheckCases,
    ::testing::Values(Case{"", Kind::Empty, ""}, Case{"1234567", Kind::Accepted, "1234567"},
                      Case{"1123456", Kind::Accepted, "1123456"},
                      Case{"123456", Kind::WrongForm, ""}, Case{"12345678", Kind::WrongForm, ""},
                      Case{"024,3468,5,2347,05,268,79", Kind::Accepted, "024,3468,5,2347,05,268,79"},
                      Case{"0224,33468,5,2347,05,268,79", Kind::Accepted, "024,3468,5,2347,05,268,79"},
                      Case{"0230,1,2,3,4,5,6", Kind::Accepted, "023,1,2,3,4,5,6"},
                      Case{"000,1,2,3,4,5,6", Kind::Accepted, "0,1,2,3,4,5,6"},
                      Case{"1,,3,4,5,6,7", Kind::Accepted, "1,,3,4,5,6,7"},
                      Case{",1,2,3,4,5,6", Kind::Accepted, ",1,2,3,4,5,6"},
                      Case{"1,2,3,4,5,6,", Kind::Accepted, "1,2,3,4,5,6,"},
                      Case{",,,,,,", Kind::Accepted, ",,,,,,"},
                      Case{"1,2,3,4,5,6", Kind::WrongForm, ""},
                      Case{"1,2,3,4,5,6,7,8", Kind::WrongForm, ""},
                      // Pasted text: only the length is tested ...
                      Case{"abcdefg", Kind::Accepted, "abcdefg"},
                      Case{"1 2 3 4", Kind::Accepted, "1 2 3 4"},
                      // ... letters fold case in a group, the first spelling stays ...
                      Case{"aAbB,1,2,3,4,5,6", Kind::Accepted, "ab,1,2,3,4,5,6"},
                      Case{"TjT,1,2,3,4,5,6", Kind::Accepted, "Tj,1,2,3,4,5,6"},
                      // ... but nothing the filter string cannot carry gets through.
                      Case{"123|567", Kind::WrongForm, ""}, Case{"12M4567", Kind::WrongForm, ""},
                      Case{"E234567", Kind::WrongForm, ""}, Case{"123456S", Kind::WrongForm, ""},
                      Case{"12TJ567", Kind::WrongForm, ""},
                      Case{"1,2,3,4,5,6,7|", Kind::WrongForm, ""},
                      Case{"1,2,3,4,5,T,J6", Kind::Accepted, "1,2,3,4,5,T,J6"},
                      // Dropping the repeated 1 would bring T and J together.
                      Case{"1T1J,1,2,3,4,5,6", Kind::WrongForm, ""},
                      Case{"12T4J67", Kind::Accepted, "12T4J67"},
                      Case{"m,e,s,tj,1,2,3", Kind::Accepted, "m,e,s,tj,1,2,3"}));

TEST(BetCheck, NormalisesEveryGroupOnItsOwn) {
  // The same digit in different groups stays; only repeats within a group go.
  BetCheck r = CheckBetInput("11,11,1221,3,33,0,9999");
  ASSERT_EQ(r.kind, Kind::Accepted);
  EXPECT_EQ(r.text, "1,1,12,3,3,0,9");
}

TEST(BetCheck, KeepsDoubleByteBytesOfAPastedSingleBet) {
  BetCheck r = CheckBetInput("\xB7\xD6\xB2\xBC\xB8\xC5" "1");  // 分布概 + 1
  ASSERT_EQ(r.kind, Kind::Accepted);
  EXPECT_EQ(r.text, "\xB7\xD6\xB2\xBC\xB8\xC5" "1");
}

}  // namespace
}  // namespace qv
