// quelvor report: the plug-in's diagnostic report for one candidate.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"
#include "ReportTable.h"
#include "TextDecode.h"

namespace qv::host {
namespace {

struct ReportArgs {
  FilterOptions filter;
  std::string candidate;
  bool all = false;
  bool raw = false;
};

const char* VerdictText(int32_t v) {
  switch (v) {
    case 0: return "passes";
    case 1: return "fails";
    case 999998: return "fails beyond every tolerance";
    default: return "unknown answer";
  }
}

int RunReport(const ReportArgs& args) {
  PreparedPlugin plugin;
  if (int rc = args.filter.Prepare(plugin); rc != kExitOk) return rc;
  const PluginExports& fn = plugin.lib.Fn();

  const char* report = fn.ZcDebug(args.candidate.c_str(), args.all ? 1u : 0u);
  const std::string text = report ? std::string(report) : std::string();
  if (args.raw) {
    return WriteOut(text) ? kExitOk : kExitUsage;
  }

  const std::vector<ReportRow> rows = ParseReport(text);
  std::string out = FormatReportTable(rows);
  if (rows.empty())
    out += args.all ? "The filter has no conditions.\n"
                    : "Every condition is met (use --all to list them).\n";
  const int32_t verdict = fn.ZcExecute(args.candidate.c_str());
  out += "Verdict: " + std::to_string(verdict) + " (" + VerdictText(verdict) + ")\n";
  return WriteOut(out) ? kExitOk : kExitUsage;
}

}  // namespace

void AddReportCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<ReportArgs>(
      root, commands, "report", "Show how one candidate fares against each condition of the filter",
      RunReport);
  cmd->add_option("CANDIDATE", args->candidate, "The candidate number, passed as it stands")
      ->required();
  cmd->add_flag("--all", args->all, "List every condition, not only the missed ones");
  cmd->add_flag("--raw", args->raw, "Write the plug-in's report bytes unchanged");
  args->filter.AddTo(*cmd);
  cmd->footer(std::string(kSampleFilterNote) + "\n" + kExitStatusNote);
}

}  // namespace qv::host
