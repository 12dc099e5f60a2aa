#include "CensusCounts.h"

#include <new>

#include "CensusReasons.h"
#include "FilterString.h"

namespace qv::host {
namespace {

// The text the engine's conversion message quotes: '<text>' is not ...
std::string QuotedText(const std::string& message) {
  const size_t end = message.rfind("' is not");
  return end != std::string::npos && end >= 1 ? message.substr(1, end - 1) : message;
}

}  // namespace

std::string reasons::RefusalReason(const PrepareResult& why, const TArrMD& conds) {
  const std::string& m = why.message;
  switch (why.status) {
    case PrepareStatus::Accepted: return {};
    case PrepareStatus::Empty: return kEmptyReason;
    case PrepareStatus::NoCondition: return kNoConditionReason;
    case PrepareStatus::Unterminated: return kUnterminatedReason;
    case PrepareStatus::ConversionError: return kNotIntegerHead + QuotedText(m) + kNotIntegerTail;
    case PrepareStatus::BadLevel: return kBadLevelReason;
    case PrepareStatus::BandsDoNotNest:
      if (why.section < conds.size()) {
        const TMD& c = conds[why.section];
        return kLevelHead + std::to_string(c.Shot) + (c.ShotA > c.ShotB ? kLevelReversedTail : kLevelNotNestedTail);
      }
      break;
    case PrepareStatus::RangeOutOfOrder:
      if (m.find("reversed") != std::string::npos) return m[0] == 'E' ? kERangeReversedReason : kSRangeReversedReason;
      return kRangesOutOfOrderReason;
    case PrepareStatus::OutOfMemory: return kOutOfMemoryReason;
  }
  return kNotReadableReason;
}

const char* reasons::CensusReason(CensusStatus status) {
  switch (status) {
    case CensusStatus::Cancelled: return kCensusCancelled;
    case CensusStatus::OutOfMemory: return kCensusOutOfMemory;
    default: return kCensusFailed;
  }
}

namespace {

void Set(FilterCounts& out, CountsStatus status, std::string english, std::string chinese) {
  out.status = status;
  out.reason = std::move(english);
  out.reasonChinese = std::move(chinese);
}

// Whether an E or S section present in the string has the form the dialog
// writes, <marker><digit>-<digit>, with no further digit after it.  The
// plug-in reads one character for each bound and ignores what follows, so
// "E0-12" is judged as E0-1.
bool RangesAreOneDigit(std::string_view s) {
  for (char marker : {'E', 'S'}) {
    const std::optional<RangeText> t = FindRange(s, marker);
    if (!t || t->lo.empty() || t->hi.empty()) continue;
    const size_t lo = static_cast<size_t>(t->lo.data() - s.data());
    const size_t after = lo + 3;
    if (s[lo + 1] != '-' || (after < s.size() && s[after] >= '0' && s[after] <= '9')) return false;
  }
  return true;
}

}  // namespace

CountsStatus PrepareCounts(std::string_view filterStr, FilterState& state, FilterCounts& out) {
  state.FilterStr = std::string(filterStr);
  out.prepare = state.Prepare();
  if (out.prepare.status == PrepareStatus::OutOfMemory) {
    Set(out, CountsStatus::OutOfMemory, "out of memory", reasons::kOutOfMemoryReason);
    return out.status;
  }
  if (!out.prepare.accepted()) {
    Set(out, CountsStatus::Refused, "the filter string was refused: " + out.prepare.message,
        reasons::RefusalReason(out.prepare, state.MDConds));
    return out.status;
  }
  out.conditions = state.MDConds;
  out.ranges = state.Ranges();
  out.betCount = state.MediaBets.size();
  if (state.MediaBets.empty())
    Set(out, CountsStatus::NoMediaBets, "no media bets: every hit share is 0", reasons::kNoBetsReason);
  else if (!RangesAreOneDigit(filterStr))
    Set(out, CountsStatus::RangeNotOneDigit,
        "an E or S bound is not one digit: the plug-in reads only its first character",
        reasons::kRangeDigitReason);
  else
    Set(out, CountsStatus::Counted, {}, {});
  return out.status;
}

bool BetsCensus::SameBets(const FilterState& prepared) const {
  if (!built || bets.size() != prepared.MediaBets.size()) return false;
  for (size_t i = 0; i < bets.size(); ++i)
    if (bets[i] != prepared.MediaBets[i]) return false;
  return true;
}

CensusStatus BuildBetsCensus(const FilterState& prepared, BetsCensus& out, const CensusOptions& options) {
  try {
    std::vector<std::string> bets(prepared.MediaBets.begin(), prepared.MediaBets.end());
    const CensusStatus status = out.census.Build(prepared, options);
    if (status != CensusStatus::Done) return status;
    out.bets = std::move(bets);
    out.built = true;
    return status;
  } catch (const std::bad_alloc&) {
    return CensusStatus::OutOfMemory;
  }
}

CensusStatus BuildBetsCensus(std::string_view bets, BetsCensus& out, const CensusOptions& options) {
  try {
    // Prepared with a condition that every number meets.
    FilterState prepared;
    prepared.FilterStr = "M0(0-100|0-100)TJ" + std::string(bets);
    const PrepareResult r = prepared.Prepare();
    if (r.status == PrepareStatus::OutOfMemory) return CensusStatus::OutOfMemory;
    if (!r.accepted()) return CensusStatus::Failed;
    return BuildBetsCensus(prepared, out, options);
  } catch (const std::bad_alloc&) {
    return CensusStatus::OutOfMemory;
  }
}

void SetCensusStatus(CensusStatus status, FilterCounts& out) {
  const char* const chinese = reasons::CensusReason(status);
  switch (status) {
    case CensusStatus::Done: return;
    case CensusStatus::Cancelled: Set(out, CountsStatus::Cancelled, "the census was cancelled", chinese); return;
    case CensusStatus::OutOfMemory: Set(out, CountsStatus::OutOfMemory, "out of memory", chinese); return;
    case CensusStatus::Failed: Set(out, CountsStatus::Failed, "the census could not be run", chinese); return;
  }
}

void CountsFromCensus(const Census& census, const FilterState& prepared, FilterCounts& out) {
  out.verdicts = census.Count(prepared);
  out.passedWithout = census.PassedWithout(prepared.MDConds, prepared.Ranges());
  out.histograms = census.Histograms();
  out.distinctVectors = census.DistinctVectors();
  out.candidates = census.Candidates();
}

FilterCounts CountFilter(std::string_view filterStr, const CensusOptions& options) {
  FilterCounts out;
  FilterState state;
  if (!HasCounts(PrepareCounts(filterStr, state, out))) return out;
  BetsCensus census;
  const CensusStatus status = BuildBetsCensus(state, census, options);
  if (status != CensusStatus::Done) {
    SetCensusStatus(status, out);
    return out;
  }
  try {
    CountsFromCensus(census.census, state, out);
  } catch (const std::bad_alloc&) {
    SetCensusStatus(CensusStatus::OutOfMemory, out);
  }
  return out;
}

}  // namespace qv::host
