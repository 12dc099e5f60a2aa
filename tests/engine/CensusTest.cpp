#include "Census.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

// A random filter: its M sections apart, so that one can be left out.
struct RandomFilter {
  std::vector<std::string> sections;
  std::string rest;  // E, S and TJ
  std::string Without(size_t k) const {
    std::string s;
    for (size_t i = 0; i < sections.size(); ++i)
      if (i != k) s += sections[i];
    return s + rest;
  }
};

RandomFilter MakeFilter(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  RandomFilter f;
  for (int k = pick(1, 8); k > 0; --k) {
    const int a = pick(0, 60), b = a + pick(0, 30), ca = std::max(0, a - pick(0, 15)), cb = b + pick(0, 20);
    f.sections.push_back(std::string("M") + std::to_string(pick(0, 7)) + "(" + std::to_string(a) + "-" + std::to_string(b) +
                         "|" + std::to_string(ca) + "-" + std::to_string(cb) + ")");
  }
  const int elo = pick(0, 2), ehi = elo + pick(0, 3), slo = elo + pick(0, 1), shi = std::max(slo, ehi) + pick(0, 1);
  const bool e = pick(0, 1), s = pick(0, 1);
  if (e) f.rest += std::string("E") + std::to_string(elo) + "-" + std::to_string(ehi);
  if (s) f.rest += std::string("S") + std::to_string(e ? slo : pick(0, 2)) + "-" + std::to_string(e ? shi : pick(2, 3));
  f.rest += "TJ";
  const int bets = pick(0, 3) == 0 ? pick(1, 1000) : pick(1, 80);
  const bool plain = pick(0, 2) == 0;  // seven positions, no cell of 4: bit rows alone
  const int stars = !plain && pick(0, 2) == 0 ? 2 : 30;  // many "*": sums of 8 and more
  for (int i = 0; i < bets; ++i) {
    std::string b;
    if (!plain && pick(0, 19) == 0) {  // cells of 4 and more: byte rows beside the bit rows
      for (int j = 0; j < 7; ++j) b += std::string(j ? "," : "") + (j % 3 == 0 ? "4444" : "**5");
    } else if (pick(0, 1)) {
      for (int j = pick(5, plain ? 7 : 8); j > 0; --j) b += static_cast<char>('0' + pick(0, 9));
    } else {  // compound: empty groups, "*" and repeated digits too
      for (int j = 0; j < 7; ++j) {
        if (j) b += ',';
        for (int w = pick(0, 4); w > 0; --w) b += pick(0, stars) == 0 ? '*' : static_cast<char>('0' + pick(0, 9));
      }
    }
    f.rest += b + "|";
  }
  return f;
}

// Prepared with the given kernel (the first available one after it where the
// processor lacks it): the scalar kernel gives bit rows at every size, the
// vector kernels byte rows up to 64 bets.
FilterState Prepared(const std::string& s, Kernel kernel = BestKernel()) {
  FilterState f;
  f.UseKernel(kernel);
  f.FilterStr = s;
  EXPECT_TRUE(f.Prepare().accepted()) << s;
  return f;
}

// ZcExecute over the candidates first .. last - 1.
VerdictCounts FullPass(FilterState& f, uint32_t first, uint32_t last) {
  VerdictCounts c;
  char text[16];
  for (uint32_t x = first; x < last; ++x) {
    std::snprintf(text, sizeof text, "%07u", x);
    const int32_t v = f.Execute(text);
    ++(v == kPass ? c.passed : v == kFail ? c.failed : c.hardReject);
  }
  return c;
}

void ExpectSame(const VerdictCounts& census, const VerdictCounts& pass, const std::string& what) {
  EXPECT_EQ(census.passed, pass.passed) << what;
  EXPECT_EQ(census.failed, pass.failed) << what;
  EXPECT_EQ(census.hardReject, pass.hardReject) << what;
}

TEST(Census, CountsAndHistogramsEqualAFullPass) {
  std::mt19937 rng(18);
  size_t distinctSeen = 0, allParts = 0, twoPlanes = 0;
  for (int round = 0; round < 300; ++round) {
    const RandomFilter rf = MakeFilter(rng);
    const std::string s = rf.Without(rf.sections.size());
    // Every kernel of the table in turn: byte rows, bit rows of one and two
    // planes and the general bets in every mix, counted by each walk body.
    const auto kernels = KernelTable();
    FilterState f = Prepared(s, kernels[round % kernels.size()].kernel);
    const HitCounter& c = f.Counter();
    allParts += c.BitBetCount() > 0 && c.TableBetCount() > c.BitBetCount() && c.GeneralBetCount() > 0;
    twoPlanes += c.BitBetCount() > 0 && c.BitPlanes() == 2;
    CensusOptions o;
    o.first = std::uniform_int_distribution<uint32_t>(0, kCensusNumbers - 1)(rng);
    if (round % 10 == 0) o.first = kCensusNumbers - 1500;  // up to 9999999
    o.last = std::min(kCensusNumbers, o.first + 1500 - round % 10);
    o.jobs = 1 + round % 3;
    o.sliceSize = 100 + round * 7;
    // The filter's own counter (byte rows for a few dozen bets with a vector
    // kernel) or the layout Build(prepared) takes.
    Census census;
    ASSERT_EQ(round % 2 ? census.Build(f, o) : census.Build(f.Counter(), o), CensusStatus::Done) << s;
    ASSERT_EQ(census.Candidates(), o.last - o.first);
    distinctSeen += census.DistinctVectors();
    const VerdictCounts pass = FullPass(f, o.first, o.last);
    ExpectSame(census.Count(f), pass, s);
    if (round % 3 == 0) {  // bit rows at every size (the scalar kernel's layout), counted by the best kernel
      HitCounter bits;
      bits.UseKernel(Kernel::Scalar);
      bits.Build(f.MediaBets);
      bits.UseKernel(BestKernel());
      Census other;
      ASSERT_EQ(other.Build(bits, o), CensusStatus::Done);
      ExpectSame(other.Count(f), pass, s + " in bit rows");
    }

    // Leaving a condition out, as a string without its section gives it.
    if (rf.sections.size() > 1 && round % 4 == 0) {
      const std::vector<uint64_t> without = census.PassedWithout(f.MDConds, f.Ranges());
      const size_t k = rng() % rf.sections.size();
      FilterState g = Prepared(rf.Without(k));
      EXPECT_EQ(without[k], FullPass(g, o.first, o.last).passed) << rf.Without(k);
    }
    // Bins of the histograms: a pass whose only condition keeps exactly one share.
    if (round % 25 == 0) {
      const LevelHistograms h = census.Histograms();
      const std::string tj = s.substr(s.find("TJ"));
      for (int level = 0; level < kLevels; ++level) {
        const ShareVector& v = census.Vectors()[round % census.DistinctVectors()];
        for (int share : {int{v.shares[level]}, 33}) {
          const std::string band = std::to_string(share) + "-" + std::to_string(share);
          FilterState g = Prepared(std::string("M") + std::to_string(level) + "(" + band + "|" + band + ")" + tj);
          EXPECT_EQ(h[level][share], FullPass(g, o.first, o.last).passed) << level << " " << share << " " << tj;
        }
      }
    }
  }
  EXPECT_GT(distinctSeen, 300u * 20) << "the filters give varied vectors";
  EXPECT_GT(allParts, 10u) << "bit rows, byte rows and general bets in one counter";
  EXPECT_GT(twoPlanes, 10u);
}

TEST(Census, ThreadsAndSlicesGiveTheSameVectors) {
  std::mt19937 rng(7);
  FilterState f = Prepared(MakeFilter(rng).Without(99));
  CensusOptions o;
  o.first = 1234567;
  o.last = 1334567;
  Census one, three;
  ASSERT_EQ(one.Build(f, o), CensusStatus::Done);
  o.jobs = 3;
  o.sliceSize = 777;
  ASSERT_EQ(three.Build(f, o), CensusStatus::Done);
  ASSERT_EQ(one.DistinctVectors(), three.DistinctVectors());
  for (size_t i = 0; i < one.DistinctVectors(); ++i) {
    EXPECT_EQ(one.Vectors()[i].shares, three.Vectors()[i].shares);
    EXPECT_EQ(one.Vectors()[i].count, three.Vectors()[i].count);
  }
}

TEST(Census, CountsBeyondWhatASlotHoldsAddUp) {
  // Two bets: a few vectors, the commonest held by some 300,000 numbers.
  FilterState f = Prepared("M0(0-100|0-100)M1(0-40|0-60)TJ1234567|7654321|");
  CensusOptions o;
  o.last = 1000000;
  Census census;
  ASSERT_EQ(census.Build(f, o), CensusStatus::Done);
  ExpectSame(census.Count(f), FullPass(f, 0, o.last), "two bets");
  uint64_t total = 0;
  for (const ShareVector& v : census.Vectors()) total += v.count;
  EXPECT_EQ(total, o.last);
  EXPECT_GT(std::max_element(census.Vectors().begin(), census.Vectors().end(),
                             [](const ShareVector& a, const ShareVector& b) { return a.count < b.count; })->count,
            1u << 16);
}

TEST(Census, CancelledFromAnotherThreadLeavesNoWorkerRunning) {
  std::mt19937 rng(3);
  FilterState f = Prepared(MakeFilter(rng).Without(99));
  Census census;
  CensusControl control;
  CensusOptions o;
  o.jobs = 2;
  o.sliceSize = 1000;
  o.control = &control;
  CensusStatus status = CensusStatus::Done;
  std::thread runner([&] { status = census.Build(f, o); });
  while (control.SlicesDone() == 0) std::this_thread::yield();
  control.Cancel();
  runner.join();
  EXPECT_EQ(status, CensusStatus::Cancelled);
  EXPECT_EQ(control.RunningWorkers(), 0u);
  EXPECT_LT(control.SlicesDone(), control.SliceCount());
  EXPECT_EQ(census.DistinctVectors(), 0u) << "a cancelled census leaves the old result";
  EXPECT_EQ(census.Build(f, o), CensusStatus::Cancelled) << "the control stays cancelled";
}

}  // namespace
}  // namespace qv
