#include "CensusCounts.h"

#include <gtest/gtest.h>

#include <set>

namespace qv::host {
namespace {

CensusOptions Part() {
  CensusOptions r;
  r.last = 30000;
  r.jobs = 2;
  return r;
}

TEST(CensusCounts, StatusAndReasonOfEveryKindOfString) {
  struct Case {
    const char* filter;
    CountsStatus status;
    const char* english;
  };
  const Case cases[] = {
      {"", CountsStatus::Refused, "empty"},
      {"TJ1|", CountsStatus::Refused, "no condition"},
      {"M5(1-2|0-3", CountsStatus::Refused, "\")\""},
      {"M5(1x-20|0-30)TJ1|", CountsStatus::Refused, "'1x'"},
      {"M8(1-2|0-3)TJ1|", CountsStatus::Refused, "hit level 8"},
      {"M5(30-10|0-40)TJ1|", CountsStatus::Refused, "allowed band 30-10 is reversed"},
      {"M5(10-30|15-40)TJ1|", CountsStatus::Refused, "tolerance lower bound 15"},
      {"M5(10-30|0-40)E2-1TJ1|", CountsStatus::Refused, "E range 2-1 is reversed"},
      {"M5(10-30|0-40)S2-1TJ1|", CountsStatus::Refused, "S range 2-1 is reversed"},
      {"M5(10-30|0-40)E1-2S0-3TJ1|", CountsStatus::Refused, "starts above S range"},
      {"M5(10-30|0-40)TJ", CountsStatus::NoMediaBets, "no media bets"},
      {"M5(10-30|0-40)E0-12TJ1|", CountsStatus::RangeNotOneDigit, "not one digit"},
      {"M5(10-30|0-40)E0-1S1-2TJ1234567|", CountsStatus::Counted, ""},
  };
  std::set<std::string> chinese;
  for (const Case& c : cases) {
    const FilterCounts r = CountFilter(c.filter, Part());
    EXPECT_EQ(r.status, c.status) << c.filter;
    EXPECT_NE(r.reason.find(c.english), std::string::npos) << c.filter << ": " << r.reason;
    EXPECT_EQ(r.reasonChinese.empty(), c.status == CountsStatus::Counted) << c.filter;
    chinese.insert(r.reasonChinese);
    EXPECT_EQ(r.candidates, HasCounts(c.status) ? 30000u : 0u) << c.filter;
  }
  EXPECT_EQ(chinese.size(), std::size(cases)) << "a Chinese reason of its own for every kind";
  // The level of the section stands in the reason (命中5星...), GB2312.
  EXPECT_EQ(CountFilter("M5(10-30|15-40)TJ1|").reasonChinese.substr(0, 5), "\xC3\xFC\xD6\xD0" "5");
  EXPECT_EQ(CountFilter("M5(1x-20|0-30)TJ1|").reasonChinese.substr(0, 4), "\xA1\xB0" "1x");
}

// The window's way: one census of the media bets, every edit of the bands
// judged from it.
TEST(CensusCounts, ACensusServesEveryStringWithItsBets) {
  const std::string bets = "TJ1234567|024,3468,5,2347,05,268,79|7999113|";
  FilterState first;
  FilterCounts a;
  ASSERT_EQ(PrepareCounts("M3(0-10|0-20)" + bets, first, a), CountsStatus::Counted);
  BetsCensus census;
  ASSERT_EQ(BuildBetsCensus(first, census, Part()), CensusStatus::Done);

  FilterState edited;
  FilterCounts b;
  ASSERT_EQ(PrepareCounts("M3(0-40|0-50)M0(30-70|0-100)E0-1" + bets, edited, b), CountsStatus::Counted);
  EXPECT_TRUE(census.SameBets(edited));
  CountsFromCensus(census.census, edited, b);
  const FilterCounts whole = CountFilter("M3(0-40|0-50)M0(30-70|0-100)E0-1" + bets, Part());
  EXPECT_EQ(b.verdicts.passed, whole.verdicts.passed);
  EXPECT_EQ(b.verdicts.hardReject, whole.verdicts.hardReject);
  EXPECT_EQ(b.passedWithout, whole.passedWithout);

  FilterState other;
  ASSERT_EQ(PrepareCounts("M3(0-40|0-50)TJ1234567|", other, b), CountsStatus::Counted);
  EXPECT_FALSE(census.SameBets(other));

  CensusControl control;
  control.Cancel();
  CensusOptions cancelled = Part();
  cancelled.control = &control;
  EXPECT_EQ(BuildBetsCensus(other, census, cancelled), CensusStatus::Cancelled);
  EXPECT_TRUE(census.SameBets(edited)) << "a cancelled census keeps the one before";
}

}  // namespace
}  // namespace qv::host
