// The counting pass: candidates in, verdicts counted, the passing
// candidates written one a line through a large output buffer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Candidates.h"

namespace qv::host {

struct PassCounts {
  uint64_t passed = 0;      // 0
  uint64_t failed = 0;      // 1
  uint64_t hardReject = 0;  // 999998
  uint64_t other = 0;       // anything else a foreign plug-in answers
  uint64_t Total() const { return passed + failed + hardReject + other; }
};

// Buffered writer over a FILE*: one fwrite per full buffer.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* out, size_t capacity = size_t{1} << 20)
      : out_(out), buf_(capacity < 64 ? 64 : capacity) {}
  ~OutputBuffer() { Flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Writes the text and a line end.
  void Line(const char* text, size_t length) {
    if (used_ + length + 1 > buf_.size()) {
      Flush();
      if (length + 1 > buf_.size()) {
        Write(text, length);
        Write("\n", 1);
        return;
      }
    }
    std::memcpy(buf_.data() + used_, text, length);
    used_ += length;
    buf_[used_++] = '\n';
  }

  // Writes the seven digits and a line end when keep is true, without a
  // branch on it: the digits are always copied, only kept lines advance.
  void NumberIf(bool keep, const char* digits) {
    if (used_ + 8 > buf_.size()) Flush();
    std::memcpy(buf_.data() + used_, digits, 7);
    buf_[used_ + 7] = '\n';
    used_ += size_t{8} * keep;
  }

  // False once any write failed.
  bool Flush() {
    if (used_ > 0) {
      Write(buf_.data(), used_);
      used_ = 0;
    }
    if (ok_ && std::fflush(out_) != 0) ok_ = false;
    return ok_;
  }
  bool Ok() const { return ok_; }

 private:
  void Write(const char* p, size_t n) {
    if (ok_ && std::fwrite(p, 1, n, out_) != n) ok_ = false;
  }

  std::FILE* out_;
  std::vector<char> buf_;
  size_t used_ = 0;
  bool ok_ = true;
};

// How often a pass looks at the clock: once per this many candidates.
constexpr uint32_t kProgressStride = 65536;

inline void Record(int32_t verdict, const char* text, size_t length, PassCounts& counts,
                   OutputBuffer& out) {
  switch (verdict) {
    case 0:
      ++counts.passed;
      out.Line(text, length);
      break;
    case 1:
      ++counts.failed;
      break;
    case 999998:
      ++counts.hardReject;
      break;
    default:
      ++counts.other;
      break;
  }
}

// A number's verdict counted and the number written when it passes, with
// no branch on the verdict: about half the numbers pass, in an order that a
// branch predictor does not learn, and a mispredicted branch there costs
// more than the few instructions that count every case.
inline void RecordNumber(int32_t verdict, const char* digits, PassCounts& counts, OutputBuffer& out) {
  const bool passed = verdict == 0, failed = verdict == 1, hard = verdict == 999998;
  counts.passed += passed;
  counts.failed += failed;
  counts.hardReject += hard;
  counts.other += !(passed | failed | hard);
  out.NumberIf(passed, digits);
}

// All ten million seven-digit numbers in order.  exec(const char*) gives
// the verdict; tick(done, total) is called every kProgressStride candidates
// and at the end.
template <class Exec, class Tick>
PassCounts RunAllNumbers(Exec&& exec, OutputBuffer& out, Tick&& tick) {
  PassCounts counts;
  SevenDigitCounter number;
  uint32_t done = 0;
  while (done < SevenDigitCounter::kCount) {
    uint32_t stop = done + kProgressStride;
    if (stop > SevenDigitCounter::kCount) stop = SevenDigitCounter::kCount;
    for (; done < stop; ++done) {
      RecordNumber(exec(number.c_str()), number.c_str(), counts, out);
      number.Next();
    }
    tick(uint64_t{done}, uint64_t{SevenDigitCounter::kCount});
  }
  return counts;
}

// The candidates of a file.  tick(bytesRead, totalBytes) as above (totalBytes
// as given, 0 when unknown).  False on a read error or a bad line; the
// reader's Error() says why.
template <class Exec, class Tick>
bool RunCandidateLines(CandidateLineReader& reader, Exec&& exec, OutputBuffer& out,
                       Tick&& tick, uint64_t totalBytes, PassCounts& counts) {
  uint32_t sinceTick = 0;
  const bool ok = reader.ForEach([&](const char* text, size_t length) {
    Record(exec(text), text, length, counts, out);
    if (++sinceTick == kProgressStride) {
      sinceTick = 0;
      tick(reader.BytesRead(), totalBytes);
    }
  });
  tick(reader.BytesRead(), totalBytes);
  return ok;
}

}  // namespace qv::host
