#include "KeepCalibration.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace qv::host {

TArrMD ConditionsOf(const std::vector<LevelProposal>& levels) {
  TArrMD conds;
  for (const LevelProposal& l : levels)
    conds.push_back({l.level, l.allowed.lo, l.allowed.hi, l.tolerance.lo, l.tolerance.hi});
  return conds;
}

MissRanges RangesOf(int e) { return {true, 0, e, false, 0, 0}; }

uint64_t KeptBy(const Census& census, const Proposal& p) {
  return census.Count(ConditionsOf(p.levels), RangesOf(p.e)).passed;
}

namespace {

constexpr Band kWhole{0, 100};  // a level without a condition
constexpr int kDigits = 10;     // E digits 0..9
constexpr size_t kBins = kShareBins + 1;

struct LevelBands {
  Band allowed = kWhole, tolerance = kWhole;
  bool On() const { return !(allowed == kWhole && tolerance == kWhole); }
};

struct State {
  std::array<LevelBands, kLevels> levels;
  int e = 9;
};

// The order of choices: fewer winners short of the target, fewer numbers
// kept, fewer conditions, narrower bands, smaller E digit, lower starts.
using Key = std::tuple<uint64_t, uint64_t, int, int, int, int>;

// With the other levels' conditions fixed, at[e][s]: the numbers of all
// censuses with no tolerance miss elsewhere, at most e allowed misses
// elsewhere and a share below s at the level searched.
using Prefix = std::array<std::array<uint64_t, kBins>, kDigits>;

struct Other {
  int level;
  LevelBands bands;
};

std::vector<Other> OthersThan(const State& st, int level) {
  std::vector<Other> others;
  for (int k = 0; k < kLevels; ++k)
    if (k != level && st.levels[static_cast<size_t>(k)].On()) others.push_back({k, st.levels[static_cast<size_t>(k)]});
  return others;
}

// Allowed misses of the other conditions, or -1 for a tolerance miss.
template <class ShareAt>
int OtherMisses(const std::vector<Other>& others, ShareAt share) {
  int err = 0;
  bool beyond = false;
  for (const Other& o : others) {
    const int s = share(o.level);
    const bool out = s < o.bands.allowed.lo || s > o.bands.allowed.hi;
    err += out;
    beyond |= out && (s < o.bands.tolerance.lo || s > o.bands.tolerance.hi);
  }
  return beyond ? -1 : err;
}

// The table from raw[share][misses elsewhere].
Prefix Accumulate(const std::array<std::array<uint64_t, kLevels + 1>, kShareBins>& raw) {
  Prefix at{};
  for (int e = 0; e < kDigits; ++e)
    for (size_t s = 0; s < kShareBins; ++s) {
      uint64_t upTo = 0;
      for (int k = 0; k <= std::min(e, kLevels); ++k) upTo += raw[s][static_cast<size_t>(k)];
      at[static_cast<size_t>(e)][s + 1] = at[static_cast<size_t>(e)][s] + upTo;
    }
  return at;
}

Prefix PrefixFor(std::span<const Census> censuses, const std::vector<Other>& others, int level) {
  std::array<std::array<uint64_t, kLevels + 1>, kShareBins> raw{};  // [share][misses elsewhere]
  for (const Census& c : censuses)
    for (const ShareVector& v : c.Vectors()) {
      const int err = OtherMisses(others, [&v](int k) { return static_cast<int>(v.shares[static_cast<size_t>(k)]); });
      if (err >= 0) raw[v.shares[static_cast<size_t>(level)]][static_cast<size_t>(err)] += v.count;
    }
  return Accumulate(raw);
}

// The same for the winners, one each.
Prefix PrefixFor(std::span<const Shares> winners, const std::vector<Other>& others, int level) {
  std::array<std::array<uint64_t, kLevels + 1>, kShareBins> raw{};
  for (const Shares& w : winners) {
    const int err = OtherMisses(others, [&w](int k) { return w[static_cast<size_t>(k)]; });
    const int32_t share = w[static_cast<size_t>(level)];
    if (err >= 0 && share >= 0 && share <= 100) ++raw[static_cast<size_t>(share)][static_cast<size_t>(err)];
  }
  return Accumulate(raw);
}

// Numbers (or winners) kept with the bands at the level searched and the E
// digit e.
uint64_t Kept(const Prefix& at, const LevelBands& b, int e) {
  const auto sum = [&at](int digit, int lo, int hi) {  // shares lo..hi
    const auto& row = at[static_cast<size_t>(digit)];
    return lo > hi ? 0 : row[static_cast<size_t>(hi) + 1] - row[static_cast<size_t>(lo)];
  };
  const auto outside = [&](int digit) {
    return sum(digit, b.tolerance.lo, b.allowed.lo - 1) + sum(digit, b.allowed.hi + 1, b.tolerance.hi);
  };
  return sum(e, b.tolerance.lo, b.tolerance.hi) - outside(e) + (e > 0 ? outside(e - 1) : 0);
}

int Width(const Band& b) { return b.hi - b.lo; }

}  // namespace

KeepSearch CalibrateForKeep(std::span<const Shares> winners, std::span<const Census> censuses,
                          const std::vector<int>& levels, uint64_t recall, const Proposal& start) {
  State st;
  st.e = start.e;
  for (const LevelProposal& l : start.levels)
    st.levels[static_cast<size_t>(l.level)] = {l.allowed, l.tolerance};
  std::vector<int> order(levels);
  std::sort(order.rbegin(), order.rend());

  KeepSearch out;
  for (int round = 0; round < 32; ++round) {
    bool changed = false;
    ++out.rounds;
    for (int level : order) {
      const std::vector<Other> others = OthersThan(st, level);
      const Prefix at = PrefixFor(censuses, others, level);
      const Prefix passes = PrefixFor(winners, others, level);
      std::vector<int> values;  // the winners' shares here
      for (const Shares& s : winners) values.push_back(s[static_cast<size_t>(level)]);
      std::sort(values.begin(), values.end());
      values.erase(std::unique(values.begin(), values.end()), values.end());
      int otherWidth = 0, otherStarts = 0;
      for (const Other& o : others) {
        otherWidth += Width(o.bands.allowed) + Width(o.bands.tolerance);
        otherStarts += o.bands.allowed.lo + o.bands.tolerance.lo;
      }
      const int otherOn = static_cast<int>(others.size());

      LevelBands bestBands = st.levels[static_cast<size_t>(level)];
      int bestE = st.e;
      Key best{};
      bool haveBest = false;
      const auto consider = [&](const LevelBands& b) {
        if (!b.On() && otherOn == 0) return;  // some condition stays
        for (int e = 0; e < kDigits; ++e) {
          const uint64_t passing = Kept(passes, b, e);
          const Key key{passing >= recall ? 0 : recall - passing, Kept(at, b, e), otherOn + b.On(),
                        otherWidth + (b.On() ? Width(b.allowed) + Width(b.tolerance) : 0), e,
                        otherStarts + (b.On() ? b.allowed.lo + b.tolerance.lo : 0)};
          if (!haveBest || key < best) {
            best = key;
            bestBands = b;
            bestE = e;
            haveBest = true;
          }
        }
      };
      consider(st.levels[static_cast<size_t>(level)]);
      consider(LevelBands{});
      const size_t m = values.size();
      for (size_t i = 0; i < m; ++i)
        for (size_t j = i; j < m; ++j)
          for (size_t k = i; k <= j; ++k)
            for (size_t l = k; l <= j; ++l)
              consider({{values[k], values[l]}, {values[i], values[j]}});
      out.kept = std::get<1>(best);
      LevelBands& cur = st.levels[static_cast<size_t>(level)];
      if (!(bestBands.allowed == cur.allowed && bestBands.tolerance == cur.tolerance) || bestE != st.e) {
        cur = bestBands;
        st.e = bestE;
        changed = true;
      }
    }
    if (!changed) break;
  }

  Proposal& p = out.proposal;
  for (int level = kLevels - 1; level >= 0; --level) {
    const LevelBands& b = st.levels[static_cast<size_t>(level)];
    if (!b.On()) continue;
    LevelProposal l = LevelStats(winners, level);
    l.allowed = b.allowed;
    l.tolerance = b.tolerance;
    p.levels.push_back(l);
  }
  p.e = st.e;
  p.passing = static_cast<uint64_t>(
      std::count_if(winners.begin(), winners.end(), [&](const Shares& s) { return PassesWithE(s, p.levels, p.e); }));
  p.eReached = p.passing >= recall;
  p.filterString = ProposalString(p.levels, p.e);
  return out;
}

}  // namespace qv::host
