// The AVX2 kernel: 32 lanes per step.  Built with AVX2 code generation:
// nothing here may run before CpuHasAvx2() said yes.
#include "BitTallyBody.h"
#include "RowTallyBody.h"

namespace qv::kernels::avx2 {

QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyBody<32>(rows, lanes, counts);
}

QV_KERNEL_ENTRY void BitTally(const uint64_t* const* rows, size_t words, uint32_t planes, uint32_t levels, uint32_t* counts) {
  BitTallyEntry<BitVec<32>>(rows, words, planes, levels, counts);
}

}  // namespace qv::kernels::avx2
