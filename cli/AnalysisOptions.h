// What backtest and calibrate share on the command line: the history, the
// keep rate, the threads, the output format and the HTML report.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

#include "Backtest.h"
#include "History.h"

namespace qv::host {

struct RunOptions {
  std::string history;
  std::string keepRate = "exact";
  uint64_t seed = 1;
  unsigned jobs = 0;  // 0: the hardware threads
  std::string format = "text";
  std::string html;
  CLI::Option* htmlOpt = nullptr;

  void AddTo(CLI::App& cmd);
  // The keep rate options and threads; false with a message printed.
  bool Backtest(BacktestOptions& out) const;
  // Reads the history; prints its notes, and the error when it fails.
  bool ReadHistory(History& out) const;
};

using TextFn = std::function<std::string()>;
struct RunOutput {
  TextFn text, json, csv;
  TextFn csvSide;  // what CSV output puts on stderr
  TextFn html;
};
// Writes the output in the format asked for and then, when --html was
// given, the HTML report; the exit status (a message on a write error).
int WriteRunOutput(const RunOptions& opts, const RunOutput& out);
}  // namespace qv::host
