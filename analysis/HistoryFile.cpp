#include "HistoryFile.h"

#include <system_error>

#include "FileAccess.h"

namespace qv::host {

bool IsUtf8(const std::string& bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    const unsigned c = s[i];
    size_t len = 0;
    unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c < 0x80) len = 1;
    else if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      const unsigned b = s[i + k];
      if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
    }
    i += len;
  }
  return true;
}

HistoryFileStatus ReadHistoryFile(const std::filesystem::path& file, std::string& text) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) return HistoryFileStatus::Directory;
  FileReader reader;
  if (!reader.Open(file, FileReader::Share::Read)) return HistoryFileStatus::CannotOpen;
  const int64_t size = reader.Size();
  if (size < 0) return HistoryFileStatus::ReadError;
  if (size > kHistoryFileLimit) return HistoryFileStatus::TooLarge;
  // One byte more than the size: a file that grew meanwhile is still capped.
  std::string bytes(static_cast<size_t>(size) + 1, '\0');
  const int64_t got = reader.Read(bytes.data(), bytes.size());
  if (got < 0) return HistoryFileStatus::ReadError;
  if (got > kHistoryFileLimit) return HistoryFileStatus::TooLarge;
  bytes.resize(static_cast<size_t>(got));

  const auto starts = [&](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  if (starts("\xFF\xFE") || starts("\xFE\xFF") || starts(std::string_view("\0\0\xFE\xFF", 4)))
    return HistoryFileStatus::NotUtf8;
  const size_t body = starts("\xEF\xBB\xBF") ? 3 : 0;
  if (bytes.find_first_not_of(" \t\r\n", body) == std::string::npos) return HistoryFileStatus::Empty;
  if (!IsUtf8(bytes)) return HistoryFileStatus::NotUtf8;
  text = std::move(bytes);
  return HistoryFileStatus::Done;
}

}  // namespace qv::host
