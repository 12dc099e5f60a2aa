#include "BetResultFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "FileAccess.h"
#include "FilterString.h"
#include "HeldFile.h"
#include "TestFiles.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = FileStatus::Kind;
using Cause = FileStatus::Cause;

std::string Le32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return s;
}

// A 32-byte header with the given fields and the marker bytes 0xEE elsewhere,
// so that a reader taking a field from the wrong offset sees nonsense.
std::string Header(int32_t count, int32_t length) {
  return std::string(4, '\xEE') + Le32(count) + Le32(length) + std::string(20, '\xEE');
}

std::string Record(const std::string& text, size_t length) {
  std::string r = text;
  r.resize(length, '\0');
  return r;
}

class BetResultTest : public testing::ScratchDir {
 protected:
  BetResultBets Import(const std::string& bytes) {
    std::string name = Name("bets.szc");
    Put(name, bytes);
    return ReadBetResultFile(name);
  }
  static void ExpectReadError(const BetResultBets& r, Cause cause = Cause::Truncated) {
    EXPECT_EQ(r.status.kind, Kind::ReadError);
    EXPECT_EQ(r.status.cause, cause);
    EXPECT_THAT(r.bets, IsEmpty());
  }
};

TEST_F(BetResultTest, RecordsUpToTheirFirstZeroByte) {
  auto r = Import(Header(3, 32) + Record("1234567", 32) + Record("7654321", 32) +
                  Record("024,3468,5,2347,05,268,79", 32));
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_THAT(r.bets, ElementsAre("1234567", "7654321", "024,3468,5,2347,05,268,79"));
  EXPECT_EQ(r.status.skipped, 0u);
}

TEST_F(BetResultTest, WholeRecordsEmptyRecordsAndTrailingBytes) {
  // No zero byte: the whole record; a leading zero: an empty item; the text
  // after a zero byte never shows; bytes after the last record are ignored.
  auto r = Import(Header(3, 7) + "1234567" + std::string("\0" "999999", 7) +
                  std::string("12\0" "3456", 7) + "garbage after the records");
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_THAT(r.bets, ElementsAre("1234567", "", "12"));
}

TEST_F(BetResultTest, RecordsOfEverySizeKeepTheirBoundaries) {
  // Records shorter and longer than the blocks the file is read in.
  for (size_t length : {size_t(1), size_t(9), size_t(100000), size_t(300000)}) {
    std::string bytes = Header(5, static_cast<int32_t>(length));
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i) {
      std::string text(std::min<size_t>(length, 7), static_cast<char>('1' + i));
      expected.push_back(text);
      bytes += Record(text, length);
    }
    auto r = Import(bytes);
    ASSERT_EQ(r.status.kind, Kind::Done) << length;
    EXPECT_EQ(r.bets, expected) << length;
    // One byte short of the last record: refused as a whole.
    bytes.pop_back();
    ExpectReadError(Import(bytes));
  }
}

TEST_F(BetResultTest, NoRecordsForCountZeroOrLess) {
  for (int32_t count : {0, -1, INT32_MIN}) {
    auto r = Import(Header(count, 32) + Record("1234567", 32));
    EXPECT_EQ(r.status.kind, Kind::Done) << count;
    EXPECT_THAT(r.bets, IsEmpty()) << count;
  }
  // RecordLength plays no part without records, even when it is negative.
  auto r = Import(Header(0, -5));
  EXPECT_EQ(r.status.kind, Kind::Done);
}

TEST_F(BetResultTest, LengthZeroGivesEmptyItems) {
  auto r = Import(Header(2, 0));
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_THAT(r.bets, ElementsAre("", ""));
  // A header cut short after RecordLength is taken as it is.
  r = Import(Header(2, 0).substr(0, 12));
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_THAT(r.bets, ElementsAre("", ""));
}

TEST_F(BetResultTest, ShortFileIsAReadErrorWithNoItems) {
  // Three records of 10 bytes announced, 25 present: nothing is handed back.
  ExpectReadError(Import(Header(3, 10) + Record("1234567", 10) + Record("7654321", 10) + "12345"));
  // A header cut short leaves no room for records.
  ExpectReadError(Import(Header(1, 4).substr(0, 20)));
}

TEST_F(BetResultTest, HeaderWithoutCountAndLengthIsRefused) {
  ExpectReadError(Import(""));
  ExpectReadError(Import(std::string(4, '\0')));
  ExpectReadError(Import(Header(2, 0).substr(0, 11)));
}

TEST_F(BetResultTest, ImpossibleSizesAreRefusedBeforeAllocating) {
  ExpectReadError(Import(Header(1, -1) + Record("1", 32)), Cause::BadHeader);
  ExpectReadError(Import(Header(1, INT32_MIN)), Cause::BadHeader);
  // Lengths far beyond the file would exhaust memory if allocated.
  ExpectReadError(Import(Header(1, INT32_MAX) + Record("1234567", 64)));
  ExpectReadError(Import(Header(2, 0x40000000) + Record("1234567", 64)));
  // count × length overflows 32 bits.
  ExpectReadError(Import(Header(1000000, 0x7FFFFFFF)));
  // More records than any file of bets holds.
  ExpectReadError(Import(Header(kMaxBetResultRecords + 1, 0)), Cause::BadHeader);
  ExpectReadError(Import(Header(INT32_MAX, 0)), Cause::BadHeader);
}

TEST_F(BetResultTest, LargestAllowedCountIsRead) {
  auto r = Import(Header(kMaxBetResultRecords, 1) + std::string(kMaxBetResultRecords, '7'));
  ASSERT_EQ(r.status.kind, Kind::Done);
  ASSERT_EQ(r.bets.size(), static_cast<size_t>(kMaxBetResultRecords));
  EXPECT_EQ(r.bets.back(), "7");
}

TEST_F(BetResultTest, TextsTheFilterStringCannotCarryAreSkipped) {
  // Markers of the format, and control characters: a line end or Ctrl-Z
  // would cut the string when a condition file is read back.
  const char* texts[] = {"12|4567", "M", "1E", "S1", "2TJ3", "12\n4567", "1234\r67", "\x1A" "234567",
                         "\t1", "\x1F", "T", "J", "JT", "tj", "m e s", "1234567"};
  std::string bytes = Header(16, 8);
  for (const char* t : texts) bytes += Record(t, 8);
  auto r = Import(bytes);
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_EQ(r.status.skipped, 10u);
  EXPECT_THAT(r.bets, ElementsAre("T", "J", "JT", "tj", "m e s", "1234567"));
  // Only the text up to the zero byte counts.
  r = Import(Header(1, 8) + std::string("123\0M|TJ", 8));
  EXPECT_EQ(r.status.skipped, 0u);
  EXPECT_THAT(r.bets, ElementsAre("123"));
}

TEST_F(BetResultTest, EveryImportedItemReadsBackFromTheFilterString) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  const int kCount = 400, kLength = 6;
  std::string bytes = Header(kCount, kLength);
  for (int i = 0; i < kCount * kLength; ++i) {
    // Mostly digits and commas, with markers and arbitrary bytes mixed in.
    int b = byte(rng);
    static const char pool[] = "0123456789,*|MESTJ";
    bytes += b < 200 ? pool[b % (sizeof pool - 1)] : static_cast<char>(byte(rng));
  }
  auto r = Import(bytes);
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_EQ(r.bets.size() + r.status.skipped, static_cast<size_t>(kCount));
  EXPECT_GT(r.status.skipped, 0u);
  std::string filter = "M3(0-9|0-9)TJ";
  for (auto& item : r.bets) filter += item + "|";
  std::vector<std::string> back;
  MSectionWalker walker(filter);
  ASSERT_TRUE(walker.HasSection());
  ASSERT_TRUE(walker.Advance());
  EXPECT_FALSE(walker.HasSection());
  EXPECT_FALSE(FindRange(walker.Working(), 'E'));
  EXPECT_FALSE(FindRange(walker.Working(), 'S'));
  ForEachMediaBet(walker.Working(), [&](std::string_view bet) { back.emplace_back(bet); });
  EXPECT_EQ(back, r.bets);
}

TEST_F(BetResultTest, MissingFileOrFolderCannotBeOpened) {
  std::string name = Name("missing.szc");
  auto r = ReadBetResultFile(name);
  EXPECT_EQ(r.status.kind, Kind::CannotOpen);
  EXPECT_THAT(r.bets, IsEmpty());
  r = ReadBetResultFile(dir_.string());
  EXPECT_EQ(r.status.kind, Kind::CannotOpen);
}

TEST_F(BetResultTest, FileHeldByAnotherProgramCannotBeOpened) {
  std::string name = Name("held.szc");
  Put(name, Header(1, 8) + Record("1234567", 8));
  for (auto hold : testing::HeldFile::kHolds) {
    testing::HeldFile held(name, hold);
    ASSERT_TRUE(held.held());
    auto r = ReadBetResultFile(name);
    held.Release();
    EXPECT_EQ(r.status.kind, Kind::CannotOpen) << static_cast<int>(hold);
  }
  // Once released, the same file imports, and the import releases it again.
  auto r = ReadBetResultFile(name);
  ASSERT_EQ(r.status.kind, Kind::Done);
  EXPECT_THAT(r.bets, ElementsAre("1234567"));
  ExpectReadError(Import("short"));  // a failed import releases its file too
  FileReader again;
  EXPECT_TRUE(again.Open(name, FileReader::Share::None));
  EXPECT_TRUE(again.Open(Name("bets.szc"), FileReader::Share::None));
}

}  // namespace
}  // namespace qv
