// Bet result files (".szc"): a 32-byte header with RecordCount (offset 4)
// and RecordLength (offset 8), little-endian, then fixed-length records whose
// text ends at their first zero byte.  Read only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileStatus.h"

namespace qv {

// Most records one file may announce; more is refused as a read error.
constexpr int32_t kMaxBetResultRecords = 1000000;

struct BetResultBets {
  // Done (status.skipped: records left out), CannotOpen, or ReadError with
  // Cause::Truncated, BadHeader or Io.
  FileStatus status;
  std::vector<std::string> bets;  // filled only when the status is Done
};

// Reads and checks the whole file before anything is handed back; the file
// is opened without sharing and closed on every path.
//
// A ReadError, with no bets: a file shorter than the 12 bytes that hold
// RecordCount and RecordLength, or records that the file cannot hold in
// full (Truncated); with RecordCount 1 or more, a negative RecordLength or
// a RecordCount above kMaxBetResultRecords (BadHeader).  These checks come
// before any record buffer is allocated.  RecordCount 0 or less gives no
// bets.
//
// A record whose text the filter string cannot carry (CanCarryMediaBet) is
// left out and counted in status.skipped.
BetResultBets ReadBetResultFile(const std::filesystem::path& fileName);

}  // namespace qv
