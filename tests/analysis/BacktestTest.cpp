#include "Backtest.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qv::host {
namespace {

// Four conditions with E and S, and some draws with
// bets of both forms.
const char kBands[] = "M7(0-0|0-5)M2(10-40|0-60)M1(20-50|10-70)M0(20-60|10-80)E0-1S0-1";

std::vector<HistoryDraw> Draws() {
  const std::vector<std::string> bets = {
      "1234567", "024,3468,5,2347,05,268,79", "7999113", "048,08,9,58,15,68,27", "4134620",
      "59,2349,0589,14,2,39,0136", "6631435", "058,67,0348,159,2689,8,3", "1122884", "238,8,179,8,0,7,4569",
      "3855096", "23,4,17,589,012,5,146", "9936370", "6,79,1234,8,459,01,3"};
  std::vector<HistoryDraw> draws;
  const char* winners[] = {"1234567", "0000000", "9936370", "5318008", "2468024"};
  for (size_t i = 0; i < 5; ++i) {
    HistoryDraw d;
    d.draw = std::string(1, 'd') += std::to_string(i);
    d.winner = winners[i];
    d.bets.assign(bets.begin(), bets.begin() + static_cast<std::ptrdiff_t>(6 + 2 * i));
    draws.push_back(d);
  }
  return draws;
}

Bands TheBands() {
  Bands b;
  std::string why;
  EXPECT_TRUE(BandsOf(std::string(kBands) + "TJ1|2|", b, why)) << why;
  return b;
}

TEST(BandsOf, DropsTheMediaBetsAndKeepsTheRest) {
  const Bands b = TheBands();
  EXPECT_EQ(b.text, kBands);
  EXPECT_EQ(b.conditions.size(), 4u);
  Bands none;
  std::string why;
  EXPECT_FALSE(BandsOf("M5(10-30|15-40)TJ1|", none, why));
  EXPECT_NE(why.find("tolerance lower bound 15"), std::string::npos) << why;
  EXPECT_FALSE(BandsOf("TJ1234567|", none, why));
  EXPECT_FALSE(BandsOf("M5(1", none, why));
}

TEST(Backtest, VerdictsAndSharesAreTheEnginesOwn) {
  const std::vector<HistoryDraw> draws = Draws();
  BacktestOptions opts;
  opts.keepRate.mode = KeepRateMode::None;
  const std::vector<DrawResult> results = RunBacktest(TheBands(), draws, opts);
  ASSERT_EQ(results.size(), draws.size());
  for (size_t i = 0; i < draws.size(); ++i) {
    FilterState engine;
    engine.FilterStr = std::string(kBands) + "TJ";
    for (const std::string& b : draws[i].bets) engine.FilterStr += b + "|";
    ASSERT_TRUE(engine.Prepare().accepted());
    EXPECT_EQ(results[i].verdict, engine.Execute(draws[i].winner.c_str())) << i;
    EXPECT_EQ(results[i].betCount, draws[i].bets.size());
    // The shares from the literal hit count.
    std::array<int32_t, kLevels> tally{};
    for (const std::string& b : draws[i].bets) {
      const int32_t h = CountHits(b, draws[i].winner);
      if (h >= 0 && h < kLevels) ++tally[static_cast<size_t>(h)];
    }
    for (int k = 0; k < kLevels; ++k)
      EXPECT_EQ(results[i].shares[static_cast<size_t>(k)],
                tally[static_cast<size_t>(k)] * 100 / static_cast<int32_t>(draws[i].bets.size()))
          << "draw " << i << " level " << k;
    EXPECT_FALSE(results[i].keepRate);
  }
  // Some kept, some not: the table above is worth testing.
  const Summary s = Summarize(results);
  EXPECT_GT(s.kept, 0u);
  EXPECT_LT(s.kept, draws.size());
  EXPECT_FALSE(s.meanKeepRate);
  EXPECT_FALSE(s.lift);
}

TEST(Backtest, ExactKeepRateIsAFullFilterPass) {
  std::vector<HistoryDraw> draws = Draws();
  draws.resize(1);
  // The full pass, one number after the other, as quelvor filter runs it.
  FilterState engine;
  engine.FilterStr = WithBets(kBands, draws[0].bets);
  ASSERT_TRUE(engine.Prepare().accepted());
  uint64_t passed = 0;
  char text[8];
  for (uint32_t v = 0; v < kAllNumbers; ++v) {
    std::snprintf(text, sizeof text, "%07u", v);
    passed += engine.Execute(text) == kPass;
  }
  BacktestOptions opts;
  opts.jobs = 3;
  const std::vector<DrawResult> r = RunBacktest(TheBands(), draws, opts);
  EXPECT_EQ(r[0].kept, passed);
  EXPECT_EQ(r[0].examined, kAllNumbers);
  EXPECT_DOUBLE_EQ(*r[0].keepRate, static_cast<double>(passed) / kAllNumbers);
  EXPECT_FALSE(r[0].keepRateLow);
  // A slice in the middle of the numbers starts from the right digits.
  FilterState again;
  again.FilterStr = engine.FilterStr;
  ASSERT_TRUE(again.Prepare().accepted());
  EXPECT_EQ(CountKept(again, 0, 4'999'999) + CountKept(again, 4'999'999, kAllNumbers), passed);
}

TEST(Backtest, SampleIsSeededAndIndependentOfThreads) {
  const std::vector<HistoryDraw> draws = Draws();
  BacktestOptions opts;
  opts.keepRate = {KeepRateMode::Sample, 1'200'000, 7};  // more than one slice
  opts.jobs = 1;
  const std::vector<DrawResult> one = RunBacktest(TheBands(), draws, opts);
  opts.jobs = 4;
  const std::vector<DrawResult> four = RunBacktest(TheBands(), draws, opts);
  opts.keepRate.seed = 8;
  const std::vector<DrawResult> other = RunBacktest(TheBands(), draws, opts);
  bool differs = false;
  for (size_t i = 0; i < draws.size(); ++i) {
    EXPECT_EQ(one[i].kept, four[i].kept);
    EXPECT_EQ(one[i].examined, 1'200'000u);
    const auto [lo, hi] = WilsonInterval(one[i].kept, one[i].examined);
    EXPECT_EQ(*one[i].keepRateLow, lo);
    EXPECT_EQ(*one[i].keepRateHigh, hi);
    EXPECT_LE(lo, *one[i].keepRate);
    EXPECT_GE(hi, *one[i].keepRate);
    differs |= other[i].kept != one[i].kept;
  }
  EXPECT_TRUE(differs);
}

TEST(Backtest, SampledNumbersAreUniform) {
  // Each leading digit about a tenth of the time, every number in range.
  std::array<int, 10> lead{};
  const uint64_t key = SampleKey(1, 0);
  for (uint64_t i = 0; i < 100'000; ++i) {
    const uint32_t v = SampledNumber(key, i);
    ASSERT_LT(v, kAllNumbers);
    ++lead[v / 1'000'000];
  }
  for (int c : lead) EXPECT_NEAR(c, 10'000, 600);
}

TEST(WilsonInterval, KnownValues) {
  struct Row { uint64_t k, n; double lo, hi; };
  for (const Row& r : {Row{0, 10, 0.0, 0.2775}, Row{5, 10, 0.2366, 0.7634}, Row{10, 10, 0.7225, 1.0},
                       Row{1, 100, 0.0018, 0.0545}, Row{500, 1000, 0.4691, 0.5309}}) {
    const auto [lo, hi] = WilsonInterval(r.k, r.n);
    EXPECT_NEAR(lo, r.lo, 5e-5) << r.k << "/" << r.n;
    EXPECT_NEAR(hi, r.hi, 5e-5) << r.k << "/" << r.n;
  }
}

TEST(Summarize, RecallMeanKeepRateAndLift) {
  std::vector<DrawResult> r(4);
  r[0].verdict = kPass;
  r[1].verdict = kFail;
  r[2].verdict = kHardReject;
  r[3].verdict = kPass;
  for (size_t i = 0; i < r.size(); ++i) r[i].keepRate = 0.1 * static_cast<double>(i + 1);
  const Summary s = Summarize(r);
  EXPECT_EQ(s.draws, 4u);
  EXPECT_EQ(s.kept, 2u);
  EXPECT_DOUBLE_EQ(s.recall, 0.5);
  EXPECT_DOUBLE_EQ(*s.meanKeepRate, 0.25);
  EXPECT_DOUBLE_EQ(*s.lift, 2.0);
  for (DrawResult& d : r) d.keepRate = 0.0;
  EXPECT_FALSE(Summarize(r).lift);  // a mean keep rate of 0 has no lift
  EXPECT_DOUBLE_EQ(*Summarize(r).meanKeepRate, 0.0);
}

}  // namespace
}  // namespace qv::host
