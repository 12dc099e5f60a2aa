#include "ConditionFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestFiles.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// ------------------------------------------------------------ line reading

TEST(ConditionLines, LineEndsAndLoneCarriageReturns) {
  EXPECT_THAT(SplitConditionLines("a\r\nb\nc\r\n"), ElementsAre("a", "b", "c"));
  // A lone CR is dropped and does not end the line, also right before the end.
  EXPECT_THAT(SplitConditionLines("M1\r(2\r\nx\r"), ElementsAre("M1(2", "x"));
  EXPECT_THAT(SplitConditionLines("\r\n\n"), ElementsAre("", ""));
  EXPECT_THAT(SplitConditionLines("a\r\r\nb"), ElementsAre("a", "b"));
}

TEST(ConditionLines, EndOfContent) {
  EXPECT_THAT(SplitConditionLines(""), IsEmpty());
  EXPECT_THAT(SplitConditionLines("last"), ElementsAre("last"));
  EXPECT_THAT(SplitConditionLines("a\nlast"), ElementsAre("a", "last"));
  // Ctrl-Z ends the content: the unfinished line still counts, the rest not.
  EXPECT_THAT(SplitConditionLines("a\nbc\x1A" "d\ne\n"), ElementsAre("a", "bc"));
  EXPECT_THAT(SplitConditionLines("a\n\x1A" "b\n"), ElementsAre("a"));
  EXPECT_THAT(SplitConditionLines(std::string("a\0b\n", 4)), ElementsAre(std::string("a\0b", 3)));
}

TEST(ConditionLines, FeedingInPiecesGivesTheSameLines) {
  const std::string content = "hdr\r\nM1(1-2|0-3)\r\n\r\nE0-1\nMx\r";
  std::vector<std::string> whole = SplitConditionLines(content);
  for (size_t cut = 0; cut <= content.size(); ++cut) {
    std::vector<std::string> lines;
    auto collect = [&](std::string_view l) { lines.emplace_back(l); return true; };
    ConditionLineSplitter s;
    s.Feed(std::string_view(content).substr(0, cut), collect);
    s.Feed(std::string_view(content).substr(cut), collect);
    s.Finish(collect);
    EXPECT_EQ(lines, whole) << "cut at " << cut;
  }
}

// ------------------------------------------------------------ file format

TEST(ConditionFormat, HeaderBytes) {
  // 七星彩-分布概率过滤条件: with the ASCII hyphen and colon.
  const std::string expected =
      "\xC6\xDF\xD0\xC7\xB2\xCA" "-" "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE" ":";
  EXPECT_EQ(std::string(kConditionFileHeader), expected);
}

class ConditionFileTest : public testing::ScratchDir {
 protected:
  // Reads name and records every line handed to the callback.
  FileStatus Load(const std::string& name, std::vector<std::string>& applied, int failAt = -1) {
    return ReadConditionFile(name, [&](std::string_view line) {
      if (static_cast<int>(applied.size()) == failAt) return false;
      applied.emplace_back(line);
      return true;
    });
  }
  // The lines a load of name applies, the load expected to succeed.
  std::vector<std::string> Applied(const std::string& name) {
    std::vector<std::string> applied;
    EXPECT_TRUE(Load(name, applied).Ok()) << name;
    return applied;
  }
};

const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

TEST_F(ConditionFileTest, SaveWritesExactlyTwoCrLfLines) {
  std::string name = Name("cond.txt");
  ASSERT_TRUE(WriteConditionFile(name, "M5(1-2|0-3)TJ1234567|7654321|").Ok());
  EXPECT_EQ(Get(name), std::string(kConditionFileHeader) + "\r\nM5(1-2|0-3)TJ1234567|7654321|\r\n");
  // An empty filter string still gives the two lines.
  ASSERT_TRUE(WriteConditionFile(name, "").Ok());
  EXPECT_EQ(Get(name), std::string(kConditionFileHeader) + "\r\n\r\n");
  EXPECT_THAT(Entries(), ElementsAre("cond.txt"));
}

TEST_F(ConditionFileTest, SaveThenLoadRoundTrips) {
  std::string name = Name("round");
  ASSERT_TRUE(WriteConditionFile(name, kExample).Ok());
  EXPECT_THAT(Applied(name), ElementsAre(kExample));
}

TEST_F(ConditionFileTest, FileWithoutMLineLoadsQuietly) {
  std::string name = Name("e-only");
  ASSERT_TRUE(WriteConditionFile(name, "E0-1S1-2TJ1234567|").Ok());
  EXPECT_THAT(Applied(name), IsEmpty());
  Put(name, "");
  EXPECT_THAT(Applied(name), IsEmpty());
}

TEST_F(ConditionFileTest, OnlyMLinesUpToCtrlZAreAppliedWhateverTheLineEnds) {
  struct Case {
    const char* content;
    std::vector<std::string> applied;
  } cases[] = {
      // Only lines starting with M.
      {"M7(1-2|0-3)\r\nE0-1TJ1|\r\n mid\r\n\r\nm1(0-0|0-0)\r\nM0(5-6|4-7)TJ9|", {"M7(1-2|0-3)", "M0(5-6|4-7)TJ9|"}},
      // LF only and a missing last line end load alike.
      {"header\nM1(0-1|0-2)\nM2(0-1|0-2)", {"M1(0-1|0-2)", "M2(0-1|0-2)"}},
      // Ctrl-Z ends the file.
      {"h\r\nM1(0-1|0-2)\x1A\r\nM2(0-1|0-2)\r\n", {"M1(0-1|0-2)"}},
  };
  for (const Case& c : cases) {
    const std::string name = Name("cond.txt");
    Put(name, c.content);
    EXPECT_EQ(Applied(name), c.applied) << ::testing::PrintToString(c.content);
  }
}

TEST_F(ConditionFileTest, RefusedLineStopsTheLoad) {
  std::string name = Name("stop");
  Put(name, "M1(0-1|0-2)\r\nM2(bad\r\nM3(0-1|0-2)\r\n");
  std::vector<std::string> applied;
  const FileStatus st = Load(name, applied, /*failAt=*/1);
  EXPECT_EQ(st.kind, FileStatus::Kind::ReadError);
  EXPECT_EQ(st.cause, FileStatus::Cause::Refused);
  EXPECT_EQ(st.line, 2u);
  // The line before stays applied, the third line is never reached.
  EXPECT_THAT(applied, ElementsAre("M1(0-1|0-2)"));
}

TEST_F(ConditionFileTest, ZeroByteFailsItsLineWhereverItStands) {
  using namespace std::string_literals;
  struct Case {
    std::string content;
    FileStatus::Kind kind;
    size_t line;
    std::vector<std::string> applied;
  };
  const Case cases[] = {
      // In an M line: the line before stays, that line and the rest do not.
      {"h\r\nM1(0-1|0-2)\r\nM2(0-1|0-2)TJ1\0" "2|\r\nM3(0-1|0-2)\r\n"s,
       FileStatus::Kind::ReadError, 3, {"M1(0-1|0-2)"}},
      // In a line that would be skipped: no text line of ours either.
      {"h\0\r\nM1(0-1|0-2)\r\n"s, FileStatus::Kind::ReadError, 1, {}},
      // In a last line without a line end.
      {"M1(0-1|0-2)\nM2\0"s, FileStatus::Kind::ReadError, 2, {"M1(0-1|0-2)"}},
      // After Ctrl-Z: beyond the end of the file.
      {"M1(0-1|0-2)\r\n\x1A\0M2\r\n"s, FileStatus::Kind::Done, 0, {"M1(0-1|0-2)"}},
  };
  for (const Case& c : cases) {
    const std::string name = Name("zero.txt");
    Put(name, c.content);
    std::vector<std::string> applied;
    const FileStatus st = Load(name, applied);
    EXPECT_EQ(st.kind, c.kind) << ::testing::PrintToString(c.content);
    EXPECT_EQ(st.line, c.line) << ::testing::PrintToString(c.content);
    if (!st.Ok()) EXPECT_EQ(st.cause, FileStatus::Cause::ZeroByte);
    EXPECT_EQ(applied, c.applied) << ::testing::PrintToString(c.content);
  }
  // The collecting reader hands out the same lines with the same status.
  Put(Name("zero.txt"), cases[0].content);
  const ConditionFileLines r = ReadConditionFileLines(Name("zero.txt"));
  EXPECT_EQ(r.status.line, 3u);
  EXPECT_THAT(r.mLines, ElementsAre("M1(0-1|0-2)"));
}

TEST_F(ConditionFileTest, LinesLongerThanTheReadBuffer) {
  std::string name = Name("long");
  std::string bets = "TJ";
  for (int i = 0; i < 30000; ++i) bets += "1234567|";  // 240 KB in one line
  ASSERT_TRUE(WriteConditionFile(name, "M3(0-9|0-9)" + bets).Ok());
  EXPECT_THAT(Applied(name), ElementsAre("M3(0-9|0-9)" + bets));
}

TEST_F(ConditionFileTest, UnopenableFilesFail) {
  std::vector<std::string> applied;
  EXPECT_EQ(Load(Name("missing"), applied).kind, FileStatus::Kind::CannotOpen);
  EXPECT_EQ(Load(dir_.string(), applied).kind, FileStatus::Kind::CannotOpen);  // a folder
  EXPECT_EQ(Load("", applied).kind, FileStatus::Kind::CannotOpen);
  EXPECT_THAT(applied, IsEmpty());
}

TEST_F(ConditionFileTest, SaveToMissingFolderFails) {
  EXPECT_EQ(WriteConditionFile(Name("no-such-dir/cond.txt"), kExample).kind,
            FileStatus::Kind::CannotOpen);
  EXPECT_THAT(Entries(), IsEmpty());
}

#ifndef _WIN32
TEST_F(ConditionFileTest, LoadingAPipeFailsInsteadOfHanging) {
  std::string name = Name("fifo");
  ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
  std::vector<std::string> applied;
  EXPECT_EQ(Load(name, applied).kind, FileStatus::Kind::CannotOpen);
}
#endif

}  // namespace
}  // namespace qv
