// The census walk's bit-row step in AVX-512 registers, counted with
// VPOPCNTQ.  Built with that code generation: nothing here may run before
// CpuHasAvx512Popcnt() said yes.
#include "../CensusWalkBody.h"
#include "BitTallyBody.h"

namespace qv::walk {

QV_WALK_ENTRY void CountLastAvx512Popcnt(const Word* part, const Word* last, size_t words, unsigned planes, uint32_t lanes,
                                         unsigned d0, unsigned d1, uint32_t (*tallies)[8]) {
  using V = kernels::BitVec<64, true>;
  if (planes == 1) CountLastVector<V, Word, 1>(part, last, words, lanes, d0, d1, tallies);
  else CountLastVector<V, Word, 2>(part, last, words, lanes, d0, d1, tallies);
}

}  // namespace qv::walk
