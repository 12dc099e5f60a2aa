#include "ChanceTest.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Backtest.h"

namespace qv::host {

double PoissonBinomialTail(std::span<const double> p, size_t k) {
  if (k == 0) return 1.0;
  if (k > p.size()) return 0.0;
  // dist[j]: the probability of exactly j successes among the trials so
  // far, for j < k; tail: the probability of k or more.  Adding one trial
  // moves mass up by one with its probability; what reaches k joins the
  // tail, which no later trial can leave.
  std::vector<double> dist(k, 0.0);
  dist[0] = 1.0;
  double tail = 0.0;
  size_t top = 0;  // the highest j with dist[j] possibly nonzero
  for (double pi : p) {
    const double q = std::clamp(pi, 0.0, 1.0);
    if (top + 1 == k) tail += dist[top] * q;
    for (size_t j = std::min(top + 1, k - 1); j > 0; --j) dist[j] = dist[j] * (1.0 - q) + dist[j - 1] * q;
    dist[0] *= 1.0 - q;
    top = std::min(top + 1, k - 1);
  }
  return std::clamp(tail, 0.0, 1.0);
}

ChanceTest TestAgainstChance(std::span<const double> keepRates, size_t kept) {
  ChanceTest t;
  for (double p : keepRates) t.expectedKept += std::clamp(p, 0.0, 1.0);
  t.pValue = PoissonBinomialTail(keepRates, kept);
  const size_t n = keepRates.size();
  if (n > 0 && t.expectedKept > 0) {
    const double meanKeep = t.expectedKept / static_cast<double>(n);
    const auto [low, high] = WilsonInterval(kept, n);
    t.liftLow = low / meanKeep;
    t.liftHigh = high / meanKeep;
  }
  return t;
}

std::string PValueText(double p) {
  if (p < 0.001) return "p < 0.001";
  char buf[32];
  std::snprintf(buf, sizeof buf, "p = %.2g", p);  // two significant digits
  return buf;
}

std::string ChanceVerdict(const ChanceTest& t) {
  return t.BetterThanChance() ? "better than chance (" + PValueText(t.pValue) + ")" : "consistent with chance";
}

}  // namespace qv::host
