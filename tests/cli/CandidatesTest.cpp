#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Candidates.h"

namespace qv::host {
namespace {

TEST(SevenDigitCounter, CountsThroughEveryNumberInOrder) {
  SevenDigitCounter c;
  EXPECT_STREQ(c.c_str(), "0000000");
  c.Next();
  EXPECT_STREQ(c.c_str(), "0000001");
  for (int i = 0; i < 8; ++i) c.Next();
  EXPECT_STREQ(c.c_str(), "0000009");
  c.Next();
  EXPECT_STREQ(c.c_str(), "0000010");

  // Walk the whole range and check a few numbers and the count.
  c.Reset();
  uint32_t visited = 0;
  char expected[8];
  for (uint32_t i = 0; i < SevenDigitCounter::kCount; ++i, c.Next()) {
    if (i % 999983 == 0 || i == 999999 || i == 1000000 || i == SevenDigitCounter::kCount - 1) {
      std::snprintf(expected, sizeof expected, "%07u", i);
      ASSERT_STREQ(c.c_str(), expected);
    }
    ++visited;
  }
  EXPECT_EQ(visited, 10'000'000u);
  // After 9999999 it wraps.
  EXPECT_STREQ(c.c_str(), "0000000");
}

// The reader over an in-memory file.
struct Read {
  std::vector<std::string> lines;
  bool ok = false;
  std::string error;
};

Read ReadAll(const std::string& content, size_t blockSize) {
  Read r;
  std::FILE* f = std::tmpfile();
  EXPECT_NE(f, nullptr);
  if (!f) return r;
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  CandidateLineReader reader(f, blockSize);
  r.ok = reader.ForEach([&](const char* text, size_t length) {
    // The text is zero-terminated at its length.
    EXPECT_EQ(text[length], '\0');
    r.lines.emplace_back(text, length);
  });
  r.error = reader.Error();
  std::fclose(f);
  return r;
}

class CandidateLines : public ::testing::TestWithParam<size_t> {};

TEST_P(CandidateLines, LineEndsAreRemovedAndEmptyLinesSkipped) {
  const Read r = ReadAll("1234567\n0000000\r\n\n\r\n7654321", GetParam());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.lines, (std::vector<std::string>{"1234567", "0000000", "7654321"}));
}

TEST_P(CandidateLines, OnlyTheLineEndsCrIsRemoved) {
  const Read r = ReadAll("12\r34\r\r\n56\n", GetParam());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.lines, (std::vector<std::string>{"12\r34\r", "56"}));
}

TEST_P(CandidateLines, LongLinesAndManyLinesSurviveBlockBorders) {
  std::string content;
  std::vector<std::string> expected;
  for (int i = 0; i < 300; ++i) {
    std::string line(static_cast<size_t>(1 + (i * 37) % 90), static_cast<char>('0' + i % 10));
    expected.push_back(line);
    content += line + (i % 2 ? "\r\n" : "\n");
  }
  const Read r = ReadAll(content, GetParam());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.lines, expected);
}

TEST_P(CandidateLines, AZeroByteInALineIsAnError) {
  const Read r = ReadAll(std::string("1234567\n12\0" "34\n7654321\n", 22), GetParam());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "line 2 holds a zero byte");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"1234567"}));
}

TEST_P(CandidateLines, EmptyFileAndBlankFileGiveNothing) {
  EXPECT_TRUE(ReadAll("", GetParam()).lines.empty());
  const Read r = ReadAll("\n\r\n\n", GetParam());
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.lines.empty());
}

// Blocks of one byte, of a size that splits CR LF pairs, and the default.
INSTANTIATE_TEST_SUITE_P(BlockSizes, CandidateLines, ::testing::Values(1, 3, 8, 1 << 20));

}  // namespace
}  // namespace qv::host
