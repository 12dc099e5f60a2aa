// quelvor filter-string: the filter string that the setup dialog writes
// after it was filled from a filter string, condition files and a bet
// result file, as a user would fill it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "DialogConfig.h"
#include "ExitCodes.h"

namespace qv::host {
namespace {

// What `quelvor filter-string` does, for its help.
constexpr char kAbout[] =
    "Fill a new setup dialog from a filter string, condition files and a bet result file, "
    "and print the filter string it writes";

struct FilterStringArgs {
  std::string filterString;
  std::vector<std::string> conditionFiles;
  std::string betsSzc;
  std::string saveConditionFile;
  CLI::Option* filterStringOpt = nullptr;
  CLI::Option* betsOpt = nullptr;
  CLI::Option* saveOpt = nullptr;
};

int RunFilterString(const FilterStringArgs& args) {
  DialogConfig config;
  if (args.filterStringOpt->count() > 0) config.filterString = args.filterString;
  config.conditionFiles = args.conditionFiles;
  if (args.betsOpt->count() > 0) config.betsSzc = args.betsSzc;
  if (args.saveOpt->count() > 0) config.saveConditionFile = args.saveConditionFile;

  const DialogConfigResult r = BuildThroughDialog(config);
  for (const std::string& note : r.notes) PrintError(note);
  if (!r.ok) {
    PrintError(r.error);
    return kExitUsage;
  }
  SetBinary(stdout);
  const std::string out = r.filterString + "\n";
  return WriteOut(out) ? kExitOk : kExitUsage;
}

}  // namespace

void AddFilterStringCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<FilterStringArgs>(root, commands, "filter-string", kAbout, RunFilterString);
  args->filterStringOpt =
      cmd->add_option("--filter-string", args->filterString, "Filter string applied first");
  args->filterStringOpt->type_name("S");
  cmd->add_option("--condition-file", args->conditionFiles,
                  "Condition file whose lines starting with \"M\" are applied, in the order "
                  "given (repeatable)")
      ->type_name("F")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  args->betsOpt = cmd->add_option("--bets-szc", args->betsSzc,
                                  "Bet result file (.szc) whose records replace the media bets");
  args->betsOpt->type_name("F");
  args->saveOpt = cmd->add_option("--save-condition-file", args->saveConditionFile,
                                  "Also save the result as a condition file");
  args->saveOpt->type_name("F");
}

}  // namespace qv::host
