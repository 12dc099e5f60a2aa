// The census walk's bit-row step in AVX2 registers.  Built with AVX2 code
// generation: nothing here may run before CpuHasAvx2() said yes.
#include "../CensusWalkBody.h"
#include "BitTallyBody.h"

namespace qv::walk {

QV_WALK_ENTRY void CountLastAvx2(const Word* part, const Word* last, size_t words, unsigned planes, uint32_t lanes, unsigned d0,
                                 unsigned d1, uint32_t (*tallies)[8]) {
  using V = kernels::BitVec<32>;
  if (planes == 1) CountLastVector<V, Word, 1>(part, last, words, lanes, d0, d1, tallies);
  else CountLastVector<V, Word, 2>(part, last, words, lanes, d0, d1, tallies);
}

}  // namespace qv::walk
