#include "BetSources.h"

#include <algorithm>
#include <utility>

#include "BetResultFile.h"
#include "ConditionFile.h"
#include "DialogFilterStr.h"
#include "FileAccess.h"
#include "FilterString.h"

namespace qv::host {
namespace {

// Keeps the bets the filter string can carry and counts the others.
void Take(BetList& list, std::string_view bet) {
  if (CanCarryMediaBet(bet))
    list.bets.emplace_back(bet);
  else
    ++list.skipped;
}

bool HasSzcExtension(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ext == ".szc";
}

BetList ReadSzc(const std::filesystem::path& file) {
  BetList list;
  list.kind = BetsKind::Szc;
  BetResultBets r = ReadBetResultFile(file);
  if (!r.status.Ok()) {
    list.error = r.status.kind == FileStatus::Kind::CannotOpen ? "cannot be opened"
                                                               : "not a readable bet result file (Stream read error)";
    return list;
  }
  // The reader has left out what the filter string cannot carry.
  list.bets = std::move(r.bets);
  list.skipped = r.status.skipped;
  list.ok = true;
  return list;
}

BetList ConditionBets(std::string_view content) {
  BetList list;
  list.kind = BetsKind::ConditionFile;
  size_t mLine = 0;
  bool lineFailed = false;
  const FileStatus st = ApplyConditionContent(content, [&](std::string_view line) {
    ++mLine;
    const DialogFilterStr r = ReadDialogFilterStr(line);
    if (!r.complete) {
      lineFailed = true;
      return false;
    }
    for (std::string_view bet : r.bets) Take(list, bet);
    return true;
  });
  if (!st.Ok()) {
    list.error = lineFailed ? "line " + std::to_string(mLine) +
                                  " starting with \"M\" cannot be read (a level digit outside 0..7, "
                                  "or an \"M\" without a \")\" after it)"
                            : st.kind == FileStatus::Kind::ReadError && st.line > 0
                                  ? "cannot be read at line " + std::to_string(st.line)
                                  : "cannot be read";
    return list;
  }
  list.ok = true;
  return list;
}

}  // namespace

bool LooksLikeConditionFile(std::string_view bytes) {
  const std::vector<std::string> lines = SplitConditionLines(bytes);
  if (!lines.empty() && lines.front() == kConditionFileHeader) return true;
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& l) { return !l.empty() && l.front() == 'M'; });
}

BetList ReadBetsFile(const std::filesystem::path& file) {
  if (HasSzcExtension(file)) return ReadSzc(file);
  BetList list;
  std::string bytes;
  if (!ReadWholeFile(file, bytes).Ok()) {
    list.error = "cannot be opened";
    return list;
  }
  if (LooksLikeConditionFile(bytes)) return ConditionBets(bytes);
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) Take(list, line);
  }
  list.ok = true;
  return list;
}

BetList SplitInlineBets(std::string_view text) {
  BetList list;
  for (;;) {
    const size_t bar = text.find('|');
    const std::string_view piece = text.substr(0, bar);
    if (!piece.empty()) Take(list, piece);
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  list.ok = true;
  return list;
}

std::string DisplayPath(const std::filesystem::path& file) { return SystemBytesFromPath(file); }

std::filesystem::path PathFromArgument(const std::string& bytes) { return PathFromSystemBytes(bytes); }

const char* BetsKindName(BetsKind kind) {
  switch (kind) {
    case BetsKind::Szc: return "bet result file";
    case BetsKind::ConditionFile: return "condition file";
    case BetsKind::PlainText: return "list of bets";
  }
  return "?";
}

}  // namespace qv::host
