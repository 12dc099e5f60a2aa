// The census walk's bit-row step, written once over the word type: the
// seven rows of a candidate are the six of its first digits, added once per
// run of ten candidates into the planes of a partial sum, and the row of its
// last digit, added here with one adder per word.  A level's lanes are
// counted from the population counts of the sum planes and of their
// products (inclusion and exclusion), seven counts per word instead of one
// per level.
//
// The file is included by translation units built with different code
// generation (with and without POPCNT): apart from the entries declared
// first, everything here has internal linkage, so that no copy built for
// one can stand in for another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace qv::walk {

// The word of the bit-row step: the register of the general-purpose
// instructions (32 bits in 32-bit code).
using Word = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;
// Bit rows: counts[d] := the population counts of part + row d, d0 <= d <
// d1, `last` holding the ten rows one after the other (planes of `words`
// words each): of the lanes of 8 and more, then of the sum's planes s0, s1,
// s2 and of s0 s1, s0 s2, s1 s2, s0 s1 s2 over the other lanes.  SetLevels
// makes them the levels' lanes.
using CountLastFn = void (*)(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0,
                             unsigned d1, uint32_t (*counts)[8]);
void CountLastPlain(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0,
                    unsigned d1, uint32_t (*counts)[8]);
#if defined(QV_X86_KERNELS)
// Each built with its instruction set (POPCNT; AVX2 and POPCNT; AVX-512 with
// VPOPCNTQ): only where the processor has it.
#define QV_WALK_DECL(name) \
  void name(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0, \
            unsigned d1, uint32_t (*counts)[8]);
QV_WALK_DECL(CountLastPopcnt)
QV_WALK_DECL(CountLastAvx2)
QV_WALK_DECL(CountLastAvx512Popcnt)
#undef QV_WALK_DECL

// Byte rows: the same counts of part + row last[d] over `stride` lanes (a
// multiple of the register).
using CountBytesFn = void (*)(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0,
                              unsigned d1, uint32_t (*counts)[8]);
void CountBytesAvx2(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0,
                    unsigned d1, uint32_t (*counts)[8]);
// Bit rows of one 64-bit word a plane, and nothing else counted: keys[d] :=
// 1 + the sum over the levels k of tally[k] << (bits * (7 - k)), for
// d0 <= d < d1, four digits a step (the keys up to three past d1 are
// written too, and `last` holds three rows more than the ten); lanes: the
// bets.
using KeysOneWordFn = void (*)(const Word* part, const Word* last, unsigned planes, uint32_t lanes, unsigned bits,
                               unsigned d0, unsigned d1, uint64_t* keys);
void KeysOneWordAvx2(const Word* part, const Word* last, unsigned planes, uint32_t lanes, unsigned bits, unsigned d0,
                     unsigned d1, uint64_t* keys);
#if defined(__x86_64__)
// 64 lanes a step: in 64-bit code only, where a mask register moves to a
// general register in one piece.
void CountBytesAvx512(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0,
                      unsigned d1, uint32_t (*counts)[8]);
#endif
#endif

#if defined(__i386__)
// A 32-bit caller may have the stack aligned to four bytes only; the
// vectors that a loop spills need more.
#define QV_WALK_ENTRY __attribute__((force_align_arg_pointer))
#else
#define QV_WALK_ENTRY
#endif

namespace {

template <class W>
inline uint32_t Pop(W x) {
#if defined(__POPCNT__)
  if constexpr (sizeof(W) == 8) return static_cast<uint32_t>(__builtin_popcountll(x));
  else return static_cast<uint32_t>(__builtin_popcount(x));
#else
  x = x - ((x >> 1) & static_cast<W>(0x5555555555555555ull));
  x = (x & static_cast<W>(0x3333333333333333ull)) + ((x >> 2) & static_cast<W>(0x3333333333333333ull));
  x = (x + (x >> 4)) & static_cast<W>(0x0F0F0F0F0F0F0F0Full);
  return static_cast<uint32_t>((x * static_cast<W>(0x0101010101010101ull)) >> (8 * sizeof(W) - 8));
#endif
}

// A sum of rows in bit planes: value p0 + 2 p1 + 4 p2 per lane, and with
// two-plane rows a lane flag `over` for sums of 8 and more (then the other
// planes mean nothing).  One plane: at most seven rows of 0 or 1, so no
// flag is needed.
template <class W>
struct Sum {
  W p0, p1, p2, over;
};

// s + a row's cell (lo + 2 hi; hi is 0 with one plane).
template <class W, int kPlanes>
inline Sum<W> AddCell(const Sum<W>& s, W lo, W hi) {
  Sum<W> r;
  r.p0 = s.p0 ^ lo;
  const W c0 = s.p0 & lo;
  if constexpr (kPlanes == 1) {
    r.p1 = s.p1 ^ c0;
    r.p2 = s.p2 ^ (s.p1 & c0);
    r.over = 0;
  } else {
    const W t = s.p1 ^ hi;
    r.p1 = t ^ c0;
    const W c1 = (s.p1 & hi) | (t & c0);
    r.p2 = s.p2 ^ c1;
    r.over = s.over | (s.p2 & c1);
  }
  return r;
}

// Planes of `words` words each, one after the other: p0, p1, p2 (and over).
template <class W, int kPlanes>
inline Sum<W> LoadSum(const W* planes, size_t words, size_t w) {
  return {planes[w], planes[words + w], planes[2 * words + w], kPlanes == 2 ? planes[3 * words + w] : W{0}};
}

template <class W, int kPlanes>
inline void StoreSum(W* planes, size_t words, size_t w, const Sum<W>& s) {
  planes[w] = s.p0;
  planes[words + w] = s.p1;
  planes[2 * words + w] = s.p2;
  if constexpr (kPlanes == 2) planes[3 * words + w] = s.over;
}

// dst := src + row (row: lo plane, then with two planes the hi plane
// `words` later).
template <class W, int kPlanes>
inline void AddRowBody(W* dst, const W* src, const W* row, size_t words) {
  for (size_t w = 0; w < words; ++w)
    StoreSum<W, kPlanes>(dst, words, w,
                         AddCell<W, kPlanes>(LoadSum<W, kPlanes>(src, words, w), row[w],
                                             kPlanes == 2 ? row[words + w] : W{0}));
}

// The population counts of one word of part + row (row: lo, and with two
// planes hi): c += (lanes of 8 and more, s0, s1, s2, s0 s1, s0 s2, s1 s2,
// s0 s1 s2), s being the sum with the lanes of 8 and more cleared (with one
// plane there are none).  Lanes that are 0 in every plane add nothing.
template <class W, int kPlanes>
inline void CountWord(const Sum<W>& p, W lo, W hi, uint32_t* c) {
  Sum<W> s = AddCell<W, kPlanes>(p, lo, hi);
  if constexpr (kPlanes == 2) {
    const W valid = ~s.over;
    s.p0 &= valid;
    s.p1 &= valid;
    s.p2 &= valid;
    c[0] += Pop(s.over);
  }
  const W s01 = s.p0 & s.p1;
  c[1] += Pop(s.p0);
  c[2] += Pop(s.p1);
  c[3] += Pop(s.p2);
  c[4] += Pop(s01);
  c[5] += Pop(s.p0 & s.p2);
  c[6] += Pop(s.p1 & s.p2);
  c[7] += Pop(s01 & s.p2);
}

inline void StoreCounts(const uint32_t* c, uint32_t* out) {
  for (int k = 0; k < 8; ++k) out[k] = c[k];
}

// t[k] := the lanes of level k, from the counts above by inclusion and
// exclusion over the three sum planes (lanes: the lanes that hold a bet;
// the others are 0 in every row).  Stores only: the caller's tally is not
// read back, which would stall on its earlier stores.
inline void SetLevels(const uint32_t* c, uint32_t lanes, uint32_t* t) {
  t[7] = c[7];
  t[3] = c[4] - c[7];
  t[5] = c[5] - c[7];
  t[6] = c[6] - c[7];
  t[1] = c[1] - c[4] - c[5] + c[7];
  t[2] = c[2] - c[4] - c[6] + c[7];
  t[4] = c[3] - c[5] - c[6] + c[7];
  t[0] = lanes - c[0] - c[1] - c[2] - c[3] + c[4] + c[5] + c[6] - c[7];
}

// For each last digit d0 <= d < d1, with `last` holding the ten rows one
// after the other (kPlanes planes of `words` words each): the counts of
// words w0 .. w1 - 1 of part + row d added to c[d].
template <class W, int kPlanes>
inline void CountWords(const W* part, const W* last, size_t words, size_t w0, size_t w1, unsigned d,
                       uint32_t* c) {
  const W* row = last + static_cast<size_t>(d) * kPlanes * words;
  for (size_t w = w0; w < w1; ++w)
    CountWord<W, kPlanes>(LoadSum<W, kPlanes>(part, words, w), row[w], kPlanes == 2 ? row[words + w] : W{0}, c);
}

// The counts of CountLastFn.
template <class W, int kPlanes>
inline void CountLastWords(const W* part, const W* last, size_t words, unsigned d0, unsigned d1,
                           uint32_t (*counts)[8]) {
  if (words == 1) {  // the planes in registers across the digits
    const Sum<W> p = LoadSum<W, kPlanes>(part, 1, 0);
    for (unsigned d = d0; d < d1; ++d) {
      uint32_t c[8] = {};
      const W* row = last + static_cast<size_t>(d) * kPlanes;
      CountWord<W, kPlanes>(p, row[0], kPlanes == 2 ? row[1] : W{0}, c);
      StoreCounts(c, counts[d]);
    }
    return;
  }
  for (unsigned d = d0; d < d1; ++d) {
    uint32_t c[8] = {};
    CountWords<W, kPlanes>(part, last, words, 0, words, d, c);
    StoreCounts(c, counts[d]);
  }
}

// The sum of a vector's 64-bit lanes, by halving: each step adds the upper
// half to the lower one (an extract and an add), no trip through memory.
template <size_t B>
struct LaneVector {
  typedef uint64_t Type __attribute__((vector_size(B)));
};
template <size_t B>
inline uint64_t SumLanes(typename LaneVector<B>::Type v) {
  if constexpr (B == 64)
    return SumLanes<32>(__builtin_shufflevector(v, v, 0, 1, 2, 3) + __builtin_shufflevector(v, v, 4, 5, 6, 7));
  else if constexpr (B == 32)
    return SumLanes<16>(__builtin_shufflevector(v, v, 0, 1) + __builtin_shufflevector(v, v, 2, 3));
  else if constexpr (B == 16) return v[0] + v[1];
  else return v[0];
}

// The same over vector registers: V is a bit-lane traits type of the
// counting kernels (Reg, kBytes, Load, Count, kFoldSteps, Fold, Sum, and
// Logic's Xor3 and Maj); the words past the last whole register go through
// the word step.  The same counts as CountLastWords.
template <class V, class W, int kPlanes>
inline void CountLastVector(const W* part, const W* last, size_t words, unsigned d0, unsigned d1,
                            uint32_t (*counts)[8]) {
  using Reg = typename V::Reg;
  using L = typename V::Logic;
  constexpr size_t kStep = V::kBytes / sizeof(W);
  const size_t whole = words / kStep * kStep;
  auto load = [](const W* p) { return V::Load(reinterpret_cast<const uint8_t*>(p)); };
  // Every count of a digit is below 65536 where the lanes are.
  const bool packed = words * 8 * sizeof(W) < 65536;
  for (unsigned d = d0; d < d1; ++d) {
    uint32_t c[8] = {};
    const W* row = last + static_cast<size_t>(d) * kPlanes * words;
    typename V::Total total[8] = {};
    Reg acc[8] = {};
    size_t steps = 0;
    for (size_t w = 0; w < whole; w += kStep) {
      const Reg lo = load(row + w);
      const Reg p0 = load(part + w), p1 = load(part + words + w), p2 = load(part + 2 * words + w);
      Reg s0 = p0 ^ lo, s1, s2;
      const Reg c0 = p0 & lo;
      if constexpr (kPlanes == 1) {
        s1 = p1 ^ c0;
        s2 = p2 ^ (p1 & c0);
      } else {
        const Reg hi = load(row + words + w), po = load(part + 3 * words + w);
        s1 = L::Xor3(p1, hi, c0);
        const Reg c1 = L::Maj(p1, hi, c0);
        const Reg over = po | (p2 & c1);
        s2 = (p2 ^ c1) & ~over;
        s0 &= ~over;
        s1 &= ~over;
        acc[0] += V::Count(over);
      }
      const Reg s01 = s0 & s1;
      acc[1] += V::Count(s0);
      acc[2] += V::Count(s1);
      acc[3] += V::Count(s2);
      acc[4] += V::Count(s01);
      acc[5] += V::Count(s0 & s2);
      acc[6] += V::Count(s1 & s2);
      acc[7] += V::Count(s01 & s2);
      if (++steps == V::kFoldSteps || w + kStep == whole) {
        for (int k = kPlanes == 1 ? 1 : 0; k < 8; ++k) {  // with one plane acc[0] stays 0
          total[k] += V::Fold(acc[k]);
          acc[k] = Reg{};
        }
        steps = 0;
      }
    }
    if (packed) {
      // Four counts of 16 bits to a lane, so that two sums across the lanes
      // give all eight.
      const auto lo = total[0] | total[1] << 16 | total[2] << 32 | total[3] << 48;
      const auto hi = total[4] | total[5] << 16 | total[6] << 32 | total[7] << 48;
      const uint64_t a = SumLanes<V::kBytes>(lo), b = SumLanes<V::kBytes>(hi);
      for (int k = 0; k < 4; ++k) {
        c[k] = static_cast<uint32_t>(a >> (16 * k) & 0xFFFF);
        c[k + 4] = static_cast<uint32_t>(b >> (16 * k) & 0xFFFF);
      }
    } else {
      for (int k = 0; k < 8; ++k) c[k] = static_cast<uint32_t>(V::Sum(total[k]));
    }
    if (whole < words) CountWords<W, kPlanes>(part, last, words, whole, words, d, c);
    StoreCounts(c, counts[d]);
  }
}

// The byte-row step over a traits type B: kWidth lanes a step, Mask (a
// general-purpose word of a bit per lane), Planes(s, b0, b1, b2, over): the
// lanes' bits 0, 1, 2 of the byte sums s and the lanes of 8 and more.  The
// counts and the levels are those of the bit rows.
template <class B>
inline void CountBytesBody(const uint8_t* part, const uint8_t* const* last, size_t stride, unsigned d0, unsigned d1,
                           uint32_t (*counts)[8]) {
  using M = typename B::Mask;
  for (unsigned d = d0; d < d1; ++d) {
    uint32_t c[8] = {};
    const uint8_t* row = last[d];
    for (size_t i = 0; i < stride; i += B::kWidth) {
      M b0, b1, b2, over;
      B::Planes(part + i, row + i, b0, b1, b2, over);
      b0 &= ~over;
      b1 &= ~over;
      b2 &= ~over;
      const M b01 = b0 & b1;
      c[0] += Pop(over);
      c[1] += Pop(b0);
      c[2] += Pop(b1);
      c[3] += Pop(b2);
      c[4] += Pop(b01);
      c[5] += Pop(b0 & b2);
      c[6] += Pop(b1 & b2);
      c[7] += Pop(b01 & b2);
    }
    StoreCounts(c, counts[d]);
  }
}

}  // namespace
}  // namespace qv::walk
