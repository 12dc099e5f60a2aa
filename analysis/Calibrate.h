// Band calibration: from the winners' hit shares of past draws, the
// narrowest bands that hold given shares of them, and the smallest E range
// with which enough of them pass.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "HitCount.h"

namespace qv::host {

// A decimal written as text: digits / 10^scale, exactly.
struct Decimal {
  std::string digits;  // no leading zeros, at least one digit
  size_t scale = 0;
  std::string text;    // as given
};

// A decimal in (0, 1]: "0.8", "1", ".95", "1.000".  False with a reason.
bool ParseUnitDecimal(std::string_view text, Decimal& out, std::string& why);
// ceil(d * n), computed exactly.
uint64_t CeilTimes(const Decimal& d, uint64_t n);

// An inclusive range of whole percents.
struct Band {
  int lo = 0;
  int hi = 0;
  bool operator==(const Band&) const = default;
};

// The narrowest range of whole percents 0..100 that holds at least `need` of
// the values and contains `within` when given; of equally narrow ones the
// one with the lower start.  Nothing when no range holds that many.
std::optional<Band> NarrowestBand(std::span<const int32_t> values, size_t need,
                                  std::optional<Band> within = std::nullopt);

using Shares = std::array<int32_t, kLevels>;

struct LevelProposal {
  int level = 0;
  int32_t min = 0, median = 0, max = 0;  // median: the lower one for an even count
  Band allowed, tolerance;
};

struct CalibrationTargets {
  uint64_t allowed = 0;    // ceil(P n): winners inside each allowed band
  uint64_t tolerance = 0;  // ceil(Q n): inside each tolerance band
  uint64_t recall = 0;     // ceil(R n): winners that must pass
};

struct Proposal {
  std::vector<LevelProposal> levels;  // from level 7 down
  int e = 9;
  bool eReached = false;
  uint64_t passing = 0;  // calibration winners that pass with E0-e
  std::string filterString;  // without media bets
};

// The levels at which some winner's share is above 0, from 7 down.
std::vector<int> DefaultLevels(std::span<const Shares> winners);

// The minimum, lower median and maximum of the winners' shares at a level
// (bands left 0-0).
LevelProposal LevelStats(std::span<const Shares> winners, int level);

// The filter string of bands and an E range (no media bets).
std::string ProposalString(const std::vector<LevelProposal>& levels, int e);

// The proposal for the given levels (any order; written from 7 down).
Proposal Calibrate(std::span<const Shares> winners, const std::vector<int>& levels,
                   const CalibrationTargets& targets);

// Whether a winner passes the bands with the E range 0..e and no S range:
// no share outside its tolerance band, at most e outside their allowed band.
bool PassesWithE(const Shares& shares, const std::vector<LevelProposal>& levels, int e);

}  // namespace qv::host
