// quelvor calibrate: bands proposed from past winners' hit shares, with the
// back-test of the proposal in-sample and, with a holdout, out-of-sample.
#include <algorithm>
#include <memory>

#include "AnalysisOptions.h"
#include "BacktestOutput.h"
#include "BetSources.h"
#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "Pipeline.h"
#include "Progress.h"

namespace qv::host {
namespace {

// What `quelvor calibrate` does, for its help.
constexpr char kAbout[] =
    "Propose bands from past winners' hit shares and back-test them, in-sample and on held-out "
    "draws";

struct CalibrateArgs {
  RunOptions run;
  std::string levels;
  std::string allowed = "0.8";
  std::string tolerance = "1.0";
  std::string recall = "0.9";
  size_t holdout = 0;
  std::string bets;
  std::string objective = "narrow";
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
  CalibrationRequest req;
  std::string why;
  for (auto [text, slot, name] : {std::tuple{&args.allowed, &req.allowed, "--allowed"},
                                  std::tuple{&args.tolerance, &req.tolerance, "--tolerance"},
                                  std::tuple{&args.recall, &req.recall, "--recall"}})
    if (!ParseUnitDecimal(*text, *slot, why)) {
      PrintError(std::string(name) + ": " + why);
      return kExitUsage;
    }
  if (args.levelsOpt->count() > 0 && !ParseLevels(args.levels, req.levels)) return kExitUsage;
  if (!args.run.Backtest(req.backtest)) return kExitUsage;
  req.objective = args.objective == "keep" ? Objective::Keep : Objective::Narrow;

  History history;
  if (!args.run.ReadHistory(history)) return kExitUsage;
  req.history = args.run.history;
  req.draws = history.draws;
  if (args.holdoutOpt->count() > 0) {
    if (args.holdout < 1 || args.holdout >= history.draws.size()) {
      PrintError("--holdout " + std::to_string(args.holdout) + ": must be at least 1 and below the " +
                 std::to_string(history.draws.size()) + " rows of the history");
      return kExitUsage;
    }
    req.holdout = args.holdout;
  }
  if (args.betsOpt->count() > 0) {
    const BetList list = ReadBetsFile(PathFromArgument(args.bets));
    if (!list.ok) {
      PrintError("--bets " + args.bets + ": " + list.error);
      return kExitUsage;
    }
    if (list.skipped > 0)
      PrintError("--bets " + args.bets + ": skipped " + std::to_string(list.skipped) +
                 " bets the filter string cannot carry");
    req.nextBets = list.bets;
  }

  ProgressBar bar(IsTerminal(stderr));
  req.backtest.tick = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total, "numbers"); };
  const CalibrationResult result = RunCalibration(req);
  bar.Finish();
  if (result.status != CalibrationResult::Status::Done) {
    PrintError(result.error);
    return result.status == CalibrationResult::Status::NoLevels ? kExitUsage : kExitRefused;
  }
  const CalibrationRun& cal = result.run;
  return WriteRunOutput(args.run, {[&] { return CalibrationText(cal); },
                                   [&] { return CalibrationJson(cal); },
                                   [&] { return CalibrationCsv(cal); },
                                   [&] { return CalibrationText(cal, false); },
                                   [&] { return CalibrationHtml(cal); }});
}

}  // namespace

void AddCalibrateCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<CalibrateArgs>(root, commands, "calibrate", kAbout, RunCalibrateCommand);
  args->run.AddTo(*cmd);
  args->levelsOpt =
      cmd->add_option("--levels", args->levels,
                      "Levels to give bands, comma-separated digits (default: every level "
                      "at which some winner's share is above 0)")
          ->type_name("7,5,0");
  cmd->add_option("--allowed", args->allowed,
                  "Share P of winners each allowed band holds, in (0, 1]")
      ->type_name("P")
      ->capture_default_str();
  cmd->add_option("--tolerance", args->tolerance,
                  "Share Q of winners each tolerance band holds, in (0, 1]")
      ->type_name("Q")
      ->capture_default_str();
  cmd->add_option("--recall", args->recall,
                  "Share R of winners that must pass with the E range, in (0, 1]")
      ->type_name("R")
      ->capture_default_str();
  args->holdoutOpt =
      cmd->add_option("--holdout", args->holdout,
                      "Keep the last K rows out of the calibration and back-test on them")
          ->type_name("K");
  cmd->add_option("--objective", args->objective,
                  "narrow: the narrowest bands holding P and Q of the winners, the smallest E reaching R; "
                  "keep: from there, the bands, levels and E keeping the fewest numbers over the "
                  "calibration draws while R of their winners pass (a census per draw)")
      ->type_name("narrow|keep")
      ->check(CLI::IsMember({"narrow", "keep"}))
      ->capture_default_str();
  args->betsOpt =
      cmd->add_option("--bets", args->bets,
                      "Media bets for the next draw, appended to the proposed filter string "
                      "(.szc, condition file or one bet a line)")
          ->type_name("FILE");
  cmd->footer("Exit status: 0 done, 2 usage or input error.");
}

}  // namespace qv::host
