// A literal, deliberately slow evaluation of the filter: every rule is
// carried out word for word on 1-based positions, with Pos and Copy as the
// dialogs' run-time library has them, and nothing is cached or prepared.
// Hit counts come from the engine's literal CountHits.  The fuzz targets
// and the engine, kernel and hostile tests hold the engine against it.
//
// Where the rules leave a reading open, this follows the engine's choices:
// an "M" with no ")" after it refuses the string before anything changes,
// a level digit outside 0..7 refuses it once the section's five numbers are
// stored, a hit count above 7 is tallied at no level, and with no media bets
// every hit share is 0.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Filter.h"
#include "HitCount.h"

namespace qvref {

using Str = std::string;

// 1-based position of the first occurrence of sub in s, 0 when absent.
inline int64_t Pos(const Str& sub, const Str& s) {
  if (sub.empty() || sub.size() > s.size()) return 0;
  for (size_t i = 0; i + sub.size() <= s.size(); ++i) {
    bool same = true;
    for (size_t j = 0; j < sub.size(); ++j)
      if (s[i + j] != sub[j]) {
        same = false;
        break;
      }
    if (same) return static_cast<int64_t>(i) + 1;
  }
  return 0;
}
inline int64_t Pos(char c, const Str& s) { return Pos(Str(1, c), s); }

// Copy(s, index, count): index below 1 reads as 1, parts beyond the end are
// cut off, a count below 1 gives the empty text.
inline Str Copy(const Str& s, int64_t index, int64_t count) {
  if (index < 1) index = 1;
  const int64_t len = static_cast<int64_t>(s.size());
  if (index > len || count < 1) return Str();
  if (count > len - index + 1) count = len - index + 1;
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}
inline Str After(const Str& s, int64_t pos) { return Copy(s, pos + 1, INT64_MAX / 2); }

// Signed 32-bit conversion: leading " " only, one optional sign, then decimal
// digits or hex digits after "$", "x", "X", "0x", "0X"; nothing after them.
inline std::optional<int32_t> ToInt(const Str& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') i++;
  int sign = 1;
  if (i < text.size() && text[i] == '-') sign = -1, i++;
  else if (i < text.size() && text[i] == '+') i++;
  Str rest = text.substr(i);
  int base = 10;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    base = 16;
    rest = rest.substr(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest = rest.substr(2);
  }
  if (rest.empty()) return std::nullopt;
  // Magnitude, saturated well above every limit.
  uint64_t v = 0;
  for (char c : rest) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (v > (uint64_t{1} << 40)) v = uint64_t{1} << 40;
  }
  if (base == 16) {
    if (v > 0xFFFFFFFFull) return std::nullopt;
    int64_t asSigned = v >= 0x80000000ull ? static_cast<int64_t>(v) - 0x100000000ll
                                          : static_cast<int64_t>(v);
    int64_t r = sign * asSigned;
    if (r == 2147483648ll) r = -2147483648ll;  // -$80000000 wraps to itself
    return static_cast<int32_t>(r);
  }
  const int64_t r = sign * static_cast<int64_t>(v);
  if (r > 2147483647ll || r < -2147483648ll) return std::nullopt;
  return static_cast<int32_t>(r);
}

inline Str ConversionMessage(const Str& text) {
  return "'" + text + "' is not a valid integer value";
}

struct Cond {
  int32_t Shot = 0, ShotA = 0, ShotB = 0, CanErrA = 0, CanErrB = 0;
  bool operator==(const Cond&) const = default;
};

struct State {
  std::vector<Cond> MDConds;
  std::vector<Str> MediaBets;
  std::array<int32_t, 12> Tally{};
  bool CanErrOn = false;
  bool CanSupErrOn = false;
};

enum class Answer { Accepted, Refused, ConversionError };
struct PrepareOutcome {
  Answer answer = Answer::Refused;
  Str message;  // for ConversionError
};

inline PrepareOutcome Prepare(State& st, const Str& filterStr) {
  PrepareOutcome out;
  auto convError = [&](const Str& t) {
    out.answer = Answer::ConversionError;
    out.message = ConversionMessage(t);
    return out;
  };
  // 1.
  if (filterStr.empty()) return out;
  // 2. Count, refusing a walk that cannot end.
  int64_t n = 0;
  {
    Str w = filterStr;
    while (Pos('M', w) > 0) {
      if (Pos(')', w) == 0) return out;
      ++n;
      w = After(w, Pos(')', w));
    }
  }
  // 3.
  if (n == 0) return out;
  // 4.
  st.MDConds.resize(static_cast<size_t>(n));
  // 5.
  Str w = filterStr;
  for (int64_t k = 0; k < n; ++k) {
    Cond& e = st.MDConds[static_cast<size_t>(k)];
    const Str level = Copy(w, 2, 1);
    const int64_t pDash = Pos('-', w);
    const int64_t pBar = Pos('|', w);
    const Str shotA = Copy(w, 4, pDash - 4);
    const Str shotB = Copy(w, pDash + 1, pBar - pDash - 1);
    const Str tail = After(w, pBar);
    const int64_t tDash = Pos('-', tail);
    const int64_t tParen = Pos(')', tail);
    const Str canErrA = Copy(tail, 1, tDash - 1);
    const Str canErrB = Copy(tail, tDash + 1, tParen - tDash - 1);
    const Str* texts[5] = {&level, &shotA, &shotB, &canErrA, &canErrB};
    int32_t* fields[5] = {&e.Shot, &e.ShotA, &e.ShotB, &e.CanErrA, &e.CanErrB};
    for (int i = 0; i < 5; ++i) {
      std::optional<int32_t> v = ToInt(*texts[i]);
      if (!v) return convError(*texts[i]);
      *fields[i] = *v;
    }
    if (e.Shot < 0 || e.Shot > 7) return out;
    if (e.ShotA > e.ShotB) return out;
    if (e.CanErrB < e.ShotB) return out;
    if (e.CanErrA > e.ShotA) return out;
    w = After(w, Pos(')', w));
  }
  const Str remainder = w;
  // 6.
  const int64_t pE = Pos('E', filterStr);
  const int64_t pS = Pos('S', filterStr);
  int32_t elo = 0, ehi = 0, slo = 0, shi = 0;
  // The one-character bounds one and three places after the letter at p;
  // the text that is no number, if one is not.
  auto bounds = [&](int64_t p, int32_t& lo, int32_t& hi) -> std::optional<Str> {
    const Str loText = Copy(filterStr, p + 1, 1), hiText = Copy(filterStr, p + 3, 1);
    if (!ToInt(loText)) return loText;
    if (!ToInt(hiText)) return hiText;
    lo = *ToInt(loText);
    hi = *ToInt(hiText);
    return std::nullopt;
  };
  if (auto bad = pE > 0 ? bounds(pE, elo, ehi) : std::nullopt) return convError(*bad);
  if (auto bad = pS > 0 ? bounds(pS, slo, shi) : std::nullopt) return convError(*bad);
  if (pE > 0 && elo > ehi) return out;
  if (pS > 0 && slo > shi) return out;
  if (pE > 0 && pS > 0) {
    if (elo > slo) return out;
    if (ehi > shi) return out;
  }
  // 7.
  st.CanErrOn = pE > 0;
  if (pE > 0) st.Tally[8] = elo, st.Tally[9] = ehi;
  st.CanSupErrOn = pS > 0;
  if (pS > 0) st.Tally[10] = slo, st.Tally[11] = shi;
  // 8.
  st.MediaBets.clear();
  const int64_t tj = Pos("TJ", remainder);
  if (tj > 0) {
    Str t = After(remainder, tj + 1);
    while (Pos('|', t) > 0) {
      st.MediaBets.push_back(Copy(t, 1, Pos('|', t) - 1));
      t = After(t, Pos('|', t));
    }
  }
  out.answer = Answer::Accepted;
  return out;
}

// The hit count of one bet: the engine's literal CountHits, the one
// reference that the prepared counter of every kernel is held against.
inline int64_t CountHits(const Str& bet, const Str& cand) { return qv::CountHits(bet, cand); }

// The literal state holding what a preparation of the engine left.
inline State StateOf(const qv::FilterState& f) {
  State s;
  for (const qv::TMD& m : f.MDConds) s.MDConds.push_back({m.Shot, m.ShotA, m.ShotB, m.CanErrA, m.CanErrB});
  s.MediaBets = f.MediaBets.ToVector();
  s.Tally = f.Tally;
  s.CanErrOn = f.CanErrOn;
  s.CanSupErrOn = f.CanSupErrOn;
  return s;
}

inline void TallyHits(State& st, const Str& cand) {
  for (int k = 0; k < 8; ++k) st.Tally[static_cast<size_t>(k)] = 0;
  for (const Str& b : st.MediaBets) {
    const int64_t h = CountHits(b, cand);
    if (h >= 0 && h <= 7) ++st.Tally[static_cast<size_t>(h)];
  }
}

inline int32_t HitShare(const State& st, int32_t k) {
  const int64_t n = static_cast<int64_t>(st.MediaBets.size());
  if (n == 0 || k < 0 || k > 7) return 0;
  return static_cast<int32_t>(int64_t{st.Tally[static_cast<size_t>(k)]} * 100 / n);
}

inline int32_t Execute(State& st, const Str& cand) {
  TallyHits(st, cand);
  int32_t err = 0, supErr = 0;
  for (const Cond& c : st.MDConds) {
    const int32_t s = HitShare(st, c.Shot);
    if (c.ShotA <= s && s <= c.ShotB) continue;
    ++err;
    if (c.CanErrA <= s && s <= c.CanErrB) continue;
    ++supErr;
    if (!st.CanSupErrOn) return 999998;
    if (supErr > st.Tally[11]) return 999998;
  }
  if (st.CanSupErrOn && (supErr > st.Tally[11] || supErr < st.Tally[10])) return 999998;
  if (st.CanErrOn) return (err < st.Tally[8] || err > st.Tally[9]) ? 1 : 0;
  return err >= 1 ? 1 : 0;
}

inline Str Debug(State& st, const Str& cand, bool showAll, const Str& displayName) {
  TallyHits(st, cand);
  Str report;
  for (const Cond& c : st.MDConds) {
    const int32_t s = HitShare(st, c.Shot);
    if (!showAll && c.ShotA <= s && s <= c.ShotB) continue;
    report += cand + '\x07' + displayName + '\x07' + std::to_string(c.Shot) + ":" +
              std::to_string(c.ShotA) + "%-" + std::to_string(c.ShotB) + "%|" +
              std::to_string(c.CanErrA) + "%-" + std::to_string(c.CanErrB) + "%" + '\x07' +
              std::to_string(s) + "%\r\n";
  }
  return report;
}

}  // namespace qvref
