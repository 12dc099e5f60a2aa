// Where candidates come from: every seven-digit number in order, or the
// lines of a file.  Both hand out zero-terminated texts without allocating
// per candidate.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SevenDigitCounter.h"

namespace qv::host {

// One candidate a line: LF or CR LF ends a line (the line end is removed),
// empty lines are skipped, the last line needs no line end.  Lines are
// read in large blocks and handed out in place, zero-terminated.
class CandidateLineReader {
 public:
  explicit CandidateLineReader(std::FILE* in, size_t blockSize = size_t{1} << 20)
      : in_(in), block_(blockSize ? blockSize : 1) {}

  // Calls onLine(const char* text, size_t length) for every candidate.
  // False on a read error or a line holding a zero byte; Error() says why.
  template <class OnLine>
  bool ForEach(OnLine&& onLine);

  const std::string& Error() const { return error_; }
  uint64_t BytesRead() const { return bytesRead_; }
  uint64_t LineNumber() const { return lineNo_; }

 private:
  template <class OnLine>
  bool Emit(char* text, size_t length, OnLine& onLine);

  std::FILE* in_;
  size_t block_;
  std::string carry_;  // a line that runs over the end of a block
  std::string error_;
  uint64_t bytesRead_ = 0;
  uint64_t lineNo_ = 0;
};

template <class OnLine>
bool CandidateLineReader::Emit(char* text, size_t length, OnLine& onLine) {
  ++lineNo_;
  if (length > 0 && text[length - 1] == '\r') text[--length] = '\0';
  if (length == 0) return true;
  if (std::memchr(text, '\0', length) != nullptr) {
    error_ = "line " + std::to_string(lineNo_) + " holds a zero byte";
    return false;
  }
  onLine(static_cast<const char*>(text), length);
  return true;
}

template <class OnLine>
bool CandidateLineReader::ForEach(OnLine&& onLine) {
  std::vector<char> buf(block_ + 1);
  for (;;) {
    const size_t n = std::fread(buf.data(), 1, block_, in_);
    bytesRead_ += n;
    char* p = buf.data();
    char* const end = p + n;
    while (p < end) {
      char* nl = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (nl == nullptr) {
        carry_.append(p, static_cast<size_t>(end - p));
        break;
      }
      *nl = '\0';
      if (carry_.empty()) {
        if (!Emit(p, static_cast<size_t>(nl - p), onLine)) return false;
      } else {
        carry_.append(p, static_cast<size_t>(nl - p));
        if (!Emit(carry_.data(), carry_.size(), onLine)) return false;
        carry_.clear();
      }
      p = nl + 1;
    }
    if (n < block_) {
      if (std::ferror(in_)) {
        error_ = "read error";
        return false;
      }
      if (std::feof(in_)) break;
    }
  }
  if (!carry_.empty()) {
    bool ok = Emit(carry_.data(), carry_.size(), onLine);
    carry_.clear();
    return ok;
  }
  return true;
}

}  // namespace qv::host
