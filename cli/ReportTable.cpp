#include "ReportTable.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "TextDecode.h"

namespace qv::host {
namespace {

// A cursor over one field of the report.
class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  // A decimal number with an optional "-"; values are kept to 32 bits.
  bool Number(int64_t& value) {
    size_t i = pos_;
    bool negative = false;
    if (i < s_.size() && s_[i] == '-') {
      negative = true;
      ++i;
    }
    const size_t first = i;
    int64_t v = 0;
    while (i < s_.size() && s_[i] >= '0' && s_[i] <= '9') {
      v = v * 10 + (s_[i] - '0');
      if (v > 0x80000000LL) return false;
      ++i;
    }
    if (i == first) return false;
    value = negative ? -v : v;
    pos_ = i;
    return true;
  }
  bool Char(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool AtEnd() const { return pos_ == s_.size(); }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

bool ParseLine(std::string_view line, ReportRow& row) {
  std::string_view fields[4];
  size_t start = 0;
  for (int f = 0; f < 4; ++f) {
    const size_t sep = line.find('\x07', start);
    if (f < 3) {
      if (sep == std::string_view::npos) return false;
      fields[f] = line.substr(start, sep - start);
      start = sep + 1;
    } else {
      if (sep != std::string_view::npos) return false;
      fields[f] = line.substr(start);
    }
  }
  Scanner cond(fields[2]);
  if (!(cond.Number(row.level) && cond.Char(':') && cond.Number(row.shotA) && cond.Char('%') &&
        cond.Char('-') && cond.Number(row.shotB) && cond.Char('%') && cond.Char('|') &&
        cond.Number(row.canErrA) && cond.Char('%') && cond.Char('-') &&
        cond.Number(row.canErrB) && cond.Char('%') && cond.AtEnd()))
    return false;
  Scanner share(fields[3]);
  if (!(share.Number(row.share) && share.Char('%') && share.AtEnd())) return false;
  row.candidate = std::string(fields[0]);
  row.name = std::string(fields[1]);
  return true;
}

std::string Band(int64_t a, int64_t b) {
  return std::to_string(a) + "%-" + std::to_string(b) + "%";
}

void Pad(std::string& out, const std::string& cell, size_t width, bool right) {
  const std::string fill(width > cell.size() ? width - cell.size() : 0, ' ');
  if (right) out += fill;
  out += cell;
  if (!right) out += fill;
}

}  // namespace

std::vector<ReportRow> ParseReport(std::string_view report) {
  std::vector<ReportRow> rows;
  size_t start = 0;
  while (start < report.size()) {
    size_t nl = report.find('\n', start);
    size_t next = nl == std::string_view::npos ? report.size() : nl + 1;
    std::string_view line =
        report.substr(start, (nl == std::string_view::npos ? report.size() : nl) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ReportRow row;
    row.raw = std::string(line);
    row.parsed = ParseLine(line, row);
    rows.push_back(std::move(row));
    start = next;
  }
  return rows;
}

const char* RowResult(const ReportRow& row) {
  if (row.Met()) return "met";
  return row.WithinTolerance() ? "missed, within tolerance" : "missed, beyond tolerance";
}

std::string FormatReportTable(const std::vector<ReportRow>& rows) {
  std::string out;
  const auto first = std::find_if(rows.begin(), rows.end(), [](const ReportRow& r) { return r.parsed; });
  if (first != rows.end())
    out += "Candidate " + DecodeToUtf8(first->candidate) + ", filter " +
           DecodeToUtf8(first->name) + "\n";

  const std::string head[5] = {"Level", "Allowed", "Tolerance", "Share", "Result"};
  std::vector<std::array<std::string, 5>> cells;
  for (const ReportRow& r : rows) {
    if (!r.parsed) continue;
    cells.push_back({std::to_string(r.level), Band(r.shotA, r.shotB), Band(r.canErrA, r.canErrB),
                     std::to_string(r.share) + "%", RowResult(r)});
  }
  size_t width[5];
  for (int c = 0; c < 5; ++c) {
    width[c] = head[c].size();
    for (const auto& row : cells) width[c] = std::max(width[c], row[c].size());
  }
  const bool right[5] = {true, false, false, true, false};
  auto emit = [&](const std::string* row) {
    std::string line;
    for (int c = 0; c < 5; ++c) {
      if (c) line += "  ";
      Pad(line, row[c], c == 4 ? 0 : width[c], right[c]);
    }
    out += line + "\n";
  };
  if (!cells.empty()) {
    emit(head);
    for (const auto& row : cells) emit(row.data());
  }
  for (const ReportRow& r : rows)
    if (!r.parsed) out += "unreadable report line: " + DecodeToUtf8(r.raw) + "\n";
  return out;
}

}  // namespace qv::host
