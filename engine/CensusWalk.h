// The candidates of a census counted in order.  Consecutive numbers share
// their first six digits in runs of ten, so the rows of those six positions
// are added once per run (and, digit by digit, only from the first position
// that changed), into a partial sum per table; each candidate then costs
// the row of its last digit and the count of its levels.  Byte rows keep
// the partial sum in bytes, bit rows in bit planes (the last row added with
// one adder per word); either way the sum's low three bits and its lanes of
// 8 and more become masks, and seven population counts give the eight
// levels (CensusWalkBody.h).  The general bets are counted per candidate as
// HitCounter::Tally counts them.
//
// A walk reads the prepared counter only; each worker has its own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CensusWalkBody.h"
#include "HitCount.h"

namespace qv {

namespace walk {
// A packed key as the walk adds it up.
struct KeySum {
  uint64_t v = 0;
  void Add(uint32_t n, const KeySum& w) { v += n * w.v; }
  void AddSigned(int32_t n, const KeySum& w) { v += static_cast<uint64_t>(static_cast<int64_t>(n)) * w.v; }
  void operator+=(const KeySum& w) { v += w.v; }
  uint64_t Value() const { return v; }
  static KeySum Field(unsigned bits, int level) { return {uint64_t{1} << (bits * (7 - level))}; }
};
}  // namespace walk

class CensusWalk {
 public:
  static constexpr unsigned kRun = 10;  // candidates that share their first six digits

  // Allocates the partial sums (std::bad_alloc when it cannot).
  explicit CensusWalk(const HitCounter& counter);

  // Calls block(x, n, tallies) for the candidates first .. last - 1 in
  // increasing order, in runs of n <= kRun numbers x .. x + n - 1 that share
  // their first six digits; tallies[i] is what HitCounter::Tally gives for
  // the seven-digit text of x + i.  last is at most 10,000,000.
  template <class Block>
  void Walk(uint32_t first, uint32_t last, Block&& block) {
    int32_t tallies[kRun][kLevels];
    for (uint32_t prefix = first / kRun; first < last; ++prefix) {
      const unsigned d0 = first - prefix * kRun;
      const unsigned d1 = static_cast<unsigned>(std::min<uint32_t>(kRun, last - prefix * kRun));
      Count<false>(prefix, d0, d1, tallies, nullptr);
      block(first, d1 - d0, static_cast<const int32_t (*)[kLevels]>(tallies + d0));
      first = (prefix + 1) * kRun;
    }
  }

  // The same with each tally packed: block(x, n, keys) gets for x + i the
  // sum over the levels k of tally[k] << (bits * (7 - k)), plus one (a
  // field may wrap into the next where a tally needs more than `bits`
  // bits).  The packing is linear in the population counts that the bit
  // and byte steps give, so that the tallies themselves are never formed.
  template <class Block>
  void WalkKeys(uint32_t first, uint32_t last, unsigned bits, Block&& block) {
    SetKeyBits(bits);
    uint64_t keys[kRun + 3];  // a step of four digits may write three past the run
    for (uint32_t prefix = first / kRun; first < last; ++prefix) {
      const unsigned d0 = first - prefix * kRun;
      const unsigned d1 = static_cast<unsigned>(std::min<uint32_t>(kRun, last - prefix * kRun));
      Count<true>(prefix, d0, d1, nullptr, keys);
      block(first, d1 - d0, static_cast<const uint64_t*>(keys + d0));
      first = (prefix + 1) * kRun;
    }
  }

  // Whether WalkKeys beats packing Walk's tallies: in 64-bit code, and
  // where bit rows of one word are counted alone in vector registers (in
  // 32-bit code the sum's 64-bit multiplies cost more than the packing).
  bool KeysPay() const { return sizeof(void*) >= 8 || keysOneWord_ != nullptr; }

 private:
  // tallies[d] (kKeys: keys[d]) for the candidates prefix * 10 + d,
  // d0 <= d < d1.
  template <bool kKeys>
  void Count(uint32_t prefix, unsigned d0, unsigned d1, int32_t (*tallies)[kLevels], uint64_t* keys);
  // The weights of the packed keys.
  void SetKeyBits(unsigned bits);
  // The partial sums of the first six digits of prefix * 10.
  void Seek(uint32_t prefix);

  const HitCounter& c_;
  char text_[8] = "0000000";
  uint8_t digit_[6];  // the digits the partial sums are of (10: none yet)
  uint32_t prefix_ = 0xFFFFFFF0u;  // and their run (none yet)

  // Byte rows: partial sums of the first k positions, k = 0..6, stride
  // bytes each, and the rows of the ten last digits.
  std::vector<uint8_t, AlignedAllocator<uint8_t>> bytePart_;
  const uint8_t* byteLast_[kRun] = {};
  // The byte-row step of this processor, or none: the counter's kernel.
  walk::CountBytesFn countBytes_ = nullptr;

  // Bit rows in words: partial sums (three planes, or four with the over
  // flag of two-plane rows) of the first k positions, k = 0..6, and a copy
  // of the rows of the ten last digits (and three rows of zeros after them).
  size_t words_ = 0;
  unsigned planes_ = 1;
  size_t sumPlanes_ = 3;
  std::vector<walk::Word> bitPart_;
  std::vector<walk::Word> bitLast_;
  std::vector<walk::Word> rowCopy_;
  walk::CountLastFn countLast_ = walk::CountLastPlain;
  // Bit rows of one word a plane and nothing else: the keys four digits a
  // step in vector registers.
  walk::KeysOneWordFn keysOneWord_ = nullptr;

  // Packed keys: a level's field (1 << bits * (7 - k)), and each population
  // count's weight in the key.
  unsigned keyBits_ = 0;
  walk::KeySum field_[kLevels];
  walk::KeySum weight_[kLevels];
};

}  // namespace qv
