#include "BetResultFile.h"

#include <algorithm>
#include <cstring>

#include "FileAccess.h"

namespace qv {

// 投注结果文件(*.szc)|*.szc
const char kBetResultFileFilter[] =
    "\xCD\xB6\xD7\xA2\xBD\xE1\xB9\xFB\xCE\xC4\xBC\xFE\x28\x2A\x2E\x73\x7A\x63\x29\x7C\x2A\x2E\x73"
    "\x7A\x63";

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kCountAndLengthEnd = 12;  // RecordCount and RecordLength lie below this
constexpr size_t kReadBlock = 256 * 1024;

int32_t LittleEndian32(const unsigned char* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(v);
}

BetResultImport ReadError() {
  BetResultImport r;
  r.status = BetResultImport::Status::StreamReadError;
  r.error = "Stream read error";
  return r;
}

}  // namespace

bool IsCarriableMediaBet(std::string_view text) {
  return text.find_first_of("|MES") == std::string_view::npos &&
         text.find("TJ") == std::string_view::npos;
}

BetResultImport ReadBetResultFile(const std::filesystem::path& fileName) {
  FileReader file;
  if (!file.Open(fileName, FileReader::Share::None)) {
    BetResultImport r;
    r.status = BetResultImport::Status::CannotOpen;
    r.error = "Cannot open file " + SystemBytesFromPath(fileName);
    return r;
  }

  unsigned char header[kHeaderSize] = {};
  int64_t headerGot = file.Read(header, kHeaderSize);
  if (headerGot < static_cast<int64_t>(kCountAndLengthEnd)) return ReadError();
  int32_t count = LittleEndian32(header + 4);
  int32_t length = LittleEndian32(header + 8);

  BetResultImport result;
  if (count <= 0) return result;  // no records
  if (count > kMaxBetResultRecords || length < 0) return ReadError();

  // Everything the records need must be in the file before a byte of it is
  // allocated; the file cannot change while it is held without sharing.
  int64_t size = file.Size();
  if (size < 0) return ReadError();
  uint64_t available = static_cast<uint64_t>(std::max<int64_t>(size - headerGot, 0));
  uint64_t needed = static_cast<uint64_t>(count) * static_cast<uint64_t>(length);
  if (needed > available) return ReadError();

  result.items.reserve(static_cast<size_t>(count));
  auto take = [&result](std::string_view record) {
    std::string_view text = record.substr(0, std::min(record.find('\0'), record.size()));
    if (IsCarriableMediaBet(text)) {
      result.items.emplace_back(text);
    } else {
      ++result.skipped;
    }
  };
  if (length == 0) {
    for (int32_t i = 0; i < count; ++i) take({});
    return result;
  }
  // The records are read a block of whole records at a time, so that many
  // short records do not cost one system call each; the block never exceeds
  // what the file holds.
  const size_t recordSize = static_cast<size_t>(length);
  const size_t perBlock = std::max<size_t>(1, kReadBlock / recordSize);
  std::string block;
  for (int32_t done = 0; done < count;) {
    size_t n = std::min<size_t>(perBlock, static_cast<size_t>(count - done));
    block.resize(n * recordSize);
    int64_t got = file.Read(block.data(), block.size());
    if (got != static_cast<int64_t>(block.size())) return ReadError();
    for (size_t i = 0; i < n; ++i) take(std::string_view(block).substr(i * recordSize, recordSize));
    done += static_cast<int32_t>(n);
  }
  return result;
}

std::string SkippedRecordsMessage(size_t skipped) {
  // 导入时跳过了 N 条含有非法字符的投注记录！
  return "\xB5\xBC\xC8\xEB\xCA\xB1\xCC\xF8\xB9\xFD\xC1\xCB " + std::to_string(skipped) +
         " \xCC\xF5\xBA\xAC\xD3\xD0\xB7\xC7\xB7\xA8\xD7\xD6\xB7\xFB\xB5\xC4\xCD\xB6\xD7\xA2\xBC\xC7\xC2"
         "\xBC\xA3\xA1";
}

std::string SkippedRecordsMessageUtf8(size_t skipped) {
  return "导入时跳过了 " + std::to_string(skipped) + " 条含有非法字符的投注记录！";
}

}  // namespace qv
