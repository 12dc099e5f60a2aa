#include "Backtest.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Census.h"
#include "FilterString.h"
#include "FilterStringWriter.h"
#include "SevenDigitCounter.h"

namespace qv::host {

bool BandsOf(std::string_view filterStr, Bands& out, std::string& why) {
  // The TJ section is the first "TJ" after the M sections; a walk that
  // cannot advance is refused by the engine below.
  size_t cut = filterStr.size();
  MSectionWalker walk(filterStr);
  bool walked = true;
  while (walk.HasSection())
    if (!walk.Advance()) {
      walked = false;
      break;
    }
  if (walked) {
    const std::string_view rest = walk.Working();
    const size_t tj = rest.find("TJ");
    if (tj != std::string_view::npos) cut = filterStr.size() - rest.size() + tj;
  }
  FilterState state;
  state.FilterStr = std::string(filterStr.substr(0, cut));
  const PrepareResult r = state.Prepare();
  if (!r.accepted()) {
    why = r.message;
    return false;
  }
  out.text = std::move(state.FilterStr);
  out.conditions = state.MDConds;
  return true;
}

std::string WithBets(std::string_view bandsText, const std::vector<std::string>& bets) {
  std::string s(bandsText);
  AppendMediaBets(s, bets);
  return s;
}

void JudgeWinner(FilterState& state, const std::string& winner, DrawResult& out) {
  out.verdict = state.Execute(winner.c_str());
  state.TallyHits(winner);
  for (int k = 0; k < kLevels; ++k) out.shares[static_cast<size_t>(k)] = state.HitShare(k);
  out.betCount = state.MediaBets.size();
}

uint64_t CountKept(FilterState& state, uint32_t from, uint32_t to) {
  uint64_t kept = 0;
  SevenDigitCounter number(from);
  for (uint32_t x = from; x < to; ++x, number.Next()) kept += state.Execute(number.c_str()) == kPass;
  return kept;
}

namespace {

uint64_t SplitMix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

uint64_t SampleKey(uint64_t seed, size_t index) {
  return SplitMix(SplitMix(seed) ^ (static_cast<uint64_t>(index) * 0xD1B54A32D192ED03ull));
}

uint32_t SampledNumber(uint64_t key, uint64_t index) {
  // Uniform over 0..9999999: values of the top partial block are drawn again.
  constexpr uint64_t kLimit = UINT64_MAX - UINT64_MAX % kAllNumbers;
  uint64_t x = SplitMix(key + index * 0x9E3779B97F4A7C15ull);
  while (x >= kLimit) x = SplitMix(x);
  return static_cast<uint32_t>(x % kAllNumbers);
}

uint64_t CountKeptSampled(FilterState& state, uint64_t key, uint64_t from, uint64_t to) {
  SevenDigitCounter number;
  uint64_t kept = 0;
  for (uint64_t i = from; i < to; ++i) {
    number.Set(SampledNumber(key, i));
    kept += state.Execute(number.c_str()) == kPass;
  }
  return kept;
}

std::pair<double, double> WilsonInterval(uint64_t k, uint64_t n) {
  if (n == 0) return {0.0, 1.0};
  constexpr double z = 1.959963984540054;
  const double nn = static_cast<double>(n);
  const double p = static_cast<double>(k) / nn;
  const double z2 = z * z;
  const double denom = 1 + z2 / nn;
  const double centre = (p + z2 / (2 * nn)) / denom;
  const double half = z / denom * std::sqrt(p * (1 - p) / nn + z2 / (4 * nn * nn));
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

namespace {

// Exact keep rates from each draw's census of share vectors, one draw after
// the other on all the threads: the census costs no more than a full pass
// (less with fewer distinct vectors), and its verdict counts are those of
// the same evaluation.
void CensusKeepRates(const Bands& bands, std::span<const HistoryDraw> draws, const BacktestOptions& opts,
                     std::vector<DrawResult>& results) {
  const uint64_t total = uint64_t{kAllNumbers} * draws.size();
  const std::thread::id caller = std::this_thread::get_id();
  Census census;
  for (size_t i = 0; i < draws.size(); ++i) {
    if (opts.cancel && opts.cancel->load(std::memory_order_relaxed)) return;
    FilterState state;
    state.FilterStr = WithBets(bands.text, draws[i].bets);
    state.Prepare();
    CensusControl control;
    CensusOptions o;
    o.jobs = opts.jobs;
    o.sliceSize = 100'000;
    o.control = &control;
    o.onSlice = [&](uint32_t done, uint32_t) {
      if (opts.cancel && opts.cancel->load(std::memory_order_relaxed)) control.Cancel();
      if (opts.tick && std::this_thread::get_id() == caller)
        opts.tick(uint64_t{kAllNumbers} * i + uint64_t{done} * o.sliceSize, total);
    };
    const CensusStatus status = census.Build(state, o);
    if (status == CensusStatus::Cancelled) return;
    if (status != CensusStatus::Done) throw std::runtime_error(std::string("census: ") + CensusStatusText(status));
    DrawResult& r = results[i];
    r.kept = census.Count(state).passed;
    r.examined = kAllNumbers;
    r.keepRate = static_cast<double>(r.kept) / kAllNumbers;
  }
  if (opts.tick) opts.tick(total, total);
}

}  // namespace

std::vector<DrawResult> RunBacktest(const Bands& bands, std::span<const HistoryDraw> draws,
                                    const BacktestOptions& opts) {
  std::vector<DrawResult> results(draws.size());
  {
    FilterState state;
    for (size_t i = 0; i < draws.size(); ++i) {
      state.FilterStr = WithBets(bands.text, draws[i].bets);
      state.Prepare();
      JudgeWinner(state, draws[i].winner, results[i]);
    }
  }
  const KeepRateOptions& kr = opts.keepRate;
  if (kr.mode == KeepRateMode::None || draws.empty()) return results;
  if (kr.mode == KeepRateMode::Exact) {
    CensusKeepRates(bands, draws, opts, results);
    return results;
  }

  // Units of work: a slice of one draw's numbers.  Slices are small enough
  // to share a few draws fairly between the threads and to show progress.
  constexpr uint64_t kSlice = 500'000;
  const uint64_t perDraw = kr.mode == KeepRateMode::Exact ? kAllNumbers : kr.sample;
  const uint64_t slices = (perDraw + kSlice - 1) / kSlice;
  const uint64_t units = slices * draws.size();
  const uint64_t total = perDraw * draws.size();

  std::vector<std::atomic<uint64_t>> kept(draws.size());
  std::atomic<uint64_t> nextUnit{0};
  std::atomic<uint64_t> done{0};
  std::mutex failMutex;
  std::exception_ptr failure;

  auto work = [&](bool caller) {
    try {
      FilterState state;
      size_t prepared = SIZE_MAX;
      for (uint64_t u; (u = nextUnit.fetch_add(1)) < units;) {
        if (opts.cancel && opts.cancel->load(std::memory_order_relaxed)) {
          nextUnit.store(units);
          break;
        }
        const size_t d = static_cast<size_t>(u / slices);
        const uint64_t from = (u % slices) * kSlice;
        const uint64_t to = std::min(perDraw, from + kSlice);
        if (prepared != d) {
          state.FilterStr = WithBets(bands.text, draws[d].bets);
          state.Prepare();
          prepared = d;
        }
        const uint64_t k =
            kr.mode == KeepRateMode::Exact
                ? CountKept(state, static_cast<uint32_t>(from), static_cast<uint32_t>(to))
                : CountKeptSampled(state, SampleKey(kr.seed, opts.firstRow + d), from, to);
        kept[d].fetch_add(k);
        const uint64_t now = done.fetch_add(to - from) + (to - from);
        if (caller && opts.tick) opts.tick(now, total);
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(failMutex);
      if (!failure) failure = std::current_exception();
      nextUnit.store(units);
    }
  };
  const unsigned jobs = std::max(1u, std::min<unsigned>(opts.jobs, static_cast<unsigned>(
                                                                       std::min<uint64_t>(units, 1024))));
  std::vector<std::thread> threads;
  threads.reserve(jobs - 1);
  for (unsigned j = 1; j < jobs; ++j) threads.emplace_back(work, false);
  work(true);
  for (std::thread& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
  if (opts.tick) opts.tick(total, total);

  for (size_t i = 0; i < draws.size(); ++i) {
    DrawResult& r = results[i];
    r.kept = kept[i].load();
    r.examined = perDraw;
    r.keepRate = static_cast<double>(r.kept) / static_cast<double>(perDraw);
    if (kr.mode == KeepRateMode::Sample) {
      const auto [lo, hi] = WilsonInterval(r.kept, perDraw);
      r.keepRateLow = lo;
      r.keepRateHigh = hi;
    }
  }
  return results;
}

Summary Summarize(std::span<const DrawResult> results) {
  Summary s;
  s.draws = results.size();
  double sum = 0;
  std::vector<double> rates;
  for (const DrawResult& r : results) {
    s.kept += r.verdict == kPass;
    if (r.keepRate) {
      sum += *r.keepRate;
      rates.push_back(*r.keepRate);
    }
  }
  const size_t rated = rates.size();
  s.recall = s.draws ? static_cast<double>(s.kept) / static_cast<double>(s.draws) : 0.0;
  if (rated > 0 && rated == results.size()) {
    s.meanKeepRate = sum / static_cast<double>(rated);
    if (*s.meanKeepRate > 0) s.lift = s.recall / *s.meanKeepRate;
    s.chance = TestAgainstChance(rates, s.kept);
  }
  return s;
}

}  // namespace qv::host
