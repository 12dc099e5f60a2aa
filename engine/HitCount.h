// Hit counting: how many positions of a candidate number each media bet
// covers, and the tally of media bets per hit level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "BetList.h"

namespace qv {

constexpr int kLevels = 8;  // hit levels 0 to 7

// The hit count of one media bet against one candidate, computed literally:
// a bet holding "," is cut into groups, group j offering its characters for
// position j ("*" covers anything, a repeated character counts each time);
// any other bet offers character j for position j.  Positions beyond the end
// of the candidate are never looked at.  This is the reference that the
// prepared counter below must agree with; the product never calls it.
int32_t CountHits(std::string_view bet, std::string_view candidate);

// The counting kernels of the prepared counter.  Scalar runs everywhere;
// each vector kernel where the build has it and the processor (and the
// operating system's register saving) supports it.
// Each kernel counts byte rows and bit rows; avx512popcnt is avx512bw with
// bit rows counted by VPOPCNTQ.
enum class Kernel : uint8_t { Scalar, Sse2, Avx2, Avx512Bw, Avx512Popcnt };

struct KernelInfo {
  Kernel kernel;
  const char* name;  // "scalar", "sse2", "avx2", "avx512bw", "avx512popcnt"
  void (*rowTally)(const uint8_t* const* rows, size_t lanes, uint32_t* counts);
  bool (*available)();
  void (*bitTally)(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels, uint32_t* counts);
  // A table of one word per row, its rows picked from the candidate.
  void (*wordTally)(const uint64_t* table, const char* candidate, uint32_t planes, uint64_t live, uint32_t levels,
                    uint32_t* counts);
  // A byte table of 64 lanes or fewer, its rows picked from the candidate
  // (null for scalar, which has bit rows there).
  void (*smallTally)(const uint8_t* table, const size_t* rowOffset, const char* candidate, size_t lanes,
                     uint32_t padding, uint32_t levels, uint32_t* counts);
  // The same table judged in the kernel (null for scalar): the sum over the
  // levels asked for of code[level * stride + count].
  uint32_t (*smallCodes)(const uint8_t* table, const size_t* rowOffset, const char* candidate, size_t lanes,
                         uint32_t padding, uint32_t levels, const uint16_t* code, size_t stride);
  // A bit table holding every bet, judged in the kernel likewise.
  uint32_t (*bitCodes)(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate, size_t words,
                       uint32_t pairWords, uint32_t levels, uint32_t padding, const uint16_t* code, size_t stride);
};

// The dispatch table: every kernel of this build, most preferred first,
// scalar last.  A kernel that the processor lacks stays in the table and
// answers false to available().
std::span<const KernelInfo> KernelTable();

bool KernelAvailable(Kernel k);
// The first available kernel of the table; decided once and cached.
Kernel BestKernel();
// The kernel's name in the table, or "?" for one this build lacks.
const char* KernelName(Kernel k);

// Memory aligned for the widest vector loads.
template <class T>
struct AlignedAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlign{64};
  AlignedAllocator() = default;
  template <class U>
  AlignedAllocator(const AlignedAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlign)); }
  void deallocate(T* p, size_t) { ::operator delete(p, kAlign); }
  template <class U>
  bool operator==(const AlignedAllocator<U>&) const { return true; }
};

// The media bets prepared for counting.  Build once per preparation; Tally
// parses nothing and allocates nothing.
//
// Bets whose offers fit within the first kFastPositions positions, using at
// each position only characters that have a row of their own there, live in
// a table: for each position and each character class a row holding, per
// bet, how many hits that class earns at that position.  A candidate picks
// one row per position; adding the rows lane by lane gives every bet's hit
// count, and the kernels count the bets per level.
//
// A bet that earns at most 1 at every cell (every single bet; a compound bet
// whose groups repeat no character and hold "*" only alone) has one bit per
// row: the seven rows are added as bit planes.  (Not with a vector kernel
// when there are 64 such bets or fewer: byte rows take one or two vector
// steps then, and are faster.)  When enough bets earn 2 or 3 somewhere (a group like "33" or "*3"), the bit rows have two planes,
// low and high bit, and take those bets too.  Any other table bet has a
// byte per row (capped at 8, which already rules the bet out of every
// level).  Every other bet (longer bets, unusual characters) is counted
// exactly by the general path.  The three tallies add up.  When one table
// holds every bet in one step (64 bets or fewer), a zero-terminated
// candidate goes straight to the kernel, which picks the rows itself; a
// bit table then also keeps its words by position and character, so that
// no offset is looked up in between.
class HitCounter {
 public:
  static constexpr size_t kFastPositions = 7;
  // Characters per position with a row of their own (the most frequent ones);
  // one more row per position stands for every other character.
  static constexpr size_t kMaxClasses = 16;
  // Lanes per byte row are a multiple of this.
  static constexpr size_t kLaneStep = 32;
  // Bit k stands for level k.
  static constexpr uint32_t kAllLevels = 0xFF;

  HitCounter();

  // Prepares the bets.  An allocation that fails (std::bad_alloc) leaves
  // the counter as it was.
  void Build(const BetList& bets);
  void Build(const std::vector<std::string>& bets);
  void swap(HitCounter& other) noexcept;

  // tally[0..7] := number of bets with hit count 0..7 against the candidate;
  // a bet with more than 7 hits is tallied at no level.  The first form uses
  // the counter's kernel (BestKernel() unless UseKernel chose another); the
  // second the given one, or the first available one after it in the table
  // when the given one is not available.
  void Tally(std::string_view candidate, int32_t tally[kLevels]) const {
    TallyWith(fn_, bitFn_, candidate, tally, kAllLevels);  // inline: one call less per candidate
  }
  void Tally(std::string_view candidate, int32_t tally[kLevels], Kernel k,
             uint32_t levels = kAllLevels) const;
  // The same for a zero-terminated candidate (null reads as the empty
  // text), read only as far as a bet looks.
  void Tally(const char* candidate, int32_t tally[kLevels]) const { TallyLevels(candidate, tally, kAllLevels); }
  // Only the levels whose bits are set in `levels` are counted: the other
  // entries of tally hold no meaningful count afterwards.
  void TallyLevels(std::string_view candidate, int32_t tally[kLevels], uint32_t levels) const {
    TallyWith(fn_, bitFn_, candidate, tally, levels);
  }
  void TallyLevels(const char* candidate, int32_t tally[kLevels], uint32_t levels) const {
    if (candidate != nullptr) [[likely]] {
      if (smallBytes_ && smallFn_ != nullptr) [[likely]] {
        smallFn_(table_.data(), rowOffset_.data(), candidate, stride_, static_cast<uint32_t>(stride_ - tableBets_),
                 levels, reinterpret_cast<uint32_t*>(tally));
        return;
      }
      if (!wordRows_.empty()) {
        wordFn_(wordRows_.data(), candidate, bitPlanes_, wordLive_, levels, reinterpret_cast<uint32_t*>(tally));
        return;
      }
    }
    TallyRows(candidate, tally, levels);
  }

  // Whether SumCodes can judge: every bet in one byte table of one step
  // (64 bets or fewer) with a vector kernel, or every bet in bit rows of
  // more than one word.
  bool SumsCodes() const { return (smallBytes_ && smallCodesFn_ != nullptr) || bitAlone_; }
  // Only where SumsCodes(): for a zero-terminated candidate (not null), the
  // sum over the levels k asked for of code[k * stride + tally[k]], the
  // tally never formed.  The code rows must cover 0 .. BetCount().
  uint32_t SumCodes(const char* candidate, uint32_t levels, const uint16_t* code, size_t stride) const {
    if (smallBytes_) [[likely]]
      return smallCodesFn_(table_.data(), rowOffset_.data(), candidate, stride_,
                           static_cast<uint32_t>(stride_ - tableBets_), levels, code, stride);
    return SumBitCodes(candidate, levels, code, stride);
  }

  // Chooses the kernel of Tally(candidate, tally); an unavailable one falls
  // back as above.  Kept across Build.
  void UseKernel(Kernel k);
  Kernel CurrentKernel() const { return kernel_; }
  // Whether Build gives bets of cells 0 or 1 bit rows (the default) or
  // byte rows like the others, for comparing the two.  Kept across Build.
  void UseBitRows(bool on) { useBitRows_ = on; }

  size_t BetCount() const { return betCount_; }
  // No bet looks at a candidate position beyond this one.
  size_t MaxPositions() const { return maxPositions_; }
  // How the bets were split between the table and the general path, and
  // within the table, how many have bit rows.
  size_t TableBetCount() const { return tableBets_ + bitBets_; }
  size_t BitBetCount() const { return bitBets_; }
  // Planes of the bit rows: 1, or 2 when they hold cells of 2 or 3.
  size_t BitPlanes() const { return bitPlanes_; }
  size_t GeneralBetCount() const { return general_.size(); }
  // Bytes held by the prepared form (capacity of every buffer).
  size_t MemoryBytes() const;

 private:
  // The census walks the candidates in order over the prepared tables.
  friend class CensusWalk;

  using RowTallyFn = void (*)(const uint8_t* const*, size_t, uint32_t*);
  using BitTallyFn = void (*)(const uint64_t* const*, size_t, uint32_t, uint32_t, uint32_t*);
  using WordTallyFn = void (*)(const uint64_t*, const char*, uint32_t, uint64_t, uint32_t, uint32_t*);
  using SmallTallyFn = void (*)(const uint8_t*, const size_t*, const char*, size_t, uint32_t, uint32_t, uint32_t*);
  using SmallCodesFn = uint32_t (*)(const uint8_t*, const size_t*, const char*, size_t, uint32_t, uint32_t,
                                    const uint16_t*, size_t);
  using BitCodesFn = uint32_t (*)(const uint64_t*, const uint32_t*, const char*, size_t, uint32_t, uint32_t,
                                  uint32_t, const uint16_t*, size_t);

  struct GeneralBet {
    uint32_t first;   // single: offset into text_; compound: index into groups_
    uint32_t count;   // single: characters; compound: groups (trailing empty ones dropped)
    bool compound;
  };
  struct Group {
    uint32_t first;   // index into entries_
    uint16_t count;   // distinct characters other than "*"
    uint8_t star;     // number of "*", capped at 8
  };
  struct Entry {
    uint8_t ch;
    uint8_t hits;     // occurrences, capped at 8
  };

  template <class Bets>
  void BuildFrom(const Bets& bets);
  template <class Bets>
  void Fill(const Bets& bets);
  uint32_t GeneralHits(const GeneralBet& b, std::string_view candidate) const;
  void TallyWith(RowTallyFn fn, BitTallyFn bitFn, std::string_view candidate, int32_t tally[kLevels],
                 uint32_t levels) const;
  void TallyRows(const char* candidate, int32_t tally[kLevels], uint32_t levels) const;
  uint32_t SumBitCodes(const char* candidate, uint32_t levels, const uint16_t* code, size_t stride) const;
  void CountTables(RowTallyFn fn, BitTallyFn bitFn, const uint8_t* const* byteRows, const uint64_t* const* bitRows,
                   uint32_t* counts, uint32_t levels) const;

  size_t betCount_ = 0;
  size_t maxPositions_ = 0;

  // The bit table: rows of bitPlanes_ planes of bitWords_ words, laid out
  // like the byte table.
  size_t bitBets_ = 0;
  size_t bitWords_ = 0;
  uint32_t bitPlanes_ = 1;
  // With two planes, the words holding the bets of cells 2 or 3 (the first
  // lanes); the high planes are zero beyond them.  0 with one plane.
  uint32_t bitPairWords_ = 0;
  std::vector<uint64_t, AlignedAllocator<uint64_t>> bits_;
  std::vector<uint32_t> bitRowOffset_;  // [position * 256 + character] -> word offset of its row
  // Only when the bit table is all there is and holds one word per row:
  // [(position * 256 + character) * bitPlanes_ + plane] -> that plane's
  // word of its row (zeros for character 0, which ends a candidate there);
  // empty otherwise.  wordLive_: the lanes holding bets.
  std::vector<uint64_t> wordRows_;
  uint64_t wordLive_ = 0;

  // The byte table: rows of stride_ bytes, aligned for the widest loads;
  // row 0 is all zeros and stands for positions beyond the candidate's end
  // and for characters that no bet of the table offers there.
  size_t tableBets_ = 0;
  size_t stride_ = 0;
  std::vector<uint8_t, AlignedAllocator<uint8_t>> table_;
  std::vector<size_t> rowOffset_;  // [position * 256 + character] -> byte offset of its row
  // The byte table is all there is and takes one step of 64 lanes or fewer.
  bool smallBytes_ = false;
  // Every bet is in the bit table, of more than one word per row.
  bool bitAlone_ = false;

  // The general path.
  std::vector<GeneralBet> general_;
  std::vector<Group> groups_;
  std::vector<Entry> entries_;
  std::string text_;

  Kernel kernel_ = Kernel::Scalar;
  RowTallyFn fn_ = nullptr;
  BitTallyFn bitFn_ = nullptr;
  WordTallyFn wordFn_ = nullptr;
  SmallTallyFn smallFn_ = nullptr;
  SmallCodesFn smallCodesFn_ = nullptr;
  BitCodesFn bitCodesFn_ = nullptr;
  bool useBitRows_ = true;
};

}  // namespace qv
