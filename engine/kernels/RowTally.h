// The counting kernels behind HitCounter: each adds up seven rows of byte
// lanes (one per candidate position) and histograms the lane sums, or adds
// up seven rows of bit lanes as bit planes and counts the lanes per level.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::kernels {

constexpr size_t kRows = 7;
// Lanes per row are a multiple of this.
constexpr size_t kLaneStep = 32;

// counts[k] := the number of lanes l < lanes whose sum rows[0][l] + ... +
// rows[6][l] is k, for k = 0..7 (whatever counts held before is replaced).
// lanes is a multiple of kLaneStep; every row value is at most 8, so a sum
// never exceeds 56 and never wraps.
using RowTallyFn = void (*)(const uint8_t* const* rows, size_t lanes, uint32_t* counts);

// Bit lanes: rows of `words` 64-bit words per plane, bit b of word w
// standing for lane 64w + b.  pairWords 0: one plane, a lane's value in a
// row being its bit.  Otherwise two planes (the high one right after the
// low one), a lane's value its low bit plus twice its high bit; the high
// plane is zero beyond its first pairWords words (1 <= pairWords <= words),
// which need not be read.  For every level k whose bit is set in `levels`,
// counts[k] += the number of lanes whose sum over the seven rows is k; the
// other counts may be added to as well (where that is cheaper than not).
// Rows are aligned to 8 bytes.
using BitTallyFn = void (*)(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels,
                            uint32_t* counts);

// A table of 64 bets or fewer, its rows picked from the candidate itself:
// table[(j * 256 + c) * planes + p] is plane p of the one-word row of
// character c at position j, all zeros for c = 0 (the rows past its end).
// The candidate ends at its first zero byte or after kRows characters
// (nothing beyond is read); lanes outside `live` are zero in every row.  counts[k] := the
// number of lanes of `live` whose sum is k, for
// every level k asked for in `levels` (others may be set too).
using WordTallyFn = void (*)(const uint64_t* table, const char* candidate, uint32_t planes, uint64_t live,
                             uint32_t levels, uint32_t* counts);

// A byte table of 32 or 64 lanes, its rows picked from the candidate
// itself: the row of character c at position j starts rowOffset[j * 256 + c]
// bytes into table, the zero row at table.  The candidate ends at its first
// zero byte or after kRows characters (nothing beyond is read; the rows past
// its end are the zero row).  counts[k] := the number of lanes whose sum is
// k, less `padding` at level 0, for every level asked for (others may be set
// too).  The vector kernels only.
using SmallTallyFn = void (*)(const uint8_t* table, const size_t* rowOffset, const char* candidate, size_t lanes,
                              uint32_t padding, uint32_t levels, uint32_t* counts);

// The same table judged in the kernel: returns the sum over the levels k
// asked for of code[k * stride + n], n being the count SmallTallyFn gives
// for level k (at most lanes - padding).
using SmallCodesFn = uint32_t (*)(const uint8_t* table, const size_t* rowOffset, const char* candidate,
                                  size_t lanes, uint32_t padding, uint32_t levels, const uint16_t* code,
                                  size_t stride);

// A bit table judged in the kernel, its rows picked from the candidate
// itself: the row of character c at position j starts rowOffset[j * 256 +
// c] words into bits, the zero row at bits (the rows past the candidate's
// end, which ends as for SmallTallyFn).  Returns the sum over the levels k
// asked for of code[k * stride + n], n being the count BitTallyFn adds for
// level k less `padding` at level 0.
using BitCodesFn = uint32_t (*)(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate, size_t words,
                                uint32_t pairWords, uint32_t levels, uint32_t padding, const uint16_t* code,
                                size_t stride);

// One entry point per instruction set, each in a translation unit of its
// own built for that set.  Only the scalar one may run unconditionally.
#define QV_KERNEL_DECLS                                                              \
  void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts);        \
  void BitTally(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels, uint32_t* counts); \
  void WordTally(const uint64_t* table, const char* candidate, uint32_t planes, uint64_t live, uint32_t levels,  \
                 uint32_t* counts);                                                                          \
  uint32_t BitCodes(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate, size_t words,       \
                    uint32_t pairWords, uint32_t levels, uint32_t padding, const uint16_t* code, size_t stride);
namespace scalar { QV_KERNEL_DECLS }
#if defined(QV_X86_KERNELS)
#define QV_VECTOR_KERNEL_DECLS                                                                              \
  QV_KERNEL_DECLS                                                                                           \
  void SmallTally(const uint8_t* table, const size_t* rowOffset, const char* candidate, size_t lanes,        \
                  uint32_t padding, uint32_t levels, uint32_t* counts);                                     \
  uint32_t SmallCodes(const uint8_t* table, const size_t* rowOffset, const char* candidate, size_t lanes,    \
                      uint32_t padding, uint32_t levels, const uint16_t* code, size_t stride);
namespace sse2 { QV_VECTOR_KERNEL_DECLS }
namespace avx2 { QV_VECTOR_KERNEL_DECLS }
namespace avx512bw { QV_VECTOR_KERNEL_DECLS }
#undef QV_VECTOR_KERNEL_DECLS
// AVX-512BW's byte kernel with a bit kernel that counts with VPOPCNTQ.
namespace avx512popcnt {
void BitTally(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels, uint32_t* counts);
uint32_t BitCodes(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate, size_t words,
                  uint32_t pairWords, uint32_t levels, uint32_t padding, const uint16_t* code, size_t stride);
}

// What the processor and the operating system allow, probed once.
bool CpuHasSse2();
bool CpuHasAvx2();      // AVX2 and POPCNT, YMM state saved
bool CpuHasAvx512Bw();  // AVX-512F and BW and POPCNT, opmask and ZMM state saved
bool CpuHasAvx512Popcnt();  // the above and AVX512_VPOPCNTDQ
#endif
#undef QV_KERNEL_DECLS

}  // namespace qv::kernels
