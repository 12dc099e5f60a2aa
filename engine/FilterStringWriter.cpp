#include "FilterStringWriter.h"

namespace qv {

void AppendMSection(std::string& out, const MSectionText& m) {
  out += 'M';
  out += m.level;
  out += '(';
  out += m.shotA;
  out += '-';
  out += m.shotB;
  out += '|';
  out += m.canErrA;
  out += '-';
  out += m.canErrB;
  out += ')';
}

void AppendRange(std::string& out, char marker, const RangeText& r) {
  out += marker;
  out += r.lo;
  out += '-';
  out += r.hi;
}

void AppendMediaBets(std::string& out, std::span<const std::string> bets) {
  out += "TJ";
  for (const std::string& bet : bets) {
    out += bet;
    out += '|';
  }
}

}  // namespace qv
