#include "KeepCalibration.h"

#include <gtest/gtest.h>

#include "Backtest.h"
#include "History.h"

namespace qv::host {
namespace {

// The synthetic example history's 25 first draws, each with a census of the
// numbers below 400,000 (the search works on any census; a part keeps the
// test quick).
TEST(CalibrateForKeep, KeepsNoMoreThanTheNarrowProposalAndMeetsTheRecall) {
  const History h = ReadHistory(QV_EXAMPLES_DIR "/history/history.csv");
  ASSERT_TRUE(h.ok) << h.error;
  const std::span<const HistoryDraw> draws = std::span(h.draws).first(25);
  Bands any;
  std::string why;
  ASSERT_TRUE(BandsOf("M0(0-100|0-100)", any, why));
  BacktestOptions none;
  none.keepRate.mode = KeepRateMode::None;
  std::vector<Shares> winners;
  for (const DrawResult& r : RunBacktest(any, draws, none)) winners.push_back(r.shares);
  std::vector<Census> censuses(draws.size());
  std::vector<FilterState> states(draws.size());
  for (size_t i = 0; i < draws.size(); ++i) {
    states[i].FilterStr = WithBets("M0(0-100|0-100)", draws[i].bets);
    ASSERT_TRUE(states[i].Prepare().accepted());
    ASSERT_EQ(censuses[i].Build(states[i], {.first = 0, .last = 400'000, .jobs = 2}), CensusStatus::Done);
  }
  const auto keptBy = [&](const Proposal& p) {
    uint64_t kept = 0;
    for (size_t i = 0; i < draws.size(); ++i) {  // the prepared filter string, counted by the census
      FilterState s;
      s.FilterStr = WithBets(p.filterString, draws[i].bets);
      EXPECT_TRUE(s.Prepare().accepted()) << p.filterString;
      kept += censuses[i].Count(s).passed;
    }
    return kept;
  };
  for (uint64_t recall : {20u, 23u, 25u}) {
    const Proposal narrow = Calibrate(winners, DefaultLevels(winners), {20, 25, recall});
    const KeepSearch keep = CalibrateForKeep(winners, censuses, {7, 6, 5, 4, 3, 2, 1, 0}, recall, narrow);
    const Proposal& p = keep.proposal;
    EXPECT_EQ(keep.kept, keptBy(p)) << p.filterString;  // the search's own count is the engine's
    EXPECT_EQ(KeptBy(censuses[0], p), censuses[0].Count(ConditionsOf(p.levels), RangesOf(p.e)).passed);
    EXPECT_LE(keep.kept, keptBy(narrow)) << "recall " << recall;
    EXPECT_LT(keep.kept, keptBy(narrow)) << "the example leaves room below the narrow bands";
    // The recall target, by the engine's verdicts on the winners themselves.
    size_t passing = 0;
    for (size_t i = 0; i < draws.size(); ++i) {
      FilterState s;
      s.FilterStr = WithBets(p.filterString, draws[i].bets);
      s.Prepare();
      passing += s.Execute(draws[i].winner.c_str()) == kPass;
    }
    EXPECT_GE(passing, recall) << p.filterString;
    EXPECT_EQ(passing, p.passing);
    EXPECT_TRUE(p.eReached);
  }
}

}  // namespace
}  // namespace qv::host
