// The census of share vectors against the full pass it stands for, in one
// run: the bundled example filter (60 media bets) judged over all ten
// million numbers by FilterState::Execute, and its census on one and on two
// threads (wall time); the verdict counts, and the counts without each
// condition, from the census of 60 and of 1000 random bets; the heap that a
// census of 1000 random bets takes beyond its prepared filter.  A closing
// table sets each figure against its target.
//
//   quelvor_census_bench [--benchmark_repetitions=N] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "Census.h"
#include "Filter.h"
#include "HeapCount.h"
#include "MedianReporter.h"
#include "SampleFilterText.h"


namespace {

// The example's conditions, for the random bets too.
std::string Conditions() {
  const std::string s = kSampleFilterText;
  return s.substr(0, s.find("TJ"));
}

// Random single bets, or half of them compound with groups of one to four
// digits.
std::string RandomBets(size_t n, bool mixed = false) {
  std::mt19937 rng(static_cast<uint32_t>(n));
  std::uniform_int_distribution<int> digit(0, 9), width(1, 4), coin(0, 1);
  std::string s = Conditions() + "TJ";
  for (size_t i = 0; i < n; ++i) {
    const bool compound = mixed && coin(rng);
    for (int j = 0; j < 7; ++j) {
      if (compound && j) s += ',';
      for (int w = compound ? width(rng) : 1; w > 0; --w) s += static_cast<char>('0' + digit(rng));
    }
    s += '|';
  }
  return s;
}

const qv::FilterState& Prepared(const std::string& s) {
  static std::map<std::string, qv::FilterState> cache;
  auto it = cache.find(s);
  if (it == cache.end()) {
    it = cache.emplace(s, qv::FilterState()).first;
    it->second.FilterStr = s;
    it->second.Prepare();
  }
  return it->second;
}

const qv::Census& CensusOf(const std::string& s) {
  static std::map<std::string, qv::Census> cache;
  auto it = cache.find(s);
  if (it == cache.end()) {
    qv::CensusOptions o;
    o.jobs = 0;
    it = cache.emplace(s, qv::Census()).first;
    it->second.Build(Prepared(s), o);
  }
  return it->second;
}

void BM_FullPass(benchmark::State& state) {
  qv::FilterState f = Prepared(kSampleFilterText);
  uint64_t passed = 0;
  for (auto _ : state) {
    char text[8] = "0000000";
    passed = 0;
    for (uint32_t x = 0; x < qv::kCensusNumbers; ++x) {
      passed += f.Execute(text) == qv::kPass;
      for (int j = 6; j >= 0 && ++text[j] > '9'; --j) text[j] = '0';
    }
    benchmark::DoNotOptimize(passed);
  }
  state.counters["passed"] = static_cast<double>(passed);
}
BENCHMARK(BM_FullPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Census(benchmark::State& state) {
  const qv::FilterState& f = Prepared(kSampleFilterText);
  qv::CensusOptions o;
  o.jobs = static_cast<unsigned>(state.range(0));
  qv::Census c;
  for (auto _ : state) {
    if (c.Build(f, o) != qv::CensusStatus::Done) state.SkipWithError("census failed");
  }
  state.counters["distinct"] = static_cast<double>(c.DistinctVectors());
  state.counters["passed"] = static_cast<double>(c.Count(f).passed);
}
BENCHMARK(BM_Census)->ArgName("jobs")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Verdicts(benchmark::State& state) {
  const std::string s = RandomBets(static_cast<size_t>(state.range(0)), state.range(1) != 0);
  const qv::FilterState& f = Prepared(s);
  const qv::Census& c = CensusOf(s);
  for (auto _ : state) benchmark::DoNotOptimize(c.Count(f));
  state.counters["distinct"] = static_cast<double>(c.DistinctVectors());
}
BENCHMARK(BM_Verdicts)->ArgNames({"bets", "mixed"})->ArgsProduct({{60, 1000}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_PassedWithout(benchmark::State& state) {
  const std::string s = RandomBets(static_cast<size_t>(state.range(0)), state.range(1) != 0);
  const qv::FilterState& f = Prepared(s);
  const qv::Census& c = CensusOf(s);
  for (auto _ : state) benchmark::DoNotOptimize(c.PassedWithout(f.MDConds, f.Ranges()));
}
BENCHMARK(BM_PassedWithout)->ArgNames({"bets", "mixed"})->ArgsProduct({{60, 1000}, {0, 1}})->Unit(benchmark::kMicrosecond);

// The heap a census holds at its peak beyond the prepared filter (on two
// threads, each with its own table).
void BM_CensusMemory(benchmark::State& state) {
  const qv::FilterState& f = Prepared(RandomBets(static_cast<size_t>(state.range(0)), state.range(1) != 0));
  qv::CensusOptions o;
  o.jobs = 2;
  int64_t peak = 0;
  for (auto _ : state) {
    const int64_t base = qv::bench::HeapMark();
    qv::Census c;
    c.Build(f, o);
    peak = qv::bench::HeapPeakAbove(base);
  }
#ifdef QV_COUNT_HEAP
  state.counters["peak_bytes"] = static_cast<double>(peak);
#else
  (void)peak;  // the heap is not counted here
#endif
}
BENCHMARK(BM_CensusMemory)->ArgNames({"bets", "mixed"})->ArgsProduct({{1000}, {0, 1}})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's real time (the median with repetitions) and
// counters for the closing table.
class TargetReporter : public qv::bench::MedianReporter {
 public:
  void Summary() const {
    // The first run whose name starts so (names end in /real_time and the like).
    auto find = [](const std::map<std::string, double>& m, const std::string& n) {
      auto it = m.lower_bound(n);
      return it != m.end() && it->first.compare(0, n.size(), n) == 0 ? it->second : 0.0;
    };
    auto wall = [&](const std::string& n) { return find(seconds_, n); };
    auto cpu = [&](const std::string& n) { return find(cpu_, n); };
    // Wall time, and the processor time of the calling thread (on one
    // thread the figure a busy shared machine disturbs least).
    std::printf("\n%-40s %12s %12s %10s\n", "figure", "wall", "cpu", "target");
    const double pass = wall("BM_FullPass"), passCpu = cpu("BM_FullPass");
    if (pass > 0 && passCpu > 0) {
      std::printf("%-40s %10.3f s %10.3f s %10s\n", "full pass, example (60 bets)", pass, passCpu, "");
      std::printf("%-40s %11.2fx %11.2fx %10s\n", "census / full pass, 1 thread", wall("BM_Census/jobs:1") / pass,
                  cpu("BM_Census/jobs:1") / passCpu, "<= 1.15x");
      std::printf("%-40s %11.2fx %12s %10s\n", "census / full pass, 2 threads", wall("BM_Census/jobs:2") / pass, "",
                  "<= 0.60x");
    }
    for (const char* mixed : {"0", "1"})
      for (const char* bets : {"60", "1000"}) {
        const std::string args = std::string(bets) + "/mixed:" + mixed;
        const std::string what = std::string(bets) + (*mixed == '1' ? " mixed" : " single") + " bets";
        const std::string v = "BM_Verdicts/bets:" + args, w = "BM_PassedWithout/bets:" + args;
        std::printf("%-40s %9.3f ms %9.3f ms %10s\n", ("verdict counts, " + what).c_str(), wall(v) * 1e3,
                    cpu(v) * 1e3, "<= 1 ms");
        std::printf("%-40s %9.3f ms %9.3f ms %10s\n", ("passed without each, " + what).c_str(), wall(w) * 1e3,
                    cpu(w) * 1e3, "");
      }
    for (const char* mixed : {"0", "1"}) {
      auto peak = peak_.lower_bound(std::string("BM_CensusMemory/bets:1000/mixed:") + mixed);
      if (peak != peak_.end() && peak->first.find(std::string("mixed:") + mixed) != std::string::npos)
        std::printf("%-40s %9.3f MB %12s %10s\n",
                    (std::string("census heap, 1000 ") + (*mixed == '1' ? "mixed" : "single") + " bets").c_str(),
                    peak->second / 1048576.0, "", "<= 16 MB");
    }
  }

 private:
  void Keep(const std::string& name, const Run& r) override {
    seconds_[name] = r.GetAdjustedRealTime() * Seconds(r.time_unit);
    cpu_[name] = r.GetAdjustedCPUTime() * Seconds(r.time_unit);
    auto peak = r.counters.find("peak_bytes");
    if (peak != r.counters.end()) peak_[name] = peak->second;
  }

  std::map<std::string, double> seconds_, cpu_, peak_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TargetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
