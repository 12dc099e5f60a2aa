// Media bets from the three kinds of bets file and from inline text, read
// by the plug-in's own file readers so that their rules hold here too.
// Every call into those readers is in BetSources.cpp.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

enum class BetsKind { Szc, ConditionFile, PlainText };

struct BetList {
  bool ok = false;
  BetsKind kind = BetsKind::PlainText;
  std::vector<std::string> bets;  // carriable bets, in file order
  size_t skipped = 0;             // bets the filter string cannot carry
  std::string error;              // UTF-8, when not ok
};

// A bets file of any kind: a ".szc" bet result file by its extension (any
// case); a condition file when its first line is the condition file header
// or any line starts with "M" (the TJ bets of its "M" lines, merged as the
// setup dialog merges them); else one bet a line, LF or CR LF, empty lines
// skipped.
BetList ReadBetsFile(const std::filesystem::path& file);

// Bets separated by "|"; empty pieces are dropped.
BetList SplitInlineBets(std::string_view text);

// Whether bytes read as a condition file rather than a list of bets.
bool LooksLikeConditionFile(std::string_view bytes);

const char* BetsKindName(BetsKind kind);

// A file name for messages, as the readers print it.
std::string DisplayPath(const std::filesystem::path& file);
// A file name given on the command line (the system code page's bytes).
std::filesystem::path PathFromArgument(const std::string& bytes);

}  // namespace qv::host
