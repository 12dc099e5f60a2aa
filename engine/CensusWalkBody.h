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
#include <type_traits>

namespace qv::walk {

// The word of the bit-row step: the register of the general-purpose
// instructions (32 bits in 32-bit code).
using Word = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;
using CountLastFn = void (*)(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0,
                             unsigned d1, uint32_t (*pops)[8]);
void CountLastPlain(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0, unsigned d1,
                    uint32_t (*pops)[8]);
#if defined(QV_X86_KERNELS)
// Built with POPCNT: only where the processor has it.
void CountLastPopcnt(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0, unsigned d1,
                     uint32_t (*pops)[8]);
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

// For each last digit d0 <= d < d1, with `last` holding the ten rows one
// after the other: pops[d] += the population counts of (valid lanes, s0,
// s1, s2, s0 s1, s0 s2, s1 s2, s0 s1 s2) of part + row d, valid meaning
// below 8 (with one plane every lane, and pops[d][0] is left alone).
template <class W, int kPlanes>
inline void CountLastBody(const W* part, const W* last, size_t words, unsigned d0, unsigned d1,
                          uint32_t (*pops)[8]) {
  for (size_t w = 0; w < words; ++w) {
    const Sum<W> p = LoadSum<W, kPlanes>(part, words, w);
    for (unsigned d = d0; d < d1; ++d) {
      const W* row = last + static_cast<size_t>(d) * kPlanes * words;
      Sum<W> s = AddCell<W, kPlanes>(p, row[w], kPlanes == 2 ? row[words + w] : W{0});
      uint32_t* c = pops[d];
      if constexpr (kPlanes == 2) {
        const W valid = ~s.over;
        s.p0 &= valid;
        s.p1 &= valid;
        s.p2 &= valid;
        c[0] += Pop(valid);
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
  }
}

}  // namespace
}  // namespace qv::walk
