// Calibration by keep rate: the bands, levels and E digit that keep the
// fewest numbers over the calibration draws while enough of their winners
// pass.  Each draw's census of share vectors turns the numbers a choice
// keeps into a walk over its distinct vectors, and a coordinate search over
// one level at a time into a few table look-ups per trial.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Calibrate.h"
#include "Census.h"
#include "Filter.h"

namespace qv::host {

// The conditions and the E section of a proposal, as the engine reads its
// filter string.
TArrMD ConditionsOf(const std::vector<LevelProposal>& levels);
MissRanges RangesOf(int e);

// The numbers of the census that the proposal's bands keep.
uint64_t KeptBy(const Census& census, const Proposal& p);

// From `start`, a coordinate search: level by level (7 down, then again
// until nothing changes), the band pair and E digit that, with the other
// levels as they are, pass at least `recall` winners and keep the fewest
// numbers summed over the censuses (one per winner's draw, in order).  Ties
// go to leaving the level out, then to the narrower bands, the smaller E
// digit and the lower starts.  Band ends are winners' shares.  `levels` are
// those that may get a band; a level whose band would change no count is
// left out of the proposal.  While no choice reaches `recall`, the one that
// passes the most winners wins.
struct KeepSearch {
  Proposal proposal;
  uint64_t kept = 0;  // numbers the proposal keeps, summed over the censuses
  int rounds = 0;     // passes over the levels
};
KeepSearch CalibrateForKeep(std::span<const Shares> winners, std::span<const Census> censuses,
                          const std::vector<int>& levels, uint64_t recall, const Proposal& start);

}  // namespace qv::host
