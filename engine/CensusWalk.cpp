#include "CensusWalk.h"

#include <cstring>

#if defined(QV_X86_KERNELS)
#include "kernels/RowTally.h"
#endif

namespace qv {

namespace walk {

void CountLastPlain(const Word* part, const Word* last, size_t words, unsigned planes, unsigned d0, unsigned d1,
                    uint32_t (*counts)[8]) {
  if (planes == 1) CountLastWords<Word, 1>(part, last, words, d0, d1, counts);
  else CountLastWords<Word, 2>(part, last, words, d0, d1, counts);
}

namespace {

// A row of the bit table as words (its storage is 64-bit words).
void CopyRow(Word* dst, const uint64_t* row, size_t words, unsigned planes) {
  std::memcpy(dst, row, words * planes * sizeof(Word));
}

}  // namespace
}  // namespace walk

CensusWalk::CensusWalk(const HitCounter& c) : c_(c) {
  std::fill(std::begin(digit_), std::end(digit_), uint8_t{10});
  constexpr size_t P = HitCounter::kFastPositions;
  static_assert(P == 7, "six positions of a run, and the last digit");
  if (c.tableBets_ > 0) {
    bytePart_.assign(P * c.stride_, 0);
    for (unsigned d = 0; d < kRun; ++d) byteLast_[d] = c.table_.data() + c.rowOffset_[6 * 256 + '0' + d];
#if defined(QV_X86_KERNELS)
    // The sums' bits to masks and their population counts, as for bit rows;
    // the vector kernels only (the others count through the counter's).
    // The AVX-512 step is built with VPOPCNTDQ, so it runs under that
    // kernel only.
    switch (c.kernel_) {
      case Kernel::Avx512Popcnt:
#if defined(__x86_64__)
        countBytes_ = c.stride_ % 64 == 0 ? walk::CountBytesAvx512 : walk::CountBytesAvx2;
#else
        countBytes_ = walk::CountBytesAvx2;
#endif
        break;
      case Kernel::Avx512Bw:
      case Kernel::Avx2:
        countBytes_ = walk::CountBytesAvx2;
        break;
      default:
        break;
    }
#endif
  }
  if (c.bitBets_ > 0) {
    words_ = c.bitWords_ * sizeof(uint64_t) / sizeof(walk::Word);
    planes_ = c.bitPlanes_;
    sumPlanes_ = planes_ == 1 ? 3 : 4;
    bitPart_.assign(P * sumPlanes_ * words_, 0);
    bitLast_.assign((kRun + 3) * planes_ * words_, 0);
    rowCopy_.resize(planes_ * words_);
    for (unsigned d = 0; d < kRun; ++d)
      walk::CopyRow(bitLast_.data() + d * planes_ * words_, c.bits_.data() + c.bitRowOffset_[6 * 256 + '0' + d],
                    words_, planes_);
#if defined(QV_X86_KERNELS)
    // The counter's kernel (available on this processor) names the
    // instruction set; one word a row is counted in general registers.
    const bool avx2 = kernels::CpuHasAvx2();  // AVX2 and POPCNT
    switch (c.kernel_) {
      case Kernel::Avx512Popcnt:
        countLast_ = words_ * sizeof(walk::Word) >= 64 ? walk::CountLastAvx512Popcnt : walk::CountLastPopcnt;
        break;
      case Kernel::Avx512Bw:
      case Kernel::Avx2:
        countLast_ = words_ * sizeof(walk::Word) >= 32 ? walk::CountLastAvx2 : walk::CountLastPopcnt;
        break;
      case Kernel::Sse2:
        if (avx2) countLast_ = walk::CountLastPopcnt;
        break;
      case Kernel::Scalar:
        break;
    }
    if (c.kernel_ != Kernel::Scalar && c.kernel_ != Kernel::Sse2 && c.bitWords_ == 1 && c.tableBets_ == 0 &&
        c.general_.empty())
      keysOneWord_ = walk::KeysOneWordAvx2;
#endif
  }
}

void CensusWalk::Seek(uint32_t prefix) {
  uint8_t digit[6];
  int from = 0;
  if (prefix == prefix_ + 1) {  // the next run: the trailing nines roll over
    std::copy(std::begin(digit_), std::end(digit_), digit);
    from = 5;
    while (digit[from] == 9) digit[from--] = 0;
    ++digit[from];
  } else {
    uint32_t rest = prefix;
    for (int k = 5; k >= 0; --k) {
      digit[k] = static_cast<uint8_t>(rest % 10);
      rest /= 10;
    }
    while (from < 6 && digit[from] == digit_[from]) ++from;
  }
  prefix_ = prefix;
  for (int k = from; k < 6; ++k) {
    digit_[k] = digit[k];
    text_[k] = static_cast<char>('0' + digit[k]);
    const size_t at = static_cast<size_t>(k) * 256 + static_cast<uint8_t>(text_[k]);
    if (c_.tableBets_ > 0) {
      const size_t stride = c_.stride_;
      const uint8_t* src = bytePart_.data() + k * stride;
      const uint8_t* row = c_.table_.data() + c_.rowOffset_[at];
      uint8_t* dst = bytePart_.data() + (k + 1) * stride;
      // A word of lanes at a time: the sums stay below 64, no carry crosses
      // into the next lane.
      for (size_t i = 0; i < stride; i += sizeof(walk::Word)) {
        walk::Word a, b;
        std::memcpy(&a, src + i, sizeof a);
        std::memcpy(&b, row + i, sizeof b);
        a += b;
        std::memcpy(dst + i, &a, sizeof a);
      }
    }
    if (c_.bitBets_ > 0) {
      const size_t n = sumPlanes_ * words_;
      // The table's rows are 64-bit words: copied to words of the step.
      walk::CopyRow(rowCopy_.data(), c_.bits_.data() + c_.bitRowOffset_[at], words_, planes_);
      const walk::Word* src = bitPart_.data() + k * n;
      walk::Word* dst = bitPart_.data() + (k + 1) * n;
      const walk::Word* r = rowCopy_.data();
      if (planes_ == 1) walk::AddRowBody<walk::Word, 1>(dst, src, r, words_);
      else walk::AddRowBody<walk::Word, 2>(dst, src, r, words_);
    }
  }
}

void CensusWalk::SetKeyBits(unsigned bits) {
  if (bits == keyBits_) return;
  keyBits_ = bits;
  for (int k = 0; k < kLevels; ++k) field_[k] = walk::KeySum::Field(bits, k);
  // A count's weight: the key of the levels that one of it alone makes
  // (with no lanes), each level's lanes taken as a signed 32-bit number.
  for (int j = 0; j < kLevels; ++j) {
    uint32_t one[kLevels] = {}, levels[kLevels];
    one[j] = 1;
    walk::SetLevels(one, 0, levels);
    weight_[j] = walk::KeySum();
    for (int k = 0; k < kLevels; ++k) weight_[j].AddSigned(static_cast<int32_t>(levels[k]), field_[k]);
  }
}

template <bool kKeys>
void CensusWalk::Count(uint32_t prefix, unsigned d0, unsigned d1, int32_t (*tallies)[kLevels], uint64_t* keys) {
  Seek(prefix);
  if constexpr (kKeys) {
    if (keysOneWord_) {
      keysOneWord_(bitPart_.data() + 6 * sumPlanes_ * words_, bitLast_.data(), planes_,
                   static_cast<uint32_t>(c_.bitBets_), keyBits_, d0, d1, keys);
      return;
    }
  }
  uint32_t (*t)[kLevels] = reinterpret_cast<uint32_t (*)[kLevels]>(tallies);
  walk::KeySum sums[kRun];
  // Tallies: the first part counted sets them, the others add to them (a
  // part's kernel reads nothing back that it did not store itself).
  bool set = false;
  auto add = [&](unsigned d, const uint32_t* levels) {
    if constexpr (kKeys) {
      for (int k = 0; k < kLevels; ++k) sums[d].Add(levels[k], field_[k]);
    } else {
      for (int k = 0; k < kLevels; ++k) t[d][k] = set ? t[d][k] + levels[k] : levels[k];
    }
  };
  // The population counts of a step, for `lanes` bets.
  uint32_t counts[kRun][kLevels];
  auto addCounts = [&](uint32_t lanes) {
    for (unsigned d = d0; d < d1; ++d) {
      if constexpr (kKeys) {
        walk::KeySum& sum = sums[d];
        sum.Add(lanes, field_[0]);
        for (int j = 0; j < kLevels; ++j) sum.Add(counts[d][j], weight_[j]);
      } else {
        uint32_t levels[kLevels];
        walk::SetLevels(counts[d], lanes, levels);
        add(d, levels);
      }
    }
    set = true;
  };
  if (c_.bitBets_ > 0) {
    countLast_(bitPart_.data() + 6 * sumPlanes_ * words_, bitLast_.data(), words_, planes_, d0, d1, counts);
    addCounts(static_cast<uint32_t>(c_.bitBets_));
  }
  if (c_.tableBets_ > 0) {
    const uint8_t* part = bytePart_.data() + 6 * c_.stride_;
    const uint32_t lanes = static_cast<uint32_t>(c_.tableBets_);
    if (countBytes_) {
      countBytes_(part, byteLast_, c_.stride_, d0, d1, counts);
      addCounts(lanes);
    } else {
      const uint8_t* zero = c_.table_.data();
      const uint8_t* rows[HitCounter::kFastPositions] = {part, nullptr, zero, zero, zero, zero, zero};
      for (unsigned d = d0; d < d1; ++d) {
        rows[1] = byteLast_[d];
        uint32_t levels[kLevels];
        c_.fn_(rows, c_.stride_, levels);
        levels[0] -= static_cast<uint32_t>(c_.stride_) - lanes;
        add(d, levels);
      }
      set = true;
    }
  }
  if constexpr (!kKeys) {
    if (!set)
      for (unsigned d = d0; d < d1; ++d)
        for (int k = 0; k < kLevels; ++k) t[d][k] = 0;
  }
  if (!c_.general_.empty()) {
    const std::string_view candidate(text_, 7);
    for (unsigned d = d0; d < d1; ++d) {
      text_[6] = static_cast<char>('0' + d);
      for (const HitCounter::GeneralBet& b : c_.general_) {
        const uint32_t h = c_.GeneralHits(b, candidate);
        if (h < static_cast<uint32_t>(kLevels)) {
          if constexpr (kKeys) sums[d] += field_[h];
          else ++t[d][h];
        }
      }
    }
  }
  if constexpr (kKeys)
    for (unsigned d = d0; d < d1; ++d) keys[d] = sums[d].Value() + 1;
}

template void CensusWalk::Count<false>(uint32_t, unsigned, unsigned, int32_t (*)[kLevels], uint64_t*);
template void CensusWalk::Count<true>(uint32_t, unsigned, unsigned, int32_t (*)[kLevels], uint64_t*);

}  // namespace qv
