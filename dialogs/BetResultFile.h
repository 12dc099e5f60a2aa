// Bet result files (".szc"): a 32-byte header with RecordCount (offset 4)
// and RecordLength (offset 8), little-endian, then fixed-length records whose
// text ends at their first zero byte.  Read only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace qv {

struct BetResultImport {
  enum class Status { Ok, CannotOpen, StreamReadError };
  Status status = Status::Ok;
  std::vector<std::string> items;  // only complete when status is Ok
  size_t skipped = 0;              // records whose text the filter string cannot carry
  std::string error;               // "Cannot open file %s" / "Stream read error"
};

// Reads and checks the whole file before anything is handed back; the file
// is opened without sharing and closed on every path.
BetResultImport ReadBetResultFile(const std::filesystem::path& path);

}  // namespace qv
