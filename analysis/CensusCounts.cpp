#include "CensusCounts.h"

#include <new>

#include "FilterString.h"

namespace qv::host {
namespace {

// The reasons in Chinese, GB2312 bytes; the UTF-8 text stands beside each.
// 过滤条件为空，无法统计
constexpr char kEmpty[] = "\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\xCE\xAA\xBF\xD5\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 没有选中任何条件，无法统计
constexpr char kNoCondition[] =
    "\xC3\xBB\xD3\xD0\xD1\xA1\xD6\xD0\xC8\xCE\xBA\xCE\xCC\xF5\xBC\xFE\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 过滤条件缺少“)”，无法统计
constexpr char kUnterminated[] =
    "\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\xC8\xB1\xC9\xD9\xA1\xB0\x29\xA1\xB1\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// “ and ”不是有效的整数，无法统计 around the text that is no integer
constexpr char kOpenQuote[] = "\xA1\xB0";
constexpr char kNotInteger[] =
    "\xA1\xB1\xB2\xBB\xCA\xC7\xD3\xD0\xD0\xA7\xB5\xC4\xD5\xFB\xCA\xFD\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 命中星数只能是0到7，无法统计
constexpr char kBadLevel[] =
    "\xC3\xFC\xD6\xD0\xD0\xC7\xCA\xFD\xD6\xBB\xC4\xDC\xCA\xC7" "0" "\xB5\xBD" "7" "\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 命中 before the level digit
constexpr char kHit[] = "\xC3\xFC\xD6\xD0";
// 星的允许范围下限大于上限，无法统计
constexpr char kStarReversed[] =
    "\xD0\xC7\xB5\xC4\xD4\xCA\xD0\xED\xB7\xB6\xCE\xA7\xCF\xC2\xCF\xDE\xB4\xF3\xD3\xDA\xC9\xCF\xCF\xDE\xA3\xAC\xCE\xDE"
    "\xB7\xA8\xCD\xB3\xBC\xC6";
// 星的容错范围不包含允许范围，无法统计
constexpr char kStarNotNested[] =
    "\xD0\xC7\xB5\xC4\xC8\xDD\xB4\xED\xB7\xB6\xCE\xA7\xB2\xBB\xB0\xFC\xBA\xAC\xD4\xCA\xD0\xED\xB7\xB6\xCE\xA7\xA3\xAC"
    "\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 本级容错的范围下限大于上限，无法统计
constexpr char kEReversed[] =
    "\xB1\xBE\xBC\xB6\xC8\xDD\xB4\xED\xB5\xC4\xB7\xB6\xCE\xA7\xCF\xC2\xCF\xDE\xB4\xF3\xD3\xDA\xC9\xCF\xCF\xDE\xA3\xAC"
    "\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 超容错的范围下限大于上限，无法统计
constexpr char kSReversed[] =
    "\xB3\xAC\xC8\xDD\xB4\xED\xB5\xC4\xB7\xB6\xCE\xA7\xCF\xC2\xCF\xDE\xB4\xF3\xD3\xDA\xC9\xCF\xCF\xDE\xA3\xAC\xCE\xDE"
    "\xB7\xA8\xCD\xB3\xBC\xC6";
// 本级容错的范围超出了超容错的范围，无法统计
constexpr char kEBeyondS[] =
    "\xB1\xBE\xBC\xB6\xC8\xDD\xB4\xED\xB5\xC4\xB7\xB6\xCE\xA7\xB3\xAC\xB3\xF6\xC1\xCB\xB3\xAC\xC8\xDD\xB4\xED\xB5\xC4"
    "\xB7\xB6\xCE\xA7\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 容错范围只能是0到9之间的一位数字，无法统计
constexpr char kNotOneDigit[] =
    "\xC8\xDD\xB4\xED\xB7\xB6\xCE\xA7\xD6\xBB\xC4\xDC\xCA\xC7" "0" "\xB5\xBD" "9" "\xD6\xAE\xBC\xE4\xB5\xC4\xD2\xBB"
    "\xCE\xBB\xCA\xFD\xD7\xD6\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 没有媒体推荐投注，无法统计
constexpr char kNoBets[] =
    "\xC3\xBB\xD3\xD0\xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 内存不足，无法统计
constexpr char kOutOfMemory[] = "\xC4\xDA\xB4\xE6\xB2\xBB\xD7\xE3\xA3\xAC\xCE\xDE\xB7\xA8\xCD\xB3\xBC\xC6";
// 统计已取消
constexpr char kCancelled[] = "\xCD\xB3\xBC\xC6\xD2\xD1\xC8\xA1\xCF\xFB";
// 无法启动统计
constexpr char kFailed[] = "\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xCD\xB3\xBC\xC6";

void Set(FilterCounts& out, CountsStatus status, std::string english, std::string chinese) {
  out.status = status;
  out.reason = std::move(english);
  out.reasonChinese = std::move(chinese);
}

// The text the engine's conversion message quotes: '<text>' is not ...
std::string QuotedText(const std::string& message) {
  const size_t end = message.rfind("' is not");
  return end != std::string::npos && end >= 1 ? message.substr(1, end - 1) : message;
}

// Why preparation refused the string, in Chinese; the level of a section
// is read from the conditions the refused preparation left.
std::string ChineseRefusal(const PrepareResult& why, const FilterState& state) {
  const std::string& m = why.message;
  switch (why.status) {
    case PrepareStatus::Empty: return kEmpty;
    case PrepareStatus::NoCondition: return kNoCondition;
    case PrepareStatus::Unterminated: return kUnterminated;
    case PrepareStatus::ConversionError: return kOpenQuote + QuotedText(m) + kNotInteger;
    case PrepareStatus::BadLevel: return kBadLevel;
    case PrepareStatus::BandsDoNotNest: {
      const TMD& c = state.MDConds[why.section];
      return kHit + std::to_string(c.Shot) + (c.ShotA > c.ShotB ? kStarReversed : kStarNotNested);
    }
    case PrepareStatus::RangeOutOfOrder:
      if (m.find("reversed") != std::string::npos) return m[0] == 'E' ? kEReversed : kSReversed;
      return kEBeyondS;
    case PrepareStatus::OutOfMemory: return kOutOfMemory;
    case PrepareStatus::Accepted: break;
  }
  return {};
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
    Set(out, CountsStatus::OutOfMemory, "out of memory", kOutOfMemory);
    return out.status;
  }
  if (!out.prepare.accepted()) {
    Set(out, CountsStatus::Refused, "the filter string was refused: " + out.prepare.message,
        ChineseRefusal(out.prepare, state));
    return out.status;
  }
  out.conditions = state.MDConds;
  out.ranges = state.Ranges();
  out.betCount = state.MediaBets.size();
  if (state.MediaBets.empty())
    Set(out, CountsStatus::NoMediaBets, "no media bets: every hit share is 0", kNoBets);
  else if (!RangesAreOneDigit(filterStr))
    Set(out, CountsStatus::RangeNotOneDigit,
        "an E or S bound is not one digit: the plug-in reads only its first character", kNotOneDigit);
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
  switch (status) {
    case CensusStatus::Done: return;
    case CensusStatus::Cancelled: Set(out, CountsStatus::Cancelled, "the census was cancelled", kCancelled); return;
    case CensusStatus::OutOfMemory: Set(out, CountsStatus::OutOfMemory, "out of memory", kOutOfMemory); return;
    case CensusStatus::Failed: Set(out, CountsStatus::Failed, "the census could not be run", kFailed); return;
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
