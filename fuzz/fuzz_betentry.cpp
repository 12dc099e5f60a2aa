// The bet entry dialog's key filter and OK checks on arbitrary keys and
// pasted texts, against the literal rules; an accepted bet is one that the
// filter string carries and that OK accepts again unchanged.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FilterString.h"
#include "FuzzCheck.h"
#include "MediaBetInput.h"

namespace {

using Kind = qv::BetCheck::Kind;

qv::BetCheck LiteralCheck(const std::string& t) {
  qv::BetCheck r;
  if (t.empty()) return r;  // Empty
  r.kind = Kind::WrongForm;
  if (t.find_first_of("|MES") != std::string::npos || t.find("TJ") != std::string::npos) return r;
  for (unsigned char c : t)
    if (c < 0x20) return r;  // control characters: the string is one line of C text
  if (t.find(',') == std::string::npos) {
    if (t.size() == 7) r = {Kind::Accepted, t};
    return r;
  }
  std::vector<std::string> groups(1);
  for (char c : t) {
    if (c == ',') groups.emplace_back();
    else groups.back() += c;
  }
  if (groups.size() != 7) return r;
  std::string out;
  for (size_t g = 0; g < 7; ++g) {
    std::string kept;
    for (char c : groups[g]) {
      bool seen = false;
      for (char k : kept)
        if (std::toupper(static_cast<unsigned char>(k)) == std::toupper(static_cast<unsigned char>(c)))
          seen = true;
      if (!seen) kept += c;
    }
    out += (g ? "," : "") + kept;
  }
  // Dropping repeats must not bring a "T" and a "J" together.
  if (out.find("TJ") != std::string::npos) return r;
  return {Kind::Accepted, out};
}

void CheckOk(const std::string& t) {
  const qv::BetCheck want = LiteralCheck(t);
  const qv::BetCheck got = qv::CheckBetInput(t);
  QV_CHECK(got.kind == want.kind, "kind");
  if (want.kind != Kind::Accepted) return;
  QV_CHECK(got.text == want.text, "normalised text");
  QV_CHECK(qv::CanCarryMediaBet(got.text), "the filter string carries it");
  const qv::BetCheck again = qv::CheckBetInput(got.text);
  QV_CHECK(again.kind == Kind::Accepted && again.text == got.text, "idempotent");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // As pasted: the OK checks alone.
  CheckOk(input);
  // As typed: every byte through the key filter, then OK.
  std::string typed, want;
  for (char c : input) {
    if ((c >= '0' && c <= '9') || c == ',') want += c;
    else if (c == '\b' && !want.empty()) want.pop_back();
    if (qv::FilterBetKey(c, typed)) typed += c;
  }
  QV_CHECK(typed == want, "key filter");
  CheckOk(typed);
  return 0;
}
