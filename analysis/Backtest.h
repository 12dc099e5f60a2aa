// Back-testing a filter's bands on past draws with the engine itself: per
// draw, the winner's verdict and hit shares against that draw's media bets,
// and the keep rate, the share of all 10,000,000 numbers the bands keep.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ChanceTest.h"
#include "Filter.h"
#include "History.h"

namespace qv::host {

constexpr uint32_t kAllNumbers = 10'000'000;

// The bands, E and S sections of a filter string: the string up to its TJ
// section (the media bets come from each draw instead).
struct Bands {
  std::string text;
  TArrMD conditions;  // as the engine prepared them, in string order
};

// False with the engine's reason when it refuses the bands.
bool BandsOf(std::string_view filterStr, Bands& out, std::string& why);

// The bands with a draw's media bets: the filter string the engine prepares
// for that draw.  The bets must be ones the filter string can carry.
std::string WithBets(std::string_view bandsText, const std::vector<std::string>& bets);

enum class KeepRateMode { Exact, Sample, None };

struct KeepRateOptions {
  KeepRateMode mode = KeepRateMode::Exact;
  uint64_t sample = 0;  // numbers drawn in Sample mode
  uint64_t seed = 1;
};

struct DrawResult {
  int32_t verdict = 0;
  std::array<int32_t, kLevels> shares{};  // the winner's hit share at every level
  size_t betCount = 0;
  uint64_t kept = 0;      // numbers with verdict 0 among those examined
  uint64_t examined = 0;  // 0 when the keep rate was not computed
  std::optional<double> keepRate;
  std::optional<double> keepRateLow, keepRateHigh;  // Sample mode: 95 % Wilson interval
};

struct Summary {
  size_t draws = 0;
  size_t kept = 0;  // winners with verdict 0
  double recall = 0;
  std::optional<double> meanKeepRate;
  std::optional<double> lift;  // recall / mean keep rate
  // Whether the kept winners are more than chance keeps: with a keep rate
  // for every draw only.
  std::optional<ChanceTest> chance;
};

struct BacktestOptions {
  KeepRateOptions keepRate;
  unsigned jobs = 1;
  // The row of the first draw in its history: a draw's sample depends on
  // the seed and its row only, whichever command judges it.
  size_t firstRow = 0;
  // Progress (done, total), called now and then on the calling thread.
  std::function<void(uint64_t, uint64_t)> tick;
  // Set by any thread to stop early: the keep rates are then incomplete.
  const std::atomic<bool>* cancel = nullptr;
};

// Judges every draw.  The draws are spread over opts.jobs threads, each with
// a filter state of its own; the results do not depend on the number of
// threads.  The bands must have been accepted by BandsOf.
std::vector<DrawResult> RunBacktest(const Bands& bands, std::span<const HistoryDraw> draws,
                                    const BacktestOptions& opts);

Summary Summarize(std::span<const DrawResult> results);

// The winner's verdict and shares against a filter state prepared for its draw.
void JudgeWinner(FilterState& state, const std::string& winner, DrawResult& out);

// Numbers in [from, to) that the prepared state gives 0, walked in order
// with the seven digits written incrementally.
uint64_t CountKept(FilterState& state, uint32_t from, uint32_t to);
// Of the sampled numbers with indices [from, to) of the stream `key`, how
// many get 0.  SampledNumber(key, i) is the i-th number of the stream.
uint64_t CountKeptSampled(FilterState& state, uint64_t key, uint64_t from, uint64_t to);
uint32_t SampledNumber(uint64_t key, uint64_t index);
// The stream of draw `index` for a seed.
uint64_t SampleKey(uint64_t seed, size_t index);

// The 95 % Wilson score interval of k successes in n trials.
std::pair<double, double> WilsonInterval(uint64_t k, uint64_t n);

}  // namespace qv::host
