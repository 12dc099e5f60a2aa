#include "KeepCalibration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Backtest.h"
#include "History.h"
#include "Pipeline.h"

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

// The keep calibration with the draws' censuses handed in, one per row as
// the window holds them: as with those it builds, and they are the ones
// used (censuses of 1,000 numbers keep no more).
TEST(RunCalibration, KeepWithTheDrawsCensusesGivenIsAsWithThemBuilt) {
  const History h = ReadHistory(QV_EXAMPLES_DIR "/history/history.csv");
  ASSERT_TRUE(h.ok) << h.error;
  CalibrationRequest r;
  r.draws = std::span(h.draws).first(5);
  r.holdout = 1;
  r.objective = Objective::Keep;
  r.backtest.jobs = 2;
  std::string why;
  for (auto [text, d] : {std::pair{"0.8", &r.allowed}, {"1", &r.tolerance}, {"0.8", &r.recall}})
    ASSERT_TRUE(ParseUnitDecimal(text, *d, why));
  const CalibrationResult built = RunCalibration(r);
  for (const uint32_t last : {kCensusNumbers, 1000u}) {
    std::vector<Census> censuses(r.draws.size());
    CensusOptions part;
    part.last = last;
    part.jobs = 2;
    for (size_t i = 0; i < censuses.size(); ++i) {
      FilterState s;
      s.FilterStr = WithBets("M0(0-100|0-100)", r.draws[i].bets);
      ASSERT_TRUE(s.Prepare().accepted() && censuses[i].Build(s, part) == CensusStatus::Done);
    }
    r.censuses = censuses;
    const CalibrationResult given = RunCalibration(r);
    ASSERT_EQ(given.status, CalibrationResult::Status::Done) << given.error;
    const bool whole = last == kCensusNumbers;
    EXPECT_TRUE(!whole || given.run.proposal.filterString == built.run.proposal.filterString)
        << given.run.proposal.filterString << " / " << built.run.proposal.filterString;
    for (size_t i = 0; i < 4; ++i) {  // the in-sample keep rates are the censuses'
      const uint64_t kept = given.run.inSample.results[i].kept;
      EXPECT_EQ(kept, whole ? built.run.inSample.results[i].kept : std::min<uint64_t>(last, kept)) << i;
    }
  }
}

}  // namespace
}  // namespace qv::host
