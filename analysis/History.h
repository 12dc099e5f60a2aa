// The history of past draws: a CSV file (header line, RFC 4180 quoting,
// UTF-8 with an optional BOM) whose columns are taken by name.  Required:
// draw, winner, and at least one of bets_file and bets; every data row sets
// exactly one of the two.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

struct HistoryDraw {
  size_t line = 0;        // physical line where the record starts (the header is line 1)
  std::string draw;       // as written
  std::string winner;     // seven ASCII digits
  std::vector<std::string> bets;  // the draw's media bets
  size_t skipped = 0;     // bets the filter string cannot carry, left out
};

struct History {
  bool ok = false;
  std::vector<HistoryDraw> draws;
  std::string error;               // "history line N: why" when not ok
  size_t errorLine = 0;            // that N; 0 when the file itself could not be read
  std::vector<std::string> notes;  // skipped bets, one note per draw that had some
};

// Reads the file and every bets file it names, relative to its folder.
// Nothing is handed back from a malformed history.
History ReadHistory(const std::filesystem::path& file);
// The same from the file's text; bets files are looked for in folder.
History ParseHistory(std::string_view text, const std::filesystem::path& folder);

// One CSV record and the line it starts on.
struct CsvRecord {
  size_t line = 0;
  std::vector<std::string> fields;
};
// Cuts RFC 4180 text into records: fields separated by ",", records by LF or
// CR LF, a field in double quotes may hold commas, line ends and "" for one
// quote.  Empty lines give no record.  False with line and reason when a
// quoted field is not closed or a closing quote is followed by other text.
bool SplitCsv(std::string_view text, std::vector<CsvRecord>& records, size_t& badLine,
              std::string& why);

}  // namespace qv::host
