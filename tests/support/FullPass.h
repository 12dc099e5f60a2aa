// The reference for whatever counts verdicts: ZcExecute over every number.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include "Census.h"
namespace qv::testing {
inline VerdictCounts FullPass(const std::string& filterStr) {
  FilterState f;
  f.FilterStr = filterStr;
  EXPECT_TRUE(f.Prepare().accepted()) << filterStr;
  VerdictCounts c;
  char text[8] = "0000000";
  for (uint32_t n = 0; n < kCensusNumbers; ++n) {
    const int32_t v = f.Execute(std::string_view(text, 7));
    ++(v == kPass ? c.passed : v == kFail ? c.failed : c.hardReject);
    for (int i = 6; i >= 0 && ++text[i] > '9'; --i) text[i] = '0';
  }
  return c;
}
}  // namespace qv::testing
