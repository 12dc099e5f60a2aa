// The filter engine: the plug-in's module state and the operations on it
// (preparation, evaluation, the diagnostic report).  Portable, byte strings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "HitCount.h"

namespace qv {

// One prepared condition.
struct TMD {
  int32_t Shot;     // hit level
  int32_t ShotA;    // allowed band, percent
  int32_t ShotB;
  int32_t CanErrA;  // tolerance band, percent
  int32_t CanErrB;
};
using TArrMD = std::vector<TMD>;

// Verdicts of evaluation.
constexpr int32_t kPass = 0;
constexpr int32_t kFail = 1;
constexpr int32_t kHardReject = 999998;

// Indices into FilterState::Tally beside the eight counters.
enum : size_t { kCanErr1 = 8, kCanErr2 = 9, kCanSupErr1 = 10, kCanSupErr2 = 11 };

// The evaluation of a candidate from its eight hit shares.  ZcExecute (with
// the shares' codes tabulated per tally, below) and the census of share
// vectors both decide through these, so they cannot disagree.

// The E and S sections as evaluation reads them.
struct MissRanges {
  bool errOn = false;  // E: how many conditions may miss their allowed band
  int32_t errLo = 0, errHi = 0;
  bool supOn = false;  // S: how many may miss even their tolerance band
  int32_t supLo = 0, supHi = 0;
};

struct Misses {
  int32_t err = 0;  // conditions outside their allowed band
  int32_t sup = 0;  // those of them outside their tolerance band too
};

// One condition against the share of its level.  Without branches on the
// share: candidates come in no order, so those branches would be
// mispredicted half the time.  The tolerance band holds the allowed band,
// so a share outside the former is outside both.
inline Misses ConditionMisses(const TMD& c, int32_t share) {
  const int32_t outside = static_cast<int32_t>((share < c.ShotA) | (share > c.ShotB));
  const int32_t beyond = static_cast<int32_t>((share < c.CanErrA) | (share > c.CanErrB)) & outside;
  return {outside, beyond};
}

// The verdict from the misses of all conditions.  Evaluation walks every
// condition and decides at the end: both counts only grow, so a hard
// reject that stopping at the deciding condition would give (one beyond
// its tolerance without S, or more than S allows) is still there at the
// end, and walking on costs less than a mispredicted stop.  The S test
// comes before the E test.
inline int32_t VerdictOf(Misses m, const MissRanges& r) {
  const bool hard = r.supOn ? (m.sup > r.supHi) | (m.sup < r.supLo) : m.sup > 0;
  const bool fail = r.errOn ? (m.err < r.errLo) | (m.err > r.errHi) : m.err >= 1;
  const int32_t verdict = fail ? kFail : kPass;
  return hard ? kHardReject : verdict;
}

// The share of a condition's level; 0 for a level outside 0..7.
inline int32_t LevelShare(const int32_t shares[8], int32_t level) {
  return static_cast<uint32_t>(level) < 8u ? shares[level] : 0;
}

// The misses of all conditions, and the verdict, for the shares of levels
// 0 to 7.
Misses MissesOf(const int32_t shares[8], const TArrMD& conds);
int32_t Evaluate(const int32_t shares[8], const TArrMD& conds, const MissRanges& ranges);

// t * 100 / n rounded down, the hit share of t bets of n; 0 when n is 0.
inline int32_t ShareOf(uint64_t t, uint64_t n) {
  return n == 0 ? 0 : static_cast<int32_t>(t * 100 / n);
}

// The display name, version and author, as 8-bit texts (the name in GB2312).
extern const char kFilterName[];
extern const char kVersion[];
extern const char kAuthor[];

enum class PrepareStatus {
  Accepted,
  Empty,             // FilterStr is empty
  NoCondition,       // no "M" anywhere
  Unterminated,      // an "M" with no ")" after it
  ConversionError,   // a field that is no integer; message holds the text
  BadLevel,          // a level digit outside 0..7
  BandsDoNotNest,    // CanErrA <= ShotA <= ShotB <= CanErrB broken
  RangeOutOfOrder,   // E lo > E hi, S lo > S hi, E lo > S lo or E hi > S hi
  OutOfMemory,       // an allocation failed; the prepared state is the last one that completed
};

struct PrepareResult {
  PrepareStatus status = PrepareStatus::Accepted;
  size_t section = 0;   // BandsDoNotNest, BadLevel, ConversionError: 0-based M section
  std::string message;  // an English sentence saying why a string was refused
  bool accepted() const { return status == PrepareStatus::Accepted; }
};

// The module state of one loaded plug-in and the engine's operations on it.
class FilterState {
 public:
  std::string FilterStr;
  BetList MediaBets;
  TArrMD MDConds;
  // 0..7: ShotTally for hit levels 0 to 7; 8, 9: the E range; 10, 11: the S range.
  std::array<int32_t, 12> Tally{};
  bool CanErrOn = false;
  bool CanSupErrOn = false;

  // Reads FilterStr into the prepared state.  Never throws: a field that is
  // no integer stops preparation with ConversionError, leaving what was
  // stored before it.  The bets, the counter and the condition codes are
  // built aside and put in place only when complete: when an allocation
  // fails (OutOfMemory), every piece of the prepared state is as the last
  // completed preparation left it, and Execute and Debug go on judging
  // with it.
  PrepareResult Prepare();

  // The verdict for one candidate (null reads as the empty text); Tally
  // holds every level's count afterwards.
  int32_t Execute(const char* candidate);
  int32_t Execute(std::string_view candidate);

  // The report for one candidate; the text stays valid until the next call.
  // Never throws: when the report does not fit in memory, it is empty.
  const std::string& Debug(const char* candidate, bool showAll);

  // Execute and Debug with the caller's own tally and report text in place
  // of Tally[0..7] and the state's report.  They only read the prepared
  // state, so any number of threads may call them at once, each with its
  // own scratch, as long as no Prepare runs meanwhile.
  // Verdict counts only the levels that some condition reads: the other
  // entries of tally hold no meaningful count afterwards.  Report counts
  // every level.
  // Where every bet is in one table of the kernel's (a byte table of 64
  // bets or fewer, or bit rows), the kernel judges, and tally is left as it
  // was.
  int32_t Verdict(const char* candidate, int32_t tally[kLevels]) const {
    if (codesInKernel_ && candidate != nullptr) [[likely]]
      return KernelVerdict(candidate);
    counter_.TallyLevels(candidate, tally, levelMask_);
    return Judge(tally);
  }
  // Whether the kernel judges, needing no tally of the caller's.
  bool KernelJudges() const { return codesInKernel_; }
  // Only where KernelJudges(): the verdict of a zero-terminated candidate
  // (not null), from the prepared state alone.
  int32_t KernelVerdict(const char* candidate) const {
    return VerdictOfCounts(counter_.SumCodes(candidate, levelMask_, levelCode_.data(), codeStride_));
  }
  void Report(const char* candidate, bool showAll, int32_t tally[kLevels], std::string& out) const;

  // ShotTally := the counts of the candidate.
  void TallyHits(std::string_view candidate);
  // ShotTally[k] * 100 / N, rounded down; 0 without media bets or for a
  // level outside 0..7.
  int32_t HitShare(int32_t k) const { return HitShare(k, Tally.data()); }
  // The same for a tally of the caller's.
  int32_t HitShare(int32_t k, const int32_t tally[kLevels]) const;

  // The E and S sections as prepared.
  MissRanges Ranges() const {
    return {CanErrOn, Tally[kCanErr1], Tally[kCanErr2], CanSupErrOn, Tally[kCanSupErr1], Tally[kCanSupErr2]};
  }

  const HitCounter& Counter() const { return counter_; }
  // The counting kernel for Execute, Debug and TallyHits (the best available
  // one unless chosen here); kept across Prepare.
  void UseKernel(Kernel k) {
    counter_.UseKernel(k);
    codesInKernel_ = KernelCanJudge();
  }

 private:
  PrepareResult PrepareOrThrow();
  // Whether the per-level codes are there and the counter's kernel can use them.
  bool KernelCanJudge() const { return !levelCode_.empty() && counter_.SumsCodes(); }
  // The verdict from a tally.  Evaluate, tabulated: two bytes per condition
  // and tally say what ConditionMisses makes of the tally's share, and add
  // up: the low bytes count the misses, the high bytes those beyond
  // tolerance.  With fewer than 16 conditions the verdict of the two counts
  // is looked up too.
  int32_t Judge(const int32_t tally[kLevels]) const {
    if (!coded_) [[unlikely]]
      return JudgeByShares(tally);
    const uint16_t* code = condCode_.data();
    const uint32_t n = static_cast<uint32_t>(codeStride_ - 1);
    uint32_t counts = 0;
    for (const uint8_t level : condLevel_) {
      const uint32_t t = static_cast<uint32_t>(tally[level]);
      counts += code[t < n ? t : n];
      code += codeStride_;
    }
    return VerdictOfCounts(counts);
  }
  // The verdict of the added codes: misses in the low byte, those beyond
  // tolerance above it.
  int32_t VerdictOfCounts(uint32_t counts) const {
    if (fewConditions_) [[likely]]
      return verdictOf_[(counts & 0x0F) * kFewConditions + (counts >> 8)];
    return VerdictOf({static_cast<int32_t>(counts & 0xFF), static_cast<int32_t>(counts >> 8)}, Ranges());
  }
  // The verdict worked out from the shares, without the codes.
  __attribute__((noinline)) int32_t JudgeByShares(const int32_t tally[kLevels]) const;
  void AppendReport(std::string_view candidate, bool showAll, const int32_t tally[kLevels],
                    std::string& out) const;

  HitCounter counter_;
  std::vector<uint8_t> shareOf_;  // shareOf_[t] = t * 100 / N for t = 0..N
  // What each condition makes of each tally its level can have, as the
  // last completed preparation left the conditions: condCode_[k * (N + 1) +
  // t] is 1 for "outside the allowed band" plus 256 for "outside the
  // tolerance band too", for condition k when its level counts t bets.
  // Empty (evaluation then works the shares out) when the table would be
  // too large or a refused preparation changed the conditions.
  std::vector<uint16_t> condCode_;
  std::vector<uint8_t> condLevel_;
  size_t codeStride_ = 1;  // N + 1 of the codes
  // Bit k set: some condition of MDConds reads level k.
  uint32_t levelMask_ = 0;
  // The codes stand for MDConds.
  bool coded_ = false;
  // levelCode_[k * (N + 1) + t]: the codes of the conditions at level k
  // added up, where the kernel can judge (a small byte table, or bit rows
  // alone); and whether Verdict lets it.
  std::vector<uint16_t> levelCode_;
  bool codesInKernel_ = false;
  // verdictOf_[err * kFewConditions + sup]: the verdict of those misses, for
  // the E and S ranges as prepared; used while there are fewer conditions.
  static constexpr int32_t kFewConditions = 16;
  bool fewConditions_ = false;
  std::array<int32_t, kFewConditions * kFewConditions> verdictOf_{};
  std::string report_;
};

// The candidate text a host passes: null reads as the empty text.  Only the
// first `limit` characters are measured, since no bet looks further.
std::string_view CandidateView(const char* candidate, size_t limit);

}  // namespace qv
