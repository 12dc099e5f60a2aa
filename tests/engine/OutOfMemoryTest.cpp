// Preparation that runs out of memory partway: an allocator that fails once
// a given number of bytes has been handed out, then Execute, Debug and
// Prepare again.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(_WIN32)
#include <malloc.h>
#endif
#include <new>
#include <string>
#include <vector>

#include "Filter.h"

namespace {

// Bytes the allocator may still hand out; negative: no limit.
int64_t g_budget = -1;
// Bytes handed out while a budget was set.
int64_t g_spent = 0;

void* Allocate(std::size_t n, std::size_t align) {
  if (g_budget >= 0) {
    if (static_cast<int64_t>(n) > g_budget) throw std::bad_alloc();
    g_budget -= static_cast<int64_t>(n);
    g_spent += static_cast<int64_t>(n);
  }
  void* p;
  if (align == 0) p = std::malloc(n ? n : 1);
#if defined(_WIN32)
  else p = _aligned_malloc(n ? n : 1, align);
#else
  else p = std::aligned_alloc(align, (n + align) / align * align);
#endif
  if (!p) throw std::bad_alloc();
  return p;
}

void ReleaseAligned(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}

// Sets the budget for its lifetime.
class Budget {
 public:
  explicit Budget(int64_t bytes) {
    g_spent = 0;
    g_budget = bytes;
  }
  ~Budget() { g_budget = -1; }
  Budget(const Budget&) = delete;
  Budget& operator=(const Budget&) = delete;
};

}  // namespace

void* operator new(std::size_t n) { return Allocate(n, 0); }
void* operator new[](std::size_t n) { return Allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { ReleaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { ReleaseAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { ReleaseAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { ReleaseAligned(p); }

namespace qv {
namespace {

std::string WithBets(const char* conditions, int count, int seed) {
  std::string s = conditions;
  s += "TJ";
  uint32_t x = static_cast<uint32_t>(seed);
  for (int i = 0; i < count; ++i) {
    x = x * 1103515245u + 12345u;
    const uint32_t v = (x >> 8) % 10000000u;
    char buf[32];
    if (i % 3 == 0)
      std::snprintf(buf, sizeof buf, "%u,%u,%u,%u,%u,%u,%u*", v % 10, v / 10 % 10, v / 100 % 100,
                    v / 10000 % 10, v / 100000 % 10, v / 10 % 7, v % 9);
    else
      std::snprintf(buf, sizeof buf, "%07u", v);
    s += buf;
    s += '|';
  }
  return s;
}

const std::vector<std::string> kCandidates = {"1234567", "0000000", "9876543", "5550555", "", "12", "31415926"};

// What the prepared state answers: every verdict and both reports.
std::vector<std::string> Answers(FilterState& f) {
  std::vector<std::string> a;
  for (const std::string& c : kCandidates) {
    a.push_back(std::to_string(f.Execute(c.c_str())));
    a.push_back(f.Debug(c.c_str(), true));
    a.push_back(f.Debug(c.c_str(), false));
  }
  return a;
}

struct Snapshot {
  TArrMD conds;
  std::vector<std::string> bets;
  std::array<int32_t, 12> tally;
  bool e, s;
  explicit Snapshot(const FilterState& f)
      : conds(f.MDConds), bets(f.MediaBets.ToVector()), tally(f.Tally), e(f.CanErrOn), s(f.CanSupErrOn) {}
  bool operator==(const Snapshot& o) const {
    if (conds.size() != o.conds.size()) return false;
    for (size_t i = 0; i < conds.size(); ++i)
      if (std::memcmp(&conds[i], &o.conds[i], sizeof(TMD)) != 0) return false;
    for (size_t i = 8; i < 12; ++i)
      if (tally[i] != o.tally[i]) return false;
    return bets == o.bets && e == o.e && s == o.s;
  }
};

TEST(OutOfMemory, AFailedPreparationKeepsJudgingWithTheLastCompletedOne) {
  const std::string first = WithBets("M7(0-0|0-5)M5(0-10|0-20)M3(10-50|5-60)M0(20-60|10-70)E0-2S0-3", 300, 1);
  const std::string second = WithBets("M6(0-5|0-10)M4(5-30|0-40)M1(0-80|0-90)E1-1", 450, 2);

  // What the second string allocates when nothing fails.
  FilterState probe;
  probe.FilterStr = second;
  int64_t needed = 0;
  {
    Budget unlimited(int64_t{1} << 40);
    ASSERT_TRUE(probe.Prepare().accepted());
    needed = g_spent;
  }
  ASSERT_GT(needed, 0);
  const std::vector<std::string> secondAnswers = Answers(probe);

  FilterState f;
  f.FilterStr = first;
  ASSERT_TRUE(f.Prepare().accepted());
  const std::vector<std::string> firstAnswers = Answers(f);
  const Snapshot firstState(f);

  // Every allocation of the second preparation fails in turn: from the
  // first one to the last.
  int failures = 0;
  for (int64_t budget = 0; budget < needed; budget += budget < 512 ? 16 : needed / 97 + 1) {
    f.FilterStr = second;
    PrepareResult r;
    {
      Budget limit(budget);
      r = f.Prepare();
    }
    if (r.accepted()) break;  // the budget was enough after all
    ++failures;
    ASSERT_EQ(r.status, PrepareStatus::OutOfMemory) << "budget " << budget;
    EXPECT_EQ(r.message, "out of memory");
    ASSERT_TRUE(Snapshot(f) == firstState) << "budget " << budget;
    ASSERT_EQ(Answers(f), firstAnswers) << "budget " << budget;
    // Once memory is back, the same string prepares as if nothing had been.
    ASSERT_TRUE(f.Prepare().accepted()) << "budget " << budget;
    ASSERT_EQ(Answers(f), secondAnswers) << "budget " << budget;
    f.FilterStr = first;
    ASSERT_TRUE(f.Prepare().accepted());
  }
  EXPECT_GT(failures, 50);
}

TEST(OutOfMemory, BeforeAnyCompletedPreparationNothingFailsAndNothingIsLeft) {
  FilterState f;
  f.FilterStr = WithBets("M7(0-0|0-5)E0-1", 200, 3);
  for (int64_t budget : {int64_t{0}, int64_t{64}, int64_t{1024}, int64_t{8192}}) {
    PrepareResult r;
    {
      Budget limit(budget);
      r = f.Prepare();
    }
    ASSERT_EQ(r.status, PrepareStatus::OutOfMemory) << budget;
    EXPECT_TRUE(f.MDConds.empty());
    EXPECT_TRUE(f.MediaBets.empty());
    EXPECT_FALSE(f.CanErrOn);
    for (const std::string& c : kCandidates) EXPECT_EQ(f.Execute(c.c_str()), kPass) << c;
    EXPECT_EQ(f.Debug("1234567", true), "");
  }
  EXPECT_TRUE(f.Prepare().accepted());
  EXPECT_EQ(f.MediaBets.size(), 200u);
}

TEST(OutOfMemory, AReportThatDoesNotFitIsEmptyAndTheNextOneIsWhole) {
  const std::string filter = WithBets("M7(0-0|0-5)M5(0-10|0-20)M0(20-60|10-70)", 40, 4);
  FilterState f, g;
  f.FilterStr = g.FilterStr = filter;
  ASSERT_TRUE(f.Prepare().accepted());
  ASSERT_TRUE(g.Prepare().accepted());
  const std::string whole = f.Debug("1234567", true);
  ASSERT_FALSE(whole.empty());
  {
    Budget limit(0);
    EXPECT_TRUE(g.Debug("1234567", true).empty());
    EXPECT_EQ(g.Execute("1234567"), f.Execute("1234567")) << "evaluation allocates nothing";
  }
  EXPECT_EQ(g.Debug("1234567", true), whole);
}

}  // namespace
}  // namespace qv
