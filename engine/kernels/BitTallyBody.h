// The bit-sliced counting loop, written once over a traits type per width.
// Each row holds one bit per bet (or two, in two planes); a candidate's seven
// rows go through a carry-save adder tree (four full adders) that leaves the
// lanes' sums 0..7 as three bit planes, and the lanes of level k are the
// population count of the plane pattern k.  Only the levels asked for are
// counted.
//
// A traits type V provides:
//   Reg, kBytes        a register and its size (a general-purpose word or a
//                      GCC vector of 64-bit lanes)
//   Logic              Xor3, Maj and Match<k>(b2, b1, b0): the sum and carry
//                      of a full adder, and the lanes whose planes spell k
//   Load(p)            kBytes from p; LoadPartial(p, n): n bytes, zeros after
//   Count(x)           per-lane population counts (bytes or 64-bit lanes)
//   kFoldSteps         steps a Count accumulator holds without wrapping
//   Total, Fold(acc)   an accumulator widened to 64-bit sums; Sum(total)
//   SumFields(x)       optional: with 64-bit lane counts, the sums over the
//                      lanes of x's four 16-bit fields (four levels at once)
//
// Like RowTallyBody.h, everything here has internal linkage: each
// instruction set's translation unit instantiates its own copy with its own
// flags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "RowTally.h"

// Lambdas of the loop are inlined whatever their size: one left out of line
// costs a call and a spill of every register per step.
#define QV_INLINE_LAMBDA __attribute__((always_inline))

namespace qv::kernels {
namespace {

template <class R>
struct PlainLogic {
  static R Xor3(R a, R b, R c) { return a ^ b ^ c; }
  static R Maj(R a, R b, R c) { return (a & b) | (c & (a ^ b)); }
  // The lanes of hi whose two low planes spell k & 3.
  template <int k>
  static R MatchLow(R hi, R b1, R b0) {
    return hi & ((k & 2) ? b1 : ~b1) & ((k & 1) ? b0 : ~b0);
  }
  template <int k>
  static R Match(R b2, R b1, R b0) {
    return MatchLow<k>((k & 4) ? b2 : ~b2, b1, b0);
  }
  // a & ~b & ~c, and ~(a | b | c).
  static R AndNot2(R a, R b, R c) { return a & ~(b | c); }
  static R Nor3(R a, R b, R c) { return ~(a | b | c); }
};

// Per-byte population counts by shifts and masks, for words and for
// vectors of 64-bit lanes alike.
template <class R, class E>
inline R SwarBytes(R x) {
  x = x - ((x >> 1) & static_cast<E>(0x5555555555555555ull));
  x = (x & static_cast<E>(0x3333333333333333ull)) + ((x >> 2) & static_cast<E>(0x3333333333333333ull));
  return (x + (x >> 4)) & static_cast<E>(0x0F0F0F0F0F0F0F0Full);
}

// Tables of this many words or fewer (65,536 lanes) may count in 16-bit fields.
constexpr size_t kFewWords = 1024;
constexpr size_t kByteFoldSteps = 31;      // 31 steps of at most 8 per byte stay below 256
constexpr size_t kWideFoldSteps = 1 << 20;  // 64-bit lanes (or 32-bit ones of words): never wrap

// A general-purpose word: 64 bits in 64-bit code, 32 bits in 32-bit code.
template <class W>
struct BitWord {
  using Reg = W;
  using Total = uint64_t;
  using Logic = PlainLogic<W>;
  static constexpr size_t kBytes = sizeof(W);
  static Reg Load(const uint8_t* p) {
    Reg v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static Reg LoadPartial(const uint8_t* p, size_t n) {
    Reg v = 0;
    std::memcpy(&v, p, n);
    return v;
  }
#if defined(__POPCNT__)
  static constexpr size_t kFoldSteps = kWideFoldSteps;
  static Reg Count(Reg x) {
    if constexpr (sizeof(W) == 8) return static_cast<Reg>(__builtin_popcountll(x));
    else return static_cast<Reg>(__builtin_popcount(x));
  }
  static Total Fold(Reg a) { return a; }
#else
  static constexpr size_t kFoldSteps = kByteFoldSteps;
  static Reg Count(Reg x) { return SwarBytes<Reg, Reg>(x); }
  static Total Fold(Reg a) {
    // Bytes to 16-bit sums, then the 16-bit sums added by a multiply.
    a = (a & static_cast<Reg>(0x00FF00FF00FF00FFull)) + ((a >> 8) & static_cast<Reg>(0x00FF00FF00FF00FFull));
    return static_cast<Total>((a * static_cast<Reg>(0x0001000100010001ull)) >> (8 * sizeof(W) - 16));
  }
#endif
  static uint64_t Sum(Total t) { return t; }
};

template <size_t W>
struct BitVecBase {
  typedef uint64_t Reg __attribute__((vector_size(W)));
  typedef uint64_t Total __attribute__((vector_size(W)));
  static constexpr size_t kBytes = W;
  static constexpr size_t kFoldSteps = kByteFoldSteps;
  static Reg Load(const uint8_t* p) {
    Reg v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static Reg LoadPartial(const uint8_t* p, size_t n) {
    Reg v{};
    std::memcpy(&v, p, n);
    return v;
  }
  static uint64_t Sum(Total t) {
    uint64_t lanes[W / 8], s = 0;
    std::memcpy(lanes, &t, W);
    for (uint64_t l : lanes) s += l;
    return s;
  }
};

template <size_t W, bool kVpopcnt = false>
struct BitVec;

#if defined(__SSE2__)
template <>
struct BitVec<16> : BitVecBase<16> {
  using Logic = PlainLogic<Reg>;
  static Reg Count(Reg x) { return SwarBytes<Reg, uint64_t>(x); }
  static Total Fold(Reg a) { return Total(_mm_sad_epu8(__m128i(a), _mm_setzero_si128())); }
  // A partial step is one word: rows are whole words.
  static Reg LoadPartial(const uint8_t* p, size_t) { return Reg(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }
};
#endif

#if defined(__AVX2__)
template <>
struct BitVec<32> : BitVecBase<32> {
  using Logic = PlainLogic<Reg>;
  // Each nibble's count from a 16-entry table, by a byte shuffle.
  static Reg Count(Reg x) {
    const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                           0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i v = __m256i(x);
    const __m256i lo = _mm256_shuffle_epi8(table, _mm256_and_si256(v, low));
    const __m256i hi = _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(v, 4), low));
    return Reg(_mm256_add_epi8(lo, hi));
  }
  static Total Fold(Reg a) { return Total(_mm256_sad_epu8(__m256i(a), _mm256_setzero_si256())); }
  // The first n / 8 words, by a masked load: a copy through memory would
  // cost a call and a stalled reload per row, more than the rest of a
  // table of two or three words.
  static Reg LoadPartial(const uint8_t* p, size_t n) {
    const __m256i mask =
        _mm256_cmpgt_epi64(_mm256_set1_epi64x(static_cast<long long>(n / 8)), _mm256_setr_epi64x(0, 1, 2, 3));
    return Reg(_mm256_maskload_epi64(reinterpret_cast<const long long*>(p), mask));
  }
};
#endif

#if defined(__AVX512F__) && defined(__AVX512BW__)
// The adders and the level patterns each in one VPTERNLOGQ: the immediate
// is the truth table, indexed by (a << 2) | (b << 1) | c.
template <class R>
struct TernaryLogic {
  static R Xor3(R a, R b, R c) { return R(_mm512_ternarylogic_epi64(__m512i(a), __m512i(b), __m512i(c), 0x96)); }
  static R Maj(R a, R b, R c) { return R(_mm512_ternarylogic_epi64(__m512i(a), __m512i(b), __m512i(c), 0xE8)); }
  template <int k>
  static R Match(R b2, R b1, R b0) {
    return R(_mm512_ternarylogic_epi64(__m512i(b2), __m512i(b1), __m512i(b0), 1 << k));
  }
  static R AndNot2(R a, R b, R c) { return R(_mm512_ternarylogic_epi64(__m512i(a), __m512i(b), __m512i(c), 0x10)); }
  static R Nor3(R a, R b, R c) { return R(_mm512_ternarylogic_epi64(__m512i(a), __m512i(b), __m512i(c), 0x01)); }
  template <int k>
  static R MatchLow(R hi, R b1, R b0) {
    return R(_mm512_ternarylogic_epi64(__m512i(hi), __m512i(b1), __m512i(b0), 1 << (4 + (k & 3))));
  }
};

// The first n / 8 words of a partial step, by a masked load (see BitVec<32>).
inline BitVecBase<64>::Reg MaskedWords(const uint8_t* p, size_t n) {
  return BitVecBase<64>::Reg(_mm512_maskz_loadu_epi64(static_cast<__mmask8>((1u << (n / 8)) - 1), p));
}

template <>
struct BitVec<64, false> : BitVecBase<64> {
  using Logic = TernaryLogic<Reg>;
  static Reg Count(Reg x) {
    const __m512i table = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4));
    const __m512i low = _mm512_set1_epi8(0x0F);
    const __m512i v = __m512i(x);
    const __m512i lo = _mm512_shuffle_epi8(table, _mm512_and_si512(v, low));
    const __m512i hi = _mm512_shuffle_epi8(table, _mm512_and_si512(_mm512_srli_epi16(v, 4), low));
    return Reg(_mm512_add_epi8(lo, hi));
  }
  static Total Fold(Reg a) { return Total(_mm512_sad_epu8(__m512i(a), _mm512_setzero_si512())); }
  static Reg LoadPartial(const uint8_t* p, size_t n) { return MaskedWords(p, n); }
};
#endif

#if defined(__AVX512VPOPCNTDQ__)
template <>
struct BitVec<64, true> : BitVecBase<64> {
  using Logic = TernaryLogic<Reg>;
  static constexpr size_t kFoldSteps = kWideFoldSteps;
  static Reg Count(Reg x) { return Reg(_mm512_popcnt_epi64(__m512i(x))); }
  static Total Fold(Reg a) { return a; }
  static Reg LoadPartial(const uint8_t* p, size_t n) { return MaskedWords(p, n); }
  // The four 16-bit fields of the lanes, each summed over the lanes.  A
  // field gains at most 64 a step, so that over kFewWords / 8 steps it holds
  // at most 2^13, and the sum of four lanes at most 2^15, before the fields
  // are widened.
  static __m128i SumFields(Reg p) {
    const __m512i x = __m512i(p);
    const __m256i y = _mm256_add_epi64(_mm512_castsi512_si256(x), _mm512_extracti64x4_epi64(x, 1));
    const __m256i w = _mm256_cvtepu16_epi32(_mm_add_epi64(_mm256_castsi256_si128(y), _mm256_extracti128_si256(y, 1)));
    return _mm_add_epi32(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1));
  }
};
#endif

// counts[k] += v, one count at a time: a vector of the eight counts would
// load the caller's in one piece and stall on its separate stores.
__attribute__((always_inline)) inline void AddCount(uint32_t* count, uint32_t v) {
  *count += v;
  __asm__ volatile("" ::: "memory");
}

// Calls f(std::integral_constant<int, k>) for k = 0..7: every index a
// constant, so that per-level arrays live in registers.
template <class F>
__attribute__((always_inline)) inline void ForLevels(F&& f) {
  [&]<int... k>(std::integer_sequence<int, k...>) QV_INLINE_LAMBDA {
    (f(std::integral_constant<int, k>{}), ...);
  }(std::make_integer_sequence<int, 8>{});
}

// One plane per row: cells of 0 or 1.  Two planes (the high one `words`
// after the low one): cells of 0 to 3, a lane's sum being the sum of its low
// bits plus twice that of its high bits, 0 to 21.  The high planes are zero
// beyond their first pairWords words, whose steps alone are added as two
// planes: the lanes of cells 2 and 3 come first in the table.
// kAll: every level, without a look at `levels`.  sink(k, n) takes the
// count n of each level k asked for.  kFew: at most kFewWords words, so
// that where the traits can (V::SumFields), four levels share an
// accumulator, one 16-bit field each: fewer registers, and two horizontal
// sums in place of one per level.
template <class V, int kPlanes, bool kAll, bool kFew, class Sink>
__attribute__((always_inline)) inline void BitTallyBody(const uint64_t* const* rows, size_t words,
                                                        size_t pairWords, uint32_t levels, Sink&& sink) {
  using Reg = typename V::Reg;
  using L = typename V::Logic;
  // The row pointers are read one at a time where they are used: a copy
  // would be vectorised and stall on the caller's scalar stores.
  auto r = [rows, words](size_t j) QV_INLINE_LAMBDA {
    return reinterpret_cast<const uint8_t*>(rows[j % kRows] + (j / kRows) * words);
  };
  const size_t bytes = words * 8;
  typename V::Total total[8] = {};
  Reg acc[8] = {};
  constexpr bool kFields = kFew && requires(Reg x) { V::SumFields(x); };
  Reg field[2] = {};
  // With fields, 64-bit code counts every level in the loop: a count there
  // is cheaper than the test per level and step.  32-bit code, short of
  // registers, measured slower that way and keeps the tests.
  constexpr bool kEvery = kAll || (kFields && sizeof(void*) == 8);
  // A step's fields are added up apart and then to the accumulators: where
  // those live in memory (32-bit code), each level would otherwise wait on
  // the store of the one before.
  Reg part[2];
  auto add = [&](auto k, Reg m) QV_INLINE_LAMBDA {
    if constexpr (kFields) part[k / 4] += V::Count(m) << (16 * (k & 3));
    else acc[k] += V::Count(m);
  };
  // Seven inputs to three bit planes, by four full adders.  in(j) loads
  // input j where it is first used: loaded all at once, fourteen inputs
  // would not fit the eight vector registers of 32-bit code.
  auto add7 = [](auto&& in, size_t first, Reg& b0, Reg& b1, Reg& b2) QV_INLINE_LAMBDA {
    Reg a0 = in(first), a1 = in(first + 1), a2 = in(first + 2);
    const Reg s1 = L::Xor3(a0, a1, a2), c1 = L::Maj(a0, a1, a2);
    a0 = in(first + 3), a1 = in(first + 4), a2 = in(first + 5);
    const Reg s2 = L::Xor3(a0, a1, a2), c2 = L::Maj(a0, a1, a2);
    a0 = in(first + 6);
    b0 = L::Xor3(s1, s2, a0);
    const Reg c3 = L::Maj(s1, s2, a0);
    b1 = L::Xor3(c1, c2, c3);
    b2 = L::Maj(c1, c2, c3);
  };
  auto step = [&](auto planes, auto&& a) QV_INLINE_LAMBDA {
    Reg b0, b1, b2;
    if constexpr (kFields) part[0] = part[1] = Reg{};
    add7(a, 0, b0, b1, b2);
    if constexpr (planes == 1) {
      ForLevels([&](auto k) QV_INLINE_LAMBDA {
        if (kEvery || (levels >> k & 1)) add(k, L::template Match<k>(b2, b1, b0));
      });
    } else {
      // low + 2 * high: bit 0 is the low sum's; then a ripple of two bits,
      // its carry out and h2 marking sums of 8 or more.  The lanes below 8
      // are split by their bit 2 into y2 (set) and n2 (clear), so that a
      // level's pattern is one three-input function of those.
      Reg h0, h1, h2;
      add7(a, kRows, h0, h1, h2);
      const Reg t1 = b1 ^ h0, c1 = b1 & h0;
      const Reg t2 = L::Xor3(b2, h1, c1), c2 = L::Maj(b2, h1, c1);
      const Reg y2 = L::AndNot2(t2, h2, c2), n2 = L::Nor3(t2, h2, c2);
      ForLevels([&](auto k) QV_INLINE_LAMBDA {
        if (kEvery || (levels >> k & 1)) add(k, L::template MatchLow<k>((k & 4) ? y2 : n2, t1, b0));
      });
    }
    if constexpr (kFields) {
      field[0] += part[0];
      field[1] += part[1];
    }
  };
  // Lanes of 32 or 64 bits never wrap: their accumulators are folded once,
  // at the end.
  constexpr bool kWide = V::kFoldSteps >= kWideFoldSteps;
  auto fold = [&]() QV_INLINE_LAMBDA {
    if constexpr (!kWide) {
      ForLevels([&](auto k) QV_INLINE_LAMBDA {
        total[k] += V::Fold(acc[k]);
        acc[k] = Reg{};
      });
    }
  };
  const size_t whole = bytes / V::kBytes * V::kBytes;
  size_t i = 0;
  // The whole steps up to `to`, each of `planes` planes.
  auto run = [&](auto planes, size_t to) QV_INLINE_LAMBDA {
    while (i < to) {
      const size_t left = (to - i) / V::kBytes;
      const size_t end = i + (left < V::kFoldSteps ? left : V::kFoldSteps) * V::kBytes;
      for (; i < end; i += V::kBytes) {
        step(planes, [&](size_t j) QV_INLINE_LAMBDA { return V::Load(r(j) + i); });
      }
      fold();
    }
  };
  constexpr std::integral_constant<int, 1> kOne;
  constexpr std::integral_constant<int, 2> kTwo;
  const size_t pairBytes = kPlanes == 1 ? 0 : pairWords * 8;
  if constexpr (kPlanes == 2) {
    const size_t pairSteps = (pairBytes + V::kBytes - 1) / V::kBytes * V::kBytes;
    run(kTwo, pairSteps < whole ? pairSteps : whole);
  }
  run(kOne, whole);
  uint32_t padding = 0;  // zero lanes of a partial last step, counted at level 0
  if (i < bytes) {
    auto partial = [&](size_t j) QV_INLINE_LAMBDA { return V::LoadPartial(r(j) + i, bytes - i); };
    if (kPlanes == 2 && i < pairBytes) step(kTwo, partial);
    else step(kOne, partial);
    fold();
    padding = static_cast<uint32_t>((V::kBytes - (bytes - i)) * 8);
  }
  // Levels 0-3 and 4-7 of the fields, summed over the lanes.
  [[maybe_unused]] const auto fields = [&]() QV_INLINE_LAMBDA {
    if constexpr (kFields) return std::pair{V::SumFields(field[0]), V::SumFields(field[1])};
    else return 0;
  }();
  auto count = [&](auto k) QV_INLINE_LAMBDA -> uint32_t {
    if constexpr (kFields) return static_cast<uint32_t>(_mm_extract_epi32(k < 4 ? fields.first : fields.second, k & 3));
    else if constexpr (kWide) return static_cast<uint32_t>(V::Sum(V::Fold(acc[k])));
    else return static_cast<uint32_t>(V::Sum(total[k]));
  };
  ForLevels([&](auto k) QV_INLINE_LAMBDA {
    if (kAll || (levels >> k & 1)) sink(k, count(k) - (k == 0 ? padding : 0));
  });
}

template <class V, int kPlanes, bool kFew, class Sink>
__attribute__((always_inline)) inline void BitTallyLevels(const uint64_t* const* rows, size_t words, size_t pairWords,
                                                          uint32_t levels, Sink&& sink) {
  if (levels == 0xFF) return BitTallyBody<V, kPlanes, true, kFew>(rows, words, pairWords, levels, sink);
  BitTallyBody<V, kPlanes, false, kFew>(rows, words, pairWords, levels, sink);
}

// pairWords 0: one plane; else two, the high one nonzero in the first
// pairWords words only.
template <class V, bool kFew = false, class Sink>
__attribute__((always_inline)) inline void BitTallyPlanes(const uint64_t* const* rows, size_t words,
                                                          uint32_t pairWords, uint32_t levels, Sink&& sink) {
  if (pairWords == 0) return BitTallyLevels<V, 1, kFew>(rows, words, 0, levels, sink);
  BitTallyLevels<V, 2, kFew>(rows, words, pairWords, levels, sink);
}

// A word's population count: POPCNT where the flags allow it, else shifts,
// masks and a multiply (never a library call).
template <class W>
__attribute__((always_inline)) inline uint32_t Popcount(W x) {
#if defined(__POPCNT__)
  if constexpr (sizeof(W) == 8) return static_cast<uint32_t>(__builtin_popcountll(x));
  else return static_cast<uint32_t>(__builtin_popcount(x));
#else
  x = SwarBytes<W, W>(x);
  return static_cast<uint32_t>((x * static_cast<W>(0x0101010101010101ull)) >> (8 * sizeof(W) - 8));
#endif
}

// The seven rows of a word (and with two planes their high planes, after
// them in a) added to the three bit planes b2 b1 b0 of each lane's sum, and
// the lanes whose sum is 8 or more in over.
template <class W, int kPlanes>
__attribute__((always_inline)) inline void WordPlanes(const W* a, W& b0, W& b1, W& b2, W& over) {
  using L = PlainLogic<W>;
  const W s1 = L::Xor3(a[0], a[1], a[2]), c1 = L::Maj(a[0], a[1], a[2]);
  const W s2 = L::Xor3(a[3], a[4], a[5]), c2 = L::Maj(a[3], a[4], a[5]);
  const W c3 = L::Maj(s1, s2, a[6]);
  b0 = L::Xor3(s1, s2, a[6]);
  b1 = L::Xor3(c1, c2, c3);
  b2 = L::Maj(c1, c2, c3);
  over = 0;
  if constexpr (kPlanes == 2) {
    const W* h = a + kRows;
    const W hs1 = L::Xor3(h[0], h[1], h[2]), hc1 = L::Maj(h[0], h[1], h[2]);
    const W hs2 = L::Xor3(h[3], h[4], h[5]), hc2 = L::Maj(h[3], h[4], h[5]);
    const W h0 = L::Xor3(hs1, hs2, h[6]), hc3 = L::Maj(hs1, hs2, h[6]);
    const W h1 = L::Xor3(hc1, hc2, hc3), h2 = L::Maj(hc1, hc2, hc3);
    const W c4 = b1 & h0;
    b1 ^= h0;
    const W t2 = L::Xor3(b2, h1, c4);
    over = h2 | L::Maj(b2, h1, c4);
    b2 = t2;
  }
}

// One 64-bit word per row, every level: the whole table in general-purpose
// registers, as one W (64-bit code) or two (32-bit code).
template <class W, int kPlanes>
__attribute__((always_inline)) inline void BitTallyWord(const uint64_t* const* rows, uint32_t* counts) {
  uint32_t sum[8] = {};
  for (size_t part = 0; part < 8 / sizeof(W); ++part) {
    W a[kRows * kPlanes];
    for (size_t j = 0; j < kRows * kPlanes; ++j)
      std::memcpy(&a[j], reinterpret_cast<const uint8_t*>(rows[j % kRows] + j / kRows) + part * sizeof(W), sizeof(W));
    W b0, b1, b2, over;
    WordPlanes<W, kPlanes>(a, b0, b1, b2, over);
    const W n0 = ~b0, n1 = ~b1, n2 = ~(b2 | over), y2 = b2 & ~over;
    sum[0] += Popcount(n2 & n1 & n0);
    sum[1] += Popcount(n2 & n1 & b0);
    sum[2] += Popcount(n2 & b1 & n0);
    sum[3] += Popcount(n2 & b1 & b0);
    sum[4] += Popcount(y2 & n1 & n0);
    sum[5] += Popcount(y2 & n1 & b0);
    sum[6] += Popcount(y2 & b1 & n0);
    sum[7] += Popcount(y2 & b1 & b0);
  }
  ForLevels([&](auto k) QV_INLINE_LAMBDA { AddCount(counts + k, sum[k]); });
}

// Calls f(j, c) for the candidate's characters j = 0..6, c = 0 from its
// end on, without reading past it.  One variable at a time: an array of
// them would be vectorised, and its load would stall on the scalar stores.
template <class F>
__attribute__((always_inline)) inline void ForCandidateRows(const char* candidate, F&& f) {
  const auto* u = reinterpret_cast<const uint8_t*>(candidate);
  size_t c = u[0];
  f(0, c);
  c = c ? u[1] : 0;
  f(1, c);
  c = c ? u[2] : 0;
  f(2, c);
  c = c ? u[3] : 0;
  f(3, c);
  c = c ? u[4] : 0;
  f(4, c);
  c = c ? u[5] : 0;
  f(5, c);
  c = c ? u[6] : 0;
  f(6, c);
}

// A table of 64 bets or fewer, one word per row, its rows picked here from
// the candidate: table[(j * 256 + c) * kPlanes + p] is plane p of the row
// of character c at position j, all zeros for c = 0.  The candidate ends
// at its first zero byte or after seven characters, and nothing beyond its
// end is read.  Sets
// counts[k] for the levels asked for (the others may be set as well); only
// the lanes of `live` hold bets.  The rows in general-purpose registers:
// one 64-bit word, or two 32-bit halves in 32-bit code.
template <class W, int kPlanes>
__attribute__((always_inline)) inline void WordTallyBody(const uint64_t* table, const char* candidate, uint64_t live,
                                                         uint32_t levels, uint32_t* counts) {
  // The characters up to the end; zero after it, whose rows are all zeros.
  const auto* u = reinterpret_cast<const uint8_t*>(candidate);
  const size_t c0 = u[0];
  const size_t c1 = c0 ? u[1] : 0;
  const size_t c2 = c1 ? u[2] : 0;
  const size_t c3 = c2 ? u[3] : 0;
  const size_t c4 = c3 ? u[4] : 0;
  const size_t c5 = c4 ? u[5] : 0;
  const size_t c6 = c5 ? u[6] : 0;
  const size_t at[kRows] = {c0, 256 + c1, 512 + c2, 768 + c3, 1024 + c4, 1280 + c5, 1536 + c6};
  uint64_t row[kRows * kPlanes];
  for (size_t j = 0; j < kRows; ++j) {
    row[j] = table[at[j] * kPlanes];
    if constexpr (kPlanes == 2) row[kRows + j] = table[at[j] * kPlanes + 1];
  }
  uint32_t sum[8] = {};
  for (size_t part = 0; part < 8 / sizeof(W); ++part) {
    W a[kRows * kPlanes];
    for (size_t j = 0; j < kRows * kPlanes; ++j) a[j] = static_cast<W>(row[j] >> (part * 8 * sizeof(W)));
    W b0, b1, b2, over;
    WordPlanes<W, kPlanes>(a, b0, b1, b2, over);
    const W n0 = ~b0, n1 = ~b1, n2 = ~(b2 | over), y2 = b2 & ~over;
    const W lanes = static_cast<W>(live >> (part * 8 * sizeof(W)));
    const W pattern[8] = {n2 & n1 & n0 & lanes, n2 & n1 & b0, n2 & b1 & n0, n2 & b1 & b0,
                          y2 & n1 & n0,         y2 & n1 & b0, y2 & b1 & n0, y2 & b1 & b0};
    ForLevels([&](auto k) QV_INLINE_LAMBDA {
      if (levels >> k & 1) sum[k] += Popcount(pattern[k]);
    });
  }
  ForLevels([&](auto k) QV_INLINE_LAMBDA {
    if (levels >> k & 1) counts[k] = sum[k];
  });
}

template <class W>
__attribute__((always_inline)) inline void WordTallyEntry(const uint64_t* table, const char* candidate, uint32_t planes,
                                                          uint64_t live, uint32_t levels, uint32_t* counts) {
  if (planes == 1) return WordTallyBody<W, 1>(table, candidate, live, levels, counts);
  WordTallyBody<W, 2>(table, candidate, live, levels, counts);
}

// A kernel's entry: a table of one word per row (64 bets or fewer) is
// counted in general-purpose registers, every level (skipping some would
// cost more than it saves).
template <class V>
__attribute__((always_inline)) inline void BitTallyEntry(const uint64_t* const* rows, size_t words,
                                                         uint32_t pairWords, uint32_t levels, uint32_t* counts) {
  using Word = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;
  if (words == 1) {
    if (pairWords == 0) return BitTallyWord<Word, 1>(rows, counts);
    return BitTallyWord<Word, 2>(rows, counts);
  }
  BitTallyPlanes<V>(rows, words, pairWords, levels,
                    [counts](auto k, uint32_t n) QV_INLINE_LAMBDA { AddCount(counts + k, n); });
}

// A bit table that holds every bet, judged in the kernel: the sum over the
// levels k asked for of code[k * stride + n], n being the lanes at level k
// less `padding` (the table's empty lanes) at level 0.  The rows are picked
// here from the candidate: the row of character c at position j starts
// rowOffset[j * 256 + c] words into bits, and the zero row at bits stands
// for the positions past the candidate's end (nothing beyond it is read).
template <class V>
__attribute__((always_inline)) inline uint32_t BitCodesEntry(const uint64_t* bits, const uint32_t* rowOffset,
                                                             const char* candidate, size_t words, uint32_t pairWords,
                                                             uint32_t levels, uint32_t padding, const uint16_t* code,
                                                             size_t stride) {
  const uint64_t* rows[kRows];
  ForCandidateRows(candidate, [&](size_t j, size_t c) QV_INLINE_LAMBDA {
    rows[j] = bits + (c ? rowOffset[j * 256 + c] : 0);
  });
  uint32_t sum = 0;
  if (words == 1) {
    uint32_t counts[8] = {};
    BitTallyEntry<V>(rows, words, pairWords, levels, counts);
    for (uint32_t k = 0; k < 8; ++k)
      if (levels >> k & 1) sum += code[k * stride + counts[k] - (k == 0 ? padding : 0)];
    return sum;
  }
  auto add = [&](auto k, uint32_t n) QV_INLINE_LAMBDA { sum += code[k * stride + n - (k == 0 ? padding : 0)]; };
  if (words <= kFewWords) BitTallyPlanes<V, true>(rows, words, pairWords, levels, add);
  else BitTallyPlanes<V>(rows, words, pairWords, levels, add);
  return sum;
}

}  // namespace
}  // namespace qv::kernels

#undef QV_INLINE_LAMBDA
