#include "MediaBetInput.h"

#include <array>

#include "FilterString.h"

namespace qv {

BetKey ClassifyBetKey(char c) {
  if ((c >= '0' && c <= '9') || c == ',') return BetKey::Pass;
  if (c == '\b') return BetKey::RemoveLast;
  return BetKey::Drop;
}

bool FilterBetKey(char c, std::string& text) {
  switch (ClassifyBetKey(c)) {
    case BetKey::Pass:
      return true;
    case BetKey::RemoveLast:
      if (!text.empty()) text.pop_back();
      return false;
    case BetKey::Drop:
      break;
  }
  return false;
}

namespace {

unsigned char FoldCase(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Keeps every character of the group once, at its first occurrence.
void AppendNormalisedGroup(std::string_view group, std::string& out) {
  std::array<bool, 256> seen{};
  for (char ch : group) {
    unsigned char key = FoldCase(static_cast<unsigned char>(ch));
    if (seen[key]) continue;
    seen[key] = true;
    out.push_back(ch);
  }
}

}  // namespace

BetCheck CheckBetInput(std::string_view text) {
  BetCheck r;
  if (text.empty()) {
    r.kind = BetCheck::Kind::Empty;
    return r;
  }
  r.kind = BetCheck::Kind::WrongForm;
  if (!CanCarryMediaBet(text)) return r;

  if (text.find(',') == std::string_view::npos) {
    if (text.size() != 7) return r;
    r.kind = BetCheck::Kind::Accepted;
    r.text.assign(text);
    return r;
  }

  size_t groups = 1;
  for (char ch : text) groups += (ch == ',');
  if (groups != 7) return r;

  std::string out;
  out.reserve(text.size());
  std::string_view rest = text;
  for (size_t g = 0; g < 7; ++g) {
    size_t comma = rest.find(',');
    std::string_view group = rest.substr(0, comma);
    if (g) out.push_back(',');
    AppendNormalisedGroup(group, out);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  // Dropping repeats can bring a "T" and a "J" together ("T1J" in a group
  // with an earlier "1"): the normalised text must be carriable as well.
  if (!CanCarryMediaBet(out)) return r;
  r.kind = BetCheck::Kind::Accepted;
  r.text = std::move(out);
  return r;
}

}  // namespace qv
