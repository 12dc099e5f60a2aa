// quelvor calibrate: bands proposed from past winners' hit shares, with the
// back-test of the proposal in-sample and, with a holdout, out-of-sample.
#include <algorithm>
#include <memory>

#include "AnalysisOptions.h"
#include "BacktestOutput.h"
#include "BetSources.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "FilterOptions.h"

namespace qv::host {
namespace {

struct CalibrateArgs {
  RunOptions run;
  std::string levels;
  std::string allowed = "0.8";
  std::string tolerance = "1.0";
  std::string recall = "0.9";
  size_t holdout = 0;
  std::string bets;
  CLI::Option* levelsOpt = nullptr;
  CLI::Option* holdoutOpt = nullptr;
  CLI::Option* betsOpt = nullptr;
};

// "7,5,0": level digits 0..7, each once.
bool ParseLevels(const std::string& text, std::vector<int>& out) {
  out.clear();
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (piece.size() != 1 || piece[0] < '0' || piece[0] > '7') {
      PrintError("--levels: \"" + piece + "\" is not a level digit 0 to 7");
      return false;
    }
    const int level = piece[0] - '0';
    if (std::find(out.begin(), out.end(), level) != out.end()) {
      PrintError("--levels: level " + piece + " is given twice");
      return false;
    }
    out.push_back(level);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

int RunCalibrateCommand(const CalibrateArgs& args) {
  CalibrationRun cal;
  std::string why;
  for (auto [text, slot, name] : {std::tuple{&args.allowed, &cal.allowed, "--allowed"},
                                  std::tuple{&args.tolerance, &cal.tolerance, "--tolerance"},
                                  std::tuple{&args.recall, &cal.recall, "--recall"}})
    if (!ParseUnitDecimal(*text, *slot, why)) {
      PrintError(std::string(name) + ": " + why);
      return kExitUsage;
    }
  std::vector<int> levels;
  if (args.levelsOpt->count() > 0 && !ParseLevels(args.levels, levels)) return kExitUsage;
  BacktestOptions opts;
  if (!args.run.Backtest(opts)) return kExitUsage;

  History history;
  if (!args.run.ReadHistory(history)) return kExitUsage;
  cal.history = args.run.history;
  cal.rows = history.draws.size();
  if (args.holdoutOpt->count() > 0) {
    if (args.holdout < 1 || args.holdout >= cal.rows) {
      PrintError("--holdout " + std::to_string(args.holdout) + ": must be at least 1 and below the " +
                 std::to_string(cal.rows) + " rows of the history");
      return kExitUsage;
    }
    cal.holdout = args.holdout;
  }
  const std::span<const HistoryDraw> all(history.draws);
  const std::span<const HistoryDraw> calibration = all.first(cal.rows - cal.holdout);
  const std::span<const HistoryDraw> heldOut = all.last(cal.holdout);
  const uint64_t n = calibration.size();

  std::vector<std::string> nextBets;
  if (args.betsOpt->count() > 0) {
    const BetList list = ReadBetsFile(PathFromArgument(args.bets));
    if (!list.ok) {
      PrintError("--bets " + args.bets + ": " + list.error);
      return kExitUsage;
    }
    if (list.skipped > 0)
      PrintError("--bets " + args.bets + ": skipped " + std::to_string(list.skipped) +
                 " bets the filter string cannot carry");
    nextBets = list.bets;
  }

  // The winners' shares; any bands will do for them.
  Bands any;
  BandsOf("M0(0-100|0-100)", any, why);
  BacktestOptions sharesOnly;
  sharesOnly.keepRate.mode = KeepRateMode::None;
  std::vector<Shares> winners;
  for (const DrawResult& r : RunBacktest(any, calibration, sharesOnly)) winners.push_back(r.shares);

  if (levels.empty()) levels = DefaultLevels(winners);
  if (levels.empty()) {
    PrintError("no calibration winner has a share above 0 at any level; give --levels");
    return kExitUsage;
  }
  cal.targets = {CeilTimes(cal.allowed, n), CeilTimes(cal.tolerance, n), CeilTimes(cal.recall, n)};
  cal.proposal = Calibrate(winners, levels, cal.targets);
  cal.filterString = nextBets.empty() ? cal.proposal.filterString : WithBets(cal.proposal.filterString, nextBets);

  Bands proposed;
  if (!BandsOf(cal.proposal.filterString, proposed, why)) {
    PrintError("internal error: the proposal was refused: " + why);
    return kExitRefused;
  }
  cal.inSample.draws = calibration;
  cal.inSample.keepRate = opts.keepRate;
  cal.inSample.results = RunWithProgress(proposed, calibration, opts);
  cal.inSample.summary = Summarize(cal.inSample.results);
  if (cal.holdout) {
    cal.outOfSample.draws = heldOut;
    cal.outOfSample.keepRate = opts.keepRate;
    BacktestOptions outOpts = opts;
    outOpts.firstRow = cal.rows - cal.holdout;
    cal.outOfSample.results = RunWithProgress(proposed, heldOut, outOpts);
    cal.outOfSample.summary = Summarize(cal.outOfSample.results);
  }

  const bool written = WriteFormatted(
      args.run.format, [&] { return CalibrationText(cal); }, [&] { return CalibrationJson(cal); },
      [&] { return CalibrationCsv(cal); }, [&] { return CalibrationText(cal, false); });
  if (!written || !WriteHtml(args.run, CalibrationHtml(cal))) return kExitUsage;
  return kExitOk;
}

}  // namespace

void AddCalibrateCommand(CLI::App& root, CommandList& commands) {
  auto args = std::make_shared<CalibrateArgs>();
  CLI::App* cmd = root.add_subcommand(
      "calibrate",
      "Propose bands from past winners' hit shares and back-test them, in-sample and on held-out draws");
  args->run.AddTo(*cmd);
  args->levelsOpt = cmd->add_option("--levels", args->levels,
                                    "Levels to give bands, comma-separated digits (default: every level "
                                    "at which some winner's share is above 0)")
                        ->type_name("7,5,0");
  cmd->add_option("--allowed", args->allowed, "Share P of winners each allowed band holds, in (0, 1]")
      ->type_name("P")
      ->capture_default_str();
  cmd->add_option("--tolerance", args->tolerance, "Share Q of winners each tolerance band holds, in (0, 1]")
      ->type_name("Q")
      ->capture_default_str();
  cmd->add_option("--recall", args->recall, "Share R of winners that must pass with the E range, in (0, 1]")
      ->type_name("R")
      ->capture_default_str();
  args->holdoutOpt = cmd->add_option("--holdout", args->holdout,
                                     "Keep the last K rows out of the calibration and back-test on them")
                         ->type_name("K");
  args->betsOpt = cmd->add_option("--bets", args->bets,
                                  "Media bets for the next draw, appended to the proposed filter string "
                                  "(.szc, condition file or one bet a line)")
                      ->type_name("FILE");
  cmd->footer("Exit status: 0 done, 2 usage or input error.");
  commands.push_back({cmd, [args] { return RunCalibrateCommand(*args); }});
}

}  // namespace qv::host
