// The integer conversion of filter string numbers against the literal rules.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "IntConv.h"
#include "LiteralFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> want = qvref::ToInt(text);
  const std::optional<int32_t> got = qv::StrToInt32(text);
  QV_CHECK(want.has_value() == got.has_value(), "accepted or refused");
  if (want) QV_CHECK(*want == *got, "value");
  QV_CHECK(qv::InvalidIntegerMessage(text) == qvref::ConversionMessage(text), "message");
  return 0;
}
