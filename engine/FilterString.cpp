#include "FilterString.h"

#include <cstdint>

namespace qv {
namespace {

// Copy(s, index, count) with 1-based index: out-of-range parts are cut off,
// a non-positive count gives the empty text.
std::string_view Copy(std::string_view s, int64_t index, int64_t count) {
  if (index < 1) index = 1;
  const int64_t len = static_cast<int64_t>(s.size());
  if (index > len || count <= 0) return {};
  if (count > len - index + 1) count = len - index + 1;
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

}  // namespace

size_t MSectionWalker::Finder::At(size_t from) {
  if (from_ != kNone && from >= from_ && (at_ == kNone || at_ >= from)) return at_;
  size_t found = s_.find(c_, from);
  from_ = from;
  at_ = found == std::string_view::npos ? kNone : found;
  return at_;
}

MSectionWalker::MSectionWalker(std::string_view text)
    : text_(text),
      lastM_(text.rfind('M') == std::string_view::npos ? kNone : text.rfind('M')),
      dash_(text, '-'),
      bar_(text, '|'),
      paren_(text, ')'),
      tailDash_(text, '-'),
      tailParen_(text, ')') {}

MSectionText MSectionWalker::Fields() {
  const std::string_view w = Working();
  // 1-based positions within the working text, 0 when absent.
  auto rel = [this](size_t abs, size_t base) -> int64_t {
    return abs == kNone ? 0 : static_cast<int64_t>(abs - base) + 1;
  };
  MSectionText f;
  f.level = Copy(w, 2, 1);
  const int64_t pDash = rel(dash_.At(pos_), pos_);
  const int64_t pBar = rel(bar_.At(pos_), pos_);
  f.shotA = Copy(w, 4, pDash - 4);
  f.shotB = Copy(w, pDash + 1, pBar - pDash - 1);

  const size_t tailStart = pBar == 0 ? pos_ : pos_ + static_cast<size_t>(pBar);
  const std::string_view tail = text_.substr(tailStart);
  const int64_t tDash = rel(tailDash_.At(tailStart), tailStart);
  const int64_t tParen = rel(tailParen_.At(tailStart), tailStart);
  f.canErrA = Copy(tail, 1, tDash - 1);
  f.canErrB = Copy(tail, tDash + 1, tParen - tDash - 1);
  return f;
}

bool MSectionWalker::Advance() {
  const size_t paren = paren_.At(pos_);
  if (paren == kNone) return false;
  pos_ = paren + 1;
  return true;
}

std::optional<size_t> CountMSections(std::string_view text) {
  MSectionWalker walk(text);
  size_t n = 0;
  while (walk.HasSection()) {
    if (!walk.Advance()) return std::nullopt;
    ++n;
  }
  return n;
}

std::optional<RangeText> FindRange(std::string_view text, char marker) {
  const size_t p = text.find(marker);
  if (p == std::string_view::npos) return std::nullopt;
  const int64_t pos = static_cast<int64_t>(p) + 1;
  return RangeText{Copy(text, pos + 1, 1), Copy(text, pos + 3, 1)};
}

bool CanCarryMediaBet(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == '|' || c == 'M' || c == 'E' || c == 'S') return false;
    if (c == 'T' && i + 1 < text.size() && text[i + 1] == 'J') return false;
  }
  return true;
}

}  // namespace qv
