// The counting kernels behind HitCounter: each adds up seven rows of byte
// lanes (one per candidate position) and histograms the lane sums.
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

// One entry point per instruction set, each in a translation unit of its
// own built for that set.  Only the scalar one may run unconditionally.
namespace scalar { void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts); }
#if defined(QV_X86_KERNELS)
namespace sse2 { void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts); }
namespace avx2 { void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts); }
namespace avx512bw { void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts); }

// What the processor and the operating system allow, probed once.
bool CpuHasSse2();
bool CpuHasAvx2();      // AVX2 and POPCNT, YMM state saved
bool CpuHasAvx512Bw();  // AVX-512F and BW and POPCNT, opmask and ZMM state saved
#endif

}  // namespace qv::kernels
