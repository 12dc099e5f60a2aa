// A console reporter that hands on, for each benchmark, the run that stands
// for it: with --benchmark_repetitions the median of the repetitions (it
// comes in a report of its own, after the runs), else the run itself.
#pragma once

#include <benchmark/benchmark.h>

#include <set>
#include <string>
#include <vector>

namespace qv::bench {

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (!median && r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.run_name.str();
      if (!median && medians_.count(name)) continue;
      if (median) medians_.insert(name);
      Keep(name, r);
    }
  }

 protected:
  // The run that stands for the benchmark name so far; a later one replaces it.
  virtual void Keep(const std::string& name, const Run& run) = 0;

  // Seconds in one of the unit.
  static double Seconds(benchmark::TimeUnit u) {
    switch (u) {
      case benchmark::kMillisecond: return 1e-3;
      case benchmark::kMicrosecond: return 1e-6;
      case benchmark::kNanosecond: return 1e-9;
      default: return 1.0;
    }
  }

 private:
  std::set<std::string> medians_;
};

}  // namespace qv::bench
