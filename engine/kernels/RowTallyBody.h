// The counting loop of the vector kernels, written once over a small
// vector-traits type, Simd<W> for W lanes per step.  Each instruction set's
// translation unit includes this and instantiates the loop with its own
// width, compiled with that set's flags; a traits type exists only where the
// flags provide its instructions.  Everything here has internal linkage: no
// copy built for a wider set can stand in for a narrower one at link time.
//
// Simd<W> provides (GCC vector types, so that plain operators give loads,
// adds, compares and masks at W's width):
//   kWidth                 lanes per step
//   Bytes, Wide            a register as unsigned bytes, and as 64-bit lanes
//   SumOfBytes(b)          per 64-bit lane the sum of its eight bytes (psadbw)
//   Lookup(table, index)   (W >= 32) per lane table[index % 16], the table
//                          repeated in every 16 bytes (a byte shuffle)
//   CountEqual(s, level)   (W >= 32) lanes of s equal to those of level
//   LoadTail(p, n, fill)   (W > kLaneStep) n bytes from p, fill after them
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "BitTallyBody.h"
#include "RowTally.h"

#if defined(__i386__)
// A 32-bit host may call in with the stack aligned to four bytes only; the
// vectors that a loop spills need more.
#define QV_KERNEL_ENTRY __attribute__((force_align_arg_pointer))
#else
#define QV_KERNEL_ENTRY
#endif

namespace qv::kernels {
namespace {

template <size_t W>
struct VectorTypes {
  static constexpr size_t kWidth = W;
  typedef uint8_t Bytes __attribute__((vector_size(W)));
  typedef uint64_t Wide __attribute__((vector_size(W)));
};

// The operations without a plain-operator form, per register type.
#if defined(__SSE2__)
inline __m128i SumOfBytes(__m128i b) { return _mm_sad_epu8(b, _mm_setzero_si128()); }
#endif
#if defined(__AVX2__)
inline __m256i SumOfBytes(__m256i b) { return _mm256_sad_epu8(b, _mm256_setzero_si256()); }
inline __m256i Shuffle(__m256i table, __m256i index) { return _mm256_shuffle_epi8(table, index); }
#endif
#if defined(__AVX512BW__)
inline __m512i SumOfBytes(__m512i b) { return _mm512_sad_epu8(b, _mm512_setzero_si512()); }
inline __m512i Shuffle(__m512i table, __m512i index) { return _mm512_shuffle_epi8(table, index); }
#endif

template <size_t W, class Reg>
struct SimdOps : VectorTypes<W> {
  using typename VectorTypes<W>::Bytes;
  using typename VectorTypes<W>::Wide;
  static Wide SumOfBytes(Bytes b) { return Wide(qv::kernels::SumOfBytes(Reg(b))); }
  static Bytes Lookup(Bytes table, Bytes index) { return Bytes(Shuffle(Reg(table), Reg(index))); }
};

template <size_t W>
struct Simd;

#if defined(__SSE2__)
// SSE2 has no byte shuffle: its loop keeps a byte counter per level.
template <>
struct Simd<16> : SimdOps<16, __m128i> {};
#endif

#if defined(__AVX2__)
template <>
struct Simd<32> : SimdOps<32, __m256i> {
  static uint32_t CountEqual(Bytes s, Bytes level) {
    return static_cast<uint32_t>(__builtin_popcount(static_cast<uint32_t>(_mm256_movemask_epi8(__m256i(s == level)))));
  }
};
#endif

#if defined(__AVX512BW__)
template <>
struct Simd<64> : SimdOps<64, __m512i> {
  // Compares into a mask register.
  static uint32_t CountEqual(Bytes s, Bytes level) {
    const __mmask64 hit = _mm512_cmpeq_epi8_mask(__m512i(s), __m512i(level));
#if defined(__x86_64__)
    return static_cast<uint32_t>(__builtin_popcountll(hit));
#else
    // 32-bit code has no 64-bit mask moves: count the halves.
    const uint32_t lo = _cvtmask32_u32(static_cast<__mmask32>(hit));
    const uint32_t hi = _cvtmask32_u32(static_cast<__mmask32>(_kshiftri_mask64(hit, 32)));
    return static_cast<uint32_t>(__builtin_popcount(lo) + __builtin_popcount(hi));
#endif
  }
  static Bytes LoadTail(const uint8_t* p, size_t n, uint8_t fill) {
    const __mmask64 keep = n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
    return Bytes(_mm512_mask_loadu_epi8(_mm512_set1_epi8(static_cast<char>(fill)), keep, p));
  }
};
#endif

// Per level pair p, the nibble that a lane of each level adds: levels 2p and
// 2p+1 share one byte counter, low and high nibble.  Repeated in every 16
// bytes, as a shuffle reads it.
struct PairNibbles {
  alignas(64) uint8_t table[4][64];
};
constexpr PairNibbles MakePairNibbles() {
  PairNibbles n{};
  for (size_t p = 0; p < 4; ++p)
    for (size_t j = 0; j < 64; ++j)
      n.table[p][j] = j % 16 == 2 * p ? 0x01 : j % 16 == 2 * p + 1 ? 0x10 : 0;
  return n;
}
constexpr PairNibbles kPairNibbles = MakePairNibbles();

// Every level in every lane, for compares against memory.
struct LevelBytes {
  alignas(64) uint8_t table[8][64];
};
constexpr LevelBytes MakeLevelBytes() {
  LevelBytes n{};
  for (size_t k = 0; k < 8; ++k)
    for (size_t j = 0; j < 64; ++j) n.table[k][j] = static_cast<uint8_t>(k);
  return n;
}
constexpr LevelBytes kLevelBytes = MakeLevelBytes();

template <class V>
inline typename V::Bytes Load(const uint8_t* p) {
  typename V::Bytes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class V>
inline typename V::Bytes SumOfRows(const uint8_t* const* rows, size_t i) {
  typename V::Bytes s = Load<V>(rows[0] + i);
  for (size_t r = 1; r < kRows; ++r) s += Load<V>(rows[r] + i);
  return s;
}

// The last, partial step of a set wider than the lane step: the lanes past
// the end sum to 8 and so count at no level.
template <class V>
inline typename V::Bytes SumOfTail(const uint8_t* const* rows, size_t i, size_t n) {
  typename V::Bytes s = V::LoadTail(rows[0] + i, n, 8);
  for (size_t r = 1; r < kRows; ++r) s += V::LoadTail(rows[r] + i, n, 0);
  return s;
}

template <class V>
inline uint64_t SumOfLanes(typename V::Wide w) {
  uint64_t t = 0;
  for (size_t j = 0; j < V::kWidth / 8; ++j) t += w[j];
  return t;
}

template <size_t W>
__attribute__((always_inline)) inline void RowTallyBody(const uint8_t* const* rows, size_t lanes,
                                                        uint32_t* counts) {
  using V = Simd<W>;
  using Bytes = typename V::Bytes;
  using Wide = typename V::Wide;
  // Up to two steps (the usual small set-up): count each level's lanes from
  // compare masks; folding byte counters would cost more than the steps.
  if constexpr (W >= kLaneStep) {
    if (lanes != 0 && lanes <= 2 * W) {
      Bytes s[2];
      const size_t steps = lanes > W ? 2 : 1;
      for (size_t k = 0; k < steps; ++k) {
        const size_t i = k * W;
        if constexpr (W > kLaneStep) s[k] = lanes - i == W ? SumOfRows<V>(rows, i) : SumOfTail<V>(rows, i, lanes - i);
        else s[k] = SumOfRows<V>(rows, i);
      }
      for (size_t level = 0; level < 8; ++level) {
        const Bytes l = Load<V>(kLevelBytes.table[level]);
        counts[level] = V::CountEqual(s[0], l) + (steps == 2 ? V::CountEqual(s[1], l) : 0);
      }
      return;
    }
  }
  // Byte counters per lane, summed into 64-bit lanes (psadbw) before they
  // could wrap.  wide[p] holds levels 2p and 2p+1 in its low and high half.
  Wide wide[4] = {};
  size_t i = 0;
  if constexpr (W >= kLaneStep) {
    // A lane's level picks a nibble (levels 2p, 2p+1 share a byte counter,
    // low and high nibble): four shuffles and adds per step, and four
    // counters, which also fit the eight vector registers of 32-bit code.
    // A nibble holds 15 steps.
    Bytes table[4];
    for (int p = 0; p < 4; ++p) table[p] = Load<V>(kPairNibbles.table[p]);
    const Bytes eight = Bytes{} + 8;
    Bytes acc[4] = {};
    auto add = [&](Bytes s) {
      s = s < eight ? s : eight;  // 8 and more: no level, and a nibble of 0
      for (int p = 0; p < 4; ++p) acc[p] += V::Lookup(table[p], s);
    };
    auto fold = [&] {
      for (int p = 0; p < 4; ++p) {
        wide[p] += V::SumOfBytes(acc[p] & 0x0F) + (V::SumOfBytes(acc[p] & 0xF0) << 28);
        acc[p] = Bytes{};
      }
    };
    const size_t whole = lanes / W * W;
    while (i < whole) {
      const size_t end = whole - i < 15 * W ? whole : i + 15 * W;
      for (; i < end; i += W) add(SumOfRows<V>(rows, i));
      fold();
    }
    if constexpr (W > kLaneStep) {
      if (i < lanes) {
        add(SumOfTail<V>(rows, i, lanes - i));
        fold();
      }
    }
  } else {
    // No shuffle: a byte counter per level, bumped by a compare; a byte
    // holds 255 steps.
    Bytes acc[8];
    while (i < lanes) {
      const size_t end = lanes - i < 255 * W ? lanes : i + 255 * W;
      for (auto& a : acc) a = Bytes{};
      for (; i < end; i += W) {
        const Bytes s = SumOfRows<V>(rows, i);
        for (uint8_t level = 0; level < 8; ++level) acc[level] -= reinterpret_cast<Bytes>(s == level);
      }
      for (int level = 0; level < 8; ++level)
        wide[level / 2] += V::SumOfBytes(acc[level]) << (32 * (level & 1));
    }
  }
  for (int p = 0; p < 4; ++p) {
    const uint64_t t = SumOfLanes<V>(wide[p]);
    counts[2 * p] = static_cast<uint32_t>(t);
    counts[2 * p + 1] = static_cast<uint32_t>(t >> 32);
  }
}

// A byte table of 64 lanes or fewer, its rows picked here from the
// candidate: the row of character c at position j starts rowOffset[j * 256
// + c] bytes into table, and the zero row at table.  The candidate ends at
// its first zero byte or after seven characters (nothing beyond is read);
// rows past its end are the zero row.  counts[k] := the lanes whose sum is
// k, less `padding` at level 0, for the levels asked for (others may be set
// too).  lanes: 32 or 64.
template <class V>
__attribute__((always_inline)) inline uint32_t CountEqualSmall(typename V::Bytes s, typename V::Bytes level) {
  if constexpr (V::kWidth == 16) {
    const uint32_t m = static_cast<uint32_t>(_mm_movemask_epi8(__m128i(s == level)));
#if defined(__POPCNT__)
    return static_cast<uint32_t>(__builtin_popcount(m));
#else
    uint32_t x = m - ((m >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
#endif
  } else {
    return V::CountEqual(s, level);
  }
}

// The lane sums of a small byte table for a candidate (see SmallSteps).
template <class V, size_t kSteps>
__attribute__((always_inline)) inline void SmallSums(const uint8_t* table, const size_t* rowOffset,
                                                     const char* candidate, typename V::Bytes (&s)[kSteps]) {
  for (size_t k = 0; k < kSteps; ++k) s[k] = typename V::Bytes{};
  ForCandidateRows(candidate, [&](size_t j, size_t c) __attribute__((always_inline)) {
    const size_t at = rowOffset[j * 256 + c];
    const uint8_t* row = table + (c ? at : 0);  // a zero: the zero row
    for (size_t k = 0; k < kSteps; ++k) s[k] += Load<V>(row + k * V::kWidth);
  });
}

// The lanes of the sums s that equal `level`.
template <class V, size_t kSteps>
__attribute__((always_inline)) inline uint32_t SmallLevel(const typename V::Bytes (&s)[kSteps], uint32_t level) {
  using Bytes = typename V::Bytes;
  const Bytes l = Load<V>(kLevelBytes.table[level]);
  uint32_t n = 0;
  if constexpr (V::kWidth == 16 && kSteps > 1) {
    // No POPCNT with SSE2: the compares (-1 each) added up as bytes, and
    // their sum by psadbw.
    Bytes hits = Bytes{};
    for (size_t k = 0; k < kSteps; ++k) hits -= reinterpret_cast<Bytes>(s[k] == l);
    const __m128i sums = _mm_sad_epu8(__m128i(hits), _mm_setzero_si128());
    n = static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  } else {
    for (size_t k = 0; k < kSteps; ++k) n += CountEqualSmall<V>(s[k], l);
  }
  return n;
}

template <class V, size_t kSteps>
__attribute__((always_inline)) inline void SmallSteps(const uint8_t* table, const size_t* rowOffset,
                                                      const char* candidate, uint32_t padding, uint32_t levels,
                                                      uint32_t* counts) {
  typename V::Bytes s[kSteps];
  SmallSums<V, kSteps>(table, rowOffset, candidate, s);
  for (uint32_t level = 0; level < 8; ++level) {
    if (!(levels >> level & 1)) continue;
    counts[level] = SmallLevel<V, kSteps>(s, level) - (level == 0 ? padding : 0);
  }
}

// The same table judged at once: the sum over the levels asked for of
// code[level * stride + count], count being the lanes at that level (less
// the padding at level 0), so that no count is stored and read back.  Every
// count is at most lanes - padding, which the code rows must cover.
template <class V, size_t kSteps>
__attribute__((always_inline)) inline uint32_t SmallCodeSteps(const uint8_t* table, const size_t* rowOffset,
                                                              const char* candidate, uint32_t padding,
                                                              uint32_t levels, const uint16_t* code,
                                                              size_t stride) {
  typename V::Bytes s[kSteps];
  SmallSums<V, kSteps>(table, rowOffset, candidate, s);
  uint32_t sum = 0;
  for (uint32_t level = 0; level < 8; ++level) {
    if (!(levels >> level & 1)) continue;
    const uint32_t n = SmallLevel<V, kSteps>(s, level) - (level == 0 ? padding : 0);
    sum += code[level * stride + n];
  }
  return sum;
}

template <size_t W>
__attribute__((always_inline)) inline void SmallRowTallyBody(const uint8_t* table, const size_t* rowOffset,
                                                             const char* candidate, size_t lanes, uint32_t padding,
                                                             uint32_t levels, uint32_t* counts) {
  if constexpr (W == 64) {
    if (lanes <= 32) return SmallSteps<Simd<32>, 1>(table, rowOffset, candidate, padding, levels, counts);
    return SmallSteps<Simd<64>, 1>(table, rowOffset, candidate, padding, levels, counts);
  } else {
    if (lanes <= W) return SmallSteps<Simd<W>, 1>(table, rowOffset, candidate, padding, levels, counts);
    if (lanes <= 2 * W) return SmallSteps<Simd<W>, 2>(table, rowOffset, candidate, padding, levels, counts);
    SmallSteps<Simd<W>, 64 / W>(table, rowOffset, candidate, padding, levels, counts);
  }
}

template <size_t W>
__attribute__((always_inline)) inline uint32_t SmallCodeBody(const uint8_t* table, const size_t* rowOffset,
                                                             const char* candidate, size_t lanes, uint32_t padding,
                                                             uint32_t levels, const uint16_t* code, size_t stride) {
  if constexpr (W == 64) {
    if (lanes <= 32) return SmallCodeSteps<Simd<32>, 1>(table, rowOffset, candidate, padding, levels, code, stride);
    return SmallCodeSteps<Simd<64>, 1>(table, rowOffset, candidate, padding, levels, code, stride);
  } else {
    if (lanes <= W) return SmallCodeSteps<Simd<W>, 1>(table, rowOffset, candidate, padding, levels, code, stride);
    if (lanes <= 2 * W)
      return SmallCodeSteps<Simd<W>, 2>(table, rowOffset, candidate, padding, levels, code, stride);
    return SmallCodeSteps<Simd<W>, 64 / W>(table, rowOffset, candidate, padding, levels, code, stride);
  }
}

}  // namespace
}  // namespace qv::kernels
