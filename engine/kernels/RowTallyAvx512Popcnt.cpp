// The AVX-512 bit kernel that counts with VPOPCNTQ.  Built with AVX-512
// and VPOPCNTDQ code generation: nothing here may run before
// CpuHasAvx512Popcnt() said yes.
#include "BitTallyBody.h"
#include "RowTallyBody.h"

namespace qv::kernels::avx512popcnt {

QV_KERNEL_ENTRY void BitTally(const uint64_t* const* rows, size_t words, uint32_t planes, uint32_t levels, uint32_t* counts) {
  BitTallyEntry<BitVec<64, true>>(rows, words, planes, levels, counts);
}

}  // namespace qv::kernels::avx512popcnt
