// The AVX2 kernel: 32 lanes per step.  Built with AVX2 code generation:
// nothing here may run before CpuHasAvx2() said yes.
#include "KernelEntries.h"

namespace qv::kernels::avx2 {

QV_VECTOR_KERNEL_ENTRIES(32)

}  // namespace qv::kernels::avx2
