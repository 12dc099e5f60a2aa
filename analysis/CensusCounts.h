// What a filter string does to the ten million numbers, from the census of
// its media bets (engine/Census.h): the verdict counts, the numbers by share
// at every level, the distinct share vectors and, for every condition, how
// many numbers would pass without it.  One call for the command line
// (CountFilter); the pieces apart for a window that builds the census of the
// media bets on a worker thread and judges every edit of the bands, E and S
// from it at once (PrepareCounts, BuildBetsCensus, CountsFromCensus).
//
// When the string cannot be judged the answer is a status with the reason,
// in English and in Chinese (the list of CensusReasons.h, GB2312 bytes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Census.h"
#include "Filter.h"

namespace qv::host {

enum class CountsStatus {
  Counted,          // the counts of the filter string
  NoMediaBets,      // counted (every share is 0), but there is nothing to judge
  RangeNotOneDigit, // counted as the plug-in reads it, but an E or S bound is not one digit
  Refused,          // preparation refused the string (`prepare` says why)
  OutOfMemory,      // preparation or the census ran out of memory
  Cancelled,        // the census was cancelled
  Failed,           // no worker could be run
};

// Whether the counts, histograms and vectors of a result are filled in.
inline bool HasCounts(CountsStatus s) {
  return s == CountsStatus::Counted || s == CountsStatus::NoMediaBets ||
         s == CountsStatus::RangeNotOneDigit;
}

struct FilterCounts {
  CountsStatus status = CountsStatus::Refused;
  PrepareResult prepare;   // Refused: the engine's reason
  TArrMD conditions;       // as prepared, in string order
  MissRanges ranges;
  size_t betCount = 0;
  VerdictCounts verdicts;
  LevelHistograms histograms{};
  size_t distinctVectors = 0;
  uint64_t candidates = 0;
  // passedWithout[k]: the numbers that pass with condition k left out.
  std::vector<uint64_t> passedWithout;
  // Why there are no counts, or the warning that goes with them; empty for
  // Counted.  English for the command line, Chinese (GB2312 bytes) for the
  // windows.
  std::string reason;
  std::string reasonChinese;
};

// Prepares the filter string into `state`.  Refused, OutOfMemory,
// NoMediaBets, RangeNotOneDigit or Counted (meaning: ready to count), also
// set in `out` with its reasons; the conditions and ranges of `out` are
// filled in when the string was accepted.
CountsStatus PrepareCounts(std::string_view filterStr, FilterState& state, FilterCounts& out);

// The census of a prepared filter's media bets, with the bets it was built
// for, so that a later string with the same bets reuses it.  A census being
// built is read by no other thread: a worker builds a new one from a state
// of its own and hands it over when Done; a finished one may be read by any
// number of threads.
struct BetsCensus {
  Census census;
  std::vector<std::string> bets;
  bool built = false;
  bool SameBets(const FilterState& prepared) const;
};

// Builds the census of the prepared state's media bets (the state is only
// read, and must stay unchanged until this returns).  Done, Cancelled,
// OutOfMemory or Failed as Census::Build says; on any status but Done `out`
// is left as it was.
CensusStatus BuildBetsCensus(const FilterState& prepared, BetsCensus& out, const CensusOptions& options);
// The same for media bets alone, as the filter string writes them after
// "TJ": the census depends on the bets only.  OutOfMemory or Failed when
// they cannot be prepared.
CensusStatus BuildBetsCensus(std::string_view bets, BetsCensus& out, const CensusOptions& options);

// Sets the status and reasons of a census that did not complete (nothing
// for Done).
void SetCensusStatus(CensusStatus status, FilterCounts& out);

// The counts of the prepared state from a census of its media bets:
// microseconds to a few milliseconds, so fit for every edit.
void CountsFromCensus(const Census& census, const FilterState& prepared, FilterCounts& out);

// Everything in one call: prepare, build the census, count.
FilterCounts CountFilter(std::string_view filterStr, const CensusOptions& options = {});

}  // namespace qv::host
