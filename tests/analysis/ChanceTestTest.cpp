#include "ChanceTest.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qv::host {
namespace {

// P(K >= k) by summing over all 2^n outcomes.
double Enumerated(const std::vector<double>& p, size_t k) {
  double tail = 0;
  for (uint32_t mask = 0; mask < (1u << p.size()); ++mask) {
    double prob = 1;
    size_t kept = 0;
    for (size_t i = 0; i < p.size(); ++i) {
      const bool in = mask >> i & 1;
      prob *= in ? p[i] : 1 - p[i];
      kept += in;
    }
    if (kept >= k) tail += prob;
  }
  return tail;
}

TEST(PoissonBinomialTail, MatchesEnumeration) {
  const std::vector<std::vector<double>> cases = {
      {}, {0.5}, {0.0, 1.0}, {0.1, 0.9, 0.5}, {0.25, 0.25, 0.25, 0.25},
      {0.8, 0.02, 0.33, 0.61, 0.5, 0.07, 0.99, 0.4, 0.15, 0.7, 0.5, 0.3},
      {1.0, 1.0, 0.0, 0.2, 0.45}};
  for (const std::vector<double>& p : cases)
    for (size_t k = 0; k <= p.size() + 1; ++k)
      EXPECT_NEAR(PoissonBinomialTail(p, k), Enumerated(p, k), 1e-12) << p.size() << " trials, k " << k;
}

TEST(PoissonBinomialTail, MatchesSimulationForForty) {
  std::vector<double> p;
  for (int i = 0; i < 40; ++i) p.push_back(0.05 + 0.9 * ((i * 37) % 40) / 40.0);
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(0, 1);
  constexpr int kRuns = 200'000;
  std::vector<int> atLeast(41, 0);
  for (int r = 0; r < kRuns; ++r) {
    size_t kept = 0;
    for (double q : p) kept += u(rng) < q;
    for (size_t k = 0; k <= kept; ++k) ++atLeast[k];
  }
  for (size_t k : {15u, 20u, 24u, 28u}) {
    const double sim = static_cast<double>(atLeast[k]) / kRuns;
    EXPECT_NEAR(PoissonBinomialTail(p, k), sim, 0.004) << "k " << k;  // about 4 standard errors
  }
}

TEST(TestAgainstChance, ExpectedKeptIntervalAndVerdict) {
  const std::vector<double> rates(10, 0.2);
  const ChanceTest none = TestAgainstChance(rates, 2);
  EXPECT_DOUBLE_EQ(none.expectedKept, 2.0);
  EXPECT_EQ(ChanceVerdict(none), "consistent with chance");
  EXPECT_NEAR(*none.liftLow, 0.0567 / 0.2, 1e-3);  // Wilson 2 of 10: 0.0567 to 0.5098
  EXPECT_NEAR(*none.liftHigh, 0.5098 / 0.2, 1e-3);
  const ChanceTest six = TestAgainstChance(rates, 6);
  EXPECT_NEAR(six.pValue, 0.006369, 1e-6);
  EXPECT_EQ(ChanceVerdict(six), "better than chance (p = 0.0064)");
  EXPECT_EQ(ChanceVerdict(TestAgainstChance(rates, 10)), "better than chance (p < 0.001)");
}

}  // namespace
}  // namespace qv::host
