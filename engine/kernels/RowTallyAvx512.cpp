// The AVX-512BW kernel: 64 lanes per step, compares into mask registers.
// Built with AVX-512 code generation: nothing here may run before
// CpuHasAvx512Bw() said yes.
#include "KernelEntries.h"

namespace qv::kernels::avx512bw {

QV_VECTOR_KERNEL_ENTRIES(64)

}  // namespace qv::kernels::avx512bw
