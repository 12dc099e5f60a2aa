#include "AnalysisOptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "BetSources.h"
#include "Console.h"
#include "ExitCodes.h"

namespace qv::host {

void RunOptions::AddTo(CLI::App& cmd) {
  cmd.add_option("--history", history, "History of past draws (CSV: draw, winner, bets_file or bets)")
      ->type_name("FILE")
      ->required();
  cmd.add_option("--keep-rate", keepRate,
                 "How to get each draw's keep rate: exact (all 10,000,000 numbers), sample:N "
                 "(N numbers drawn at random) or none")
      ->type_name("exact|sample:N|none")
      ->capture_default_str();
  cmd.add_option("--seed", seed, "Seed of the sample")->type_name("S")->capture_default_str();
  cmd.add_option("--jobs", jobs, "Worker threads (default: the hardware threads)")
      ->type_name("N")
      ->check(CLI::PositiveNumber);
  cmd.add_option("--format", format, "Output format")
      ->type_name("text|json|csv")
      ->check(CLI::IsMember({"text", "json", "csv"}))
      ->capture_default_str();
  htmlOpt = cmd.add_option("--html", html, "Also write a self-contained HTML report")->type_name("FILE");
}

bool RunOptions::Backtest(BacktestOptions& out) const {
  KeepRateOptions& k = out.keepRate;
  k.seed = seed;
  if (keepRate == "exact") {
    k.mode = KeepRateMode::Exact;
  } else if (keepRate == "none") {
    k.mode = KeepRateMode::None;
  } else if (keepRate.rfind("sample:", 0) == 0 && keepRate.size() > 7 && keepRate.size() <= 7 + 12 &&
             keepRate.find_first_not_of("0123456789", 7) == std::string::npos &&
             std::stoull(keepRate.substr(7)) > 0) {
    k.mode = KeepRateMode::Sample;
    k.sample = std::stoull(keepRate.substr(7));
  } else {
    PrintError("--keep-rate: \"" + keepRate + "\" is not exact, none or sample:N with N from 1 to 999999999999");
    return false;
  }
  out.jobs = jobs ? jobs : std::max(1u, std::thread::hardware_concurrency());
  return true;
}

bool RunOptions::ReadHistory(History& out) const {
  out = qv::host::ReadHistory(PathFromArgument(history));
  for (const std::string& note : out.notes) PrintError(note);
  if (!out.ok) PrintError(out.error);
  return out.ok;
}

namespace {

bool WriteFormatted(const std::string& format, const RunOutput& out) {
  if (format == "json") return WriteOut(out.json());
  if (format != "csv") return WriteOut(out.text());
  if (!WriteOut(out.csv())) return false;
  std::fputs(out.csvSide().c_str(), stderr);
  return true;
}

bool WriteHtml(const std::string& file, const std::string& html) {
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) {
    PrintError(file + ": " + std::strerror(errno));
    return false;
  }
  const bool ok = std::fwrite(html.data(), 1, html.size(), f) == html.size();
  if (std::fclose(f) != 0 || !ok) {
    PrintError(file + ": write error");
    return false;
  }
  return true;
}

}  // namespace

int WriteRunOutput(const RunOptions& opts, const RunOutput& out) {
  if (!WriteFormatted(opts.format, out)) return kExitUsage;
  const bool html = opts.htmlOpt && opts.htmlOpt->count() > 0;
  if (html && !WriteHtml(opts.html, out.html())) return kExitUsage;
  return kExitOk;
}

}  // namespace qv::host
