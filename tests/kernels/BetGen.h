// Random media bets and candidates for the differential tests, and the
// literal tally that every kernel must reproduce.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "HitCount.h"

namespace qv::testing {

enum class Flavor {
  SingleDigits,    // seven digits, sometimes shorter or longer
  CompoundDigits,  // seven digit groups, with "*", repeats and empty groups
  CompoundWild,    // any number of groups, long runs of one character
  Bytes,           // any non-zero byte, commas and stars likely
  Long,            // more positions than a lottery number
  Mixed,           // each bet of a random flavour
};

class BetGen {
 public:
  explicit BetGen(uint32_t seed) : rng_(seed) {}

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Uniform(0, 99) < percent; }

  std::string Bet(Flavor f);
  std::vector<std::string> Bets(size_t n, Flavor f);
  // Length 0..maxLength; digits mostly, then "*", ",", high bytes.  Zero
  // bytes only when allowZero (texts that are not zero-terminated).
  std::string Candidate(int maxLength = 20, bool allowZero = false);
  // One offer of each of the bet's groups (its characters for a single
  // bet), now and then one of them changed: candidates that hit it at high
  // levels, which random ones rarely do.
  std::string CandidateNear(const std::string& bet);

  // Characters that a filter string's bet can carry are limited; this drops
  // the reserved ones.
  void ExcludeMarkers(bool on) { excludeMarkers_ = on; }
  // A generator of bets that a filter string can carry.
  static BetGen ForFilterStrings(uint32_t seed) {
    BetGen g(seed);
    g.ExcludeMarkers(true);
    return g;
  }

 private:
  char Digit() { return static_cast<char>('0' + Uniform(0, 9)); }
  char AnyByte();
  std::string Group(int maxLength);

  std::mt19937 rng_;
  bool excludeMarkers_ = false;
};

// tally[k] = bets with CountHits == k, k = 0..7.
std::array<int32_t, kLevels> LiteralTally(const std::vector<std::string>& bets,
                                          std::string_view candidate);
std::array<int32_t, kLevels> LiteralTally(const BetList& bets, std::string_view candidate);

// The kernels this processor runs, in the order of the dispatch table.
std::vector<Kernel> Kernels();

}  // namespace qv::testing
