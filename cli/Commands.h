// The commands of quelvor.  Each one adds its subcommand to the parser and
// the function that runs it; main registers each with one line.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace qv::host {

struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};
using CommandList = std::vector<Command>;

void AddFilterCommand(CLI::App& root, CommandList& commands);
void AddReportCommand(CLI::App& root, CommandList& commands);
void AddInfoCommand(CLI::App& root, CommandList& commands);
void AddFilterStringCommand(CLI::App& root, CommandList& commands);
void AddBacktestCommand(CLI::App& root, CommandList& commands);
void AddCalibrateCommand(CLI::App& root, CommandList& commands);
#ifdef _WIN32
void AddSetupCommand(CLI::App& root, CommandList& commands);
#endif

}  // namespace qv::host
