// quelvor census: the verdict counts and the numbers by share at every level
// of a filter, exact, from the census of its media bets (Quelvor's engine
// itself, as backtest and calibrate use it).
#include <cinttypes>
#include <cstdio>
#include <thread>

#include "CensusOutput.h"
#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"
#include "Progress.h"
#include "TextDecode.h"

namespace qv::host {
namespace {

// What `quelvor census` does, for its help.
constexpr char kAbout[] =
    "Count, exactly and at once, how a filter judges all numbers 0000000 to 9999999 and how they "
    "spread over the hit shares of every level, from the census of its media bets";

struct CensusArgs {
  FilterOptions filter;
  unsigned jobs = 0;  // 0: the hardware threads
  std::string format = "text";
};

int RunCensus(const CensusArgs& args) {
  if (args.filter.PluginGiven()) {
    PrintError("--plugin does not apply to census: it counts with Quelvor's own engine");
    return kExitUsage;
  }
  std::string filterStr;
  if (!args.filter.CheckedFilterString(filterStr)) return kExitUsage;

  ProgressBar bar(IsTerminal(stderr));
  CensusOptions options;
  options.jobs = args.jobs ? args.jobs : std::max(1u, std::thread::hardware_concurrency());
  options.onSlice = [&bar, sliceSize = options.sliceSize](uint32_t done, uint32_t total) {
    bar.Update(uint64_t{done} * sliceSize, uint64_t{total} * sliceSize, "numbers");
  };
  const FilterCounts counts = CountFilter(filterStr, options);
  bar.Finish();

  if (!HasCounts(counts.status)) {
    PrintError(counts.status == CountsStatus::Refused
                   ? "the filter string was refused: " + DecodeToUtf8(counts.prepare.message)
                   : counts.reason);
    return counts.status == CountsStatus::Refused || counts.status == CountsStatus::OutOfMemory
               ? kExitRefused
               : kExitUsage;
  }
  if (counts.status != CountsStatus::Counted) PrintError("note: " + counts.reason);

  bool ok = true;
  if (args.format == "json") {
    ok = WriteOut(CensusJson(counts));
  } else if (args.format == "csv") {
    ok = WriteOut(CensusCsv(counts));
    std::fputs(CensusCountsText(counts).c_str(), stderr);
  } else if (args.format == "html") {
    ok = WriteOut(CensusHtml(counts, DecodeToUtf8(filterStr)));
  } else {
    ok = WriteOut(CensusText(counts));
  }
  return ok ? kExitOk : kExitUsage;
}

}  // namespace

void AddCensusCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<CensusArgs>(root, commands, "census", kAbout, RunCensus);
  args->filter.AddTo(*cmd);
  cmd->add_option("--jobs", args->jobs, "Worker threads (default: the hardware threads)")
      ->type_name("N")
      ->check(CLI::PositiveNumber);
  cmd->add_option("--format", args->format, "Output format")
      ->type_name("text|json|csv|html")
      ->check(CLI::IsMember({"text", "json", "csv", "html"}))
      ->capture_default_str();
  cmd->footer(std::string(kSampleFilterNote) +
              "\nThe counts equal those of quelvor filter.  It counts with Quelvor's own engine, so --plugin "
              "is refused.  CSV: the header level,share0,...,share100 and a row per level 0 to 7, the "
              "verdict counts on stderr.\n" +
              kExitStatusNote);
}

}  // namespace qv::host
