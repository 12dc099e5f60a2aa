#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "FilterPass.h"

namespace qv::host {
namespace {

// A temporary file to write to and read back.
class TempOut {
 public:
  TempOut() : f_(std::tmpfile()) {}
  ~TempOut() {
    if (f_) std::fclose(f_);
  }
  std::FILE* get() { return f_; }
  std::string Content() {
    std::fflush(f_);
    std::rewind(f_);
    std::string s;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f_)) > 0) s.append(buf, n);
    return s;
  }

 private:
  std::FILE* f_;
};

TEST(OutputBuffer, WritesEveryLineAcrossFlushes) {
  TempOut out;
  std::string expected;
  {
    OutputBuffer buf(out.get(), 64);  // the smallest buffer: many flushes
    for (int i = 0; i < 100; ++i) {
      const std::string line = std::to_string(i * 7919);
      buf.Line(line.data(), line.size());
      expected += line + "\n";
      // Numbers kept or not, mixed in, with a buffer they fill exactly.
      const std::string number = std::to_string(1000000 + i);
      buf.NumberIf(i % 3 != 0, number.c_str());
      if (i % 3 != 0) expected += number + "\n";
    }
    // A line longer than the buffer itself.
    const std::string big(200, 'x');
    buf.Line(big.data(), big.size());
    expected += big + "\n";
    EXPECT_TRUE(buf.Flush());
  }
  EXPECT_EQ(out.Content(), expected);
}

TEST(OutputBuffer, ReportsAFailedWrite) {
  // A stream opened for reading cannot be written.
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::FILE* ro = std::freopen(nullptr, "rb", f);
  if (!ro) GTEST_SKIP() << "cannot reopen a temporary file read-only here";
  OutputBuffer buf(ro, 64);
  buf.Line("1234567", 7);
  EXPECT_FALSE(buf.Flush());
  std::fclose(ro);
}

// Verdict by the last digit: 0..5 pass, 6..7 fail, 8 hard, 9 something else.
int32_t ByLastDigit(const char* text) {
  const char d = text[std::strlen(text) - 1];
  if (d <= '5') return 0;
  if (d <= '7') return 1;
  if (d == '8') return 999998;
  return 42;
}

TEST(RunAllNumbers, JudgesAllTenMillionInOrderAndWritesThePassingOnes) {
  TempOut out;
  uint64_t ticks = 0, lastDone = 0;
  bool ordered = true;
  std::string previous = "";
  PassCounts counts;
  {
    OutputBuffer buf(out.get());
    counts = RunAllNumbers(
        [&](const char* text) {
          if (std::strlen(text) != 7 || std::string(text) <= previous) ordered = false;
          previous = text;
          return ByLastDigit(text);
        },
        buf,
        [&](uint64_t done, uint64_t total) {
          ++ticks;
          EXPECT_EQ(total, 10'000'000u);
          EXPECT_GT(done, lastDone);
          lastDone = done;
        });
    ASSERT_TRUE(buf.Flush());
  }
  EXPECT_TRUE(ordered);
  EXPECT_EQ(counts.passed, 6'000'000u);
  EXPECT_EQ(counts.failed, 2'000'000u);
  EXPECT_EQ(counts.hardReject, 1'000'000u);
  EXPECT_EQ(counts.other, 1'000'000u);
  EXPECT_EQ(counts.Total(), 10'000'000u);
  EXPECT_EQ(lastDone, 10'000'000u);
  EXPECT_EQ(ticks, (10'000'000u + kProgressStride - 1) / kProgressStride);

  const std::string written = out.Content();
  ASSERT_EQ(written.size(), 6'000'000u * 8);
  EXPECT_EQ(written.substr(0, 48), "0000000\n0000001\n0000002\n0000003\n0000004\n0000005\n");
  EXPECT_EQ(written.substr(48, 8), "0000010\n");
  EXPECT_EQ(written.substr(written.size() - 8), "9999995\n");
}

TEST(RunCandidateLines, WritesPassingLinesAsReadAndCountsTheRest) {
  std::FILE* in = std::tmpfile();
  ASSERT_NE(in, nullptr);
  const std::string content = "0000001\r\n\n0000009\n0000008\r\n12a5\n0000007";
  std::fwrite(content.data(), 1, content.size(), in);
  std::rewind(in);
  TempOut out;
  PassCounts counts;
  bool ok;
  uint64_t lastBytes = 0;
  {
    OutputBuffer buf(out.get());
    CandidateLineReader reader(in, 4);
    ok = RunCandidateLines(reader, ByLastDigit, buf,
                           [&](uint64_t done, uint64_t) { lastBytes = done; },
                           content.size(), counts);
    buf.Flush();
  }
  std::fclose(in);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out.Content(), "0000001\n12a5\n");
  EXPECT_EQ(counts.passed, 2u);
  EXPECT_EQ(counts.failed, 1u);
  EXPECT_EQ(counts.hardReject, 1u);
  EXPECT_EQ(counts.other, 1u);
  EXPECT_EQ(lastBytes, content.size());
}

}  // namespace
}  // namespace qv::host
