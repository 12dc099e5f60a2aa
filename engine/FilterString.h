// The reading rules of the filter string, shared by filter preparation and
// by the setup dialog's ApplyFilterStr.
//
// A filter string is a run of sections with nothing between them:
//   M<d>(<ShotA>-<ShotB>|<CanErrA>-<CanErrB>)  one per enabled hit level
//   E<lo>-<hi>                                 optional
//   S<lo>-<hi>                                 optional
//   TJ<bet>|<bet>|...|                         the media bets
// Fields are located by the first occurrence of their separators, exactly as
// below; markers that no rule searches for are never checked.  Positions in
// the comments are 1-based.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace qv {

// The five texts of one M section, views into the string being read.
struct MSectionText {
  std::string_view level;    // the character at position 2
  std::string_view shotA;    // from position 4 up to the first "-"
  std::string_view shotB;    // after the first "-" up to the first "|"
  std::string_view canErrA;  // the tail (after the first "|") up to its first "-"
  std::string_view canErrB;  // after the tail's first "-" up to the tail's first ")"
};

// Walks the M sections.  The working text starts as the whole string; while
// it holds an "M" anywhere it is taken to begin with an M section, and after
// the section it becomes the text after its first ")".  Every step costs
// amortised constant time, so a walk over a string of any size is linear.
class MSectionWalker {
 public:
  explicit MSectionWalker(std::string_view text);

  // The working text holds an "M".
  bool HasSection() const { return lastM_ != kNone && pos_ <= lastM_; }
  // The fields of the section at the start of the working text.
  MSectionText Fields();
  // Moves past the working text's first ")".  False, and no move, when the
  // working text has no ")": the walk cannot advance and the string has no
  // sound reading.
  bool Advance();
  // The working text; once HasSection() is false, the remainder.
  std::string_view Working() const { return text_.substr(pos_); }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // First occurrence of one character at or after a position, cached so that
  // non-decreasing queries scan every byte of the string at most once.
  class Finder {
   public:
    Finder(std::string_view s, char c) : s_(s), c_(c) {}
    size_t At(size_t from);  // absolute index, or kNone
   private:
    std::string_view s_;
    char c_;
    size_t from_ = kNone;
    size_t at_ = kNone;
  };

  std::string_view text_;
  size_t pos_ = 0;
  size_t lastM_;
  Finder dash_, bar_, paren_, tailDash_, tailParen_;
};

// Number of M sections (passes of the walk), or nothing when an "M" has no
// ")" after it.  Reads no field.
std::optional<size_t> CountMSections(std::string_view text);

// An E or S section: lo is the single character after the first marker, hi
// the character two further on.  Either may be empty when the text ends.
struct RangeText {
  std::string_view lo;
  std::string_view hi;
};
// The range of the first occurrence of marker ('E' or 'S'), or nothing.
std::optional<RangeText> FindRange(std::string_view text, char marker);

// The media bets of the first "TJ" in text: every piece that ends at a "|"
// after it, the first beginning right after "TJ".  Text after the last "|"
// is not read.  Calls fn(std::string_view) per bet, in order.
template <class Fn>
void ForEachMediaBet(std::string_view text, Fn&& fn) {
  size_t tj = text.find("TJ");
  if (tj == std::string_view::npos) return;
  std::string_view rest = text.substr(tj + 2);
  for (size_t bar; (bar = rest.find('|')) != std::string_view::npos;) {
    fn(rest.substr(0, bar));
    rest.remove_prefix(bar + 1);
  }
}

// True when text can stand as one media bet of the filter string and read
// back as the same bet.  The format has no escape, so it may hold no "|",
// "M", "E", "S" and no "TJ"; and the string is one line of text that the
// host keeps as a C string and condition files keep as a line, so it may
// hold no byte below 0x20 (a zero byte, line ends, Ctrl-Z and the other
// control characters).
bool CanCarryMediaBet(std::string_view text);

}  // namespace qv
