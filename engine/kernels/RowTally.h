// The counting kernels behind HitCounter: each adds up seven rows of byte
// lanes (one per candidate position) and histograms the lane sums.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::kernels {

constexpr size_t kRows = 7;

// counts[k] := the number of lanes l < lanes whose sum rows[0][l] + ... +
// rows[6][l] is k, for k = 0..7 (whatever counts held before is replaced).
// lanes is a multiple of 32; every row value is at most 8, so a sum never
// exceeds 56 and never wraps.
void RowTallyScalar(const uint8_t* const* rows, size_t lanes, uint32_t* counts);
void RowTallySse2(const uint8_t* const* rows, size_t lanes, uint32_t* counts);
void RowTallyAvx2(const uint8_t* const* rows, size_t lanes, uint32_t* counts);

// Whether the build compiled each vector kernel (the others are stubs).
bool Sse2Compiled();
bool Avx2Compiled();

// What the processor and operating system allow, probed once.
bool CpuHasSse2();
bool CpuHasAvx2();

}  // namespace qv::kernels
