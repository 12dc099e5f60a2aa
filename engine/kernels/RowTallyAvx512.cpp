// The AVX-512BW kernel: 64 lanes per step, compares into mask registers.
// Built with AVX-512 code generation: nothing here may run before
// CpuHasAvx512Bw() said yes.
#include "RowTallyBody.h"

namespace qv::kernels::avx512bw {

QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyBody<64>(rows, lanes, counts);
}

}  // namespace qv::kernels::avx512bw
