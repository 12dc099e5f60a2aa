// The SSE2 kernel, the baseline of the 32-bit build: 16 lanes per step.
#include "KernelEntries.h"

namespace qv::kernels::sse2 {

QV_VECTOR_KERNEL_ENTRIES(16)

}  // namespace qv::kernels::sse2
