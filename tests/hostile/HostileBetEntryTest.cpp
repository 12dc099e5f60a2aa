// Pasted texts that the bet entry dialog's OK check must refuse.
#include <gtest/gtest.h>

#include "MediaBetInput.h"

namespace qv {
namespace {

TEST(HostileBetEntry, NormalisingMustNotJoinATAndAJ) {
  // Group 1 "1T1J" loses its second "1" and would read "1TJ".
  EXPECT_EQ(CheckBetInput("1T1J,2,3,4,5,6,7").kind, BetCheck::Kind::WrongForm);
  // Letters repeat without regard to case: "TtJ" keeps "TJ".
  EXPECT_EQ(CheckBetInput("1,2,3,4,5,6,TtJ").kind, BetCheck::Kind::WrongForm);
  // A "T" and a "J" that stay apart are carried.
  const BetCheck ok = CheckBetInput("T1J,2,3,4,5,6,7");
  ASSERT_EQ(ok.kind, BetCheck::Kind::Accepted);
  EXPECT_EQ(ok.text, "T1J,2,3,4,5,6,7");
}

}  // namespace
}  // namespace qv
