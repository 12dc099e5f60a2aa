// Bets against candidates with their hit count, for every counter of hits:
// the literal count, the prepared counter and each of its kernels.
#pragma once

#include <cstdint>

namespace qv::testing {

struct HitCase {
  const char* bet;
  const char* candidate;
  int32_t hits;  // the literal count; above 7 the counters tally no level
};

inline constexpr HitCase kHitCases[] = {
    {"1234567", "1234567", 7},
    {"1234567", "7654321", 1},
    {"12345", "1234567", 5},
    {"*234567", "1234567", 6},
    {"024,3468,5,2347,05,268,79", "1355867", 4},
    {"1,*,3,4,5,6,7", "1934567", 7},
    {"33,0,0,0,0,0,0", "3111111", 2},
    {"1,2,3", "1234567", 3},
    {"1,,3,4,5,6,7", "1234567", 6},
    {"1,2,3,4,5,6,7,8", "1234567", 7},
    {"1,2,3,4,5,6,7,8", "12345678", 8},
    {"1234567,", "1234567", 1},
    {"", "1234567", 0},
    {"1234567", "", 0},
    {"123456789", "123", 3},
    {"**,**,**,**,**,**,**", "0000000", 14},
    {"*******", "*******", 7},
    {"12345678", "12345678", 8},
    {"12345678", "1234567", 7},
    {",,,,,,,,,,,,9", "0000000000009", 1},
    {",,,,,,,,,,,,9", "0000000", 0},
};

}  // namespace qv::testing
