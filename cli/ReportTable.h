// ZcDebug's report read back into rows and laid out as a table in UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

struct ReportRow {
  bool parsed = false;  // false: the line is not in the report's format
  std::string raw;      // the line without its CR LF, as the plug-in wrote it
  std::string candidate;
  std::string name;
  int64_t level = 0;
  int64_t shotA = 0, shotB = 0;      // allowed band
  int64_t canErrA = 0, canErrB = 0;  // tolerance band
  int64_t share = 0;

  bool Met() const { return shotA <= share && share <= shotB; }
  bool WithinTolerance() const { return canErrA <= share && share <= canErrB; }
};

// One row per line; lines end with CR LF (a bare LF is taken as well, and
// a last line without line end is read too).
std::vector<ReportRow> ParseReport(std::string_view report);

// "met", "missed, within tolerance" or "missed, beyond tolerance".
const char* RowResult(const ReportRow& row);

// The table: a heading with the candidate and the filter's name, then one
// row per condition (level, allowed band, tolerance band, share, result).
// Texts from the plug-in are decoded from GB2312.
std::string FormatReportTable(const std::vector<ReportRow>& rows);

}  // namespace qv::host
