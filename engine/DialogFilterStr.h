// What the setup dialog shows of a filter string, read by the engine's
// reading rules without touching any control.  The dialog applies the
// result in one go, so that a malformed string whose walk cuts the same
// long pieces over and over never copies them into controls more than once.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "FilterString.h"

namespace qv {

struct DialogFilterStr {
  // False when the string stops at a section the dialog cannot show: a level
  // digit outside 0..7 or an "M" with no ")" after it.  Sections before it
  // are read as usual; E, S and TJ are then not read at all.
  bool complete = true;
  // Levels in the order of their first M section: the order in which the
  // level check boxes are checked.
  std::vector<int> checkOrder;
  // The texts of the last M section of each level: ShotA, ShotB, CanErrA,
  // CanErrB.  Empty for levels the string does not mention.
  std::array<std::optional<std::array<std::string_view, 4>>, 8> levels;
  std::optional<RangeText> e;  // the first "E" of the remainder
  std::optional<RangeText> s;  // the first "S" of the remainder
  std::vector<std::string_view> bets;  // the TJ section, in string order
};

// Views point into text, which must outlive the result.
DialogFilterStr ReadDialogFilterStr(std::string_view text);

// True when text is exactly one decimal digit, the only E or S bound the
// filter string can carry.
inline bool IsOneDigit(std::string_view text) {
  return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

}  // namespace qv
