#include "Pipeline.h"

#include <thread>

#include "Census.h"
#include "KeepCalibration.h"

namespace qv::host {

const char* ObjectiveName(Objective o) { return o == Objective::Keep ? "keep" : "narrow"; }

BacktestRun RunBacktestOn(const Bands& bands, std::span<const HistoryDraw> draws,
                          const BacktestOptions& opts) {
  BacktestRun run;
  run.draws = draws;
  run.keepRate = opts.keepRate;
  run.results = RunBacktest(bands, draws, opts);
  run.summary = Summarize(run.results);
  return run;
}

namespace {

bool Cancelled(const BacktestOptions& o) { return o.cancel && o.cancel->load(std::memory_order_relaxed); }

// The census of every draw's media bets, one after the other, each on all
// the threads.  Progress counts numbers, as a back-test does.
CensusStatus BuildCensuses(std::span<const HistoryDraw> draws, const BacktestOptions& opts,
                           std::vector<Census>& out) {
  out.assign(draws.size(), Census());
  for (size_t i = 0; i < draws.size(); ++i) {
    if (Cancelled(opts)) return CensusStatus::Cancelled;
    FilterState state;
    state.FilterStr = WithBets("M0(0-100|0-100)", draws[i].bets);
    state.Prepare();
    const CensusStatus s = BuildDrawCensus(state, i, draws.size(), opts, out[i]);
    if (s != CensusStatus::Done) return s;
  }
  return CensusStatus::Done;
}

}  // namespace

CalibrationResult RunCalibration(const CalibrationRequest& request) {
  CalibrationResult result;
  CalibrationRun& cal = result.run;
  cal.objective = request.objective;
  cal.history = request.history;
  cal.rows = request.draws.size();
  cal.holdout = request.holdout;
  cal.allowed = request.allowed;
  cal.tolerance = request.tolerance;
  cal.recall = request.recall;
  const std::span<const HistoryDraw> calibration = request.draws.first(cal.rows - cal.holdout);
  const std::span<const HistoryDraw> heldOut = request.draws.last(cal.holdout);
  const uint64_t n = calibration.size();
  const auto cancelled = [&result] {
    result.status = CalibrationResult::Status::Cancelled;
    result.error = "cancelled";
    return result;
  };

  // The winners' shares; any bands will do for them.
  Bands any;
  std::string why;
  BandsOf("M0(0-100|0-100)", any, why);
  BacktestOptions sharesOnly;
  sharesOnly.keepRate.mode = KeepRateMode::None;
  std::vector<Shares> winners;
  for (const DrawResult& r : RunBacktest(any, calibration, sharesOnly)) winners.push_back(r.shares);

  std::vector<int> levels = request.levels.empty() ? DefaultLevels(winners) : request.levels;
  if (levels.empty()) {
    result.status = CalibrationResult::Status::NoLevels;
    result.error = "no calibration winner has a share above 0 at any level; give --levels";
    return result;
  }
  cal.targets = {CeilTimes(cal.allowed, n), CeilTimes(cal.tolerance, n), CeilTimes(cal.recall, n)};
  cal.proposal = Calibrate(winners, levels, cal.targets);

  std::vector<Census> built;
  std::span<const Census> censuses = request.censuses;
  if (request.objective == Objective::Keep) {
    if (censuses.size() != cal.rows) {
      const CensusStatus s = BuildCensuses(calibration, request.backtest, built);
      if (s == CensusStatus::Cancelled) return cancelled();
      if (s != CensusStatus::Done) {
        result.status = CalibrationResult::Status::Failed;
        result.error = std::string("the census of a calibration draw failed: ") + CensusStatusText(s);
        return result;
      }
      censuses = built;
    }
    censuses = censuses.first(calibration.size());
    const std::vector<int> searched =
        request.levels.empty() ? std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0} : request.levels;
    cal.proposal = CalibrateForKeep(winners, censuses, searched, cal.targets.recall, cal.proposal).proposal;
  }
  cal.filterString = request.nextBets.empty() ? cal.proposal.filterString
                                              : WithBets(cal.proposal.filterString, request.nextBets);

  Bands proposed;
  if (!BandsOf(cal.proposal.filterString, proposed, why)) {
    result.status = CalibrationResult::Status::ProposalRefused;
    result.error = "internal error: the proposal was refused: " + why;
    return result;
  }
  if (request.objective == Objective::Keep) {
    // Verdicts from the engine, exact keep rates from the censuses.
    BacktestOptions verdicts = request.backtest;
    const bool rated = verdicts.keepRate.mode != KeepRateMode::None;
    verdicts.keepRate.mode = KeepRateMode::None;
    cal.inSample = RunBacktestOn(proposed, calibration, verdicts);
    if (rated) {
      cal.inSample.keepRate.mode = KeepRateMode::Exact;
      for (size_t i = 0; i < calibration.size(); ++i) {
        DrawResult& r = cal.inSample.results[i];
        r.kept = KeptBy(censuses[i], cal.proposal);
        r.examined = kCensusNumbers;
        r.keepRate = static_cast<double>(r.kept) / kCensusNumbers;
      }
      cal.inSample.summary = Summarize(cal.inSample.results);
    }
  } else {
    cal.inSample = RunBacktestOn(proposed, calibration, request.backtest);
  }
  if (Cancelled(request.backtest)) return cancelled();
  if (cal.holdout) {
    BacktestOptions outOpts = request.backtest;
    outOpts.firstRow = cal.rows - cal.holdout;
    cal.outOfSample = RunBacktestOn(proposed, heldOut, outOpts);
    if (Cancelled(request.backtest)) return cancelled();
  }
  return result;
}

}  // namespace qv::host
