// ZcExecute throughput for 10 to 10000 media bets: the literal algorithm
// (cut every bet at its commas and compare character by character on every
// call), the engine with each counting kernel, the hit counting alone with
// each kernel on bit rows (Bits/), with every bet in byte rows (Bytes/) and,
// up to 64 bets, in one bit word per row (Words/), and the plug-in's export.
// After the runs a table gives bet-candidate pairs per second and the ratio
// to the literal algorithm, from the CPU time of each run (the machine may
// be shared).
//
//   quelvor_bench [--benchmark_filter=...] [--benchmark_min_time=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Filter.h"
#include "HitCount.h"
#include "MedianReporter.h"
#if defined(_WIN32)
#include <windows.h>
#define QV_STDCALL __stdcall
#else
#include <dlfcn.h>
#define QV_STDCALL
#endif

// The three exports measured here (the plug-in's header is not included: its
// GetVersion would clash with the Windows one).
typedef void(QV_STDCALL* QvSetFilterStrFn)(const char*);
typedef unsigned char(QV_STDCALL* QvZcPrepareFn)(void);
typedef int32_t(QV_STDCALL* QvZcExecuteFn)(const char*);

namespace {

constexpr size_t kSizes[] = {10, 20, 60, 100, 1000, 10000};
constexpr size_t kCandidates = 1 << 13;

// Five conditions with E and S sections, as a user's set-up would have them.
const char kConditions[] = "M7(0-0|0-5)M5(0-10|0-20)M4(5-30|0-40)M3(10-50|5-60)M0(20-60|10-70)E0-2S0-3";

std::vector<std::string> MixedBets(size_t n, std::mt19937& rng) {
  std::uniform_int_distribution<int> digit(0, 9), width(1, 4), coin(0, 1);
  std::vector<std::string> bets;
  for (size_t i = 0; i < n; ++i) {
    std::string b;
    if (coin(rng)) {
      for (int j = 0; j < 7; ++j) b += static_cast<char>('0' + digit(rng));
    } else {
      for (int j = 0; j < 7; ++j) {
        if (j) b += ',';
        for (int w = width(rng); w > 0; --w) b += static_cast<char>('0' + digit(rng));
      }
    }
    bets.push_back(b);
  }
  return bets;
}

std::string FilterString(const std::vector<std::string>& bets) {
  std::string s = kConditions;
  s += "TJ";
  for (const auto& b : bets) s += b + "|";
  return s;
}

struct Workload {
  std::string filterStr;
  std::vector<std::string> candidates;
};

const Workload& WorkloadFor(size_t n) {
  static std::map<size_t, Workload> cache;
  auto it = cache.find(n);
  if (it != cache.end()) return it->second;
  std::mt19937 rng(static_cast<uint32_t>(n));
  Workload w;
  w.filterStr = FilterString(MixedBets(n, rng));
  std::uniform_int_distribution<int> number(0, 9999999);
  for (size_t i = 0; i < kCandidates; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%07d", number(rng));
    w.candidates.push_back(buf);
  }
  return cache.emplace(n, std::move(w)).first->second;
}

// The literal evaluation: CountHits on every bet, shares by division.
int32_t LiteralExecute(const qv::FilterState& f, const char* candidate) {
  int32_t tally[qv::kLevels] = {};
  const std::string_view cand(candidate);
  for (const std::string_view b : f.MediaBets) {
    const int32_t h = qv::CountHits(b, cand);
    if (h < qv::kLevels) ++tally[h];
  }
  const int32_t n = static_cast<int32_t>(f.MediaBets.size());
  int32_t err = 0, sup = 0;
  for (const qv::TMD& c : f.MDConds) {
    const int32_t s = n ? tally[c.Shot] * 100 / n : 0;
    if (c.ShotA <= s && s <= c.ShotB) continue;
    ++err;
    if (c.CanErrA <= s && s <= c.CanErrB) continue;
    ++sup;
    if (!f.CanSupErrOn || sup > f.Tally[qv::kCanSupErr2]) return qv::kHardReject;
  }
  if (f.CanSupErrOn && (sup > f.Tally[qv::kCanSupErr2] || sup < f.Tally[qv::kCanSupErr1]))
    return qv::kHardReject;
  if (f.CanErrOn) return (err < f.Tally[qv::kCanErr1] || err > f.Tally[qv::kCanErr2]) ? qv::kFail : qv::kPass;
  return err >= 1 ? qv::kFail : qv::kPass;
}

void SetPairs(benchmark::State& state, size_t n) {
  state.counters["pairs/s"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_Reference(benchmark::State& state, size_t n) {
  const Workload& w = WorkloadFor(n);
  qv::FilterState f;
  f.FilterStr = w.filterStr;
  if (!f.Prepare().accepted()) state.SkipWithError("filter string refused");
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(LiteralExecute(f, w.candidates[i++ & (kCandidates - 1)].c_str()));
  }
  SetPairs(state, n);
}

// What ZcExecute does, with the kernel given: the levels the conditions
// read, judged in the kernel where the table allows it.
void BM_Verdict(benchmark::State& state, qv::Kernel k, size_t n) {
  const Workload& w = WorkloadFor(n);
  qv::FilterState f;
  f.FilterStr = w.filterStr;
  f.UseKernel(k);
  if (!f.Prepare().accepted()) state.SkipWithError("filter string refused");
  int32_t tally[qv::kLevels];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.Verdict(w.candidates[i++ & (kCandidates - 1)].c_str(), tally));
  }
  SetPairs(state, n);
}

void BM_Kernel(benchmark::State& state, qv::Kernel k, size_t n) {
  const Workload& w = WorkloadFor(n);
  qv::FilterState f;
  f.FilterStr = w.filterStr;
  if (!f.Prepare().accepted()) state.SkipWithError("filter string refused");
  f.UseKernel(k);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.Execute(w.candidates[i++ & (kCandidates - 1)].c_str()));
  }
  SetPairs(state, n);
}

// Hit counting alone, every level, with bit rows where a bet allows them or
// with byte rows for every bet.  Words: the table built as for the scalar
// kernel (bit rows even for 64 bets or fewer, one word per row) and counted
// with kernel k.
void BM_Count(benchmark::State& state, qv::Kernel k, size_t n, bool bitRows, bool words) {
  const Workload& w = WorkloadFor(n);
  qv::FilterState f;
  f.FilterStr = w.filterStr;
  if (!f.Prepare().accepted()) state.SkipWithError("filter string refused");
  qv::HitCounter counter;
  counter.UseKernel(words ? qv::Kernel::Scalar : k);
  counter.UseBitRows(bitRows);
  counter.Build(f.MediaBets);
  counter.UseKernel(k);
  state.counters["bit rows"] = static_cast<double>(counter.BitBetCount());
  int32_t tally[qv::kLevels];
  size_t i = 0;
  for (auto _ : state) {
    counter.Tally(w.candidates[i++ & (kCandidates - 1)].c_str(), tally);
    benchmark::DoNotOptimize(tally);
  }
  SetPairs(state, n);
}

// The plug-in, loaded as a host loads it, from the folder of this program.
struct Plugin {
  QvSetFilterStrFn SetFilterStr = nullptr;
  QvZcPrepareFn ZcPrepare = nullptr;
  QvZcExecuteFn ZcExecute = nullptr;
  bool ok() const { return SetFilterStr && ZcPrepare && ZcExecute; }
};

Plugin g_plugin;

void LoadPlugin(const char* argv0) {
  std::string dir(argv0);
  const size_t slash = dir.find_last_of("/\\");
  dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
#if defined(_WIN32)
  HMODULE h = LoadLibraryA((dir + "Quelvor.dll").c_str());
  if (!h) return;
  auto get = [h](const char* name) { return reinterpret_cast<void*>(GetProcAddress(h, name)); };
#else
  void* h = dlopen((dir + "libQuelvor.so").c_str(), RTLD_NOW);
  if (!h) return;
  auto get = [h](const char* name) { return dlsym(h, name); };
#endif
  g_plugin.SetFilterStr = reinterpret_cast<QvSetFilterStrFn>(get("SetFilterStr"));
  g_plugin.ZcPrepare = reinterpret_cast<QvZcPrepareFn>(get("ZcPrepare"));
  g_plugin.ZcExecute = reinterpret_cast<QvZcExecuteFn>(get("ZcExecute"));
}

void BM_Export(benchmark::State& state, size_t n) {
  const Workload& w = WorkloadFor(n);
  if (!g_plugin.ok()) {
    state.SkipWithError("the plug-in library was not found next to this program");
    return;
  }
  // With several threads, the first prepares while the others wait for the
  // loop to start, as a host prepares before it splits the pass.
  if (state.thread_index() == 0) {
    g_plugin.SetFilterStr(w.filterStr.c_str());
    if (!g_plugin.ZcPrepare()) state.SkipWithError("filter string refused");
  }
  const QvZcExecuteFn execute = g_plugin.ZcExecute;
  size_t i = static_cast<size_t>(state.thread_index()) * 997;
  for (auto _ : state) {
    benchmark::DoNotOptimize(execute(w.candidates[i++ & (kCandidates - 1)].c_str()));
  }
  SetPairs(state, n);
}

// Keeps every run and prints the summary table at the end.
class SummaryReporter : public qv::bench::MedianReporter {
 public:
  struct Row {
    std::string name;
    size_t bets;
    double nsPerCall;
  };
  void Add(const std::string& name, size_t bets) { meta_[name] = bets; }
  void Summary() const {
    std::map<size_t, double> reference;
    for (const Row& r : rows_)
      if (r.name.rfind("Reference/", 0) == 0) reference[r.bets] = r.nsPerCall;
    std::printf("\n%-26s %8s %14s %16s %12s\n", "benchmark", "bets", "ns/call", "pairs/s", "x reference");
    for (const Row& r : rows_) {
      const double pairs = static_cast<double>(r.bets) / (r.nsPerCall * 1e-9);
      auto ref = reference.find(r.bets);
      const double ratio = ref == reference.end() ? 0.0 : ref->second / r.nsPerCall;
      std::printf("%-26s %8zu %14.2f %16.4g %12.1f\n", r.name.c_str(), r.bets, r.nsPerCall, pairs, ratio);
    }
    std::printf("best kernel: %s\n", qv::KernelName(qv::BestKernel()));
  }

 private:
  void Keep(const std::string& name, const Run& r) override {
    auto it = meta_.find(name);
    if (it == meta_.end()) return;
    const Row row{name, it->second, r.GetAdjustedCPUTime() * Seconds(r.time_unit) * 1e9};
    auto seen = std::find_if(rows_.begin(), rows_.end(), [&](const Row& x) { return x.name == name; });
    if (seen == rows_.end()) rows_.push_back(row);
    else *seen = row;
  }

  std::map<std::string, size_t> meta_;
  std::vector<Row> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  LoadPlugin(argv[0]);
  SummaryReporter reporter;
  for (size_t n : kSizes) {
    const std::string suffix = "/" + std::to_string(n);
    reporter.Add("Reference" + suffix, n);
    benchmark::RegisterBenchmark(("Reference" + suffix).c_str(), BM_Reference, n);
    for (const qv::KernelInfo& e : qv::KernelTable()) {
      const qv::Kernel kernel = e.kernel;
      if (!e.available()) continue;
      const std::string name = std::string("Kernel/") + qv::KernelName(kernel) + suffix;
      reporter.Add(name, n);
      benchmark::RegisterBenchmark(name.c_str(), BM_Kernel, kernel, n);
    }
    for (const qv::KernelInfo& e : qv::KernelTable()) {
      if (!e.available()) continue;
      const std::string name = std::string("Verdict/") + e.name + suffix;
      reporter.Add(name, n);
      benchmark::RegisterBenchmark(name.c_str(), BM_Verdict, e.kernel, n);
    }
    for (const bool bitRows : {true, false})
      for (const qv::KernelInfo& e : qv::KernelTable()) {
        if (!e.available()) continue;
        const std::string name = std::string(bitRows ? "Bits/" : "Bytes/") + e.name + suffix;
        reporter.Add(name, n);
        benchmark::RegisterBenchmark(name.c_str(), BM_Count, e.kernel, n, bitRows, false);
      }
    if (n <= 64)
      for (const qv::KernelInfo& e : qv::KernelTable()) {
        if (!e.available() || e.kernel == qv::Kernel::Scalar) continue;
        const std::string name = std::string("Words/") + e.name + suffix;
        reporter.Add(name, n);
        benchmark::RegisterBenchmark(name.c_str(), BM_Count, e.kernel, n, true, true);
      }
    reporter.Add("ZcExecute" + suffix, n);
    benchmark::RegisterBenchmark(("ZcExecute" + suffix).c_str(), BM_Export, n);
    // Two host threads judging at once, each in its own scratch (the
    // workload made beforehand: its cache is not for threads).
    if (n == 1000) {
      WorkloadFor(n);
      reporter.Add("ZcExecute" + suffix + "/threads:2", n);
      benchmark::RegisterBenchmark(("ZcExecute" + suffix).c_str(), BM_Export, n)->Threads(2);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
