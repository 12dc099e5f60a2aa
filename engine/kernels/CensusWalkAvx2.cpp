// The census walk's bit-row and byte-row steps in AVX2 registers.  Built with AVX2 code
// generation: nothing here may run before CpuHasAvx2() said yes.
#include "../CensusWalkBody.h"
#include <immintrin.h>

#include "BitTallyBody.h"

namespace qv::walk {

QV_WALK_ENTRY void CountLastAvx2(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0,
                                 unsigned d1, uint32_t (*counts)[8]) {
  using V = kernels::BitVec<32>;
  if (planes == 1) CountLastVector<V, Word, 1>(part, last, words, d0, d1, counts);
  else CountLastVector<V, Word, 2>(part, last, words, d0, d1, counts);
}

}  // namespace qv::walk

namespace qv::walk {
namespace {

struct BytesAvx2 {
  static constexpr size_t kWidth = 32;
  using Mask = uint32_t;
  // A byte's bit j is bit 7 of the byte after a 16-bit shift left by 7 - j
  // (the low byte's bits never reach the high byte's top bit).
  static void Planes(const uint8_t* part, const uint8_t* row, Mask& b0, Mask& b1, Mask& b2, Mask& over) {
    const __m256i s = _mm256_add_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(part)),
                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row)));
    b0 = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(s, 7)));
    b1 = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(s, 6)));
    b2 = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(s, 5)));
    over = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(s, _mm256_set1_epi8(7))));
  }
};

}  // namespace

QV_WALK_ENTRY void CountBytesAvx2(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0, unsigned d1, uint32_t (*counts)[8]) {
  CountBytesBody<BytesAvx2>(part, last, stride, d0, d1, counts);
}

}  // namespace qv::walk
