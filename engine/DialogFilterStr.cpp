#include "DialogFilterStr.h"

namespace qv {

DialogFilterStr ReadDialogFilterStr(std::string_view text) {
  DialogFilterStr r;
  MSectionWalker walk(text);
  while (walk.HasSection()) {
    const MSectionText f = walk.Fields();
    if (f.level.size() != 1 || f.level[0] < '0' || f.level[0] > '7' || !walk.Advance()) {
      r.complete = false;
      return r;
    }
    const int d = f.level[0] - '0';
    if (!r.levels[d]) r.checkOrder.push_back(d);
    r.levels[d] = std::array<std::string_view, 4>{f.shotA, f.shotB, f.canErrA, f.canErrB};
  }
  const std::string_view rest = walk.Working();
  r.e = FindRange(rest, 'E');
  r.s = FindRange(rest, 'S');
  ForEachMediaBet(rest, [&](std::string_view bet) { r.bets.push_back(bet); });
  return r;
}

}  // namespace qv
