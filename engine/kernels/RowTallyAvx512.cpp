// The AVX-512BW kernel: 64 lanes per step, compares into mask registers.
// Built with AVX-512 code generation: nothing here may run before
// CpuHasAvx512Bw() said yes.
#include "BitTallyBody.h"
#include "RowTallyBody.h"

namespace qv::kernels::avx512bw {

QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyBody<64>(rows, lanes, counts);
}

QV_KERNEL_ENTRY void BitTally(const uint64_t* const* rows, size_t words, uint32_t planes, uint32_t levels, uint32_t* counts) {
  BitTallyEntry<BitVec<64>>(rows, words, planes, levels, counts);
}

}  // namespace qv::kernels::avx512bw
