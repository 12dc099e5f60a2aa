#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Filter.h"

namespace qv {

bool operator==(const TMD& a, const TMD& b) {
  return a.Shot == b.Shot && a.ShotA == b.ShotA && a.ShotB == b.ShotB && a.CanErrA == b.CanErrA &&
         a.CanErrB == b.CanErrB;
}

std::ostream& operator<<(std::ostream& os, const TMD& m) {
  return os << "(" << m.Shot << "," << m.ShotA << "," << m.ShotB << "," << m.CanErrA << ","
            << m.CanErrB << ")";
}

namespace {

constexpr const char* kWorkedExample =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

PrepareResult PrepareString(FilterState& f, const std::string& s) {
  f.FilterStr = s;
  return f.Prepare();
}

// A state prepared from the worked example, to see what refusals leave.
FilterState Prepared() {
  FilterState f;
  EXPECT_TRUE(PrepareString(f, kWorkedExample).accepted());
  return f;
}

TEST(Prepare, AcceptsTheWorkedExample) {
  FilterState f = Prepared();
  EXPECT_EQ(f.MDConds, (TArrMD{{7, 0, 0, 0, 5}, {5, 10, 30, 5, 40}, {0, 20, 60, 10, 70}}));
  EXPECT_TRUE(f.CanErrOn);
  EXPECT_TRUE(f.CanSupErrOn);
  EXPECT_EQ(f.Tally[kCanErr1], 0);
  EXPECT_EQ(f.Tally[kCanErr2], 1);
  EXPECT_EQ(f.Tally[kCanSupErr1], 1);
  EXPECT_EQ(f.Tally[kCanSupErr2], 2);
  EXPECT_EQ(f.MediaBets, (std::vector<std::string>{"1234567", "024,3468,5,2347,05,268,79"}));
}

TEST(Prepare, OneSectionAloneHasNoBetsAndNoRanges) {
  FilterState f;
  ASSERT_TRUE(PrepareString(f, "M3(20-20|20-20)").accepted());
  EXPECT_EQ(f.MDConds, (TArrMD{{3, 20, 20, 20, 20}}));
  EXPECT_TRUE(f.MediaBets.empty());
  EXPECT_FALSE(f.CanErrOn);
  EXPECT_FALSE(f.CanSupErrOn);
}

TEST(Prepare, SectionsKeepStringOrderAndDuplicates) {
  FilterState f;
  ASSERT_TRUE(PrepareString(f, "M0(1-2|0-3)M7(1-2|0-3)M0(5-5|5-5)TJ1|1|").accepted());
  EXPECT_EQ(f.MDConds, (TArrMD{{0, 1, 2, 0, 3}, {7, 1, 2, 0, 3}, {0, 5, 5, 5, 5}}));
  EXPECT_EQ(f.MediaBets, (std::vector<std::string>{"1", "1"}));
}

TEST(Prepare, AcceptsEveryNumberFormOfTheConversion) {
  FilterState f;
  ASSERT_TRUE(PrepareString(f, "M5( 10-$1e|+5-0x28)E0-1").accepted());
  EXPECT_EQ(f.MDConds, (TArrMD{{5, 10, 30, 5, 40}}));
  ASSERT_TRUE(PrepareString(f, "M5(150-300|100-1000)").accepted());
  EXPECT_EQ(f.MDConds[0].CanErrB, 1000);
}

TEST(Prepare, EmptyOrConditionlessStringsChangeNothing) {
  for (const char* s : {"", "TJ1234567|", "E0-1S1-2TJ1|", "garbage"}) {
    FilterState f = Prepared();
    const FilterState before = f;
    PrepareResult r = PrepareString(f, s);
    EXPECT_FALSE(r.accepted()) << s;
    EXPECT_EQ(f.MDConds, before.MDConds) << s;
    EXPECT_EQ(f.MediaBets, before.MediaBets) << s;
    EXPECT_EQ(f.Tally, before.Tally) << s;
    EXPECT_EQ(f.CanErrOn, before.CanErrOn) << s;
  }
  FilterState f;
  EXPECT_EQ(PrepareString(f, "").status, PrepareStatus::Empty);
  EXPECT_EQ(PrepareString(f, "TJ1|").status, PrepareStatus::NoCondition);
  EXPECT_EQ(PrepareString(f, "TJ1|").message, "no condition");
}

TEST(Prepare, BandsThatDoNotNestAreRefusedInCheckOrder) {
  struct Case {
    const char* section;
    const char* reason;
  } cases[] = {
      {"M5(30-10|0-40)", "allowed band 30-10 is reversed"},
      {"M5(10-30|15-40)", "tolerance lower bound 15 is above the allowed lower bound 10"},
      {"M5(10-30|5-25)", "tolerance upper bound 25 is below the allowed upper bound 30"},
      // All three broken: ShotA > ShotB is checked first.
      {"M5(30-10|40-5)", "allowed band 30-10 is reversed"},
  };
  for (const Case& c : cases) {
    FilterState f;
    PrepareResult r = PrepareString(f, std::string("M1(0-0|0-0)") + c.section + "TJ1|");
    EXPECT_EQ(r.status, PrepareStatus::BandsDoNotNest) << c.section;
    EXPECT_EQ(r.section, 1u);
    EXPECT_NE(r.message.find("M section 2"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(c.reason), std::string::npos) << r.message;
  }
}

TEST(Prepare, RefusedSectionLeavesNewLengthAndEntriesUpToIt) {
  FilterState f = Prepared();  // three conditions
  PrepareResult r = PrepareString(f, "M1(1-1|1-1)M2(9-3|0-9)M3(1-1|1-1)M4(1-1|1-1)TJ1|");
  EXPECT_EQ(r.status, PrepareStatus::BandsDoNotNest);
  // Entry 0 and the refused entry 1 are new, entry 2 keeps its old value,
  // entry 3 is new storage and zero.
  EXPECT_EQ(f.MDConds, (TArrMD{{1, 1, 1, 1, 1}, {2, 9, 3, 0, 9}, {0, 20, 60, 10, 70}, {0, 0, 0, 0, 0}}));
  EXPECT_TRUE(f.CanErrOn);  // ranges, flags and bets untouched
  EXPECT_EQ(f.MediaBets.size(), 2u);
}

TEST(Prepare, RangesOutOfOrderAreRefusedAfterAllSections) {
  struct Case {
    const char* ranges;
    const char* reason;
  } cases[] = {
      {"E2-1", "E range 2-1 is reversed"},
      {"S3-1", "S range 3-1 is reversed"},
      {"E2-3S1-4", "E range 2-3 starts above S range 1-4"},
      {"E1-3S1-2", "E range 1-3 ends above S range 1-2"},
  };
  for (const Case& c : cases) {
    FilterState f = Prepared();
    PrepareResult r = PrepareString(f, std::string("M1(1-1|1-1)") + c.ranges + "TJ9|");
    EXPECT_EQ(r.status, PrepareStatus::RangeOutOfOrder) << c.ranges;
    EXPECT_EQ(r.message, c.reason);
    EXPECT_EQ(f.MDConds, (TArrMD{{1, 1, 1, 1, 1}})) << "conditions are wholly new";
    EXPECT_TRUE(f.CanErrOn);
    EXPECT_EQ(f.Tally[kCanSupErr2], 2);
    EXPECT_EQ(f.MediaBets.size(), 2u) << "bets untouched";
  }
}

TEST(Prepare, RangeFlagsFollowEachAcceptedString) {
  FilterState f = Prepared();
  ASSERT_TRUE(PrepareString(f, "M1(1-1|1-1)S0-3TJ1|").accepted());
  EXPECT_FALSE(f.CanErrOn);
  EXPECT_TRUE(f.CanSupErrOn);
  EXPECT_EQ(f.Tally[kCanErr1], 0);  // absent ranges keep their values
  EXPECT_EQ(f.Tally[kCanErr2], 1);
  ASSERT_TRUE(PrepareString(f, "M1(1-1|1-1)TJ1|").accepted());
  EXPECT_FALSE(f.CanSupErrOn);
  // Two-digit bounds are misread one character at a time.
  ASSERT_TRUE(PrepareString(f, "M1(1-1|1-1)E1-12").accepted());
  EXPECT_EQ(f.Tally[kCanErr1], 1);
  EXPECT_EQ(f.Tally[kCanErr2], 1);
  EXPECT_EQ(PrepareString(f, "M1(1-1|1-1)E5-10").status, PrepareStatus::RangeOutOfOrder);
}

TEST(Prepare, ConversionErrorsStopWithTheirMessage) {
  struct Case {
    const char* s;
    const char* message;
  } cases[] = {
      {"M1(1-1|1-1)E12-15", "'-' is not a valid integer value"},
      {"M5(-1|0-5)", "'' is not a valid integer value"},
      {"M5(a-1|0-5)", "'a' is not a valid integer value"},
      {"M5(1-1|0-99999999999)", "'99999999999' is not a valid integer value"},
      {"M-(1-1|0-5)", "'-' is not a valid integer value"},
      {"M1(1-1|1-1)E", "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    FilterState f;
    PrepareResult r = PrepareString(f, c.s);
    EXPECT_EQ(r.status, PrepareStatus::ConversionError) << c.s;
    EXPECT_EQ(r.message, c.message) << c.s;
  }
}

TEST(Prepare, ConversionErrorKeepsTheFieldsStoredBeforeIt) {
  FilterState f = Prepared();
  PrepareResult r = PrepareString(f, "M3(10-x|0-5)TJ1|");
  ASSERT_EQ(r.status, PrepareStatus::ConversionError);
  ASSERT_EQ(f.MDConds.size(), 1u);
  EXPECT_EQ(f.MDConds[0], (TMD{3, 10, 0, 0, 5})) << "Shot and ShotA stored, the rest kept";
  EXPECT_EQ(f.MediaBets.size(), 2u);
}

TEST(Prepare, MalformedStringsAreRefusedWithoutChangingState) {
  struct Case {
    const char* s;
    PrepareStatus status;
  } cases[] = {
      {"M5(1-2|0-3", PrepareStatus::Unterminated},
      {"M5(1-2|0-3)TJ12M|", PrepareStatus::Unterminated},
      {"M8(1-2|0-3)", PrepareStatus::BadLevel},
      {"M9(1-2|0-3)", PrepareStatus::BadLevel},
  };
  for (const Case& c : cases) {
    FilterState f = Prepared();
    PrepareResult r = PrepareString(f, c.s);
    EXPECT_EQ(r.status, c.status) << c.s;
    EXPECT_EQ(f.MediaBets.size(), 2u);
    EXPECT_TRUE(f.CanSupErrOn);
  }
  FilterState f = Prepared();
  PrepareString(f, "M5(1-2|0-3");
  EXPECT_EQ(f.MDConds.size(), 3u) << "an unterminated string is refused before anything is stored";
}

TEST(Prepare, MegabyteStringsAndManyBets) {
  std::string s = "M7(0-100|0-100)E0-9S0-9TJ";
  for (int i = 0; i < 100000; ++i) s += (i % 2 ? "024,3468,5,2347,05,268,79|" : "1234567|");
  FilterState f;
  ASSERT_TRUE(PrepareString(f, s).accepted());
  EXPECT_EQ(f.MediaBets.size(), 100000u);

  std::string sections;
  for (int i = 0; i < 100000; ++i) sections += "M3(10-20|5-30)";
  FilterState g;
  ASSERT_TRUE(PrepareString(g, sections).accepted());
  EXPECT_EQ(g.MDConds.size(), 100000u);
}

}  // namespace
}  // namespace qv
