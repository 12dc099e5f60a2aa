// What the writer writes, the readers read back: the section walk, the
// range finder, the media bets and the dialog's reading.
#include "FilterStringWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogFilterStr.h"

namespace qv {
namespace {

TEST(FilterStringWriter, ReadsBackThroughEveryReader) {
  const std::vector<MSectionText> levels = {
      {"7", "0", "0", "0", "5"}, {"5", "10", "30", "5", "40"}, {"0", " +3", "$1F", "x", ""}};
  const std::vector<std::string> bets = {"1234567", "024,3468,5,2347,05,268,79", "\xB2\xE2"};
  std::string s;
  for (const MSectionText& m : levels) AppendMSection(s, m);
  AppendRange(s, 'E', {"0", "1"});
  AppendRange(s, 'S', {"1", "2"});
  AppendMediaBets(s, bets);
  EXPECT_EQ(s.substr(0, 41), "M7(0-0|0-5)M5(10-30|5-40)M0( +3-$1F|x-)E0");

  const DialogFilterStr r = ReadDialogFilterStr(s);
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.checkOrder, (std::vector<int>{7, 5, 0}));
  MSectionWalker walk(s);
  for (const MSectionText& m : levels) {
    ASSERT_TRUE(walk.HasSection());
    const MSectionText f = walk.Fields();
    EXPECT_EQ((std::vector{f.level, f.shotA, f.shotB, f.canErrA, f.canErrB}),
              (std::vector{m.level, m.shotA, m.shotB, m.canErrA, m.canErrB}));
    const auto& t = *r.levels[static_cast<size_t>(m.level[0] - '0')];
    EXPECT_EQ((std::vector{t[0], t[1], t[2], t[3]}), (std::vector{m.shotA, m.shotB, m.canErrA, m.canErrB}));
    ASSERT_TRUE(walk.Advance());
  }
  ASSERT_TRUE(r.e && r.s);
  EXPECT_EQ((std::vector{r.e->lo, r.e->hi, r.s->lo, r.s->hi}), (std::vector<std::string_view>{"0", "1", "1", "2"}));
  EXPECT_EQ(std::vector<std::string>(r.bets.begin(), r.bets.end()), bets);
}

}  // namespace
}  // namespace qv
