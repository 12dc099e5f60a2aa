// The plain fallback, for every processor.
#include <cstring>
#include <type_traits>

#include "BitTallyBody.h"
#include "RowTally.h"

namespace qv::kernels::scalar {

// Eight lanes at a time in a 64-bit word: the byte sums stay below 64, so
// no carry ever crosses into the next lane.
void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  uint32_t hist[64] = {};
  for (size_t i = 0; i < lanes; i += 8) {
    uint64_t s = 0;
    for (size_t r = 0; r < kRows; ++r) {
      uint64_t w;
      std::memcpy(&w, rows[r] + i, sizeof w);
      s += w;
    }
    for (int b = 0; b < 8; ++b) ++hist[(s >> (8 * b)) & 63];
  }
  for (int k = 0; k < 8; ++k) counts[k] = hist[k];
}

// Bit lanes in general-purpose words: 64 lanes a step in 64-bit code, 32 in
// 32-bit code.
void BitTally(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels, uint32_t* counts) {
  BitTallyEntry<BitWord<std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>>>(rows, words, pairWords, levels,
                                                                                     counts);
}

uint32_t BitCodes(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate, size_t words,
                  uint32_t pairWords, uint32_t levels, uint32_t padding, const uint16_t* code, size_t stride) {
  return BitCodesEntry<BitWord<std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>>>(
      bits, rowOffset, candidate, words, pairWords, levels, padding, code, stride);
}

void WordTally(const uint64_t* table, const char* candidate, uint32_t planes, uint64_t live, uint32_t levels,
               uint32_t* counts) {
  WordTallyEntry<std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>>(table, candidate, planes, live, levels,
                                                                             counts);
}

}  // namespace qv::kernels::scalar
