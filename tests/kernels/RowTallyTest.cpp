// The row kernels on their own: seven rows of byte lanes in, a histogram of
// the lane sums out.  Every kernel of the dispatch table runs each case; a
// kernel that this processor lacks is reported as skipped.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "HitCount.h"
#include "kernels/RowTally.h"

namespace qv {
namespace {

struct Rows {
  std::vector<std::vector<uint8_t>> data;
  const uint8_t* ptr[kernels::kRows];
  Rows(size_t lanes, std::mt19937& rng, int maxValue) : data(kernels::kRows) {
    std::uniform_int_distribution<int> v(0, maxValue);
    for (size_t r = 0; r < kernels::kRows; ++r) {
      data[r].resize(lanes);
      for (auto& b : data[r]) b = static_cast<uint8_t>(v(rng));
      ptr[r] = data[r].data();
    }
  }
  std::array<uint32_t, 8> Expected() const {
    std::array<uint32_t, 8> e{};
    for (size_t l = 0; l < data[0].size(); ++l) {
      unsigned s = 0;
      for (size_t r = 0; r < kernels::kRows; ++r) s += data[r][l];
      if (s < 8) ++e[s];
    }
    return e;
  }
};

class RowTally : public ::testing::TestWithParam<KernelInfo> {
 protected:
  void SetUp() override {
    if (!GetParam().available())
      GTEST_SKIP() << GetParam().name << ": this processor or operating system lacks it";
  }
  std::array<uint32_t, 8> Run(const uint8_t* const* rows, size_t lanes, uint32_t fill = 0) {
    std::array<uint32_t, 8> counts;
    counts.fill(fill);
    GetParam().rowTally(rows, lanes, counts.data());
    return counts;
  }
};

TEST_P(RowTally, MatchesALaneByLaneSum) {
  std::mt19937 rng(7);
  // Lane counts around every vector width, around the points where the
  // byte counters are folded (15 and 255 steps of 16, 32 and 64 lanes),
  // and with a half step left for the widest kernel.
  for (size_t lanes : {size_t{0}, size_t{32}, size_t{64}, size_t{96}, size_t{480}, size_t{512},
                       size_t{960}, size_t{992}, size_t{1024}, size_t{4064}, size_t{4096},
                       size_t{8160}, size_t{8192}, size_t{8224}, size_t{16320}, size_t{16352},
                       size_t{40000 / 32 * 32}}) {
    for (int maxValue : {1, 2, 8}) {
      Rows rows(lanes, rng, maxValue);
      EXPECT_EQ(Run(rows.ptr, lanes), rows.Expected()) << "lanes " << lanes << " max " << maxValue;
    }
  }
}

TEST_P(RowTally, LongRunsOfOneSumDoNotWrapTheCounters) {
  // 70000 lanes all at the same sum: a byte or nibble counter that was
  // never folded would have wrapped hundreds of times.
  const size_t lanes = 70016;
  for (int target : {0, 1, 3, 6, 7, 8, 15, 16, 56}) {
    std::vector<std::vector<uint8_t>> data(kernels::kRows, std::vector<uint8_t>(lanes, 0));
    int left = target;
    for (size_t r = 0; r < kernels::kRows; ++r) {
      const int v = left > 8 ? 8 : left;
      std::fill(data[r].begin(), data[r].end(), static_cast<uint8_t>(v));
      left -= v;
    }
    const uint8_t* ptr[kernels::kRows];
    for (size_t r = 0; r < kernels::kRows; ++r) ptr[r] = data[r].data();
    std::array<uint32_t, 8> expected{};
    if (target < 8) expected[static_cast<size_t>(target)] = lanes;
    EXPECT_EQ(Run(ptr, lanes), expected) << "sum " << target;
  }
}

TEST_P(RowTally, ReplacesWhateverTheCountsHeld) {
  std::mt19937 rng(11);
  for (size_t lanes : {size_t{32}, size_t{64}, size_t{96}}) {
    Rows rows(lanes, rng, 2);
    EXPECT_EQ(Run(rows.ptr, lanes, 5), rows.Expected()) << lanes;
  }
}

TEST_P(RowTally, ReadsNoLaneBeyondTheEnd) {
  // Rows that end exactly at a lane step, followed by bytes that would land
  // at level 0 if a kernel read them.
  std::mt19937 rng(3);
  for (size_t lanes : {size_t{32}, size_t{96}, size_t{160}}) {
    Rows rows(lanes, rng, 1);
    std::vector<std::vector<uint8_t>> padded(kernels::kRows);
    const uint8_t* ptr[kernels::kRows];
    for (size_t r = 0; r < kernels::kRows; ++r) {
      padded[r] = rows.data[r];
      padded[r].resize(lanes + 64, 0);
      ptr[r] = padded[r].data();
    }
    EXPECT_EQ(Run(ptr, lanes), rows.Expected()) << lanes;
  }
}

// Bit rows, one plane and two: seven rows of bit lanes, every level mask.
// Word counts around the points where byte counters fold (31 steps of 32,
// 64, 128 and 512 lanes), with partial last steps, and long runs of one sum,
// which a counter never folded would wrap.
TEST_P(RowTally, BitRowsMatchALaneByLaneSum) {
  std::mt19937_64 rng(17);
  // pairWords < words: the high planes beyond it are zero (and left so).
  auto check = [&](std::vector<std::vector<uint64_t>>& data, uint32_t planes, uint32_t levels,
                   size_t pairWords = ~size_t{0}) {
    const size_t words = data[0].size() / planes;
    pairWords = planes == 1 ? 0 : std::min(pairWords, words);
    if (planes == 2)
      for (auto& row : data) std::fill(row.begin() + words + pairWords, row.end(), 0);
    const uint64_t* ptr[kernels::kRows];
    for (size_t r = 0; r < kernels::kRows; ++r) ptr[r] = data[r].data();
    std::array<uint32_t, 8> expected, got;  // the kernel adds to what was there
    expected.fill(5);
    got.fill(5);
    for (size_t l = 0; l < words * 64; ++l) {
      unsigned s = 0;
      for (size_t r = 0; r < kernels::kRows; ++r)
        for (size_t p = 0; p < planes; ++p) s += (data[r][p * words + l / 64] >> (l % 64) & 1) << p;
      if (s < 8) ++expected[s];
    }
    GetParam().bitTally(ptr, words, static_cast<uint32_t>(pairWords), levels, got.data());
    for (size_t k = 0; k < 8; ++k)  // levels not asked for are free to count
      if (!(levels >> k & 1)) got[k] = expected[k];
    EXPECT_EQ(got, expected) << "words " << words << " planes " << planes << " levels " << levels << " pair words "
                             << pairWords;
  };
  for (uint32_t planes : {1u, 2u}) {
    for (size_t words : {size_t{1}, size_t{2}, size_t{3}, size_t{8}, size_t{13}, size_t{64}, size_t{124},
                         size_t{248}, size_t{250}, size_t{496}, size_t{1001}}) {
      std::vector<std::vector<uint64_t>> data(kernels::kRows, std::vector<uint64_t>(words * planes));
      for (int density = 0; density < 3; ++density) {
        for (auto& row : data)
          for (auto& w : row) w = density == 0 ? rng() : density == 1 ? rng() & rng() & rng() : rng() | rng();
        for (uint32_t levels : {0xFFu, 0u, 1u, 0x80u, static_cast<uint32_t>(rng() & 0xFF)}) check(data, planes, levels);
        // Two planes in the first words only: each width's two-plane steps
        // end inside a step, on one, or after the last whole one.
        for (size_t pairWords : {size_t{1}, size_t{3}, size_t{4}, size_t{9}, words - 1})
          if (planes == 2 && pairWords >= 1 && pairWords < words) check(data, planes, 0xFF, pairWords);
      }
      for (size_t target = 0; target <= 3 * kernels::kRows; ++target) {
        for (size_t r = 0; r < kernels::kRows; ++r) {  // each row worth up to 1 or 3
          const size_t v = std::min<size_t>(planes == 1 ? 1 : 3, target > r * (planes == 1 ? 1 : 3) ? target - r * (planes == 1 ? 1 : 3) : 0);
          for (size_t p = 0; p < planes; ++p)
            std::fill(data[r].begin() + p * words, data[r].begin() + (p + 1) * words, (v >> p & 1) ? ~uint64_t{0} : 0);
        }
        check(data, planes, 0xFF);
      }
    }
  }
}

// One word per row, picked from the candidate by the kernel: candidates
// that end early (a zero byte, nothing read beyond), lanes that hold no
// bet (zero in every row), every level mask.
TEST_P(RowTally, WordTablesPickTheirRowsFromTheCandidate) {
  std::mt19937_64 rng(23);
  for (uint32_t planes : {1u, 2u}) {
    std::vector<uint64_t> table(kernels::kRows * 256 * planes);
    for (int round = 0; round < 200; ++round) {
      const size_t bets = round % 4 == 0 ? 64 : 1 + rng() % 64;
      const uint64_t live = bets == 64 ? ~uint64_t{0} : (uint64_t{1} << bets) - 1;
      for (size_t i = 0; i < table.size(); ++i)  // character 0: the zero rows past the end
        table[i] = i / planes % 256 == 0 ? 0 : live & (round % 3 == 0 ? rng() : round % 3 == 1 ? rng() & rng() : rng() | rng() | rng());
      char cand[kernels::kRows + 1] = {};
      const size_t length = round % 8 == 0 ? rng() % kernels::kRows : kernels::kRows;
      for (size_t j = 0; j < length; ++j) cand[j] = static_cast<char>(1 + rng() % 255);
      std::array<uint32_t, 8> expected{}, got;
      for (size_t l = 0; l < bets; ++l) {
        unsigned s = 0;
        for (size_t j = 0; j < length; ++j)
          for (size_t p = 0; p < planes; ++p)
            s += (table[(j * 256 + static_cast<uint8_t>(cand[j])) * planes + p] >> l & 1) << p;
        if (s < 8) ++expected[s];
      }
      const uint32_t levels = round % 5 == 0 ? 0xFFu : static_cast<uint32_t>(rng() & 0xFF);
      got.fill(99);
      GetParam().wordTally(table.data(), cand, planes, live, levels, got.data());
      for (size_t k = 0; k < 8; ++k)
        if (!(levels >> k & 1)) got[k] = expected[k];
      ASSERT_EQ(got, expected) << "planes " << planes << " bets " << bets << " length " << length;
    }
  }
}

// A byte table of 32 or 64 lanes, its rows picked by the kernel through the
// offsets: candidates that end early, padding lanes, every level mask.
TEST_P(RowTally, SmallByteTablesPickTheirRowsFromTheCandidate) {
  if (GetParam().smallTally == nullptr) GTEST_SKIP() << GetParam().name << " counts small tables in bit rows";
  std::mt19937 rng(29);
  for (size_t lanes : {size_t{32}, size_t{64}}) {
    const size_t rows = 40;
    std::vector<uint8_t> table(rows * lanes);
    std::vector<size_t> offset(kernels::kRows * 256);
    for (int round = 0; round < 200; ++round) {
      const size_t bets = lanes - rng() % 32;
      for (size_t i = 0; i < table.size(); ++i)
        table[i] = i < lanes || i % lanes >= bets ? 0 : static_cast<uint8_t>(rng() % (round % 2 ? 2 : 9));
      for (auto& o : offset) o = rng() % rows * lanes;
      char cand[kernels::kRows + 1] = {};
      const size_t length = round % 8 == 0 ? rng() % kernels::kRows : kernels::kRows;
      for (size_t j = 0; j < length; ++j) cand[j] = static_cast<char>(1 + rng() % 255);
      std::array<uint32_t, 8> expected{}, got;
      for (size_t l = 0; l < bets; ++l) {
        unsigned sum = 0;
        for (size_t j = 0; j < length; ++j) sum += table[offset[j * 256 + static_cast<uint8_t>(cand[j])] + l];
        if (sum < 8) ++expected[sum];
      }
      const uint32_t levels = round % 5 == 0 ? 0xFFu : static_cast<uint32_t>(rng() & 0xFF);
      got.fill(99);
      GetParam().smallTally(table.data(), offset.data(), cand, lanes, static_cast<uint32_t>(lanes - bets), levels,
                            got.data());
      for (size_t k = 0; k < 8; ++k)
        if (!(levels >> k & 1)) got[k] = expected[k];
      ASSERT_EQ(got, expected) << "lanes " << lanes << " bets " << bets << " length " << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, RowTally, ::testing::ValuesIn(KernelTable().begin(), KernelTable().end()),
                         [](const ::testing::TestParamInfo<KernelInfo>& i) { return std::string(i.param.name); });

TEST(KernelChoice, TheTableEndsWithScalarAndTheBestIsItsFirstAvailableEntry) {
  const auto table = KernelTable();
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table.back().kernel, Kernel::Scalar);
  EXPECT_TRUE(KernelAvailable(Kernel::Scalar));
  const KernelInfo* first = nullptr;
  for (const KernelInfo& e : table)
    if (!first && e.available()) first = &e;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(BestKernel(), first->kernel);
  EXPECT_EQ(BestKernel(), BestKernel());
  for (const KernelInfo& e : table) EXPECT_STREQ(KernelName(e.kernel), e.name);
#if defined(__SSE2__)
  EXPECT_TRUE(KernelAvailable(Kernel::Sse2)) << "an SSE2 build runs on SSE2 processors only";
#endif
  HitCounter c;
  EXPECT_EQ(c.CurrentKernel(), BestKernel());
  c.UseKernel(Kernel::Scalar);
  EXPECT_EQ(c.CurrentKernel(), Kernel::Scalar);
  c.Build({"1234567"});
  EXPECT_EQ(c.CurrentKernel(), Kernel::Scalar) << "the choice outlives a new preparation";
  // An unavailable kernel falls back to the first available one after it.
  for (size_t i = 0; i < table.size(); ++i) {
    c.UseKernel(table[i].kernel);
    size_t j = i;
    while (!table[j].available()) ++j;
    EXPECT_EQ(c.CurrentKernel(), table[j].kernel) << table[i].name;
  }
}

}  // namespace
}  // namespace qv
