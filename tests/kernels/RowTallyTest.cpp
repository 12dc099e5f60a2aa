// The row kernels on their own: seven rows of byte lanes in, a histogram of
// the lane sums out.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "HitCount.h"
#include "kernels/RowTally.h"

namespace qv {
namespace {

using Fn = void (*)(const uint8_t* const*, size_t, uint32_t*);

struct NamedKernel {
  Kernel kernel;
  Fn fn;
};

std::vector<NamedKernel> AvailableKernels() {
  std::vector<NamedKernel> ks{{Kernel::Scalar, kernels::RowTallyScalar}};
  if (KernelAvailable(Kernel::Sse2)) ks.push_back({Kernel::Sse2, kernels::RowTallySse2});
  if (KernelAvailable(Kernel::Avx2)) ks.push_back({Kernel::Avx2, kernels::RowTallyAvx2});
  return ks;
}

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

TEST(RowTally, MatchesALaneByLaneSumForEveryKernel) {
  std::mt19937 rng(7);
  // Lane counts around the vector widths and beyond the point where the
  // byte counters are folded (255 steps of 16 and of 32 lanes).
  for (size_t lanes : {size_t{0}, size_t{32}, size_t{64}, size_t{4064}, size_t{4096},
                       size_t{8160}, size_t{8192}, size_t{8224}, size_t{40000 / 32 * 32}}) {
    for (int maxValue : {1, 2, 8}) {
      Rows rows(lanes, rng, maxValue);
      const auto expected = rows.Expected();
      for (const NamedKernel& k : AvailableKernels()) {
        uint32_t counts[8] = {};
        k.fn(rows.ptr, lanes, counts);
        for (int s = 0; s < 8; ++s)
          EXPECT_EQ(counts[s], expected[s])
              << KernelName(k.kernel) << " lanes " << lanes << " max " << maxValue << " level " << s;
      }
    }
  }
}

TEST(RowTally, LongRunsOfOneSumDoNotWrapTheCounters) {
  // 70000 lanes all at the same sum: a byte counter that was never folded
  // would have wrapped hundreds of times.
  const size_t lanes = 70016;
  for (int target : {0, 3, 7, 8, 56}) {
    std::vector<std::vector<uint8_t>> data(kernels::kRows, std::vector<uint8_t>(lanes, 0));
    int left = target;
    for (size_t r = 0; r < kernels::kRows; ++r) {
      const int v = left > 8 ? 8 : left;
      std::fill(data[r].begin(), data[r].end(), static_cast<uint8_t>(v));
      left -= v;
    }
    const uint8_t* ptr[kernels::kRows];
    for (size_t r = 0; r < kernels::kRows; ++r) ptr[r] = data[r].data();
    for (const NamedKernel& k : AvailableKernels()) {
      uint32_t counts[8] = {};
      k.fn(ptr, lanes, counts);
      for (int s = 0; s < 8; ++s)
        EXPECT_EQ(counts[s], s == target ? lanes : 0u) << KernelName(k.kernel) << " sum " << target;
    }
  }
}

TEST(RowTally, ReplacesWhateverTheCountsHeld) {
  std::mt19937 rng(11);
  for (size_t lanes : {size_t{32}, size_t{96}}) {
    Rows rows(lanes, rng, 2);
    const auto expected = rows.Expected();
    for (const NamedKernel& k : AvailableKernels()) {
      uint32_t counts[8] = {5, 5, 5, 5, 5, 5, 5, 5};
      k.fn(rows.ptr, lanes, counts);
      for (int s = 0; s < 8; ++s) EXPECT_EQ(counts[s], expected[s]) << KernelName(k.kernel) << " " << lanes;
    }
  }
}

TEST(KernelChoice, BestIsAvailableAndScalarAlwaysIs) {
  EXPECT_TRUE(KernelAvailable(Kernel::Scalar));
  EXPECT_TRUE(KernelAvailable(BestKernel()));
  EXPECT_EQ(BestKernel(), BestKernel());
  if (KernelAvailable(Kernel::Avx2)) {
    EXPECT_EQ(BestKernel(), Kernel::Avx2);
  }
#if defined(__SSE2__)
  EXPECT_TRUE(KernelAvailable(Kernel::Sse2)) << "an SSE2 build runs on SSE2 processors only";
#endif
  HitCounter c;
  EXPECT_EQ(c.CurrentKernel(), BestKernel());
  c.UseKernel(Kernel::Scalar);
  EXPECT_EQ(c.CurrentKernel(), Kernel::Scalar);
  c.Build({"1234567"});
  EXPECT_EQ(c.CurrentKernel(), Kernel::Scalar) << "the choice outlives a new preparation";
  c.UseKernel(Kernel::Avx2);
  EXPECT_TRUE(KernelAvailable(c.CurrentKernel()));
}

}  // namespace
}  // namespace qv
