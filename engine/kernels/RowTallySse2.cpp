// The SSE2 kernel, the baseline of the 32-bit build: 16 lanes per step.
#include "BitTallyBody.h"
#include "RowTallyBody.h"

namespace qv::kernels::sse2 {

QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyBody<16>(rows, lanes, counts);
}

QV_KERNEL_ENTRY void BitTally(const uint64_t* const* rows, size_t words, uint32_t planes, uint32_t levels, uint32_t* counts) {
  BitTallyEntry<BitVec<16>>(rows, words, planes, levels, counts);
}

}  // namespace qv::kernels::sse2
