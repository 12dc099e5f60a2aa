#include "Pipeline.h"

namespace qv::host {

BacktestRun RunBacktestOn(const Bands& bands, std::span<const HistoryDraw> draws,
                          const BacktestOptions& opts) {
  BacktestRun run;
  run.draws = draws;
  run.keepRate = opts.keepRate;
  run.results = RunBacktest(bands, draws, opts);
  run.summary = Summarize(run.results);
  return run;
}

CalibrationResult RunCalibration(const CalibrationRequest& request) {
  CalibrationResult result;
  CalibrationRun& cal = result.run;
  cal.history = request.history;
  cal.rows = request.draws.size();
  cal.holdout = request.holdout;
  cal.allowed = request.allowed;
  cal.tolerance = request.tolerance;
  cal.recall = request.recall;
  const std::span<const HistoryDraw> calibration = request.draws.first(cal.rows - cal.holdout);
  const std::span<const HistoryDraw> heldOut = request.draws.last(cal.holdout);
  const uint64_t n = calibration.size();

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
  cal.filterString = request.nextBets.empty() ? cal.proposal.filterString
                                              : WithBets(cal.proposal.filterString, request.nextBets);

  Bands proposed;
  if (!BandsOf(cal.proposal.filterString, proposed, why)) {
    result.status = CalibrationResult::Status::ProposalRefused;
    result.error = "internal error: the proposal was refused: " + why;
    return result;
  }
  cal.inSample = RunBacktestOn(proposed, calibration, request.backtest);
  if (cal.holdout) {
    BacktestOptions outOpts = request.backtest;
    outOpts.firstRow = cal.rows - cal.holdout;
    cal.outOfSample = RunBacktestOn(proposed, heldOut, outOpts);
  }
  return result;
}

}  // namespace qv::host
