// The exact keep rate of one draw with the bundled example's bands and its
// 60 media bets, on one thread: as the back-test gets it (the draw's census
// of share vectors, then its verdict counts) and by the full pass that
// judges all 10,000,000 numbers one by one.  The target is under half a
// second a draw.
#include <benchmark/benchmark.h>

#include <string>

#include "Backtest.h"

namespace {

const char kSample[] =
    "M4(0-1|0-5)M3(5-11|1-16)M2(16-26|10-31)M1(30-40|21-46)M0(25-36|18-43)E0-1S0-1TJ"
    "1234567|024,3468,5,2347,05,268,79|7999113|048,08,9,58,15,68,27|4134620|59,2349,0589,14,2,39,0136|"
    "6631435|058,67,0348,159,2689,8,3|1122884|238,8,179,8,0,7,4569|3855096|23,4,17,589,012,5,146|"
    "9936370|6,79,1234,8,459,01,3|5997547|05,58,348,36,1,35,18|3617604|9,2567,269,07,168,67,069|"
    "0961104|139,3456,03,49,48,13,7|0025805|7,48,489,49,27,048,9|8251040|23,03,1248,048,469,158,38|"
    "0292495|1568,149,9,2,59,15,89|7851196|27,01,257,7,36,249,59|8331009|0479,58,23,689,1457,279,129|"
    "7579073|359,47,8,6,39,257,19|8995554|7,69,0239,0267,6,2489,0134|0097362|567,1,027,1,4,248,7|"
    "9519686|178,58,0,079,46,06,0368|7875662|4,15,69,25,34,3,01|9439501|18,02,7,235,34,2349,036|"
    "9288665|56,49,4,56,45,49,46|2662208|2,146,15,029,6,36,47|4299430|489,6,135,267,048,2,67|"
    "9361515|8,289,4,0,3,27,2|0982329|046,9,12,5,028,367,1|2912498|0,58,0269,039,47,9,045|"
    "3075799|3,78,5,16,38,189,0|3438364|16,46,478,4568,7,015,01|3171573|04,47,16,56,0345,23,16|";

void BM_ExactKeepRate60Bets(benchmark::State& state) {
  qv::host::Bands bands;
  std::string why;
  if (!qv::host::BandsOf(kSample, bands, why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  qv::host::HistoryDraw draw;
  draw.winner = "1234567";
  qv::FilterState probe;
  probe.FilterStr = kSample;
  probe.Prepare();
  for (std::string_view b : probe.MediaBets) draw.bets.emplace_back(b);
  const std::vector<qv::host::HistoryDraw> draws = {draw};
  qv::host::BacktestOptions opts;  // exact, one thread
  uint64_t kept = 0;
  for (auto _ : state) {
    const std::vector<qv::host::DrawResult> r = qv::host::RunBacktest(bands, draws, opts);
    kept = r[0].kept;
    benchmark::DoNotOptimize(kept);
  }
  state.counters["bets"] = static_cast<double>(draw.bets.size());
  state.counters["kept"] = static_cast<double>(kept);
  state.counters["numbers/s"] =
      benchmark::Counter(static_cast<double>(qv::host::kAllNumbers), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExactKeepRate60Bets)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_FullPass60Bets(benchmark::State& state) {
  qv::FilterState engine;
  engine.FilterStr = kSample;
  engine.Prepare();
  uint64_t kept = 0;
  for (auto _ : state) {
    kept = qv::host::CountKept(engine, 0, qv::host::kAllNumbers);
    benchmark::DoNotOptimize(kept);
  }
  state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_FullPass60Bets)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
