#include <gtest/gtest.h>

#include <string>

#include "ReportTable.h"

namespace qv::host {
namespace {

const std::string kName = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";  // 分布概率

std::string Line(const std::string& candidate, const std::string& cond, const std::string& share) {
  return candidate + "\x07" + kName + "\x07" + cond + "\x07" + share + "\r\n";
}

TEST(ParseReport, ReadsEveryFieldOfEachLine) {
  const auto rows = ParseReport(Line("1234567", "5:40%-60%|30%-70%", "25%") +
                                Line("1234567", "0:0%-0%|0%-100%", "0%"));
  ASSERT_EQ(rows.size(), 2u);
  const ReportRow& r = rows[0];
  ASSERT_TRUE(r.parsed);
  EXPECT_EQ(r.candidate, "1234567");
  EXPECT_EQ(r.name, kName);
  EXPECT_EQ(r.level, 5);
  EXPECT_EQ(r.shotA, 40);
  EXPECT_EQ(r.shotB, 60);
  EXPECT_EQ(r.canErrA, 30);
  EXPECT_EQ(r.canErrB, 70);
  EXPECT_EQ(r.share, 25);
  EXPECT_EQ(r.raw, "1234567\x07" + kName + "\x07" "5:40%-60%|30%-70%\x07" "25%");
  EXPECT_TRUE(rows[1].parsed);
  EXPECT_EQ(rows[1].canErrB, 100);
}

TEST(ParseReport, ReadsNegativeBoundsBesideTheSeparators) {
  const auto rows = ParseReport(Line("7", "3:-5%--1%|-10%-0%", "0%"));
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0].parsed);
  EXPECT_EQ(rows[0].shotA, -5);
  EXPECT_EQ(rows[0].shotB, -1);
  EXPECT_EQ(rows[0].canErrA, -10);
  EXPECT_EQ(rows[0].canErrB, 0);
}

TEST(ParseReport, KeepsLinesOutOfFormatAsRaw) {
  const auto rows = ParseReport("garbage\r\n" + Line("1", "5:40%-60%", "1%") +
                                Line("1", "5:40%-60%|30%-70%", "1") + "a\x07" "b\x07" "c\x07" "d\x07" "e\r\n");
  ASSERT_EQ(rows.size(), 4u);
  for (const ReportRow& r : rows) EXPECT_FALSE(r.parsed) << r.raw;
  EXPECT_EQ(rows[0].raw, "garbage");
}

TEST(ParseReport, EmptyReportHasNoRows) { EXPECT_TRUE(ParseReport("").empty()); }

TEST(ParseReport, TakesALastLineWithoutLineEnd) {
  std::string text = Line("1", "5:40%-60%|30%-70%", "1%");
  text.resize(text.size() - 2);
  const auto rows = ParseReport(text);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(rows[0].parsed);
}

TEST(RowResult, BoundsAreInclusive) {
  ReportRow r;
  r.shotA = 40, r.shotB = 60, r.canErrA = 30, r.canErrB = 70;
  for (int64_t s : {40, 50, 60}) {
    r.share = s;
    EXPECT_STREQ(RowResult(r), "met") << s;
  }
  for (int64_t s : {30, 39, 61, 70}) {
    r.share = s;
    EXPECT_STREQ(RowResult(r), "missed, within tolerance") << s;
  }
  for (int64_t s : {29, 71}) {
    r.share = s;
    EXPECT_STREQ(RowResult(r), "missed, beyond tolerance") << s;
  }
}

TEST(FormatReportTable, ShowsDecodedHeadingAndAlignedRows) {
  const std::string table = FormatReportTable(ParseReport(
      Line("1234567", "5:40%-60%|30%-70%", "25%") + Line("1234567", "7:0%-0%|0%-100%", "100%") +
      Line("1234567", "2:10%-20%|0%-30%", "15%")));
  EXPECT_EQ(table,
            "Candidate 1234567, filter \xE5\x88\x86\xE5\xB8\x83\xE6\xA6\x82\xE7\x8E\x87\n"
            "Level  Allowed  Tolerance  Share  Result\n"
            "    5  40%-60%  30%-70%      25%  missed, beyond tolerance\n"
            "    7  0%-0%    0%-100%     100%  missed, within tolerance\n"
            "    2  10%-20%  0%-30%       15%  met\n");
}

TEST(FormatReportTable, ListsUnreadableLinesAfterTheTable) {
  const std::string table =
      FormatReportTable(ParseReport(Line("1", "5:40%-60%|30%-70%", "50%") + "odd \xB7\xD6\r\n"));
  EXPECT_NE(table.find("    5  40%-60%  30%-70%      50%  met\n"), std::string::npos) << table;
  EXPECT_NE(table.find("unreadable report line: odd \xE5\x88\x86\n"), std::string::npos) << table;
}

}  // namespace
}  // namespace qv::host
