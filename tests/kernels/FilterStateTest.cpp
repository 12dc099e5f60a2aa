// Preparation, evaluation and the report through the engine's module state,
// with each kernel, against the literal evaluation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "BetGen.h"
#include "Filter.h"
#include "LiteralFilter.h"

// Counts every allocation of the test program, so a pass of calls can show
// that it allocates nothing.
static std::atomic<size_t> g_allocations{0};
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace qv {
namespace {

using namespace testing;

// The verdict and the report of the literal evaluation, on the state the
// engine's preparation left.
int32_t LiteralVerdict(const FilterState& f, std::string_view cand) {
  qvref::State st = qvref::StateOf(f);
  return qvref::Execute(st, std::string(cand));
}

std::string LiteralReport(const FilterState& f, std::string_view cand, bool showAll) {
  qvref::State st = qvref::StateOf(f);
  return qvref::Debug(st, std::string(cand), showAll, kFilterName);
}

// "M<level>(<lo>-<hi>|<tolLo>-<tolHi>)".
std::string Section(int level, int lo, int hi, int tolLo, int tolHi) {
  return "M" + std::to_string(level) + "(" + std::to_string(lo) + "-" + std::to_string(hi) + "|" +
         std::to_string(tolLo) + "-" + std::to_string(tolHi) + ")";
}

// "TJ" and the bets, each ended by a bar.
std::string BetTail(const std::vector<std::string>& bets) {
  std::string s = "TJ";
  for (const auto& b : bets) s += b + "|";
  return s;
}

PrepareResult Prepare(FilterState& f, std::string s) {
  f.FilterStr = std::move(s);
  return f.Prepare();
}

// The verdicts of count random candidates of up to length characters are
// those of the literal evaluation.
::testing::AssertionResult VerdictsMatchTheLiteral(FilterState& f, BetGen& gen, int count, int length) {
  for (int i = 0; i < count; ++i) {
    const std::string cand = gen.Candidate(length);
    int32_t scratch[kLevels];
    const int32_t got = f.Execute(cand.c_str()), literal = LiteralVerdict(f, cand);
    const int32_t fast = f.Verdict(cand.c_str(), scratch);
    if (got != literal || fast != literal)
      return ::testing::AssertionFailure() << cand << ": " << got << " (" << fast << "), literal " << literal;
  }
  return ::testing::AssertionSuccess();
}

// Conditions and ranges drawn so that every outcome occurs.
std::string RandomFilterString(BetGen& gen, const std::vector<std::string>& bets) {
  std::string s;
  const int conds = gen.Uniform(1, 5);
  for (int i = 0; i < conds; ++i) {
    const int a = gen.Uniform(0, 60), b = a + gen.Uniform(0, 40);
    const int ca = a - gen.Uniform(0, a), cb = b + gen.Uniform(0, 30);
    s += Section(gen.Uniform(0, 7), a, b, ca, cb);
  }
  int elo = gen.Uniform(0, 2), ehi = elo + gen.Uniform(0, 3);
  const bool e = gen.Chance(60), sOn = gen.Chance(60);
  int slo = gen.Uniform(0, 2), shi = slo + gen.Uniform(0, 3);
  if (e && sOn) {
    slo = std::max(slo, elo);
    shi = std::max({shi, ehi, slo});
  }
  if (e) s += "E" + std::to_string(elo) + "-" + std::to_string(ehi);
  if (sOn) s += "S" + std::to_string(slo) + "-" + std::to_string(shi);
  return s + BetTail(bets);
}

TEST(FilterStateKernels, ExecuteAndDebugMatchTheLiteralEvaluation) {
  auto gen = BetGen::ForFilterStrings(31337);
  int verdicts[3] = {0, 0, 0};
  for (int round = 0; round < 40; ++round) {
    const size_t n = static_cast<size_t>(gen.Uniform(1, round < 30 ? 60 : 700));
    const auto bets = gen.Bets(n, round % 3 == 0 ? Flavor::Mixed : Flavor::SingleDigits);
    FilterState f;
    ASSERT_TRUE(Prepare(f, RandomFilterString(gen, bets)).accepted()) << f.FilterStr;
    ASSERT_EQ(f.MediaBets, bets);
    for (int i = 0; i < 40; ++i) {
      const std::string cand = gen.Candidate(12);
      const int32_t expected = LiteralVerdict(f, cand);
      verdicts[expected == kPass ? 0 : expected == kFail ? 1 : 2]++;
      const auto tally = LiteralTally(f.MediaBets, cand);
      const bool showAll = gen.Chance(50);
      const std::string report = LiteralReport(f, cand, showAll);
      for (Kernel k : Kernels()) {
        f.UseKernel(k);
        ASSERT_EQ(f.Execute(cand.c_str()), expected) << KernelName(k) << " " << f.FilterStr << " / " << cand;
        int32_t scratch[kLevels];
        ASSERT_EQ(f.Verdict(cand.c_str(), scratch), expected) << KernelName(k) << " " << f.FilterStr;
        for (int l = 0; l < kLevels; ++l) ASSERT_EQ(f.Tally[static_cast<size_t>(l)], tally[static_cast<size_t>(l)]);
        ASSERT_EQ(f.Debug(cand.c_str(), showAll), report) << KernelName(k);
      }
    }
  }
  EXPECT_GT(verdicts[0], 0);
  EXPECT_GT(verdicts[1], 0);
  EXPECT_GT(verdicts[2], 0);
}

TEST(FilterStateKernels, NullAndLongCandidates) {
  FilterState f;
  ASSERT_TRUE(
      Prepare(f, "M0(10-100|0-100)M7(0-50|0-100)E0-1TJ1234567|1,2,3,4,5,6,7,8,9|123456789|,,,,,,,,,,,9|").accepted());
  for (Kernel k : Kernels()) {
    f.UseKernel(k);
    EXPECT_EQ(f.Execute(static_cast<const char*>(nullptr)), LiteralVerdict(f, ""));
    EXPECT_EQ(f.Tally[0], 4);
    EXPECT_EQ(f.Debug(nullptr, true), LiteralReport(f, "", true));
    for (const char* cand : {"123456789", "1234567890009", "12345678900090000", "1"}) {
      EXPECT_EQ(f.Execute(cand), LiteralVerdict(f, cand)) << cand;
      const auto t = LiteralTally(f.MediaBets, cand);
      for (int l = 0; l < kLevels; ++l) EXPECT_EQ(f.Tally[static_cast<size_t>(l)], t[static_cast<size_t>(l)]) << cand;
      EXPECT_EQ(f.Debug(cand, true), LiteralReport(f, cand, true));
    }
  }
}

TEST(FilterStateKernels, SharesAfterAnotherPreparationUseTheNewCount) {
  FilterState f;
  ASSERT_TRUE(Prepare(f, "M7(30-40|0-100)TJ1234567|1234567|0000000|").accepted());
  EXPECT_EQ(f.Execute("1234567"), kFail);  // 66 is above 40
  ASSERT_TRUE(Prepare(f, "M7(30-40|0-100)TJ1234567|0000000|0000000|").accepted());
  EXPECT_EQ(f.Execute("1234567"), kPass);  // 33
  EXPECT_EQ(f.HitShare(7), 33);
  f.Tally[7] = 3;
  EXPECT_EQ(f.HitShare(7), 100);
  f.Tally[7] = 5;  // not a count a tally gives, still the plain division
  EXPECT_EQ(f.HitShare(7), 166);
  EXPECT_FALSE(Prepare(f, "M7(30-40|0-100)E0-").accepted());
  EXPECT_EQ(f.Execute("1234567"), kPass) << "a refused string keeps the bets and their shares";
}

TEST(FilterStateKernels, VerdictsFollowWhatARefusedPreparationLeft) {
  // The refusal comes at the second condition: the first is already
  // replaced, the second holds the level that was refused, the bets stay.
  auto gen = BetGen::ForFilterStrings(12);
  const auto bets = gen.Bets(40, Flavor::Mixed);
  const std::string tail = BetTail(bets);
  FilterState f;
  ASSERT_TRUE(Prepare(f, "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1" + tail).accepted());
  ASSERT_EQ(Prepare(f, "M1(20-40|10-60)M9(0-1|0-2)M2(0-5|0-9)" + tail).status, PrepareStatus::BadLevel);
  ASSERT_EQ(f.MDConds[0].Shot, 1);
  ASSERT_EQ(f.MDConds[1].Shot, 9);
  EXPECT_TRUE(VerdictsMatchTheLiteral(f, gen, 300, 9));
}

TEST(FilterStateKernels, ManyConditionsOverManyBetsStillMatchTheLiteralEvaluation) {
  // 600 conditions over 8000 bets: more than evaluation keeps per-tally
  // codes for, so the shares are compared one by one.
  auto gen = BetGen::ForFilterStrings(99);
  const auto bets = gen.Bets(8000, Flavor::Mixed);
  std::string sections;
  for (int k = 0; k < 600; ++k) {
    const int a = gen.Uniform(0, 30), b = a + gen.Uniform(0, 40);
    sections += Section(k % 8, a, b, a / 2, b + 10);
  }
  FilterState f;
  ASSERT_TRUE(Prepare(f, sections + "E0-300S0-400" + BetTail(bets)).accepted());
  EXPECT_TRUE(VerdictsMatchTheLiteral(f, gen, 30, 7));
}

TEST(FilterStateKernels, APassOfCallsAllocatesNothing) {
  auto gen = BetGen::ForFilterStrings(4);
  const auto bets = gen.Bets(1000, Flavor::Mixed);
  FilterState f;
  const std::string conditions = "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)M3(0-50|0-80)M6(0-10|0-20)E0-1S1-2";
  ASSERT_TRUE(Prepare(f, conditions + BetTail(bets)).accepted());
  std::vector<std::string> cands;
  for (int i = 0; i < 200; ++i) cands.push_back(gen.Candidate(12));
  for (Kernel k : Kernels()) {
    f.UseKernel(k);
    int64_t sum = 0;
    const size_t before = g_allocations.load();
    for (int pass = 0; pass < 50; ++pass)
      for (const auto& c : cands) sum += f.Execute(c.c_str());
    const size_t after = g_allocations.load();
    EXPECT_EQ(after - before, 0u) << KernelName(k);
    EXPECT_GE(sum, 0);
  }
}

}  // namespace
}  // namespace qv
