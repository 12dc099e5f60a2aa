// quelvor: a command-line host for filter plug-ins.  It loads the plug-in
// at run time and drives it only through its nine exports; backtest,
// calibrate and census, which are about Quelvor's own filter model, use its
// engine.
#include <CLI/CLI.hpp>

#include <new>

#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"

namespace {

int Run(int argc, char** argv) {
  using namespace qv::host;

  CLI::App app("quelvor: runs a filter plug-in for seven-digit numbers from the command line",
               "quelvor");
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 done, 1 filter string refused or out of memory, 2 usage or input error.");

  CommandList commands;
  AddFilterCommand(app, commands);
  AddReportCommand(app, commands);
  AddInfoCommand(app, commands);
  AddFilterStringCommand(app, commands);
  AddBacktestCommand(app, commands);
  AddCalibrateCommand(app, commands);
  AddCensusCommand(app, commands);
#ifdef _WIN32
  AddSetupCommand(app, commands);
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  for (const Command& c : commands)
    if (c.app->parsed()) return c.run();
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  qv::host::PrepareConsole();
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Whatever ran out, the answer is the same: no abort, a reason, status 1.
    qv::host::PrintError("out of memory");
    return qv::host::kExitRefused;
  }
}
