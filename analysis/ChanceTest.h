// Whether a back-test kept more winners than chance would.  Draws are
// random: under chance, draw i's winner is kept with probability p_i, its
// keep rate, independently of the other draws, so the number of winners
// kept follows the Poisson-binomial distribution of the p_i.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace qv::host {

struct ChanceTest {
  double expectedKept = 0;  // the sum of the p_i
  double pValue = 1;        // P(K >= kept) under chance
  // 95 % interval for the lift: the Wilson score interval of the recall
  // (kept of draws) over the mean keep rate, which is taken as known.
  std::optional<double> liftLow, liftHigh;
  bool BetterThanChance() const { return pValue < 0.05; }
};

// P(K >= k) for K the number of successes of independent trials with the
// success probabilities p (each clamped to [0, 1]), by the exact recurrence
// over the trials.  1 for k = 0, 0 for k beyond the trials.
double PoissonBinomialTail(std::span<const double> p, size_t k);

// The test for `kept` winners of keepRates.size() draws.
ChanceTest TestAgainstChance(std::span<const double> keepRates, size_t kept);

// "p = 0.012", "p < 0.001": a p-value for people.
std::string PValueText(double p);
// "consistent with chance" or "better than chance (p = 0.012)".
std::string ChanceVerdict(const ChanceTest& t);

}  // namespace qv::host
