// The census walk's bit-row step built with POPCNT: nothing here may run
// before the processor said it has it.
#include "../CensusWalkBody.h"

namespace qv::walk {

void CountLastPopcnt(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0, unsigned d1,
                     uint32_t (*counts)[8]) {
  if (planes == 1) CountLastWords<Word, 1>(part, last, words, d0, d1, counts);
  else CountLastWords<Word, 2>(part, last, words, d0, d1, counts);
}

}  // namespace qv::walk
