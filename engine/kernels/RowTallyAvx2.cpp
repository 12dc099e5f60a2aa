// Built with AVX2 code generation: nothing here may run before CpuHasAvx2()
// said yes.
#include "RowTally.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace qv::kernels {

#if defined(__AVX2__)

bool Avx2Compiled() { return true; }

#if defined(__i386__)
#define QV_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define QV_ALIGN_STACK
#endif

// Adds the four byte-counter vectors' totals to counts[0..3].  psadbw
// leaves each quarter's total (at most 8 * 255) in 16 bits, so four levels
// share one 64-bit lane and one horizontal sum (at most 4 * 2040).
static inline void Fold4(__m256i a, __m256i b, __m256i c, __m256i d, uint32_t* counts) {
  const __m256i z = _mm256_setzero_si256();
  __m256i p = _mm256_sad_epu8(a, z);
  p = _mm256_add_epi64(p, _mm256_slli_epi64(_mm256_sad_epu8(b, z), 16));
  p = _mm256_add_epi64(p, _mm256_slli_epi64(_mm256_sad_epu8(c, z), 32));
  p = _mm256_add_epi64(p, _mm256_slli_epi64(_mm256_sad_epu8(d, z), 48));
  __m128i t = _mm_add_epi64(_mm256_castsi256_si128(p), _mm256_extracti128_si256(p, 1));
  t = _mm_add_epi64(t, _mm_srli_si128(t, 8));
  const uint32_t lo = static_cast<uint32_t>(_mm_cvtsi128_si32(t));
  const uint32_t hi = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(t, 4)));
  counts[0] += lo & 0xFFFF;
  counts[1] += lo >> 16;
  counts[2] += hi & 0xFFFF;
  counts[3] += hi >> 16;
}

static inline __m256i SumOfRows(const uint8_t* const* rows, size_t i) {
  __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[0] + i));
  for (size_t r = 1; r < kRows; ++r)
    s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[r] + i)));
  return s;
}

// The SSE2 kernel's scheme with 32 lanes per step.  A single step (up to
// 32 bets, the usual set-up) counts each level's lanes from a compare mask
// instead: folding byte counters would cost more than the step itself.
QV_ALIGN_STACK void RowTallyAvx2(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  if (lanes == 32) {
    const __m256i s = SumOfRows(rows, 0);
    for (int level = 0; level < 8; ++level) {
      const __m256i hit = _mm256_cmpeq_epi8(s, _mm256_set1_epi8(static_cast<char>(level)));
      counts[level] = static_cast<uint32_t>(
          __builtin_popcount(static_cast<uint32_t>(_mm256_movemask_epi8(hit))));
    }
    return;
  }
  const uint8_t* r0 = rows[0];
  const uint8_t* r1 = rows[1];
  const uint8_t* r2 = rows[2];
  const uint8_t* r3 = rows[3];
  const uint8_t* r4 = rows[4];
  const uint8_t* r5 = rows[5];
  const uint8_t* r6 = rows[6];
  const __m256i zero = _mm256_setzero_si256();
  for (int k = 0; k < 8; ++k) counts[k] = 0;
  size_t i = 0;
  while (i < lanes) {
    const size_t block = lanes - i < 255 * 32 ? lanes - i : 255 * 32;
    const size_t end = i + block;
    __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero, a4 = zero, a5 = zero, a6 = zero, a7 = zero;
    for (; i < end; i += 32) {
      __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r0 + i));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r1 + i)));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r2 + i)));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r3 + i)));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r4 + i)));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r5 + i)));
      s = _mm256_add_epi8(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r6 + i)));
      a0 = _mm256_sub_epi8(a0, _mm256_cmpeq_epi8(s, zero));
      a1 = _mm256_sub_epi8(a1, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(1)));
      a2 = _mm256_sub_epi8(a2, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(2)));
      a3 = _mm256_sub_epi8(a3, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(3)));
      a4 = _mm256_sub_epi8(a4, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(4)));
      a5 = _mm256_sub_epi8(a5, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(5)));
      a6 = _mm256_sub_epi8(a6, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(6)));
      a7 = _mm256_sub_epi8(a7, _mm256_cmpeq_epi8(s, _mm256_set1_epi8(7)));
    }
    Fold4(a0, a1, a2, a3, counts);
    Fold4(a4, a5, a6, a7, counts + 4);
  }
}

#else

bool Avx2Compiled() { return false; }
void RowTallyAvx2(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyScalar(rows, lanes, counts);
}

#endif

}  // namespace qv::kernels
