// The SSE2 kernel, the baseline of the 32-bit build: 16 lanes per step.
#include "RowTallyBody.h"

namespace qv::kernels::sse2 {

QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) {
  RowTallyBody<16>(rows, lanes, counts);
}

}  // namespace qv::kernels::sse2
