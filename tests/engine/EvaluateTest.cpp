#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Filter.h"
#include "HitCases.h"
#include "HitCount.h"

namespace qv {
namespace {

TEST(CountHits, SingleAndCompoundBets) {
  for (const testing::HitCase& c : testing::kHitCases) {
    EXPECT_EQ(CountHits(c.bet, c.candidate), c.hits) << c.bet << " vs " << c.candidate;
    HitCounter counter;
    counter.Build({c.bet});
    int32_t tally[kLevels];
    counter.Tally(c.candidate, tally);
    for (int k = 0; k < kLevels; ++k)
      EXPECT_EQ(tally[k], k == c.hits ? 1 : 0) << c.bet << " vs " << c.candidate << " level " << k;
  }
}

FilterState PreparedWith(const std::string& s) {
  FilterState f;
  f.FilterStr = s;
  EXPECT_TRUE(f.Prepare().accepted()) << s;
  return f;
}

TEST(TallyAndShare, SharesAreRoundedDown) {
  // Hit counts 7, 3 and 3 against 1234567.
  FilterState f = PreparedWith("M3(0-100|0-100)TJ1234567|1230000|0000567|");
  f.TallyHits("1234567");
  EXPECT_EQ(f.Tally[3], 2);
  EXPECT_EQ(f.Tally[7], 1);
  EXPECT_EQ(f.Tally[0] + f.Tally[1] + f.Tally[2] + f.Tally[4] + f.Tally[5] + f.Tally[6], 0);
  EXPECT_EQ(f.HitShare(3), 66);
  EXPECT_EQ(f.HitShare(7), 33);
  f.TallyHits("");
  EXPECT_EQ(f.Tally[0], 3);
  EXPECT_EQ(f.HitShare(0), 100);
}

TEST(TallyAndShare, HitCountsAboveSevenLandAtNoLevel) {
  FilterState f = PreparedWith("M0(0-100|0-100)TJ33,33,33,33,0,0,0|1234567|");
  f.TallyHits("3333000");
  int32_t total = 0;
  for (int k = 0; k < kLevels; ++k) total += f.Tally[k];
  EXPECT_EQ(total, 1) << "the bet with 11 hits is counted nowhere";
  EXPECT_EQ(f.Tally[1], 1);
  EXPECT_EQ(f.HitShare(1), 50) << "N stays the denominator";
  EXPECT_EQ(f.Tally[kCanErr1], 0) << "the range values beside the counters are never touched";
}

TEST(TallyAndShare, NoBetsGiveZeroShares) {
  FilterState f = PreparedWith("M0(10-100|0-100)");
  f.TallyHits("1234567");
  for (int k = 0; k < kLevels; ++k) EXPECT_EQ(f.HitShare(k), 0);
  EXPECT_EQ(f.Execute("1234567"), kFail) << "share 0 lies outside 10..100 but inside 0..100";
}

// Four bets with hit counts 7, 5, 5 and 2 against 1234567.
constexpr const char* kFourBets = "TJ1234567|1234500|0034567|1200000|";
constexpr const char* kThreeConditions = "M5(40-60|30-70)M7(0-20|0-30)M0(10-50|5-60)";

TEST(Execute, WorkedExampleOfTheRanges) {
  struct Case {
    const char* ranges;
    int32_t verdict;
  } cases[] = {
      {"", kHardReject}, {"E0-2S0-2", kPass}, {"E0-1S0-1", kFail},
      {"E1-2S2-3", kHardReject}, {"E1-2", kHardReject},
  };
  for (const Case& c : cases) {
    FilterState f = PreparedWith(std::string(kThreeConditions) + c.ranges + kFourBets);
    EXPECT_EQ(f.Execute("1234567"), c.verdict) << c.ranges;
    EXPECT_EQ(f.HitShare(5), 50);
    EXPECT_EQ(f.HitShare(7), 25);
    EXPECT_EQ(f.HitShare(2), 25);
  }
}

TEST(Execute, BandsAreInclusive) {
  // Two of three bets hit 7 times: share 66.
  const std::string bets = "TJ1234567|1234567|0000000|";
  EXPECT_EQ(PreparedWith("M7(66-66|66-66)" + bets).Execute("1234567"), kPass);
  EXPECT_EQ(PreparedWith("M7(67-70|60-70)" + bets).Execute("1234567"), kFail);
  EXPECT_EQ(PreparedWith("M7(0-65|0-66)" + bets).Execute("1234567"), kFail);
  EXPECT_EQ(PreparedWith("M7(0-65|0-65)" + bets).Execute("1234567"), kHardReject);
}

TEST(Execute, ERangeCountsMissedConditions) {
  // Bets 1111111 and 2222222: against 1111111 level 7 has 50, level 0 has 50.
  const std::string bets = "E1-2TJ1111111|2222222|";
  const std::string met = "M7(50-50|0-100)";
  const std::string missed = "M7(0-10|0-100)";
  EXPECT_EQ(PreparedWith(met + met + bets).Execute("1111111"), kFail) << "fewer misses than E lo";
  EXPECT_EQ(PreparedWith(met + missed + bets).Execute("1111111"), kPass);
  EXPECT_EQ(PreparedWith(missed + missed + bets).Execute("1111111"), kPass);
  EXPECT_EQ(PreparedWith(missed + missed + missed + bets).Execute("1111111"), kFail);
}

TEST(Execute, SRangeDecidesBeforeTheERange) {
  const std::string bets = "TJ1111111|2222222|";
  const std::string outside = "M7(0-10|0-10)";  // share 50: beyond its tolerance band
  EXPECT_EQ(PreparedWith(outside + "E0-0S0-0" + bets).Execute("1111111"), kHardReject);
  EXPECT_EQ(PreparedWith("M7(50-50|50-50)E0-9S1-9" + bets).Execute("1111111"), kHardReject)
      << "fewer conditions beyond tolerance than S lo";
  EXPECT_EQ(PreparedWith(outside + "E0-1S0-1" + bets).Execute("1111111"), kPass);
  EXPECT_EQ(PreparedWith(outside + "S0-1" + bets).Execute("1111111"), kFail)
      << "without an E section any miss fails";
}

TEST(Execute, BeforeAnyPreparationEverythingPasses) {
  FilterState f;
  EXPECT_EQ(f.Execute("1234567"), kPass);
  EXPECT_EQ(f.Execute(static_cast<const char*>(nullptr)), kPass);
  EXPECT_EQ(f.Debug("1234567", true), "");
}

TEST(Execute, NullCandidateIsTheEmptyText) {
  FilterState f = PreparedWith("M0(100-100|100-100)TJ1234567|");
  EXPECT_EQ(f.Execute(static_cast<const char*>(nullptr)), kPass);
  EXPECT_EQ(f.Execute("1"), kHardReject);
}

TEST(Execute, LongCandidatesAreReadOnlyAsFarAsTheBets) {
  FilterState f = PreparedWith("M7(100-100|100-100)TJ1234567|");
  std::string candidate = "1234567" + std::string(1 << 20, 'x');
  EXPECT_EQ(f.Execute(candidate.c_str()), kPass);
}

std::string Line(const std::string& candidate, const std::string& cond, const std::string& share) {
  return candidate + '\x07' + kFilterName + '\x07' + cond + '\x07' + share + "%\r\n";
}

TEST(Debug, ReportsMissedConditionsOrAll) {
  FilterState f = PreparedWith(std::string(kThreeConditions) + "E0-2S0-2" + kFourBets);
  const std::string first = Line("1234567", "5:40%-60%|30%-70%", "50");
  const std::string second = Line("1234567", "7:0%-20%|0%-30%", "25");
  const std::string third = Line("1234567", "0:10%-50%|5%-60%", "0");
  EXPECT_EQ(f.Debug("1234567", false), second + third);
  EXPECT_EQ(f.Debug("1234567", true), first + second + third);
  EXPECT_EQ(f.Tally[5], 2) << "the report tallies the candidate";
}

TEST(Debug, EveryConditionMetGivesAnEmptyReport) {
  FilterState f = PreparedWith("M7(100-100|100-100)TJ1234567|");
  EXPECT_EQ(f.Debug("1234567", false), "");
  EXPECT_EQ(f.Debug("1234567", true), Line("1234567", "7:100%-100%|100%-100%", "100"));
}

TEST(Debug, CandidateTextAndNegativeBoundsAreWrittenAsTheyAre) {
  // A sign would be taken for a separator; hexadecimal carries negative bounds.
  FilterState f = PreparedWith("M2($FFFFFFFB-$A|$FFFFFFF0-20)TJ12|");
  EXPECT_EQ(f.Debug("12\xB7\xD6 x", true), Line("12\xB7\xD6 x", "2:-5%-10%|-16%-20%", "100"));
}

}  // namespace
}  // namespace qv
