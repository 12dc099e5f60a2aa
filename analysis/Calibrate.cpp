#include "Calibrate.h"

#include <algorithm>

#include "FilterStringWriter.h"

namespace qv::host {

bool ParseUnitDecimal(std::string_view text, Decimal& out, std::string& why) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  auto digitsOnly = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if ((whole.empty() && frac.empty()) || !digitsOnly(whole) || !digitsOnly(frac)) {
    why = "\"" + std::string(text) + "\" is not a decimal number";
    return false;
  }
  Decimal d;
  d.text = std::string(text);
  d.digits = std::string(whole) + std::string(frac);
  d.scale = frac.size();
  d.digits.erase(0, std::min(d.digits.find_first_not_of('0'), d.digits.size()));
  // Within (0, 1]: not zero, and digits <= 10^scale.
  const bool zero = d.digits.empty();
  const bool aboveOne = d.digits.size() > d.scale + 1 ||
                        (d.digits.size() == d.scale + 1 &&
                         (d.digits[0] != '1' || d.digits.find_first_not_of('0', 1) != std::string::npos));
  if (zero || aboveOne) {
    why = "\"" + std::string(text) + "\" is not in (0, 1]";
    return false;
  }
  out = std::move(d);
  return true;
}

uint64_t CeilTimes(const Decimal& d, uint64_t n) {
  // digits * n in decimal, least significant digit first.
  std::vector<uint8_t> product;
  uint64_t carry = 0;
  for (auto it = d.digits.rbegin(); it != d.digits.rend(); ++it) {
    const uint64_t v = static_cast<uint64_t>(*it - '0') * n + carry;
    product.push_back(static_cast<uint8_t>(v % 10));
    carry = v / 10;
  }
  for (; carry > 0; carry /= 10) product.push_back(static_cast<uint8_t>(carry % 10));
  // Split off the scale digits: any of them non-zero rounds up.
  bool fraction = false;
  for (size_t i = 0; i < d.scale && i < product.size(); ++i) fraction |= product[i] != 0;
  uint64_t result = 0;
  for (size_t i = product.size(); i > d.scale; --i) result = result * 10 + product[i - 1];
  return result + (fraction ? 1 : 0);
}

std::optional<Band> NarrowestBand(std::span<const int32_t> values, size_t need,
                                  std::optional<Band> within) {
  std::array<size_t, 102> below{};  // below[p]: values under p percent
  for (int32_t v : values)
    if (v >= 0 && v <= 100) ++below[static_cast<size_t>(v) + 1];
  for (size_t p = 1; p < below.size(); ++p) below[p] += below[p - 1];
  for (int width = 0; width <= 100; ++width)
    for (int lo = 0; lo + width <= 100; ++lo) {
      const int hi = lo + width;
      if (within && (lo > within->lo || hi < within->hi)) continue;
      if (below[static_cast<size_t>(hi) + 1] - below[static_cast<size_t>(lo)] >= need)
        return Band{lo, hi};
    }
  return std::nullopt;
}

std::vector<int> DefaultLevels(std::span<const Shares> winners) {
  std::vector<int> levels;
  for (int level = kLevels - 1; level >= 0; --level)
    if (std::any_of(winners.begin(), winners.end(),
                    [level](const Shares& s) { return s[static_cast<size_t>(level)] > 0; }))
      levels.push_back(level);
  return levels;
}

bool PassesWithE(const Shares& shares, const std::vector<LevelProposal>& levels, int e) {
  int outside = 0;
  for (const LevelProposal& l : levels) {
    const int32_t s = shares[static_cast<size_t>(l.level)];
    if (s < l.tolerance.lo || s > l.tolerance.hi) return false;
    outside += s < l.allowed.lo || s > l.allowed.hi;
  }
  return outside <= e;
}

LevelProposal LevelStats(std::span<const Shares> winners, int level) {
  std::vector<int32_t> values;
  values.reserve(winners.size());
  for (const Shares& s : winners) values.push_back(s[static_cast<size_t>(level)]);
  std::sort(values.begin(), values.end());
  LevelProposal l;
  l.level = level;
  if (!values.empty()) {
    l.min = values.front();
    l.max = values.back();
    l.median = values[(values.size() - 1) / 2];
  }
  return l;
}

std::string ProposalString(const std::vector<LevelProposal>& levels, int e) {
  std::string out;
  for (const LevelProposal& l : levels) {
    const std::string f[5] = {std::to_string(l.level), std::to_string(l.allowed.lo), std::to_string(l.allowed.hi),
                              std::to_string(l.tolerance.lo), std::to_string(l.tolerance.hi)};
    AppendMSection(out, {f[0], f[1], f[2], f[3], f[4]});
  }
  AppendRange(out, 'E', {"0", std::to_string(e)});
  return out;
}

Proposal Calibrate(std::span<const Shares> winners, const std::vector<int>& levels,
                   const CalibrationTargets& targets) {
  Proposal p;
  std::vector<int> order(levels);
  std::sort(order.rbegin(), order.rend());
  for (int level : order) {
    LevelProposal l = LevelStats(winners, level);
    std::vector<int32_t> values;
    values.reserve(winners.size());
    for (const Shares& s : winners) values.push_back(s[static_cast<size_t>(level)]);
    // The targets never exceed the number of winners, so both bands exist.
    l.allowed = NarrowestBand(values, targets.allowed).value_or(Band{0, 100});
    l.tolerance = NarrowestBand(values, targets.tolerance, l.allowed).value_or(Band{0, 100});
    p.levels.push_back(l);
  }
  for (int e = 0; e <= 9; ++e) {
    const uint64_t passing = static_cast<uint64_t>(std::count_if(
        winners.begin(), winners.end(), [&](const Shares& s) { return PassesWithE(s, p.levels, e); }));
    if (passing >= targets.recall || e == 9) {
      p.e = e;
      p.passing = passing;
      p.eReached = passing >= targets.recall;
      break;
    }
  }
  p.filterString = ProposalString(p.levels, p.e);
  return p;
}

}  // namespace qv::host
