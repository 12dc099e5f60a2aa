#include "Filter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "FilterString.h"
#include "IntConv.h"

namespace qv {

const char kFilterName[] = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";  // 分布概率
const char kVersion[] = "1.01";
const char kAuthor[] = "Darnveil";

namespace {

PrepareResult Refuse(PrepareStatus status, std::string message, size_t section = 0) {
  PrepareResult r;
  r.status = status;
  r.section = section;
  r.message = std::move(message);
  return r;
}

std::string SectionName(size_t k) { return "M section " + std::to_string(k + 1); }

// The candidate as far as any bet looks.
inline std::string_view ViewOf(const char* candidate, size_t limit) {
  if (candidate == nullptr) return {};
  if (limit <= 16) {  // the usual case: a short look needs no library call
    size_t n = 0;
    while (n < limit && candidate[n] != 0) ++n;
    return {candidate, n};
  }
  const void* end = std::memchr(candidate, 0, limit);
  size_t n = end ? static_cast<size_t>(static_cast<const char*>(end) - candidate) : limit;
  return {candidate, n};
}

}  // namespace

std::string_view CandidateView(const char* candidate, size_t limit) { return ViewOf(candidate, limit); }

PrepareResult FilterState::Prepare() {
  try {
    return PrepareOrThrow();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size beyond what a container can hold
  }
  PrepareResult r;
  r.status = PrepareStatus::OutOfMemory;
  r.message = "out of memory";  // short enough for the string's own buffer
  return r;
}

namespace {

// What each condition makes of each tally its level can have: code[k *
// (N + 1) + t] is 1 "outside the allowed band", plus 256 "outside the
// tolerance band too", for condition k when its level counts t bets; so the
// codes of all conditions add up without carrying from one byte into the
// other.  Left empty when the table would be too large (bounded so that many
// conditions over many bets cost no more than a few megabytes) or with more
// conditions than a byte counts; evaluation then compares the shares.
void BuildConditionCodes(const TArrMD& conds, const std::vector<uint8_t>& shareOf,
                         std::vector<uint16_t>& code, std::vector<uint8_t>& level) {
  constexpr size_t kMaxCodes = size_t{2} << 20;
  const size_t stride = shareOf.size();
  if (conds.empty() || conds.size() > 255 || stride > kMaxCodes / conds.size()) return;
  code.resize(conds.size() * stride);
  level.resize(conds.size());
  uint16_t* out = code.data();
  for (size_t k = 0; k < conds.size(); ++k, out += stride) {
    const TMD& c = conds[k];
    level[k] = static_cast<uint8_t>(c.Shot);  // 0..7: Prepare refused any other
    for (size_t t = 0; t < stride; ++t) {
      const Misses m = ConditionMisses(c, shareOf[t]);
      out[t] = static_cast<uint16_t>(m.err | (m.sup << 8));
    }
  }
}

// The levels that the conditions read.
uint32_t LevelsRead(const TArrMD& conds) {
  uint32_t mask = 0;
  for (const TMD& c : conds)
    if (c.Shot >= 0 && c.Shot < kLevels) mask |= 1u << c.Shot;
  return mask;
}

}  // namespace

// Tallies of at most this many values get codes added up per level.
constexpr size_t kMaxLevelCodes = size_t{1} << 16;

PrepareResult FilterState::PrepareOrThrow() {
  const std::string_view s = FilterStr;
  if (s.empty()) return Refuse(PrepareStatus::Empty, "the filter string is empty");

  const std::optional<size_t> n = CountMSections(s);
  if (!n) return Refuse(PrepareStatus::Unterminated, "an \"M\" has no \")\" after it");
  if (*n == 0) return Refuse(PrepareStatus::NoCondition, "no condition");

  // The conditions are written into a copy.  A refused string leaves them
  // as far as the walk got (the copy takes their place, and the codes of
  // the old ones go); an allocation that fails leaves everything as it was.
  TArrMD conds(MDConds);
  conds.resize(*n, TMD{0, 0, 0, 0, 0});
  auto refused = [&](PrepareResult r) {
    MDConds.swap(conds);
    condCode_.clear();
    condLevel_.clear();
    levelCode_.clear();
    coded_ = false;
    codesInKernel_ = false;
    levelMask_ = LevelsRead(MDConds);
    return r;
  };

  MSectionWalker walk(s);
  for (size_t k = 0; k < *n; ++k) {
    const MSectionText f = walk.Fields();
    TMD& e = conds[k];
    const std::string_view texts[5] = {f.level, f.shotA, f.shotB, f.canErrA, f.canErrB};
    int32_t* fields[5] = {&e.Shot, &e.ShotA, &e.ShotB, &e.CanErrA, &e.CanErrB};
    for (int i = 0; i < 5; ++i) {
      std::optional<int32_t> v = StrToInt32(texts[i]);
      if (!v) return refused(Refuse(PrepareStatus::ConversionError, InvalidIntegerMessage(texts[i]), k));
      *fields[i] = *v;
    }
    if (e.Shot < 0 || e.Shot >= kLevels)
      return refused(Refuse(PrepareStatus::BadLevel,
                            SectionName(k) + ": hit level " + std::to_string(e.Shot) + " is not 0 to 7", k));
    if (e.ShotA > e.ShotB)
      return refused(Refuse(PrepareStatus::BandsDoNotNest,
                            SectionName(k) + " (level " + std::to_string(e.Shot) + "): allowed band " +
                                std::to_string(e.ShotA) + "-" + std::to_string(e.ShotB) + " is reversed",
                            k));
    if (e.CanErrB < e.ShotB)
      return refused(Refuse(PrepareStatus::BandsDoNotNest,
                            SectionName(k) + " (level " + std::to_string(e.Shot) +
                                "): tolerance upper bound " + std::to_string(e.CanErrB) +
                                " is below the allowed upper bound " + std::to_string(e.ShotB),
                            k));
    if (e.CanErrA > e.ShotA)
      return refused(Refuse(PrepareStatus::BandsDoNotNest,
                            SectionName(k) + " (level " + std::to_string(e.Shot) +
                                "): tolerance lower bound " + std::to_string(e.CanErrA) +
                                " is above the allowed lower bound " + std::to_string(e.ShotA),
                            k));
    walk.Advance();
  }
  const std::string_view remainder = walk.Working();

  // Ranges, looked for in the whole string.
  struct Range { bool on = false; int32_t lo = 0, hi = 0; };
  Range er, sr;
  for (auto [marker, range] : {std::pair{'E', &er}, std::pair{'S', &sr}}) {
    std::optional<RangeText> t = FindRange(s, marker);
    if (!t) continue;
    std::optional<int32_t> lo = StrToInt32(t->lo);
    if (!lo) return refused(Refuse(PrepareStatus::ConversionError, InvalidIntegerMessage(t->lo), *n));
    std::optional<int32_t> hi = StrToInt32(t->hi);
    if (!hi) return refused(Refuse(PrepareStatus::ConversionError, InvalidIntegerMessage(t->hi), *n));
    *range = Range{true, *lo, *hi};
  }
  auto pair = [](const Range& r) { return std::to_string(r.lo) + "-" + std::to_string(r.hi); };
  if (er.on && er.lo > er.hi)
    return refused(Refuse(PrepareStatus::RangeOutOfOrder, "E range " + pair(er) + " is reversed"));
  if (sr.on && sr.lo > sr.hi)
    return refused(Refuse(PrepareStatus::RangeOutOfOrder, "S range " + pair(sr) + " is reversed"));
  if (er.on && sr.on) {
    if (er.lo > sr.lo)
      return refused(Refuse(PrepareStatus::RangeOutOfOrder,
                            "E range " + pair(er) + " starts above S range " + pair(sr)));
    if (er.hi > sr.hi)
      return refused(Refuse(PrepareStatus::RangeOutOfOrder,
                            "E range " + pair(er) + " ends above S range " + pair(sr)));
  }

  // Everything else is built aside too, each buffer at its final size.
  BetList bets;
  size_t count = 0, characters = 0;
  ForEachMediaBet(remainder, [&](std::string_view bet) {
    ++count;
    characters += bet.size();
  });
  bets.reserve(count, characters);
  ForEachMediaBet(remainder, [&](std::string_view bet) { bets.push_back(bet); });
  HitCounter counter;
  counter.UseKernel(counter_.CurrentKernel());
  counter.Build(bets);
  // Every share a tally can give, so evaluation divides nothing.
  std::vector<uint8_t> shares(bets.size() + 1);
  for (size_t t = 0; t < shares.size(); ++t)
    shares[t] = static_cast<uint8_t>(ShareOf(t, bets.size()));
  std::vector<uint16_t> codes;
  std::vector<uint8_t> levels;
  BuildConditionCodes(conds, shares, codes, levels);
  // For tables that the kernel judges itself: the codes of each level's
  // conditions added up, so that a level costs one look (at most 1 MB).
  std::vector<uint16_t> levelCodes;
  if (!codes.empty() && counter.SumsCodes() && shares.size() <= kMaxLevelCodes) {
    const size_t stride = shares.size();
    levelCodes.assign(kLevels * stride, 0);
    for (size_t k = 0; k < levels.size(); ++k)
      for (size_t t = 0; t < stride; ++t) levelCodes[levels[k] * stride + t] += codes[k * stride + t];
  }

  // Complete: put it all in place.  Nothing below allocates.
  MDConds.swap(conds);
  CanErrOn = er.on;
  if (er.on) {
    Tally[kCanErr1] = er.lo;
    Tally[kCanErr2] = er.hi;
  }
  CanSupErrOn = sr.on;
  if (sr.on) {
    Tally[kCanSupErr1] = sr.lo;
    Tally[kCanSupErr2] = sr.hi;
  }
  MediaBets.swap(bets);
  counter_.swap(counter);
  shareOf_.swap(shares);
  condCode_.swap(codes);
  condLevel_.swap(levels);
  levelCode_.swap(levelCodes);
  codeStride_ = shareOf_.size();
  levelMask_ = LevelsRead(MDConds);
  coded_ = condLevel_.size() == MDConds.size() && !condCode_.empty();
  codesInKernel_ = KernelCanJudge();
  // The verdict of every pair of miss counts that few conditions can give.
  fewConditions_ = MDConds.size() < kFewConditions;
  for (int32_t err = 0; err < kFewConditions; ++err)
    for (int32_t sup = 0; sup < kFewConditions; ++sup)
      verdictOf_[static_cast<size_t>(err * kFewConditions + sup)] = VerdictOf({err, sup}, Ranges());
  return {};
}

void FilterState::TallyHits(std::string_view candidate) { counter_.Tally(candidate, Tally.data()); }

int32_t FilterState::HitShare(int32_t k, const int32_t tally[kLevels]) const {
  const size_t n = MediaBets.size();
  if (n == 0 || k < 0 || k >= kLevels) return 0;
  const int32_t t = tally[k];
  if (shareOf_.size() == n + 1 && t >= 0 && static_cast<size_t>(t) <= n)
    return shareOf_[static_cast<size_t>(t)];
  return static_cast<int32_t>(static_cast<int64_t>(t) * 100 / static_cast<int64_t>(n));
}

int32_t FilterState::Execute(const char* candidate) {
  counter_.Tally(candidate, Tally.data());
  return Judge(Tally.data());
}

int32_t FilterState::Execute(std::string_view candidate) {
  TallyHits(candidate);
  return Judge(Tally.data());
}

Misses MissesOf(const int32_t shares[kLevels], const TArrMD& conds) {
  Misses m;
  for (const TMD& c : conds) {
    const Misses one = ConditionMisses(c, LevelShare(shares, c.Shot));
    m.err += one.err;
    m.sup += one.sup;
  }
  return m;
}

int32_t Evaluate(const int32_t shares[kLevels], const TArrMD& conds, const MissRanges& ranges) {
  return VerdictOf(MissesOf(shares, conds), ranges);
}

int32_t FilterState::JudgeByShares(const int32_t tally[kLevels]) const {
  int32_t shares[kLevels];
  for (int32_t k = 0; k < kLevels; ++k) shares[k] = HitShare(k, tally);
  return Evaluate(shares, MDConds, Ranges());
}

const std::string& FilterState::Debug(const char* candidate, bool showAll) {
  Report(candidate, showAll, Tally.data(), report_);
  return report_;
}

void FilterState::Report(const char* candidate, bool showAll, int32_t tally[kLevels], std::string& out) const {
  const std::string_view full = candidate ? std::string_view(candidate) : std::string_view();
  counter_.Tally(full.substr(0, std::min(full.size(), counter_.MaxPositions())), tally);
  out.clear();
  try {
    AppendReport(full, showAll, tally, out);
  } catch (const std::bad_alloc&) {
    out.clear();
  } catch (const std::length_error&) {
    out.clear();
  }
}

void FilterState::AppendReport(std::string_view full, bool showAll, const int32_t tally[kLevels],
                               std::string& out) const {
  for (const TMD& c : MDConds) {
    const int32_t s = HitShare(c.Shot, tally);
    if (!showAll && ConditionMisses(c, s).err == 0) continue;
    out += full;
    out += '\x07';
    out += kFilterName;
    out += '\x07';
    out += std::to_string(c.Shot);
    out += ':';
    out += std::to_string(c.ShotA);
    out += "%-";
    out += std::to_string(c.ShotB);
    out += "%|";
    out += std::to_string(c.CanErrA);
    out += "%-";
    out += std::to_string(c.CanErrB);
    out += "%\x07";
    out += std::to_string(s);
    out += "%\r\n";
  }
}

}  // namespace qv
