#include "BetResultFile.h"

#include <algorithm>

#include "FileAccess.h"
#include "FilterString.h"

namespace qv {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kCountAndLengthEnd = 12;  // RecordCount and RecordLength lie below this
constexpr size_t kReadBlock = 256 * 1024;

int32_t LittleEndian32(const unsigned char* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(v);
}

BetResultBets ReadError(FileStatus::Cause cause) {
  BetResultBets r;
  r.status = FileStatus::ReadError(cause);
  return r;
}

}  // namespace

BetResultBets ReadBetResultFile(const std::filesystem::path& fileName) {
  using Cause = FileStatus::Cause;
  FileReader file;
  if (!file.Open(fileName, FileReader::Share::None)) {
    BetResultBets r;
    r.status = FileStatus::CannotOpen();
    return r;
  }

  unsigned char header[kHeaderSize] = {};
  int64_t headerGot = file.Read(header, kHeaderSize);
  if (headerGot < 0) return ReadError(Cause::Io);
  if (headerGot < static_cast<int64_t>(kCountAndLengthEnd)) return ReadError(Cause::Truncated);
  int32_t count = LittleEndian32(header + 4);
  int32_t length = LittleEndian32(header + 8);

  BetResultBets result;
  if (count <= 0) return result;  // no records
  if (count > kMaxBetResultRecords || length < 0) return ReadError(Cause::BadHeader);

  // Everything the records need must be in the file before a byte of it is
  // allocated; the file cannot change while it is held without sharing.
  int64_t size = file.Size();
  if (size < 0) return ReadError(Cause::Io);
  uint64_t available = static_cast<uint64_t>(std::max<int64_t>(size - headerGot, 0));
  uint64_t needed = static_cast<uint64_t>(count) * static_cast<uint64_t>(length);
  if (needed > available) return ReadError(Cause::Truncated);

  result.bets.reserve(static_cast<size_t>(count));
  auto take = [&result](std::string_view record) {
    std::string_view text = record.substr(0, std::min(record.find('\0'), record.size()));
    if (CanCarryMediaBet(text)) {
      result.bets.emplace_back(text);
    } else {
      ++result.status.skipped;
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
    if (got < 0) return ReadError(Cause::Io);
    if (got != static_cast<int64_t>(block.size())) return ReadError(Cause::Truncated);
    for (size_t i = 0; i < n; ++i) take(std::string_view(block).substr(i * recordSize, recordSize));
    done += static_cast<int32_t>(n);
  }
  return result;
}

}  // namespace qv
