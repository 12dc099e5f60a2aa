// The commands of quelvor.  Each one adds its subcommand to the parser and
// the function that runs it; main registers each with one line.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv::host {

struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};
using CommandList = std::vector<Command>;

// Adds the subcommand name with an Args of its own for its options, which
// run(args) reads once the command line is parsed.  The caller registers the
// options on the subcommand into the Args.
template <class Args, class Run>
std::pair<CLI::App*, Args*> NewCommand(CLI::App& root, CommandList& commands,
                                       const std::string& name, const std::string& description,
                                       Run run) {
  auto args = std::make_shared<Args>();
  CLI::App* cmd = root.add_subcommand(name, description);
  commands.push_back({cmd, [args, run] { return run(*args); }});
  return {cmd, args.get()};
}

void AddFilterCommand(CLI::App& root, CommandList& commands);
void AddReportCommand(CLI::App& root, CommandList& commands);
void AddInfoCommand(CLI::App& root, CommandList& commands);
void AddFilterStringCommand(CLI::App& root, CommandList& commands);
void AddBacktestCommand(CLI::App& root, CommandList& commands);
void AddCalibrateCommand(CLI::App& root, CommandList& commands);
void AddCensusCommand(CLI::App& root, CommandList& commands);
#ifdef _WIN32
void AddSetupCommand(CLI::App& root, CommandList& commands);
#endif

}  // namespace qv::host
