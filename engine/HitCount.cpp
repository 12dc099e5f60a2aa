#include "HitCount.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "kernels/RowTally.h"

namespace qv {

int32_t CountHits(std::string_view bet, std::string_view candidate) {
  const size_t n = candidate.size();
  if (n == 0) return 0;
  int32_t hits = 0;
  if (bet.find(',') != std::string_view::npos) {
    size_t start = 0;
    for (size_t j = 0; j < n; ++j) {
      if (start > bet.size()) break;  // fewer groups than positions
      size_t comma = bet.find(',', start);
      size_t end = comma == std::string_view::npos ? bet.size() : comma;
      for (size_t i = start; i < end; ++i)
        if (bet[i] == '*' || bet[i] == candidate[j]) ++hits;
      start = end + 1;
    }
    return hits;
  }
  const size_t m = std::min(n, bet.size());
  for (size_t j = 0; j < m; ++j)
    if (bet[j] == candidate[j]) ++hits;
  return hits;
}

// ---------------------------------------------------------------------------
// Kernel choice

namespace {

bool Always() { return true; }

constexpr KernelInfo kKernels[] = {
#if defined(QV_X86_KERNELS)
#if defined(__x86_64__)
    {Kernel::Avx512Popcnt, "avx512popcnt", kernels::avx512bw::RowTally, kernels::CpuHasAvx512Popcnt,
     kernels::avx512popcnt::BitTally, kernels::avx512bw::WordTally, kernels::avx512bw::SmallTally,
     kernels::avx512bw::SmallCodes, kernels::avx512popcnt::BitCodes},
    {Kernel::Avx512Bw, "avx512bw", kernels::avx512bw::RowTally, kernels::CpuHasAvx512Bw, kernels::avx512bw::BitTally,
     kernels::avx512bw::WordTally, kernels::avx512bw::SmallTally,
     kernels::avx512bw::SmallCodes, kernels::avx512bw::BitCodes},
    {Kernel::Avx2, "avx2", kernels::avx2::RowTally, kernels::CpuHasAvx2, kernels::avx2::BitTally,
     kernels::avx2::WordTally, kernels::avx2::SmallTally,
     kernels::avx2::SmallCodes, kernels::avx2::BitCodes},
#else
    // 32-bit code has eight vector registers and no 64-bit mask moves: the
    // AVX-512 byte kernel loses to AVX2's there, the AVX-512 bit kernel with
    // VPOPCNTQ wins.  avx512popcnt pairs that one with AVX2's byte kernel
    // (AVX-512BW implies AVX2); avx512bw runs only when asked for.
    {Kernel::Avx512Popcnt, "avx512popcnt", kernels::avx2::RowTally, kernels::CpuHasAvx512Popcnt,
     kernels::avx512popcnt::BitTally, kernels::avx2::WordTally, kernels::avx2::SmallTally,
     kernels::avx2::SmallCodes, kernels::avx512popcnt::BitCodes},
    {Kernel::Avx2, "avx2", kernels::avx2::RowTally, kernels::CpuHasAvx2, kernels::avx2::BitTally,
     kernels::avx2::WordTally, kernels::avx2::SmallTally,
     kernels::avx2::SmallCodes, kernels::avx2::BitCodes},
    {Kernel::Avx512Bw, "avx512bw", kernels::avx512bw::RowTally, kernels::CpuHasAvx512Bw, kernels::avx512bw::BitTally,
     kernels::avx512bw::WordTally, kernels::avx512bw::SmallTally,
     kernels::avx512bw::SmallCodes, kernels::avx512bw::BitCodes},
#endif
    {Kernel::Sse2, "sse2", kernels::sse2::RowTally, kernels::CpuHasSse2, kernels::sse2::BitTally,
     kernels::sse2::WordTally, kernels::sse2::SmallTally,
     kernels::sse2::SmallCodes, kernels::sse2::BitCodes},
#endif
    {Kernel::Scalar, "scalar", kernels::scalar::RowTally, Always, kernels::scalar::BitTally,
     kernels::scalar::WordTally, nullptr, nullptr, kernels::scalar::BitCodes},
};

const KernelInfo* Find(Kernel k) {
  for (const KernelInfo& e : kKernels)
    if (e.kernel == k) return &e;
  return nullptr;
}

// The given kernel, or the first available one after it in the table (the
// best one when this build lacks it).
const KernelInfo& Usable(Kernel k) {
  const KernelInfo* e = Find(k);
  if (e == nullptr) e = kKernels;
  while (!e->available()) ++e;  // the last entry, scalar, always is
  return *e;
}

}  // namespace

std::span<const KernelInfo> KernelTable() { return kKernels; }

bool KernelAvailable(Kernel k) {
  const KernelInfo* e = Find(k);
  return e != nullptr && e->available();
}

Kernel BestKernel() {
  static const Kernel best = Usable(kKernels[0].kernel).kernel;
  return best;
}

const char* KernelName(Kernel k) {
  const KernelInfo* e = Find(k);
  return e ? e->name : "?";
}

namespace {

constexpr uint8_t kCap = 8;  // a position worth 8 hits already rules a bet out

uint8_t AddCapped(uint8_t a, size_t b) {
  return static_cast<uint8_t>(std::min<size_t>(kCap, a + std::min<size_t>(b, kCap)));
}

// One bet cut the way counting reads it.
struct BetShape {
  bool compound = false;
  // Positions that can add hits: a single bet's length; a compound bet's
  // groups up to its last non-empty one.
  size_t positions = 0;
};

BetShape ShapeOf(std::string_view bet) {
  BetShape s;
  s.compound = bet.find(',') != std::string_view::npos;
  if (!s.compound) {
    s.positions = bet.size();
    return s;
  }
  size_t group = 0, start = 0;
  for (;;) {
    const size_t comma = bet.find(',', start);
    const size_t end = comma == std::string_view::npos ? bet.size() : comma;
    ++group;
    if (end > start) s.positions = group;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return s;
}

// Calls f(position, group text) for each position of a compound bet below
// `limit`.
template <class F>
void ForEachGroup(std::string_view bet, size_t limit, F&& f) {
  size_t start = 0;
  for (size_t j = 0; j < limit; ++j) {
    const size_t comma = bet.find(',', start);
    const size_t end = comma == std::string_view::npos ? bet.size() : comma;
    f(j, bet.substr(start, end - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Preparation

HitCounter::HitCounter() { UseKernel(BestKernel()); }

void HitCounter::UseKernel(Kernel k) {
  const KernelInfo& e = Usable(k);
  kernel_ = e.kernel;
  fn_ = e.rowTally;
  bitFn_ = e.bitTally;
  wordFn_ = e.wordTally;
  smallFn_ = e.smallTally;
  smallCodesFn_ = e.smallCodes;
  bitCodesFn_ = e.bitCodes;
}

void HitCounter::swap(HitCounter& o) noexcept {
  std::swap(betCount_, o.betCount_);
  std::swap(maxPositions_, o.maxPositions_);
  std::swap(bitBets_, o.bitBets_);
  std::swap(bitWords_, o.bitWords_);
  std::swap(bitPlanes_, o.bitPlanes_);
  std::swap(bitPairWords_, o.bitPairWords_);
  bits_.swap(o.bits_);
  bitRowOffset_.swap(o.bitRowOffset_);
  wordRows_.swap(o.wordRows_);
  std::swap(wordLive_, o.wordLive_);
  std::swap(tableBets_, o.tableBets_);
  std::swap(stride_, o.stride_);
  table_.swap(o.table_);
  rowOffset_.swap(o.rowOffset_);
  general_.swap(o.general_);
  groups_.swap(o.groups_);
  entries_.swap(o.entries_);
  text_.swap(o.text_);
  std::swap(kernel_, o.kernel_);
  std::swap(fn_, o.fn_);
  std::swap(bitFn_, o.bitFn_);
  std::swap(wordFn_, o.wordFn_);
  std::swap(smallFn_, o.smallFn_);
  std::swap(smallCodesFn_, o.smallCodesFn_);
  std::swap(bitCodesFn_, o.bitCodesFn_);
  std::swap(smallBytes_, o.smallBytes_);
  std::swap(bitAlone_, o.bitAlone_);
  std::swap(useBitRows_, o.useBitRows_);
}

size_t HitCounter::MemoryBytes() const {
  return bits_.capacity() * sizeof(uint64_t) + bitRowOffset_.capacity() * sizeof(uint32_t) +
         wordRows_.capacity() * sizeof(uint64_t) +
         table_.capacity() + rowOffset_.capacity() * sizeof(size_t) +
         general_.capacity() * sizeof(GeneralBet) + groups_.capacity() * sizeof(Group) +
         entries_.capacity() * sizeof(Entry) + text_.capacity();
}

void HitCounter::Build(const BetList& bets) { BuildFrom(bets); }
void HitCounter::Build(const std::vector<std::string>& bets) { BuildFrom(bets); }

// Built into a fresh counter and swapped in: an allocation that fails
// leaves this one as it was.
template <class Bets>
void HitCounter::BuildFrom(const Bets& bets) {
  HitCounter built;
  built.UseKernel(kernel_);
  built.useBitRows_ = useBitRows_;
  built.Fill(bets);
  swap(built);
}

template <class Bets>
void HitCounter::Fill(const Bets& bets) {
  constexpr size_t P = kFastPositions;
  betCount_ = bets.size();
  for (const std::string_view b : bets) maxPositions_ = std::max(maxPositions_, ShapeOf(b).positions);

  // How often each character is offered at each position by bets short
  // enough for the table; the most frequent ones get rows of their own.
  std::vector<uint32_t> freq(P * 256, 0);
  for (const std::string_view b : bets) {
    const BetShape s = ShapeOf(b);
    if (s.positions > P) continue;
    if (!s.compound) {
      for (size_t j = 0; j < s.positions; ++j) ++freq[j * 256 + static_cast<uint8_t>(b[j])];
    } else {
      ForEachGroup(b, s.positions, [&](size_t j, std::string_view g) {
        for (char c : g)
          if (c != '*') ++freq[j * 256 + static_cast<uint8_t>(c)];
      });
    }
  }
  // classOf[j][c]: 0 for "every other character", else 1..kMaxClasses.
  std::vector<uint8_t> classOf(P * 256, 0);
  std::array<size_t, P> classes{};
  for (size_t j = 0; j < P; ++j) {
    std::array<uint16_t, 256> order;
    for (int c = 0; c < 256; ++c) order[c] = static_cast<uint16_t>(c);
    const uint32_t* f = &freq[j * 256];
    // Most frequent first, ties in character order.
    std::sort(order.begin(), order.end(),
              [f](uint16_t a, uint16_t b) { return f[a] != f[b] ? f[a] > f[b] : a < b; });
    for (size_t r = 0; r < kMaxClasses && f[order[r]] > 0; ++r) {
      classOf[j * 256 + order[r]] = static_cast<uint8_t>(r + 1);
      classes[j] = r + 1;
    }
  }

  // Which bets the table can hold: every character they offer at a position
  // has a row there ("*" of a compound bet lands in every row).  Of those,
  // the ones whose cells are at most 1 go to the bit table, and those with
  // cells of 2 or 3 too where they are more than a sixteenth of the table
  // (a second plane costs every bet of the table).  Only a position where
  // some bet of a table offers "*" needs a row there for the characters
  // without a class; elsewhere those read the shared zero row.
  enum : uint8_t { kGeneral, kByteRows, kBitRows, kPairRows };
  std::vector<uint8_t> part(bets.size(), kGeneral);
  std::vector<uint8_t> starMask(bets.size(), 0);  // bit j: the bet offers "*" at position j
  static_assert(P <= 8);
  size_t i = 0, pairs = 0, fitting = 0;
  std::array<uint8_t, 256> seen{};  // a group's occurrences per character, capped
  for (const std::string_view b : bets) {
    const BetShape s = ShapeOf(b);
    bool fits = s.positions <= P;
    size_t maxCell = 1;
    std::array<bool, P> stars{};
    if (fits && !s.compound) {
      for (size_t j = 0; j < s.positions && fits; ++j)
        fits = classOf[j * 256 + static_cast<uint8_t>(b[j])] != 0;
    } else if (fits) {
      ForEachGroup(b, s.positions, [&](size_t j, std::string_view g) {
        size_t star = 0, most = 0;
        for (char c : g) {
          const uint8_t u = static_cast<uint8_t>(c);
          if (c == '*') {
            ++star;
          } else {
            if (seen[u] < 8) ++seen[u];
            most = std::max<size_t>(most, seen[u]);
            if (classOf[j * 256 + u] == 0) fits = false;
          }
        }
        for (char c : g) seen[static_cast<uint8_t>(c)] = 0;
        stars[j] = star > 0;
        maxCell = std::max(maxCell, std::min<size_t>(star, 8) + most);
      });
    }
    if (fits) {
      part[i] = !useBitRows_ || maxCell > 3 ? kByteRows : maxCell > 1 ? kPairRows : kBitRows;
      for (size_t j = 0; j < P; ++j) starMask[i] |= static_cast<uint8_t>(stars[j] << j);
      pairs += part[i] == kPairRows;
      fitting += part[i] != kByteRows;
    }
    ++i;
  }
  // Up to 64 bets a vector kernel's byte rows take one or two steps and beat
  // bit rows; the scalar kernel is faster on bits at any size.
  if (fitting <= 64 && kernel_ != Kernel::Scalar)
    for (uint8_t& p : part)
      if (p != kGeneral) p = kByteRows;
  const bool twoPlanes = pairs * 16 > fitting;
  for (uint8_t& p : part)
    if (p == kPairRows && !twoPlanes) p = kByteRows;
  auto inBits = [&](size_t b) { return part[b] == kBitRows || part[b] == kPairRows; };
  std::array<bool, P> byteStarAt{}, bitStarAt{};
  for (i = 0; i < part.size(); ++i) {
    bitBets_ += inBits(i);
    tableBets_ += part[i] == kByteRows;
    if (part[i] == kGeneral) continue;
    std::array<bool, P>& starAt = inBits(i) ? bitStarAt : byteStarAt;
    for (size_t j = 0; j < P; ++j) starAt[j] = starAt[j] || (starMask[i] >> j & 1);
  }

  // Row 0: zeros.  Then per position: the "other" row where needed, and one
  // row per class.  rowOf[j][class] is the row a class reads.
  using RowMap = std::array<std::array<size_t, kMaxClasses + 1>, P>;
  auto layout = [&](const std::array<bool, P>& starAt, RowMap& rowOf) {
    size_t rows = 1;
    for (size_t j = 0; j < P; ++j) {
      if (starAt[j]) rowOf[j][0] = rows++;
      for (size_t r = 1; r <= classes[j]; ++r) rowOf[j][r] = rows++;
    }
    return rows;
  };
  // Calls f(row, count) for each row the bet adds to, with how much.
  auto forEachCell = [&](std::string_view b, const RowMap& rowOf, auto&& f) {
    const BetShape s = ShapeOf(b);
    if (!s.compound) {
      for (size_t j = 0; j < s.positions; ++j) f(rowOf[j][classOf[j * 256 + static_cast<uint8_t>(b[j])]], size_t{1});
      return;
    }
    ForEachGroup(b, s.positions, [&](size_t j, std::string_view g) {
      const size_t stars = static_cast<size_t>(std::count(g.begin(), g.end(), '*'));
      if (stars > 0)
        for (size_t r = 0; r <= classes[j]; ++r) f(rowOf[j][r], stars);
      for (char c : g)
        if (c != '*') f(rowOf[j][classOf[j * 256 + static_cast<uint8_t>(c)]], size_t{1});
    });
  };

  if (bitBets_ > 0) {
    bitWords_ = (bitBets_ + 63) / 64;
    bitPlanes_ = twoPlanes ? 2 : 1;
    const size_t rowWords = bitWords_ * bitPlanes_;
    RowMap rowOf{};
    bits_.assign(layout(bitStarAt, rowOf) * rowWords, 0);
    bitRowOffset_.resize(P * 256);
    for (size_t j = 0; j < P; ++j)
      for (size_t c = 0; c < 256; ++c)
        bitRowOffset_[j * 256 + c] = static_cast<uint32_t>(rowOf[j][classOf[j * 256 + c]] * rowWords);
    // The bets with cells of 2 or 3 take the first lanes: the high planes
    // are zero after their words, which the kernels then add as one plane.
    bitPairWords_ = twoPlanes ? static_cast<uint32_t>((pairs + 63) / 64) : 0;
    size_t lane = 0;
    for (size_t pass = 0; pass < 2; ++pass) {
      i = 0;
      for (const std::string_view b : bets) {
        if (part[i++] != (pass == 0 ? kPairRows : kBitRows)) continue;
        const uint64_t bit = uint64_t{1} << (lane % 64);
        uint64_t* word = bits_.data() + lane / 64;
        forEachCell(b, rowOf, [&](size_t row, size_t n) {
          uint64_t* lo = word + row * rowWords;
          if (bitPlanes_ == 1) {
            *lo |= bit;
            return;
          }
          uint64_t* hi = lo + bitWords_;
          const size_t v = std::min<size_t>(3, ((*lo & bit) ? 1 : 0) + ((*hi & bit) ? 2 : 0) + n);
          *lo = (*lo & ~bit) | ((v & 1) ? bit : 0);
          *hi = (*hi & ~bit) | ((v & 2) ? bit : 0);
        });
        ++lane;
      }
    }
  }

  if (tableBets_ > 0) {
    stride_ = (tableBets_ + kLaneStep - 1) / kLaneStep * kLaneStep;
    RowMap rowOf{};
    table_.assign(layout(byteStarAt, rowOf) * stride_, 0);
    rowOffset_.resize(P * 256);
    for (size_t j = 0; j < P; ++j)
      for (size_t c = 0; c < 256; ++c) rowOffset_[j * 256 + c] = rowOf[j][classOf[j * 256 + c]] * stride_;
    size_t lane = 0;
    i = 0;
    for (const std::string_view b : bets) {
      if (part[i++] != kByteRows) continue;
      uint8_t* cells = table_.data() + lane;
      forEachCell(b, rowOf, [&](size_t row, size_t n) {
        uint8_t& cell = cells[row * stride_];
        cell = AddCapped(cell, n);
      });
      ++lane;
    }
  }

  // The bit table alone, in one word per row: its rows by position and
  // character as well, for zero-terminated candidates.
  if (bitBets_ > 0 && bitWords_ == 1 && tableBets_ == 0 && bitBets_ == bets.size()) {
    wordRows_.resize(P * 256 * bitPlanes_);
    for (size_t at = 0; at < P * 256; ++at)
      for (size_t p = 0; p < bitPlanes_; ++p)  // a zero byte ends the candidate: its rows are zeros
        wordRows_[at * bitPlanes_ + p] = at % 256 == 0 ? 0 : bits_[bitRowOffset_[at] + p];
    wordLive_ = bitBets_ == 64 ? ~uint64_t{0} : (uint64_t{1} << bitBets_) - 1;
  }

  smallBytes_ = tableBets_ > 0 && tableBets_ == bets.size() && stride_ <= 64;
  bitAlone_ = bitBets_ > 0 && bitBets_ == bets.size() && wordRows_.empty();

  // The general path: exact counts for every other bet.
  general_.reserve(bets.size() - tableBets_ - bitBets_);
  std::array<uint32_t, 256> occurrences{};
  i = 0;
  for (const std::string_view b : bets) {
    if (part[i++] != kGeneral) continue;
    const BetShape s = ShapeOf(b);
    if (!s.compound) {
      general_.push_back({static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(s.positions), false});
      text_.append(b);
      continue;
    }
    general_.push_back({static_cast<uint32_t>(groups_.size()), static_cast<uint32_t>(s.positions), true});
    ForEachGroup(b, s.positions, [&](size_t, std::string_view g) {
      Group group{static_cast<uint32_t>(entries_.size()), 0, 0};
      size_t stars = 0;
      for (char c : g) {
        if (c == '*') ++stars;
        else ++occurrences[static_cast<uint8_t>(c)];
      }
      group.star = static_cast<uint8_t>(std::min<size_t>(stars, kCap));
      for (int c = 0; c < 256; ++c) {
        if (occurrences[c] == 0) continue;
        entries_.push_back({static_cast<uint8_t>(c),
                            static_cast<uint8_t>(std::min<uint32_t>(occurrences[c], kCap))});
        ++group.count;
        occurrences[c] = 0;
      }
      groups_.push_back(group);
    });
  }
}

// ---------------------------------------------------------------------------
// Counting

uint32_t HitCounter::GeneralHits(const GeneralBet& b, std::string_view candidate) const {
  const size_t positions = std::min<size_t>(candidate.size(), b.count);
  uint32_t hits = 0;
  if (!b.compound) {
    const char* t = text_.data() + b.first;
    for (size_t j = 0; j < positions; ++j) {
      hits += t[j] == candidate[j];
      if (hits >= kCap) break;
    }
    return hits;
  }
  for (size_t j = 0; j < positions; ++j) {
    const Group& g = groups_[b.first + j];
    hits += g.star;
    const uint8_t want = static_cast<uint8_t>(candidate[j]);
    const Entry* lo = entries_.data() + g.first;
    const Entry* hi = lo + g.count;
    while (lo < hi) {
      const Entry* mid = lo + (hi - lo) / 2;
      if (mid->ch < want) lo = mid + 1;
      else hi = mid;
    }
    if (lo != entries_.data() + g.first + g.count && lo->ch == want) hits += lo->hits;
    if (hits >= kCap) break;
  }
  return hits;
}

void HitCounter::CountTables(RowTallyFn fn, BitTallyFn bitFn, const uint8_t* const* byteRows,
                             const uint64_t* const* bitRows, uint32_t* counts, uint32_t levels) const {
  // The kernels write straight into the tally: the byte kernel sets it, the
  // bit kernel adds to it (a copy after them would stall on reading back
  // their stores).  The padding lanes of either table sum to 0.
  const uint32_t bitPadding = static_cast<uint32_t>(bitWords_ * 64 - bitBets_);
  if (tableBets_ > 0) {
    fn(byteRows, stride_, counts);
    counts[0] -= static_cast<uint32_t>(stride_ - tableBets_) + bitPadding;
  } else {
    counts[0] = 0u - bitPadding;
    for (int k = 1; k < kLevels; ++k) counts[k] = 0;
  }
  if (bitBets_ > 0) bitFn(bitRows, bitWords_, bitPairWords_, levels, counts);
}

void HitCounter::TallyWith(RowTallyFn fn, BitTallyFn bitFn, std::string_view candidate,
                           int32_t tally[kLevels], uint32_t levels) const {
  uint32_t* counts = reinterpret_cast<uint32_t*>(tally);
  const uint8_t* byteRows[kFastPositions];
  const uint64_t* bitRows[kFastPositions];
  const size_t n = std::min(candidate.size(), kFastPositions);
  for (size_t j = 0; j < n; ++j) {
    const size_t at = j * 256 + static_cast<uint8_t>(candidate[j]);
    if (tableBets_ > 0) byteRows[j] = table_.data() + rowOffset_[at];
    if (bitBets_ > 0) bitRows[j] = bits_.data() + bitRowOffset_[at];
  }
  for (size_t j = n; j < kFastPositions; ++j) {  // the zero rows
    byteRows[j] = table_.data();
    bitRows[j] = bits_.data();
  }
  CountTables(fn, bitFn, byteRows, bitRows, counts, levels);
  for (const GeneralBet& b : general_) {
    const uint32_t h = GeneralHits(b, candidate);
    if (h < static_cast<uint32_t>(kLevels)) ++counts[h];
  }
}

uint32_t HitCounter::SumBitCodes(const char* candidate, uint32_t levels, const uint16_t* code,
                                 size_t stride) const {
  return bitCodesFn_(bits_.data(), bitRowOffset_.data(), candidate, bitWords_, bitPairWords_, levels,
                     static_cast<uint32_t>(bitWords_ * 64 - bitBets_), code, stride);
}

void HitCounter::TallyRows(const char* candidate, int32_t tally[kLevels], uint32_t levels) const {
  if (!general_.empty() || candidate == nullptr) {
    // Bets beyond the tables look at the whole candidate.
    size_t n = 0;
    if (candidate != nullptr) {
      const void* end = std::memchr(candidate, 0, maxPositions_);
      n = end ? static_cast<size_t>(static_cast<const char*>(end) - candidate) : maxPositions_;
    }
    TallyWith(fn_, bitFn_, std::string_view(candidate ? candidate : "", n), tally, levels);
    return;
  }
  // Only the tables: pick the rows while looking for the end of the text.
  const uint8_t* byteRows[kFastPositions];
  const uint64_t* bitRows[kFastPositions];
  size_t j = 0;
  if (bitBets_ == 0 && tableBets_ > 0) {  // small tables: byte rows only
    const uint8_t* base = table_.data();
    for (; j < kFastPositions && candidate[j] != 0; ++j)
      byteRows[j] = base + rowOffset_[j * 256 + static_cast<uint8_t>(candidate[j])];
    for (; j < kFastPositions; ++j) byteRows[j] = base;
    uint32_t* counts = reinterpret_cast<uint32_t*>(tally);
    fn_(byteRows, stride_, counts);
    counts[0] -= static_cast<uint32_t>(stride_ - tableBets_);
    return;
  }
  for (; j < kFastPositions && candidate[j] != 0; ++j) {
    const size_t at = j * 256 + static_cast<uint8_t>(candidate[j]);
    if (tableBets_ > 0) byteRows[j] = table_.data() + rowOffset_[at];
    if (bitBets_ > 0) bitRows[j] = bits_.data() + bitRowOffset_[at];
  }
  for (; j < kFastPositions; ++j) {
    byteRows[j] = table_.data();
    bitRows[j] = bits_.data();
  }
  CountTables(fn_, bitFn_, byteRows, bitRows, reinterpret_cast<uint32_t*>(tally), levels);
}

void HitCounter::Tally(std::string_view candidate, int32_t tally[kLevels], Kernel k, uint32_t levels) const {
  const KernelInfo& e = Usable(k);
  TallyWith(e.rowTally, e.bitTally, candidate, tally, levels);
}

}  // namespace qv
