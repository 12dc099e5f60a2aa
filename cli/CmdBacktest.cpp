// quelvor backtest: how the filter's bands would have judged past draws,
// each winner against its own draw's media bets, with the engine itself.
#include <memory>

#include "AnalysisOptions.h"
#include "BacktestOutput.h"
#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"
#include "Progress.h"
#include "TextDecode.h"

namespace qv::host {
namespace {

// What `quelvor backtest` does, for its help.
constexpr char kAbout[] =
    "Judge past draws' winners with the filter's bands, each against its own draw's media bets, "
    "and tell how much of all numbers the bands keep";

struct BacktestArgs {
  FilterOptions filter;
  RunOptions run;
};

int RunBacktestCommand(const BacktestArgs& args) {
  if (args.filter.PluginGiven() || args.filter.BetsSzcGiven()) {
    PrintError(std::string(args.filter.PluginGiven() ? "--plugin" : "--bets-szc") +
               " does not apply to backtest: it judges with Quelvor's own engine, and each draw's "
               "media bets come from the history");
    return kExitUsage;
  }
  BacktestOptions opts;
  if (!args.run.Backtest(opts)) return kExitUsage;
  std::string filterStr, error;
  if (!args.filter.CheckedFilterString(filterStr)) return kExitUsage;
  Bands bands;
  if (!BandsOf(filterStr, bands, error)) {
    PrintError("the filter string was refused: " + DecodeToUtf8(error));
    return kExitRefused;
  }
  History history;
  if (!args.run.ReadHistory(history)) return kExitUsage;

  ProgressBar bar(IsTerminal(stderr));
  opts.tick = [&bar](uint64_t done, uint64_t total) { bar.Update(done, total, "numbers"); };
  const BacktestRun run = RunBacktestOn(bands, history.draws, opts);
  bar.Finish();

  return WriteRunOutput(
      args.run, {[&] { return BacktestText(run); }, [&] { return BacktestJson(run); },
                 [&] { return BacktestCsv(run); },
                 [&] { return "Summary:\n" + SummaryText(run.summary, run.keepRate); },
                 [&] { return BacktestHtml(run, bands, "History: " + args.run.history); }});
}

}  // namespace

void AddBacktestCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<BacktestArgs>(root, commands, "backtest", kAbout, RunBacktestCommand);
  args->run.AddTo(*cmd);
  args->filter.AddTo(*cmd);
  cmd->footer(std::string("The bands, E and S sections come from the filter options (default: the "
                          "bundled example); their media bets are ignored.  --plugin and "
                          "--bets-szc are refused.\n") +
              kExitStatusNote);
}

}  // namespace qv::host
