#include "Calibrate.h"

#include <gtest/gtest.h>

#include "Filter.h"

namespace qv::host {
namespace {

struct CeilRow {
  const char* p;
  uint64_t n;
  uint64_t ceil;
};

TEST(CeilTimes, ExactFromTheDecimalText) {
  for (const CeilRow& r : {
           CeilRow{"0.8", 25, 20}, CeilRow{"0.9", 25, 23}, CeilRow{"1.0", 7, 7}, CeilRow{"1", 30, 30},
           CeilRow{"0.1", 10, 1}, CeilRow{"0.1", 11, 2}, CeilRow{".5", 3, 2}, CeilRow{"0.70", 10, 7},
           CeilRow{"0.07", 100, 7},  // 0.07 * 100 is 7.000000000000001 in floating point
           CeilRow{"0.7", 10, 7},    // 0.7 * 10 is 7.000000000000001 as well
           CeilRow{"0.3333333333333333333333", 3, 1}, CeilRow{"0.0000000000000000000001", 1, 1},
           CeilRow{"0.9999999999999999999999", 1000000, 1000000}, CeilRow{"1.", 4, 4}, CeilRow{"000.25", 8, 2}}) {
    Decimal d;
    std::string why;
    ASSERT_TRUE(ParseUnitDecimal(r.p, d, why)) << r.p << ": " << why;
    EXPECT_EQ(CeilTimes(d, r.n), r.ceil) << r.p << " * " << r.n;
  }
}

TEST(ParseUnitDecimal, RefusesWhatIsNotInZeroToOne) {
  for (const char* bad : {"0", "0.0", ".", "", "1.01", "1.0000001", "2", "10", "-0.5", "+0.5", "0,5", "abc", "0.5x",
                          "1e-1", " 0.5"}) {
    Decimal d;
    std::string why;
    EXPECT_FALSE(ParseUnitDecimal(bad, d, why)) << "\"" << bad << "\"";
    EXPECT_NE(why.find(bad), std::string::npos) << why;
  }
}

struct BandRow {
  std::vector<int32_t> values;
  size_t need;
  std::optional<Band> within;
  Band expected;
};

TEST(NarrowestBand, NarrowestThenLowestStart) {
  for (const BandRow& r : {
           BandRow{{10, 12, 30}, 1, std::nullopt, {10, 10}},           // tie of three: the lowest start
           BandRow{{10, 12, 13, 30}, 2, std::nullopt, {12, 13}},       // narrowest wins over lower start
           BandRow{{10, 12, 14, 16}, 2, std::nullopt, {10, 12}},       // three windows of width 2
           BandRow{{5, 5, 5, 40}, 3, std::nullopt, {5, 5}},            // repeated values
           BandRow{{0, 100}, 2, std::nullopt, {0, 100}},
           BandRow{{20, 21, 22, 60}, 3, Band{21, 21}, {20, 22}},       // contains the allowed band
           BandRow{{20, 21, 22, 60}, 1, Band{21, 22}, {21, 22}},       // already enough inside it
           BandRow{{10, 30, 31}, 2, Band{20, 20}, {20, 31}},           // ends need not be values
           BandRow{{10, 11, 40}, 3, Band{11, 11}, {10, 40}},
       }) {
    const std::optional<Band> b = NarrowestBand(r.values, r.need, r.within);
    ASSERT_TRUE(b);
    EXPECT_EQ(*b, r.expected) << "need " << r.need << " -> " << b->lo << "-" << b->hi;
  }
  EXPECT_FALSE(NarrowestBand(std::vector<int32_t>{1, 2}, 3));
}

// Winners whose shares miss given numbers of allowed bands.
std::vector<Shares> Winners(const std::vector<int>& misses) {
  // Levels 7..0 all calibrated; most winners sit at 10 everywhere, a miss
  // puts one level at 50 (outside [10,10], inside the tolerance [10,50]).
  std::vector<Shares> w;
  for (int m : misses) {
    Shares s;
    s.fill(10);
    for (int k = 0; k < m; ++k) s[static_cast<size_t>(k)] = 50;
    w.push_back(s);
  }
  return w;
}

TEST(Calibrate, EIsTheSmallestDigitThatReachesTheRecall) {
  // Ten winners: six miss nothing, then 1, 2, 2, 3 misses.
  const std::vector<Shares> w = Winners({0, 0, 0, 0, 0, 0, 1, 2, 2, 3});
  const std::vector<int> levels = {0, 1, 2, 3, 4, 5, 6, 7};
  struct Row { uint64_t recall; int e; uint64_t passing; };
  for (const Row& r : {Row{6, 0, 6}, Row{7, 1, 7}, Row{8, 2, 9}, Row{9, 2, 9}, Row{10, 3, 10}}) {
    const Proposal p = Calibrate(w, levels, {6, 10, r.recall});
    EXPECT_TRUE(p.eReached);
    EXPECT_EQ(p.e, r.e) << "recall " << r.recall;
    EXPECT_EQ(p.passing, r.passing);
    ASSERT_EQ(p.levels.size(), 8u);
    EXPECT_EQ(p.levels[7].level, 0);
    EXPECT_EQ(p.levels[7].allowed, (Band{10, 10}));
    EXPECT_EQ(p.levels[7].tolerance, (Band{10, 50}));
    FilterState engine;  // every proposal is one the engine prepares
    engine.FilterStr = p.filterString + "TJ1234567|";
    EXPECT_TRUE(engine.Prepare().accepted()) << p.filterString;
    if (r.e > 0) {  // and one digit less would not do
      size_t fewer = 0;
      for (const Shares& s : w) fewer += PassesWithE(s, p.levels, r.e - 1);
      EXPECT_LT(fewer, r.recall);
    }
  }
}

TEST(Calibrate, ERangeNotReachedWhenWinnersLeaveTheTolerance) {
  // Tolerance bands that hold only half the winners: the others can never pass.
  const std::vector<Shares> w = Winners({0, 0, 3, 3});
  const Proposal p = Calibrate(w, {0, 1, 2}, {2, 2, 3});
  EXPECT_FALSE(p.eReached);
  EXPECT_EQ(p.e, 9);
  EXPECT_EQ(p.passing, 2u);
  EXPECT_EQ(p.filterString, "M2(10-10|10-10)M1(10-10|10-10)M0(10-10|10-10)E0-9");
}

TEST(Calibrate, StatisticsAndLevels) {
  std::vector<Shares> w(4);
  const int32_t at5[] = {40, 10, 30, 20};
  for (size_t i = 0; i < 4; ++i) {
    w[i].fill(0);
    w[i][5] = at5[i];
    w[i][1] = i == 2 ? 7 : 0;
  }
  EXPECT_EQ(DefaultLevels(w), (std::vector<int>{5, 1}));
  const Proposal p = Calibrate(w, {1, 5}, {3, 4, 4});
  ASSERT_EQ(p.levels.size(), 2u);
  const LevelProposal& l5 = p.levels[0];
  EXPECT_EQ(l5.level, 5);
  EXPECT_EQ(l5.min, 10);
  EXPECT_EQ(l5.median, 20);  // the lower median of 10 20 30 40
  EXPECT_EQ(l5.max, 40);
  EXPECT_EQ(l5.allowed, (Band{10, 30}));
  EXPECT_EQ(l5.tolerance, (Band{10, 40}));
  EXPECT_EQ(p.levels[1].allowed, (Band{0, 0}));
  EXPECT_EQ(p.levels[1].tolerance, (Band{0, 7}));
}

}  // namespace
}  // namespace qv::host
