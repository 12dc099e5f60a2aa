#include "History.h"

#include <optional>

#include "BetSources.h"
#include "FileAccess.h"

namespace qv::host {

bool SplitCsv(std::string_view text, std::vector<CsvRecord>& records, size_t& badLine,
              std::string& why) {
  records.clear();
  size_t line = 1;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    // An empty line is no record.
    if (text[i] == '\n' || (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
      i += text[i] == '\r' ? 2 : 1;
      ++line;
      continue;
    }
    CsvRecord rec;
    rec.line = line;
    std::string field;
    for (;;) {
      if (i < n && text[i] == '"') {
        const size_t openLine = line;
        ++i;
        for (;;) {
          if (i >= n) {
            badLine = openLine;
            why = "a quoted field is not closed";
            return false;
          }
          const char c = text[i++];
          if (c == '"') {
            if (i < n && text[i] == '"') {
              field += '"';
              ++i;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          field += c;
        }
        if (i < n && text[i] != ',' && text[i] != '\n' &&
            !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
          badLine = line;
          why = "text after the closing quote of a field";
          return false;
        }
      } else {
        while (i < n && text[i] != ',' && text[i] != '\n' &&
               !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n'))
          field += text[i++];
      }
      rec.fields.push_back(std::move(field));
      field.clear();
      if (i < n && text[i] == ',') {
        ++i;
        continue;
      }
      break;  // end of record: a line end or the end of the text
    }
    if (i < n) {
      i += text[i] == '\r' ? 2 : 1;
      ++line;
    }
    records.push_back(std::move(rec));
  }
  return true;
}

namespace {

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

bool IsWinner(std::string_view s) {
  if (s.size() != 7) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

History Refuse(size_t line, const std::string& why) {
  History h;
  h.error = "history line " + std::to_string(line) + ": " + why;
  h.errorLine = line;
  return h;
}

// A path written in the history (UTF-8), relative to the history's folder.
std::filesystem::path BetsPath(const std::filesystem::path& folder, const std::string& utf8) {
  const std::u8string u8(utf8.begin(), utf8.end());
  const std::filesystem::path p(u8);
  return p.is_absolute() ? p : folder / p;
}

}  // namespace

History ParseHistory(std::string_view text, const std::filesystem::path& folder) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRecord> records;
  size_t badLine = 0;
  std::string why;
  if (!SplitCsv(text, records, badLine, why)) return Refuse(badLine, why);
  if (records.empty()) return Refuse(1, "no header line");

  const CsvRecord& header = records.front();
  std::optional<size_t> colDraw, colWinner, colFile, colBets;
  for (size_t c = 0; c < header.fields.size(); ++c) {
    const std::string name = Trimmed(header.fields[c]);
    std::optional<size_t>* slot = name == "draw"        ? &colDraw
                                  : name == "winner"    ? &colWinner
                                  : name == "bets_file" ? &colFile
                                  : name == "bets"      ? &colBets
                                                        : nullptr;
    if (!slot) continue;
    if (*slot) return Refuse(header.line, "column " + name + " appears twice");
    *slot = c;
  }
  if (!colDraw) return Refuse(header.line, "missing column draw");
  if (!colWinner) return Refuse(header.line, "missing column winner");
  if (!colFile && !colBets) return Refuse(header.line, "missing column bets_file or bets");

  History h;
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& rec = records[r];
    auto field = [&rec](const std::optional<size_t>& col) -> std::string {
      return col && *col < rec.fields.size() ? rec.fields[*col] : std::string();
    };
    HistoryDraw d;
    d.line = rec.line;
    d.draw = field(colDraw);
    d.winner = field(colWinner);
    if (!IsWinner(d.winner))
      return Refuse(rec.line, "winner \"" + d.winner + "\" is not seven digits 0-9");
    const std::string file = field(colFile);
    const std::string inline_ = field(colBets);
    if (!file.empty() && !inline_.empty()) return Refuse(rec.line, "both bets_file and bets are set");
    if (file.empty() && inline_.empty()) return Refuse(rec.line, "neither bets_file nor bets is set");
    BetList list;
    if (!file.empty()) {
      list = ReadBetsFile(BetsPath(folder, file));
      if (!list.ok) return Refuse(rec.line, "bets file " + file + ": " + list.error);
    } else {
      list = SplitInlineBets(inline_);
    }
    if (list.bets.empty())
      return Refuse(rec.line, list.skipped > 0 ? "no media bets the filter string can carry"
                                               : "no media bets");
    d.bets = std::move(list.bets);
    d.skipped = list.skipped;
    if (d.skipped > 0)
      h.notes.push_back("history line " + std::to_string(rec.line) + ": skipped " +
                        std::to_string(d.skipped) +
                        (d.skipped == 1 ? " bet" : " bets") + " the filter string cannot carry");
    h.draws.push_back(std::move(d));
  }
  if (h.draws.empty()) return Refuse(header.line, "the history has no draws");
  h.ok = true;
  return h;
}

History ReadHistory(const std::filesystem::path& file) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes).Ok()) {
    History h;
    h.error = DisplayPath(file) + ": cannot be read";
    return h;
  }
  return ParseHistory(bytes, file.parent_path());
}

}  // namespace qv::host
