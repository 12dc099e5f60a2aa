// What backtest and calibrate print: text for the terminal, JSON and CSV
// for scripts, and a self-contained HTML report.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Pipeline.h"

namespace qv::host {

// Text, JSON and CSV.  CsvSide is what CSV output puts on stderr.
std::string BacktestText(const BacktestRun& run);
std::string BacktestJson(const BacktestRun& run);
std::string BacktestCsv(const BacktestRun& run);
std::string SummaryText(const Summary& s, const KeepRateOptions& keepRate);

std::string CalibrationText(const CalibrationRun& run, bool withLevelTable = true);
std::string CalibrationJson(const CalibrationRun& run);
std::string CalibrationCsv(const CalibrationRun& run);

// The HTML reports: charts of the winners' shares per level with the bands
// shaded, and the tables.  No script, no external resource.
std::string BacktestHtml(const BacktestRun& run, const Bands& bands, const std::string& title);
std::string CalibrationHtml(const CalibrationRun& run);

// Pieces shared with the tests.
std::string JsonString(std::string_view utf8);
std::string CsvField(std::string_view text);
std::string HtmlEscape(std::string_view text);
std::string Number(double v);       // ten significant digits, for scripts
std::string ShortNumber(double v);  // seven, for people

}  // namespace qv::host
