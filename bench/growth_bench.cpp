// How time and memory grow with the size of the input: filter strings with
// more media bets, more M sections, longer numbers and longer junk, and
// evaluation over longer bet lists.  Each family is fitted to O(N) by the
// benchmark library; "peak_bytes" is the most heap that one preparation
// held at once beyond its filter string (natively, where the allocator can
// tell a block's size), and "bytes_per_item" that peak per bet, section or
// input byte.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "Filter.h"
#include "HeapCount.h"

namespace {

// The heap in use when a measured run last called Mark(): what the run
// allocated before it (the filter string itself) is not part of its peak.
int64_t g_base = 0;
void Mark() { g_base = qv::bench::HeapMark(); }

// Runs fn once per iteration; reports the heap peak of one run above what
// was in use before it, or when it called Mark().
template <class Fn>
void Measure(benchmark::State& state, int64_t items, Fn&& fn) {
  int64_t peak = 0;
  for (auto _ : state) {
    Mark();
    fn();
    peak = qv::bench::HeapPeakAbove(g_base);
  }
  state.SetComplexityN(items);
#ifdef QV_COUNT_HEAP
  state.counters["peak_bytes"] = static_cast<double>(peak);
  state.counters["bytes_per_item"] = static_cast<double>(peak) / static_cast<double>(items);
#endif
}

// Preparation of s in a fresh state per run, made and released inside the
// measurement, so the peak holds everything one preparation needs.
void MeasurePreparation(benchmark::State& state, int64_t items, const std::string& s) {
  Measure(state, items, [&] {
    qv::FilterState f;
    f.FilterStr = s;
    benchmark::DoNotOptimize(f.Prepare());
  });
}

std::string Bets(int64_t n) {
  const char* four[] = {"1234567", "1234560", "0000000", "024,3468,5,2347,05,268,79"};
  std::string s = "TJ";
  for (int64_t i = 0; i < n; ++i) (s += four[i % 4]) += '|';
  return s;
}

// Preparation of a string with N media bets (and the prepared counter).
// The peak counts what the preparation holds beyond the filter string.
void BM_PrepareMediaBets(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string s = "M7(0-30|0-100)M4(0-30|0-100)E0-1" + Bets(n);
  // A fresh state per run, made and released inside the measurement, so the
  // peak holds everything one preparation needs.
  Measure(state, n, [&] {
    qv::FilterState f;
    f.FilterStr = s;
    Mark();
    benchmark::DoNotOptimize(f.Prepare());
  });
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_PrepareMediaBets)->RangeMultiplier(4)->Range(1 << 8, 1 << 18)->Complexity(benchmark::oN);

// Preparation of a string with N M sections.
void BM_PrepareSections(benchmark::State& state) {
  const int64_t n = state.range(0);
  std::string s;
  for (int64_t i = 0; i < n; ++i) s += "M7(10-30|5-40)";
  s += "TJ1234567|";
  MeasurePreparation(state, n, s);
}
BENCHMARK(BM_PrepareSections)->RangeMultiplier(4)->Range(1 << 8, 1 << 18)->Complexity(benchmark::oN);

// A number of N leading zeros.
void BM_PrepareLongNumber(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string s = "M7(" + std::string(static_cast<size_t>(n), '0') + "5-9|0-10)TJ1|";
  MeasurePreparation(state, n, s);
}
BENCHMARK(BM_PrepareLongNumber)->RangeMultiplier(4)->Range(1 << 10, 1 << 22)->Complexity(benchmark::oN);

// Junk that the literal walk would never finish: N "M" with no ")".
void BM_PrepareUnterminated(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string s = "M7(0-0|0-5)" + std::string(static_cast<size_t>(n), 'M');
  MeasurePreparation(state, n, s);
}
BENCHMARK(BM_PrepareUnterminated)->RangeMultiplier(4)->Range(1 << 10, 1 << 22)->Complexity(benchmark::oN);

// One verdict over N media bets.
void BM_ExecuteMediaBets(benchmark::State& state) {
  const int64_t n = state.range(0);
  qv::FilterState f;
  f.FilterStr = "M7(0-30|0-100)M4(0-30|0-100)E0-1" + Bets(n);
  if (!f.Prepare().accepted()) state.SkipWithError("refused");
  uint32_t i = 0;
  char cand[8] = "1234567";
  Measure(state, n, [&] {
    cand[6] = static_cast<char>('0' + (i++ % 10));
    benchmark::DoNotOptimize(f.Execute(cand));
  });
}
BENCHMARK(BM_ExecuteMediaBets)->RangeMultiplier(4)->Range(1 << 8, 1 << 18)->Complexity(benchmark::oN);

// One full report over N conditions.
void BM_DebugSections(benchmark::State& state) {
  const int64_t n = state.range(0);
  qv::FilterState f;
  for (int64_t i = 0; i < n; ++i) f.FilterStr += "M7(10-30|5-40)";
  f.FilterStr += "TJ1234567|0000000|";
  if (!f.Prepare().accepted()) state.SkipWithError("refused");
  Measure(state, n, [&] { benchmark::DoNotOptimize(f.Debug("1234567", true).size()); });
}
BENCHMARK(BM_DebugSections)->RangeMultiplier(4)->Range(1 << 8, 1 << 16)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
