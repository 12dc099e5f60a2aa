// The bytes of a bet result file (.szc), for the suites that import one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

// The 32-byte header with RecordCount at offset 4 and RecordLength at
// offset 8 (little-endian), then the records, each cut or zero-padded to
// RecordLength.  count need not match the records given.
inline std::string Szc(int32_t count, int32_t length, const std::vector<std::string>& records) {
  std::string bytes(32, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[4 + i] = static_cast<char>((static_cast<uint32_t>(count) >> (8 * i)) & 0xFF);
    bytes[8 + i] = static_cast<char>((static_cast<uint32_t>(length) >> (8 * i)) & 0xFF);
  }
  for (std::string r : records) {
    r.resize(static_cast<size_t>(length), '\0');
    bytes += r;
  }
  return bytes;
}

}  // namespace qv::testing
