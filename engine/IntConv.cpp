#include "IntConv.h"

namespace qv {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The one reading of an integer text.  Decimal values beyond the signed
// 32-bit range give nothing, or with saturate a magnitude of kSaturated.
constexpr uint64_t kSaturated = 1'000'000'000'000ull;  // far beyond any 32-bit range

std::optional<int64_t> ReadInteger(std::string_view s, bool saturate) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;  // no digits at all

  uint64_t value = 0;
  if (hex) {
    for (; i < s.size(); ++i) {
      int d = HexValue(s[i]);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  bool over = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c < '0' || c > '9') return std::nullopt;
    if (!over) value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > limit) {
      if (!saturate) return std::nullopt;
      over = true;
      value = kSaturated;
    }
  }
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

}  // namespace

std::optional<int32_t> StrToInt32(std::string_view s) {
  const std::optional<int64_t> v = ReadInteger(s, false);
  if (!v) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<int64_t> StrToClampableInt(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && s[end - 1] == ' ') --end;
  return ReadInteger(s.substr(0, end), true);
}

std::string InvalidIntegerMessage(std::string_view text) {
  std::string m;
  m.reserve(text.size() + 32);
  m += '\'';
  m += text;
  m += "' is not a valid integer value";
  return m;
}

}  // namespace qv
