// Filter strings and candidates that no dialog writes: megabyte strings,
// huge bet lists, numbers beyond 32 bits, signs and hex forms, missing,
// doubled and misplaced markers, binary junk.  Every answer is stated
// exactly; a sweep of generated junk is held against the literal reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Filter.h"
#include "LiteralFilter.h"

namespace qv {
namespace {

const std::string kName = kFilterName;

struct Prepared {
  FilterState f;
  PrepareResult r;
};

Prepared Prep(const std::string& s) {
  Prepared p;
  p.f.FilterStr = s;
  p.r = p.f.Prepare();
  return p;
}

// A state prepared from a full string, to see what a refusal leaves.
constexpr const char* kFull =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

// condsToo: refusals before the sections are counted leave MDConds as well.
void ExpectUntouched(const std::string& s, bool condsToo = true) {
  FilterState f;
  f.FilterStr = kFull;
  ASSERT_TRUE(f.Prepare().accepted());
  const FilterState before = f;
  f.FilterStr = s;
  EXPECT_FALSE(f.Prepare().accepted());
  if (condsToo) EXPECT_EQ(f.MDConds.size(), before.MDConds.size()) << s;
  for (size_t i = 0; condsToo && i < f.MDConds.size() && i < before.MDConds.size(); ++i) {
    EXPECT_EQ(f.MDConds[i].Shot, before.MDConds[i].Shot);
    EXPECT_EQ(f.MDConds[i].CanErrB, before.MDConds[i].CanErrB);
  }
  EXPECT_EQ(f.MediaBets, before.MediaBets);
  EXPECT_EQ(f.Tally, before.Tally);
  EXPECT_EQ(f.CanErrOn, before.CanErrOn);
  EXPECT_EQ(f.CanSupErrOn, before.CanSupErrOn);
}

std::string ReportLine(const std::string& cand, const std::string& cond, int share) {
  return cand + '\x07' + kName + '\x07' + cond + '\x07' + std::to_string(share) + "%\r\n";
}

// --- Size -------------------------------------------------------------------

TEST(HostileSize, HundredThousandMediaBets) {
  // Against 1234567: 1234567 hits 7, 1234560 hits 6, 0000000 hits 0 and the
  // compound bet hits 4 (positions 4 to 7), each a quarter of the list.
  const char* four[] = {"1234567", "1234560", "0000000", "024,3468,5,2347,05,268,79"};
  std::string bets = "TJ";
  for (int i = 0; i < 100000; ++i) (bets += four[i % 4]) += '|';
  ASSERT_GT(bets.size(), 1000000u);
  const std::string conds = "M7(25-25|25-25)M6(25-25|0-100)M0(25-25|25-25)M4(26-30|0-100)";

  Prepared p = Prep(conds + bets);
  ASSERT_TRUE(p.r.accepted()) << p.r.message;
  ASSERT_EQ(p.f.MediaBets.size(), 100000u);
  EXPECT_EQ(p.f.MediaBets[3], four[3]);
  EXPECT_EQ(p.f.Execute("1234567"), kFail) << "level 4 misses its allowed band";
  EXPECT_EQ(p.f.Tally[7], 25000);
  EXPECT_EQ(p.f.Tally[6], 25000);
  EXPECT_EQ(p.f.Tally[4], 25000);
  EXPECT_EQ(p.f.Tally[0], 25000);
  EXPECT_EQ(p.f.Debug("1234567", false), ReportLine("1234567", "4:26%-30%|0%-100%", 25));

  Prepared e = Prep(conds + "E1-1" + bets);
  ASSERT_TRUE(e.r.accepted());
  EXPECT_EQ(e.f.Execute("1234567"), kPass) << "one miss inside E 1..1";
  // 7654321 against the four: 1 (position 4), 1, 0, and 4 for the compound
  // bet (6 in "3468", 5 in "5", 4 in "2347", 2 in "268"); level 7 has 0.
  EXPECT_EQ(e.f.Execute("7654321"), kHardReject);
  EXPECT_EQ(e.f.Tally[1], 50000);
  EXPECT_EQ(e.f.Tally[4], 25000);
  EXPECT_EQ(e.f.Tally[0], 25000);
}

TEST(HostileSize, HundredThousandSections) {
  std::string s;
  for (int i = 0; i < 100000; ++i) s += (i % 2) ? "M7(0-100|0-100)" : "M0(0-0|0-100)";
  s += "TJ1234567|";
  Prepared p = Prep(s);
  ASSERT_TRUE(p.r.accepted()) << p.r.message;
  ASSERT_EQ(p.f.MDConds.size(), 100000u);
  EXPECT_EQ(p.f.MDConds[99999].Shot, 7);
  EXPECT_EQ(p.f.Execute("1234567"), kPass);
  EXPECT_EQ(p.f.Debug("1234567", false), "");
  // Against 0000000 the only bet hits 0: level 0 has 100, outside 0..0 but
  // inside its tolerance: 50,000 misses and no E section.
  EXPECT_EQ(p.f.Execute("0000000"), kFail);
  const std::string& all = p.f.Debug("0000000", true);
  EXPECT_EQ(all.size(), 50000 * ReportLine("0000000", "0:0%-0%|0%-100%", 100).size() +
                            50000 * ReportLine("0000000", "7:0%-100%|0%-100%", 0).size());
}

TEST(HostileSize, MegabyteNumbers) {
  const std::string zeros(1 << 20, '0');
  Prepared p = Prep("M7(" + zeros + "5-" + zeros + "9|0-$" + zeros + "FF)TJ1234567|");
  ASSERT_TRUE(p.r.accepted()) << "leading zeros add nothing";
  EXPECT_EQ(p.f.MDConds[0].ShotA, 5);
  EXPECT_EQ(p.f.MDConds[0].ShotB, 9);
  EXPECT_EQ(p.f.MDConds[0].CanErrB, 255);

  const std::string big = "1" + zeros;
  Prepared q = Prep("M7(0-" + big + "|0-5)");
  EXPECT_EQ(q.r.status, PrepareStatus::ConversionError);
  EXPECT_EQ(q.r.message, "'" + big + "' is not a valid integer value");
}

TEST(HostileSize, MegabyteJunkIsRefusedQuickly) {
  ExpectUntouched(std::string(1 << 20, 'M'));   // no ")" anywhere: the walk cannot end
  ExpectUntouched(std::string(1 << 20, 'x'));   // no "M"
  ExpectUntouched("M7(0-0|0-5)" + std::string(1 << 20, 'M'));
  std::string parens;
  for (int i = 0; i < (1 << 19); ++i) parens += "M)";
  Prepared p = Prep(parens);
  EXPECT_EQ(p.r.status, PrepareStatus::ConversionError);
  EXPECT_EQ(p.r.message, "')' is not a valid integer value");
  EXPECT_EQ(p.f.MDConds.size(), size_t{1} << 19) << "the length is set before the walk";
}

TEST(HostileSize, MegabyteCandidateAndBets) {
  // A candidate far longer than every bet reads only the bets' positions.
  Prepared p = Prep("M7(100-100|100-100)TJ1234567|");
  const std::string cand = "1234567" + std::string(1 << 20, '9');
  EXPECT_EQ(p.f.Execute(cand.c_str()), kPass);
  EXPECT_EQ(p.f.Debug(cand.c_str(), true).size(),
            ReportLine(cand, "7:100%-100%|100%-100%", 100).size());

  // A single bet of a thousand 1s hits 1000 times: no level gets it, every
  // share is 0 and N stays 1.
  const std::string ones(1000, '1');
  Prepared q = Prep("M0(0-0|0-0)M7(0-0|0-0)TJ" + ones + "|1234567|");
  EXPECT_EQ(q.f.Execute(ones.c_str()), kPass) << "levels 0 and 7 both have 0";
  EXPECT_EQ(q.f.Tally[1], 1);
  EXPECT_EQ(q.f.HitShare(1), 50);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(q.f.Tally[k], k == 1 ? 1 : 0);
}

// --- Numbers ----------------------------------------------------------------

TEST(HostileNumbers, SignsHexAndThirtyTwoBits) {
  struct Case {
    const char* field;  // stands as ShotB, with ShotA 0 and a tolerance band that holds it
    bool ok;
    int32_t value;
  } cases[] = {
      {"2147483647", true, 2147483647},  {"2147483648", false, 0},
      {"4294967296", false, 0},          {"99999999999999999999", false, 0},
      {"$7FFFFFFF", true, 2147483647},   {"0x7fffffff", true, 2147483647},
      {"X7FFFFFFF", true, 2147483647},   {"x10", true, 16},
      {"0X1f", true, 31},                {"$100000000", false, 0},
      {"+5", true, 5},                   {"  5", true, 5},
      {"5 ", false, 0},                  {"\t5", false, 0},
      {"+", false, 0},                   {"$", false, 0},
      {"0x", false, 0},                  {"++5", false, 0},
      {"5e2", false, 0},                 {"$G", false, 0},
      {"0", true, 0},                    {"00000000000000000000042", true, 42},
  };
  for (const Case& c : cases) {
    Prepared p = Prep(std::string("M7(0-") + c.field + "|0-$7FFFFFFF)");
    if (c.ok) {
      ASSERT_TRUE(p.r.accepted()) << c.field << ": " << p.r.message;
      EXPECT_EQ(p.f.MDConds[0].ShotB, c.value) << c.field;
    } else {
      EXPECT_EQ(p.r.status, PrepareStatus::ConversionError) << c.field;
      EXPECT_EQ(p.r.message, std::string("'") + c.field + "' is not a valid integer value");
    }
  }
}

TEST(HostileNumbers, HexUsesAllThirtyTwoBitsAndSignsAreSeparators) {
  // $FFFFFFFF is -1 and $80000000 the lowest value: the bands nest.
  Prepared p = Prep("M7($FFFFFFFF-0|$80000000-$7FFFFFFF)TJ1234567|");
  ASSERT_TRUE(p.r.accepted()) << p.r.message;
  EXPECT_EQ(p.f.MDConds[0].ShotA, -1);
  EXPECT_EQ(p.f.MDConds[0].CanErrA, INT32_MIN);
  EXPECT_EQ(p.f.MDConds[0].CanErrB, INT32_MAX);
  EXPECT_EQ(p.f.Execute("7654321"), kPass) << "one hit: level 7 has 0, inside -1..0";
  EXPECT_EQ(p.f.Debug("7654321", true),
            ReportLine("7654321", "7:-1%-0%|-2147483648%-2147483647%", 0));

  // A "-" sign is read as the separator: ShotA is the empty text.
  Prepared m = Prep("M7(-5-10|0-20)");
  EXPECT_EQ(m.r.status, PrepareStatus::ConversionError);
  EXPECT_EQ(m.r.message, "'' is not a valid integer value");
  // A negative hex bound compares signed: $FFFFFFFF (-1) above ShotA 0.
  EXPECT_EQ(Prep("M7(0-5|$FFFFFFFF-5)").r.status, PrepareStatus::Accepted);
  EXPECT_EQ(Prep("M7(0-5|1-$FFFFFFFF)").r.status, PrepareStatus::BandsDoNotNest);
}

// --- Markers ----------------------------------------------------------------

TEST(HostileMarkers, MissingMarkers) {
  ExpectUntouched("M7(0-0|0-5");    // no ")"
  ExpectUntouched("M7");
  ExpectUntouched("M7(0-0|0-5)M");  // a last "M" with nothing after it
  struct Case {
    const char* s;
    const char* bad;  // the text of the conversion error
  } cases[] = {
      {"M7(0-0-5)", ""},     // no "|": ShotB is empty
      {"M7(0-0|5)", ""},     // no "-" in the tail: CanErrA is empty
      {"M70-0|0-5)", ""},    // the "-" at position 4: ShotA is empty
      {"M(0-0|0-5)", "("},   // no level digit
  };
  for (const Case& c : cases) {
    Prepared p = Prep(c.s);
    EXPECT_EQ(p.r.status, PrepareStatus::ConversionError) << c.s;
    EXPECT_EQ(p.r.message, std::string("'") + c.bad + "' is not a valid integer value") << c.s;
  }
  // The "(" at position 3 is never checked.
  Prepared x = Prep("M7x10-20|5-30)");
  ASSERT_TRUE(x.r.accepted());
  EXPECT_EQ(x.f.MDConds[0].ShotA, 10);
  // Bets without their closing "|" are not read; a "T J" is no TJ.
  EXPECT_TRUE(Prep("M7(0-0|0-5)TJ1234567").f.MediaBets.empty());
  EXPECT_TRUE(Prep("M7(0-0|0-5)T J1|").f.MediaBets.empty());
  // An E or S at the very end has no bounds.
  EXPECT_EQ(Prep("M7(0-0|0-5)E").r.message, "'' is not a valid integer value");
  EXPECT_EQ(Prep("M7(0-0|0-5)S1-").r.message, "'' is not a valid integer value");
}

TEST(HostileMarkers, DoubledMarkers) {
  EXPECT_EQ(Prep("MM7(0-0|0-5)").r.message, "'M' is not a valid integer value");
  EXPECT_EQ(Prep("M7((0-0|0-5)").r.message, "'(0' is not a valid integer value");
  EXPECT_EQ(Prep("M7(0-0||0-5)").r.message, "'|0' is not a valid integer value");
  // After the first "-" a sign is read: ShotB "-0" is 0, "-3" is below ShotA.
  Prepared minus = Prep("M7(0--0|0-5)");
  ASSERT_TRUE(minus.r.accepted());
  EXPECT_EQ(minus.f.MDConds[0].ShotB, 0);
  EXPECT_EQ(Prep("M7(0--3|0-5)").r.status, PrepareStatus::BandsDoNotNest);

  Prepared paren = Prep("M7(0-0|0-5))TJ1|");
  ASSERT_TRUE(paren.r.accepted());
  EXPECT_EQ(paren.f.MediaBets, std::vector<std::string>{"1"});

  Prepared tj = Prep("M7(0-0|0-5)TJTJ1|");
  ASSERT_TRUE(tj.r.accepted());
  EXPECT_EQ(tj.f.MediaBets, std::vector<std::string>{"TJ1"});

  Prepared bars = Prep("M7(0-0|0-5)TJ|||");
  ASSERT_TRUE(bars.r.accepted());
  EXPECT_EQ(bars.f.MediaBets, (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(bars.f.Execute("1234567"), kPass) << "empty bets hit 0: level 7 has 0";
  EXPECT_EQ(bars.f.Tally[0], 3);

  Prepared e = Prep("M7(0-100|0-100)E0-1E5-9TJ1|");
  ASSERT_TRUE(e.r.accepted());
  EXPECT_EQ(e.f.Tally[kCanErr1], 0);
  EXPECT_EQ(e.f.Tally[kCanErr2], 1);
}

TEST(HostileMarkers, MisplacedMarkers) {
  // An E in a bet is found in the whole string: E 4..6, and a candidate that
  // meets its one condition misses fewer than 4.
  Prepared e = Prep("M7(0-100|0-100)TJ12E4567|");
  ASSERT_TRUE(e.r.accepted());
  EXPECT_TRUE(e.f.CanErrOn);
  EXPECT_EQ(e.f.Tally[kCanErr1], 4);
  EXPECT_EQ(e.f.Tally[kCanErr2], 6);
  EXPECT_EQ(e.f.Execute("12E4567"), kFail);

  // An M in a bet starts one more section: with no ")" after it the string
  // is refused; with one, the section's level is the "J".
  ExpectUntouched("M7(0-0|0-5)TJ1M3|");
  Prepared m = Prep("M7(0-0|0-5)TJ1M3|4)|");
  EXPECT_EQ(m.r.message, "'J' is not a valid integer value");
  ASSERT_EQ(m.f.MDConds.size(), 2u);
  EXPECT_EQ(m.f.MDConds[0].CanErrB, 5);
  EXPECT_EQ(m.f.MDConds[1].Shot, 0);

  // Ranges before the sections: the M walk starts at the first character.
  EXPECT_EQ(Prep("E0-1M7(0-0|0-5)").r.message, "'' is not a valid integer value");
  // An S section whose bounds are markers.
  EXPECT_EQ(Prep("M7(0-0|0-5)S-1-2").r.message, "'-' is not a valid integer value");
  // Out-of-order ranges leave ranges, flags and bets as they were.
  ExpectUntouched("M7(0-0|0-5)E9-0", false);
  ExpectUntouched("M7(0-0|0-5)E1-1S0-5", false);
  ExpectUntouched("M7(0-0|0-5)E0-5S0-4", false);
  ExpectUntouched("M7(0-0|0-5)E0-1S3-2", false);
}

TEST(HostileMarkers, LevelsOutsideZeroToSeven) {
  for (const char* s : {"M8(0-100|0-100)TJ1|", "M9(0-100|0-100)TJ1|"}) {
    Prepared p = Prep(s);
    EXPECT_EQ(p.r.status, PrepareStatus::BadLevel) << s;
    ASSERT_EQ(p.f.MDConds.size(), 1u);
    EXPECT_EQ(p.f.MDConds[0].CanErrB, 100) << "the five numbers are stored first";
    EXPECT_TRUE(p.f.MediaBets.empty());
  }
  ExpectUntouched("M7(0-100|0-100)M9(0-0|0-0)TJ1|", false);
}

TEST(HostileMarkers, SharesWithoutMediaBetsAreZero) {
  Prepared p = Prep("M0(0-0|0-0)");
  ASSERT_TRUE(p.r.accepted());
  EXPECT_EQ(p.f.Execute("1234567"), kPass);
  Prepared q = Prep("M0(1-1|0-1)");
  EXPECT_EQ(q.f.Execute("1234567"), kFail);
  EXPECT_EQ(q.f.Debug("1234567", false), ReportLine("1234567", "0:1%-1%|0%-1%", 0));
  Prepared r = Prep("M0(1-1|1-1)TJ");
  EXPECT_EQ(r.f.Execute(nullptr), kHardReject);
}

// --- Bytes ------------------------------------------------------------------

TEST(HostileBytes, HighBytesAndStars) {
  EXPECT_EQ(Prep("M7(0-\xFF|0-5)").r.message, "'\xFF' is not a valid integer value");
  // Bets and candidates are compared byte by byte, whatever the bytes are.
  Prepared p = Prep("M3(100-100|100-100)TJ\xB7\xD6\xB2,*,\xCA|*\xB2\xCA\xD6|");
  ASSERT_TRUE(p.r.accepted());
  EXPECT_EQ(p.f.MediaBets.size(), 2u);
  // Against B2 01 CA: the compound bet hits 3 (B2 in group 1, the "*",
  // CA), the single bet 1 (CA).
  EXPECT_EQ(p.f.Execute("\xB2\x01\xCA"), kHardReject);
  EXPECT_EQ(p.f.Tally[3], 1);
  EXPECT_EQ(p.f.Tally[1], 1);
  // Against "*" B2 CA: the single bet's "*" matches the "*" (3 hits); the
  // compound bet's group 1 holds no "*" (2 hits).
  EXPECT_EQ(p.f.Execute("*\xB2\xCA"), kHardReject);
  EXPECT_EQ(p.f.Tally[3], 1);
  EXPECT_EQ(p.f.Tally[2], 1);
  // A compound bet can pass 7: 1111111 in group 1 against 1 is 7 hits on its own.
  Prepared q = Prep("M7(0-0|0-0)M0(0-0|0-0)TJ1111111,2,3,4,5,6,7|");
  EXPECT_EQ(q.f.Execute("1234567"), kPass) << "13 hits: no level, every share 0";
  for (int k = 0; k < 8; ++k) EXPECT_EQ(q.f.Tally[k], 0);
}

// Generated junk from markers, digits and arbitrary bytes, against the
// literal reading of every rule.
TEST(HostileBytes, JunkAgreesWithTheLiteralReading) {
  const std::vector<std::string> atoms = {
      "M", "(", ")", "|", "-", "E", "S", "TJ", "T", "J", "$", "x", "0x", "*", ",", " ", "+",
      "0", "1", "5", "7", "9", "10", "100", "\xFF", "\x80", "\x07", "\r\n", "2147483648", "M7(",
      "0-100|0-100)", "1234567|"};
  std::mt19937 rng(20261208);
  const std::vector<std::string> cands = {"1234567", "", "7654321", "*", "M7(0-1|", "\xFF\xFF"};
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) {
      if (rng() % 8 == 0) s += static_cast<char>(rng() % 255 + 1);
      else s += atoms[rng() % atoms.size()];
    }
    FilterState f;
    f.FilterStr = s;
    const PrepareResult got = f.Prepare();
    qvref::State ref;
    const qvref::PrepareOutcome want = qvref::Prepare(ref, s);
    ASSERT_EQ(got.accepted(), want.answer == qvref::Answer::Accepted) << s;
    ASSERT_EQ(got.status == PrepareStatus::ConversionError,
              want.answer == qvref::Answer::ConversionError) << s;
    if (want.answer == qvref::Answer::ConversionError) ASSERT_EQ(got.message, want.message) << s;
    ASSERT_EQ(f.MDConds.size(), ref.MDConds.size()) << s;
    ASSERT_EQ(f.MediaBets, ref.MediaBets) << s;
    if (!got.accepted()) continue;
    for (const std::string& c : cands) {
      ASSERT_EQ(f.Execute(c.c_str()), qvref::Execute(ref, c)) << s << " / " << c;
      ASSERT_EQ(f.Debug(c.c_str(), true), qvref::Debug(ref, c, true, kName)) << s << " / " << c;
    }
  }
}

}  // namespace
}  // namespace qv
