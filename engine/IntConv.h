// Integer conversion of the numbers in a filter string.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Signed 32-bit conversion: optional leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// Nothing may follow the digits.  Decimal values must fit in a signed 32-bit
// integer; hexadecimal ones may use all 32 bits and are taken as the bit
// pattern ("$FFFFFFFF" is -1), the sign then negating it.  Anything else, the
// empty text and a lone sign included, gives nothing.
std::optional<int32_t> StrToInt32(std::string_view text);

// A spin edit's reading of its text: as StrToInt32, with blanks allowed
// after the digits too, and decimal values beyond 32 bits saturating (at a
// magnitude far beyond any 32-bit range) so that clamping them into a range
// gives its nearer end.
std::optional<int64_t> StrToClampableInt(std::string_view text);

// "'%s' is not a valid integer value" for the given text.
std::string InvalidIntegerMessage(std::string_view text);

}  // namespace qv
