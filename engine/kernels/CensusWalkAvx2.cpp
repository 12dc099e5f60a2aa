// The census walk's bit-row and byte-row steps in AVX2 registers.  Built with AVX2 code
// generation: nothing here may run before CpuHasAvx2() said yes.
#include <immintrin.h>

#include <cstring>

#include "../CensusWalkBody.h"
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

QV_WALK_ENTRY void KeysOneWordAvx2(const Word* part, const Word* last, unsigned planes, uint32_t lanes,
                                   unsigned bits, unsigned d0, unsigned d1, uint64_t* keys) {
  using V = kernels::BitVec<32>;
  using Reg = V::Reg;
  constexpr size_t kPlane = sizeof(uint64_t) / sizeof(Word);  // words of a plane
  auto broadcast = [](const Word* p) {
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return Reg{x, x, x, x};
  };
  // Per 64-bit lane the population count: bytes' counts, summed by psadbw.
  auto pop = [](Reg x) { return Reg(V::Fold(V::Count(x))); };
  const Reg p0 = broadcast(part), p1 = broadcast(part + kPlane), p2 = broadcast(part + 2 * kPlane);
  const Reg po = planes == 2 ? broadcast(part + 3 * kPlane) : Reg{};
  const Reg all = Reg{} + lanes;
  for (unsigned d = d0; d < d1; d += 4) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(last + d * planes * kPlane);
    Reg s0, s1, s2, c[8];
    if (planes == 1) {
      const Reg lo = V::Load(row);
      s0 = p0 ^ lo;
      const Reg c0 = p0 & lo;
      s1 = p1 ^ c0;
      s2 = p2 ^ (p1 & c0);
      c[0] = Reg{};
    } else {
      // Digits d, d + 2, d + 1, d + 3 in the lanes, put back in order below.
      const __m256i a = __m256i(V::Load(row)), b = __m256i(V::Load(row + 32));
      const Reg lo = Reg(_mm256_unpacklo_epi64(a, b)), hi = Reg(_mm256_unpackhi_epi64(a, b));
      s0 = p0 ^ lo;
      const Reg c0 = p0 & lo, t = p1 ^ hi;
      s1 = t ^ c0;
      const Reg c1 = (p1 & hi) | (t & c0);
      s2 = p2 ^ c1;
      const Reg over = po | (p2 & c1);
      s0 &= ~over;
      s1 &= ~over;
      s2 &= ~over;
      c[0] = pop(over);
    }
    const Reg s01 = s0 & s1;
    c[1] = pop(s0);
    c[2] = pop(s1);
    c[3] = pop(s2);
    c[4] = pop(s01);
    c[5] = pop(s0 & s2);
    c[6] = pop(s1 & s2);
    c[7] = pop(s01 & s2);
    // The levels as SetLevels makes them, then packed.
    const Reg t[8] = {all - c[0] - c[1] - c[2] - c[3] + c[4] + c[5] + c[6] - c[7],
                      c[1] - c[4] - c[5] + c[7],
                      c[2] - c[4] - c[6] + c[7],
                      c[4] - c[7],
                      c[3] - c[5] - c[6] + c[7],
                      c[5] - c[7],
                      c[6] - c[7],
                      c[7]};
    Reg key = Reg{} + 1;
    for (int k = 0; k < 8; ++k) key += t[k] << static_cast<int>(bits * (7 - k));
    if (planes == 2) key = Reg(_mm256_permute4x64_epi64(__m256i(key), 0xD8));
    std::memcpy(keys + d, &key, sizeof key);
  }
}

QV_WALK_ENTRY void CountBytesAvx2(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0,
                                  unsigned d1, uint32_t (*counts)[8]) {
  CountBytesBody<BytesAvx2>(part, last, stride, d0, d1, counts);
}

}  // namespace qv::walk
