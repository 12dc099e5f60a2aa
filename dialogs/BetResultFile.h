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

namespace qv {

// The filter of the open-file dialog while importing:
// "投注结果文件(*.szc)|*.szc" in GB2312.
extern const char kBetResultFileFilter[];

// Most records one file may announce; more is refused as a read error.
constexpr int32_t kMaxBetResultRecords = 1000000;

struct BetResultImport {
  enum class Status { Ok, CannotOpen, StreamReadError };
  Status status = Status::Ok;
  std::vector<std::string> items;  // only filled when status is Ok
  size_t skipped = 0;              // records whose text the filter string cannot carry
  std::string error;               // "Cannot open file %s" / "Stream read error"
};

// Reads and checks the whole file before anything is handed back; the file
// is opened without sharing and closed on every path.
//
// Refused with "Stream read error" (and no items): a file shorter than the
// 12 bytes that hold RecordCount and RecordLength; with RecordCount 1 or
// more, a negative RecordLength, a RecordCount above kMaxBetResultRecords,
// or records that the file cannot hold in full.  These checks come before
// any record buffer is allocated.  RecordCount 0 or less gives no items.
//
// A record whose text holds "|", "M", "E", "S" or "TJ" cannot be carried by
// the filter string: it is left out and counted in skipped.
BetResultImport ReadBetResultFile(const std::filesystem::path& fileName);

// A record text that the filter string can carry as a media bet.
bool IsCarriableMediaBet(std::string_view text);

// The message the dialog shows after an import that skipped records:
// "导入时跳过了 N 条含有非法字符的投注记录！", GB2312 and UTF-8.
std::string SkippedRecordsMessage(size_t skipped);
std::string SkippedRecordsMessageUtf8(size_t skipped);

}  // namespace qv
