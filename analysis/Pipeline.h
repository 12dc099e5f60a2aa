// The whole back-test and the whole calibration as one call each, for the
// commands and for a window alike: the caller reads the history and the
// options, these do the work and hand back everything the reports show.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "Backtest.h"
#include "Calibrate.h"
#include "Census.h"
#include "History.h"

namespace qv::host {

// One back-test: the draws, their results and the way keep rates were got.
struct BacktestRun {
  std::span<const HistoryDraw> draws;
  std::vector<DrawResult> results;
  Summary summary;
  KeepRateOptions keepRate;
};

// What the calibration optimises: the narrowest bands that hold the given
// shares of the winners, or the fewest numbers kept at the recall target.
enum class Objective { Narrow, Keep };
const char* ObjectiveName(Objective o);

struct CalibrationRun {
  Objective objective = Objective::Narrow;
  std::string history;   // the history file, as given
  size_t rows = 0;       // rows of the history
  size_t holdout = 0;    // K; 0 without a holdout
  Decimal allowed, tolerance, recall;
  CalibrationTargets targets;
  Proposal proposal;
  std::string filterString;  // the proposal with the next draw's media bets
  BacktestRun inSample;
  BacktestRun outOfSample;   // only with a holdout
};

// Judges the draws with the bands (accepted by BandsOf) and sums them up.
BacktestRun RunBacktestOn(const Bands& bands, std::span<const HistoryDraw> draws,
                          const BacktestOptions& opts);

struct CalibrationRequest {
  std::string history;                 // its name, for the reports
  std::span<const HistoryDraw> draws;  // every row; they must outlive the result
  size_t holdout = 0;                  // 0, or 1 to rows - 1: the last rows held out
  Decimal allowed, tolerance, recall;
  std::vector<int> levels;             // empty: DefaultLevels of the calibration winners
  std::vector<std::string> nextBets;   // appended to the proposal when given
  // Keep: from the narrow proposal, the search of KeepCalibration.h over
  // the levels given (all eight when none are), with a census per
  // calibration draw; the in-sample keep rates are then the censuses'
  // exact ones whatever the keep rate mode, unless it is none.
  Objective objective = Objective::Narrow;
  // Keep: the censuses of the rows' media bets, one per row of `draws` in
  // order, when the caller holds them already (they must outlive the call);
  // with any other number of them they are built here.
  std::span<const Census> censuses;
  // Keep rate, threads, progress (over the censuses, then each back-test's
  // numbers) and cancelling.
  BacktestOptions backtest;
};

struct CalibrationResult {
  enum class Status { Done, NoLevels, ProposalRefused, Cancelled, Failed } status = Status::Done;
  std::string error;  // UTF-8, when not done
  CalibrationRun run;
};

// Proposes bands from the calibration rows' winners and back-tests the
// proposal on them and, with a holdout, on the held-out rows.
CalibrationResult RunCalibration(const CalibrationRequest& request);

}  // namespace qv::host
