// The AVX-512 bit kernel that counts with VPOPCNTQ.  Built with AVX-512
// and VPOPCNTDQ code generation: nothing here may run before
// CpuHasAvx512Popcnt() said yes.
#include "KernelEntries.h"

namespace qv::kernels::avx512popcnt {

QV_BIT_TALLY_ENTRY(BitVec<64, true>)

}  // namespace qv::kernels::avx512popcnt
