// Writing a filter string, the inverse of the readers in FilterString.h:
// each section is appended with its markers around texts that go in as they
// are.  Whoever writes a filter string (the setup dialog, the calibration,
// the back-testing) writes it through these, so every writer gives the same
// bytes for the same fields.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "FilterString.h"

namespace qv {

// "M<level>(<shotA>-<shotB>|<canErrA>-<canErrB>)".  The format has no escape:
// a field holding "-", "|" or ")" reads back cut at it.
void AppendMSection(std::string& out, const MSectionText& m);

// "<marker><lo>-<hi>", marker 'E' or 'S'.
void AppendRange(std::string& out, char marker, const RangeText& r);

// "TJ" and every bet followed by "|".  The bets must be ones the filter
// string can carry (CanCarryMediaBet), or they will not read back.
void AppendMediaBets(std::string& out, std::span<const std::string> bets);

}  // namespace qv
