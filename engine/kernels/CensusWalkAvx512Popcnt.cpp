// The census walk's bit-row step in AVX-512 registers, counted with
// VPOPCNTQ, and its byte-row step (AVX-512BW masks, 64-bit code).  Built
// with that code generation: nothing here may run before
// CpuHasAvx512Popcnt() said yes.
#include <immintrin.h>

#include "../CensusWalkBody.h"
#include "BitTallyBody.h"

namespace qv::walk {

QV_WALK_ENTRY void CountLastAvx512Popcnt(const Word* part, const Word* last, size_t words, unsigned planes,
                                         unsigned d0, unsigned d1, uint32_t (*counts)[8]) {
  using V = kernels::BitVec<64, true>;
  if (planes == 1) CountLastVector<V, Word, 1>(part, last, words, d0, d1, counts);
  else CountLastVector<V, Word, 2>(part, last, words, d0, d1, counts);
}

}  // namespace qv::walk

#if defined(__x86_64__)
namespace qv::walk {
namespace {

struct BytesAvx512 {
  static constexpr size_t kWidth = 64;
  using Mask = uint64_t;
  static void Planes(const uint8_t* part, const uint8_t* row, Mask& b0, Mask& b1, Mask& b2, Mask& over) {
    const __m512i s = _mm512_add_epi8(_mm512_loadu_si512(part), _mm512_loadu_si512(row));
    b0 = _cvtmask64_u64(_mm512_test_epi8_mask(s, _mm512_set1_epi8(1)));
    b1 = _cvtmask64_u64(_mm512_test_epi8_mask(s, _mm512_set1_epi8(2)));
    b2 = _cvtmask64_u64(_mm512_test_epi8_mask(s, _mm512_set1_epi8(4)));
    over = _cvtmask64_u64(_mm512_cmpgt_epi8_mask(s, _mm512_set1_epi8(7)));
  }
};

}  // namespace

void CountBytesAvx512(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0,
                      unsigned d1, uint32_t (*counts)[8]) {
  CountBytesBody<BytesAvx512>(part, last, stride, d0, d1, counts);
}

}  // namespace qv::walk
#endif
