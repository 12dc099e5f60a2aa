#include "RowTally.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv::kernels {

#if defined(__SSE2__)

bool Sse2Compiled() { return true; }

// A 32-bit host may call in with a stack aligned to four bytes only.
#if defined(__i386__)
#define QV_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define QV_ALIGN_STACK
#endif

// Adds the four byte-counter vectors' totals to counts[0..3].  psadbw
// leaves each half's total (at most 8 * 255) in 16 bits, so four levels
// share one 64-bit lane and one horizontal sum.
static inline void Fold4(__m128i a, __m128i b, __m128i c, __m128i d, uint32_t* counts) {
  const __m128i z = _mm_setzero_si128();
  __m128i p = _mm_sad_epu8(a, z);
  p = _mm_add_epi64(p, _mm_slli_epi64(_mm_sad_epu8(b, z), 16));
  p = _mm_add_epi64(p, _mm_slli_epi64(_mm_sad_epu8(c, z), 32));
  p = _mm_add_epi64(p, _mm_slli_epi64(_mm_sad_epu8(d, z), 48));
  p = _mm_add_epi64(p, _mm_srli_si128(p, 8));
  const uint32_t lo = static_cast<uint32_t>(_mm_cvtsi128_si32(p));
  const uint32_t hi = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(p, 4)));
  counts[0] += lo & 0xFFFF;
  counts[1] += lo >> 16;
  counts[2] += hi & 0xFFFF;
  counts[3] += hi >> 16;
}

// Sixteen lanes per step.  Each level keeps a byte counter per lane that
// cmpeq/sub bumps; the counters are summed with psadbw into the counts
// before they could wrap (every 255 steps).
QV_ALIGN_STACK void RowTallySse2(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  const uint8_t* r0 = rows[0];
  const uint8_t* r1 = rows[1];
  const uint8_t* r2 = rows[2];
  const uint8_t* r3 = rows[3];
  const uint8_t* r4 = rows[4];
  const uint8_t* r5 = rows[5];
  const uint8_t* r6 = rows[6];
  const __m128i zero = _mm_setzero_si128();
  for (int k = 0; k < 8; ++k) counts[k] = 0;
  size_t i = 0;
  while (i < lanes) {
    const size_t block = lanes - i < 255 * 16 ? lanes - i : 255 * 16;
    const size_t end = i + block;
    __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero, a4 = zero, a5 = zero, a6 = zero, a7 = zero;
    for (; i < end; i += 16) {
      __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + i));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + i)));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r2 + i)));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r3 + i)));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r4 + i)));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r5 + i)));
      s = _mm_add_epi8(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r6 + i)));
      a0 = _mm_sub_epi8(a0, _mm_cmpeq_epi8(s, zero));
      a1 = _mm_sub_epi8(a1, _mm_cmpeq_epi8(s, _mm_set1_epi8(1)));
      a2 = _mm_sub_epi8(a2, _mm_cmpeq_epi8(s, _mm_set1_epi8(2)));
      a3 = _mm_sub_epi8(a3, _mm_cmpeq_epi8(s, _mm_set1_epi8(3)));
      a4 = _mm_sub_epi8(a4, _mm_cmpeq_epi8(s, _mm_set1_epi8(4)));
      a5 = _mm_sub_epi8(a5, _mm_cmpeq_epi8(s, _mm_set1_epi8(5)));
      a6 = _mm_sub_epi8(a6, _mm_cmpeq_epi8(s, _mm_set1_epi8(6)));
      a7 = _mm_sub_epi8(a7, _mm_cmpeq_epi8(s, _mm_set1_epi8(7)));
    }
    Fold4(a0, a1, a2, a3, counts);
    Fold4(a4, a5, a6, a7, counts + 4);
  }
}

#else

bool Sse2Compiled() { return false; }
void RowTallySse2(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyScalar(rows, lanes, counts);
}

#endif

}  // namespace qv::kernels
