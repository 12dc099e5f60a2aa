#include "History.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SzcBytes.h"
#include "TestFiles.h"

namespace qv::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using qv::testing::Szc;

// 七星彩-分布概率过滤条件: in GB2312.
const std::string kHeaderLine =
    "\xC6\xDF\xD0\xC7\xB2\xCA\x2D\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\x3A";

class HistoryTest : public qv::testing::ScratchDir {
 protected:
  History Parse(const std::string& csv) { return ParseHistory(csv, dir_); }
};

TEST_F(HistoryTest, EveryKindOfBets) {
  Put(Name("a.SZC"), Szc(3, 32, {"1234567", "12M4567", "024,3468,5,2347,05,268,79"}));
  Put(Name("cond.txt"), kHeaderLine + "\r\nM7(0-0|0-5)TJ1111111|2222222|\r\nE0-1\r\nM5(1-2|0-3)TJ3333333|\r\n");
  Put(Name("headless.txt"), "junk\nM1(0-0|0-0)TJ4444444|\n");
  Put(Name("list.txt"), "5555555\r\n\r\n6666666\n12|4\n7777777");
  const History h = Parse(
      "\xEF\xBB\xBFnote,winner,bets,draw,bets_file\n"
      "x,0000001,,d1,a.SZC\n"
      ",0000002,,d2,cond.txt\n"
      ",0000003,,d3,headless.txt\n"
      ",0000004,,d4,list.txt\n"
      ",0000005,\"8888888|1,2,3,4,5,6,7||1E34567|\",d5,\n");
  ASSERT_TRUE(h.ok) << h.error;
  ASSERT_EQ(h.draws.size(), 5u);
  EXPECT_THAT(h.draws[0].bets, ElementsAre("1234567", "024,3468,5,2347,05,268,79"));
  EXPECT_EQ(h.draws[0].skipped, 1u);
  EXPECT_THAT(h.draws[1].bets, ElementsAre("1111111", "2222222", "3333333"));
  EXPECT_THAT(h.draws[2].bets, ElementsAre("4444444"));
  EXPECT_THAT(h.draws[3].bets, ElementsAre("5555555", "6666666", "7777777"));
  EXPECT_EQ(h.draws[3].skipped, 1u);
  EXPECT_THAT(h.draws[4].bets, ElementsAre("8888888", "1,2,3,4,5,6,7"));
  EXPECT_EQ(h.draws[4].skipped, 1u);
  EXPECT_EQ(h.draws[4].draw, "d5");
  EXPECT_EQ(h.draws[4].winner, "0000005");
  EXPECT_THAT(h.notes, ElementsAre(HasSubstr("history line 2: skipped 1 bet"),
                                   HasSubstr("history line 5: skipped 1 bet"),
                                   HasSubstr("history line 6: skipped 1 bet")));
}

TEST_F(HistoryTest, LinesCountPhysicalLinesOfRecordStarts) {
  const History h = Parse(
      "draw,winner,bets\r\n"
      "\r\n"
      "\"two\r\nlines\",1234567,1234567\r\n"
      "\n"
      "\"a \"\"quoted\"\", name\",7654321,1234567|\n"
      "last,7654321,1234567");
  ASSERT_TRUE(h.ok) << h.error;
  ASSERT_EQ(h.draws.size(), 3u);
  EXPECT_EQ(h.draws[0].line, 3u);
  EXPECT_EQ(h.draws[0].draw, "two\r\nlines");
  EXPECT_EQ(h.draws[1].line, 6u);
  EXPECT_EQ(h.draws[1].draw, "a \"quoted\", name");
  EXPECT_EQ(h.draws[2].line, 7u);
}

struct Refusal {
  const char* name;
  std::string csv;
  std::string error;
};

class HistoryRefusalTest : public HistoryTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(HistoryRefusalTest, IsRefusedWithItsLine) {
  Put(Name("short.szc"), std::string(8, '\0'));
  Put(Name("badcond.txt"), kHeaderLine + "\r\nM1(0-0|0-0)TJ1|\r\nM9(0-0|0-0)TJ2|\r\n");
  Put(Name("empty.txt"), "\r\n\r\n");
  Put(Name("headeronly.txt"), kHeaderLine + "\r\nE0-1TJ1234567|\r\n");
  const History h = Parse(GetParam().csv);
  EXPECT_FALSE(h.ok);
  EXPECT_TRUE(h.draws.empty());
  EXPECT_EQ(h.error, GetParam().error);
}

const std::string kHead = "draw,winner,bets_file,bets\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoryRefusalTest,
    ::testing::Values(
        Refusal{"NoDraw", "winner,bets\n", "history line 1: missing column draw"},
        Refusal{"NoWinner", "draw,bets\n", "history line 1: missing column winner"},
        Refusal{"NoBets", "draw,winner,note\n", "history line 1: missing column bets_file or bets"},
        Refusal{"EmptyFile", "", "history line 1: no header line"},
        Refusal{"NoRows", kHead, "history line 1: the history has no draws"},
        Refusal{"ShortWinner", kHead + "a,123456,,1\n", "history line 2: winner \"123456\" is not seven digits 0-9"},
        Refusal{"BlankInWinner", kHead + "a,1234567,,1\nb, 1234567,,1\n",
                "history line 3: winner \" 1234567\" is not seven digits 0-9"},
        Refusal{"LetterInWinner", kHead + "a,12345x7,,1\n", "history line 2: winner \"12345x7\" is not seven digits 0-9"},
        Refusal{"Both", kHead + "\na,1234567,empty.txt,1\n", "history line 3: both bets_file and bets are set"},
        Refusal{"Neither", kHead + "a,1234567,,\n", "history line 2: neither bets_file nor bets is set"},
        Refusal{"MissingFile", kHead + "a,1234567,nope.txt,\n", "history line 2: bets file nope.txt: cannot be opened"},
        Refusal{"BrokenSzc", kHead + "a,1234567,short.szc,\n",
                "history line 2: bets file short.szc: not a readable bet result file (Stream read error)"},
        Refusal{"BadConditionLine", kHead + "a,1234567,badcond.txt,\n",
                "history line 2: bets file badcond.txt: line 2 starting with \"M\" cannot be read (a level "
                "digit outside 0..7, or an \"M\" without a \")\" after it)"},
        Refusal{"EmptyList", kHead + "a,1234567,empty.txt,\n", "history line 2: no media bets"},
        Refusal{"ConditionFileWithoutM", kHead + "a,1234567,headeronly.txt,\n", "history line 2: no media bets"},
        Refusal{"OnlyBars", kHead + "a,1234567,,|||\n", "history line 2: no media bets"},
        Refusal{"OnlyUncarriable", kHead + "a,1234567,,TJ1|M2\n",
                "history line 2: no media bets the filter string can carry"},
        Refusal{"OpenQuote", kHead + "a,1234567,,1\n\"b,1234567,,1\n", "history line 3: a quoted field is not closed"},
        Refusal{"TextAfterQuote", kHead + "\"a\"b,1234567,,1\n",
                "history line 2: text after the closing quote of a field"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv::host
