#include "Census.h"

#include "CensusWalk.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace qv {

const char* CensusStatusText(CensusStatus s) {
  switch (s) {
    case CensusStatus::Done: return "done";
    case CensusStatus::Cancelled: return "cancelled";
    case CensusStatus::OutOfMemory: return "out of memory";
    case CensusStatus::Failed: return "failed";
  }
  return "?";
}

namespace {

// A vector packed for the tables: level k in field 7 - k of kBits bits
// (the high four fields in one 32-bit half, the low four in the other), so
// that keys order like the vectors.  A slot holds the key plus one (so that
// 0 is the empty slot; a key is never all ones, its fields adding up to at
// most the bet count) shifted above a count of 64 - 8 kBits bits: eight
// bytes a slot, so that the example's table fits the level-2 cache.  A
// count that would wrap is moved to a map beside the table (a vector's
// count wraps at most once in 256 of its candidates).
constexpr unsigned CountBits(unsigned keyBits) { return 64 - 8 * keyBits; }

template <unsigned kBits>
inline uint64_t Pack(uint32_t hi, uint32_t lo) {
  return (uint64_t{hi} << (4 * kBits) | lo) + 1;
}

// In 32-bit arithmetic, which 32-bit code does in one multiply per half.
inline size_t Slot(uint64_t key, unsigned shift) {
  const uint32_t lo = static_cast<uint32_t>(key), hi = static_cast<uint32_t>(key >> 32);
  return static_cast<size_t>(((lo ^ (hi * 0x9E3779B1u)) * 0x85EBCA6Bu) >> shift);
}

// Open addressing with linear probing, at most three quarters full.  Each
// worker has its own, on cache lines of its own (the other workers' adds
// would otherwise keep taking the line of its size and its slots' address).
class alignas(64) VectorTable {
 public:
  // A key and its count: from ForEach the packed key plus one, as Pack
  // gives it; in the merge a byte per level.
  struct Entry {
    uint64_t key;
    uint32_t count;
  };

  explicit VectorTable(unsigned countBits)
      : countBits_(countBits), countMask_((uint64_t{1} << countBits) - 1) {
    Resize(10);
  }

  // The slot a key (as Pack gives it) starts from.
  size_t Home(uint64_t key) const { return Slot(key, shift_); }

  // Adds one of key, whose slot Home gave (while the table kept its size).
  void Add(uint64_t key, size_t home) {
    const uint64_t tag = key << countBits_;
    size_t i = home;
    for (;;) {
      uint64_t& e = slots_[i];
      if ((e & ~countMask_) == tag) [[likely]] {
        if ((e & countMask_) == countMask_) [[unlikely]] {
          wrapped_[key] += static_cast<uint32_t>(countMask_ + 1);
          e = tag;
        } else {
          ++e;
        }
        return;
      }
      if (e == 0) {
        e = tag | 1;
        ++used_;
        return;
      }
      i = (i + 1) & mask_;
    }
  }

  // Asks for a slot that Add will see soon.  A table of many vectors
  // outgrows the level-1 cache, and consecutive numbers' vectors lie
  // anywhere in it, so each Add would wait for memory without this.
  void Prefetch(size_t home) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[home], 1);
#else
    (void)home;
#endif
  }
  bool Full() const { return used_ > grow_; }
  // Grows, while Add may not: the slots given by Home stay valid until then.
  void Settle() {
    if (used_ > grow_) Resize(bits_ + 1);
  }

  // fn(Entry) for every key, a key more than once where its count wrapped.
  template <class Fn>
  void ForEach(Fn&& fn) const {
    for (const uint64_t e : slots_)
      if (e != 0) fn(Entry{e >> countBits_, static_cast<uint32_t>(e & countMask_)});
    for (const auto& [key, count] : wrapped_) fn(Entry{key, count});
  }
  size_t Entries() const { return used_ + wrapped_.size(); }

 private:
  void Resize(unsigned bits) {
    std::vector<uint64_t> old(size_t{1} << bits, 0);  // may throw: the table stays as it was
    old.swap(slots_);
    bits_ = bits;
    shift_ = 32 - bits;
    mask_ = slots_.size() - 1;
    // At most three quarters full once settled; a run of adds between two
    // settles takes at most a sixteenth more.
    grow_ = slots_.size() / 4 * 3;
    for (const uint64_t e : old) {
      if (e == 0) continue;
      size_t i = Slot(e >> countBits_, shift_);
      while (slots_[i] != 0) i = (i + 1) & mask_;
      slots_[i] = e;
    }
  }

  std::vector<uint64_t> slots_;
  std::unordered_map<uint64_t, uint32_t> wrapped_;  // the counts that wrapped, by key
  unsigned countBits_;
  uint64_t countMask_;
  size_t used_ = 0;
  size_t mask_ = 0;
  size_t grow_ = 0;
  unsigned bits_ = 0;
  unsigned shift_ = 32;
};

// The census's shared state while it runs.
struct Run {
  Run(const HitCounter& c, const CensusOptions& o, const std::vector<uint8_t>& s, uint32_t n,
      std::atomic<uint32_t>* d)
      : counter(c), options(o), shareOf(s), slices(n), controlDone(d) {}
  const HitCounter& counter;
  const CensusOptions& options;
  const std::vector<uint8_t>& shareOf;  // shareOf[t] = ShareOf(t, N)
  uint32_t slices;
  std::atomic<uint32_t>* controlDone;  // the control's progress, if any
  std::atomic<uint32_t> next{0};
  std::atomic<uint32_t> done{0};
  std::atomic<bool> stop{false};
  std::atomic<int> status{static_cast<int>(CensusStatus::Done)};
  std::mutex progressMutex;

  void Fail(CensusStatus s) {
    int expected = static_cast<int>(CensusStatus::Done);
    status.compare_exchange_strong(expected, static_cast<int>(s));
    stop.store(true, std::memory_order_relaxed);
  }
};

// With at most 100 bets, t -> ShareOf(t, N) is one to one, so the tallies
// themselves are packed (Direct, by the walk) and turned into shares at the
// merge; with more, the shares are packed.  A tally never exceeds N.
template <bool Direct, unsigned kBits>
void CountSlice(const Run& run, CensusWalk& walk, uint32_t first, uint32_t last, VectorTable& table) {
  const uint8_t* shareOf = run.shareOf.data();
  // A run's keys are added while the next run's slots are asked for: each
  // key's slot is asked for a run (ten numbers) before its add.
  struct Pending {
    uint64_t key;
    size_t home;
  } pending[2][CensusWalk::kRun];
  unsigned queued[2] = {0, 0}, cur = 0;
  auto flush = [&](unsigned which) {
    for (unsigned i = 0; i < queued[which]; ++i) table.Add(pending[which][i].key, pending[which][i].home);
    queued[which] = 0;
  };
  auto drain = [&] {
    flush(cur ^ 1);
    flush(cur);
    table.Settle();
  };
  auto add = [&](uint64_t key) {
    Pending& p = pending[cur][queued[cur]++];
    p = {key, table.Home(key)};
    table.Prefetch(p.home);
  };
  // After a run: the run before it is added.
  auto next = [&] {
    cur ^= 1;
    flush(cur);
  };
  auto pack = [&](uint32_t, unsigned n, const int32_t (*tallies)[kLevels]) {
    for (unsigned i = 0; i < n; ++i) {
      const int32_t* tally = tallies[i];
      // Packed in two halves, which 32-bit code holds in one register each.
      uint32_t hi = 0, lo = 0;
      for (int k = 0; k < 4; ++k) {
        hi = hi << kBits | (Direct ? static_cast<uint32_t>(tally[k]) : shareOf[tally[k]]);
        lo = lo << kBits | (Direct ? static_cast<uint32_t>(tally[k + 4]) : shareOf[tally[k + 4]]);
      }
      add(Pack<kBits>(hi, lo));
    }
    next();
    // Up to twenty adds since the last look: the table grows between runs,
    // where no slot is pending.
    if (table.Full()) drain();
  };
  if (Direct && walk.KeysPay()) {
    walk.WalkKeys(first, last, kBits, [&](uint32_t, unsigned n, const uint64_t* keys) {
      for (unsigned i = 0; i < n; ++i) add(keys[i]);
      next();
      if (table.Full()) drain();
    });
  } else {
    walk.Walk(first, last, pack);
  }
  drain();
}

// The largest bet count whose tallies are packed as they are, and the
// largest whose tallies fit six bits (the others, and shares, take seven).
constexpr size_t kDirectBets = 100;
constexpr size_t kSixBitBets = 63;

// Bits per level of a census's keys.
unsigned KeyBits(size_t bets) { return bets <= kSixBitBets ? 6 : 7; }

// A table's entries with keys of a byte per level (with at most 100 bets
// the tallies made shares, one to one), sorted by key; a key may come twice
// (its slot and its wrapped count).
std::vector<VectorTable::Entry> SortedEntries(const VectorTable& table, const std::vector<uint8_t>& shareOf,
                                              unsigned keyBits) {
  std::vector<VectorTable::Entry> all;
  all.reserve(table.Entries());
  const bool direct = shareOf.size() <= kDirectBets + 1;
  const uint64_t field = (uint64_t{1} << keyBits) - 1;
  table.ForEach([&](VectorTable::Entry e) {
    const uint64_t packed = e.key - 1;
    uint64_t key = 0;
    for (int k = 0; k < kLevels; ++k) {
      const uint64_t v = packed >> (keyBits * (7 - k)) & field;
      key |= uint64_t{direct ? shareOf[v] : static_cast<uint8_t>(v)} << (8 * (7 - k));
    }
    all.push_back({key, e.count});
  });
  std::sort(all.begin(), all.end(),
            [](const VectorTable::Entry& a, const VectorTable::Entry& b) { return a.key < b.key; });
  return all;
}

// Counts slices until none is left, then sorts its table's entries into
// `sorted` (on the worker, so that the workers sort at once).
void Work(Run& run, VectorTable& table, std::vector<VectorTable::Entry>& sorted) {
  CensusControl* control = run.options.control;
  const uint32_t first = run.options.first;
  const uint32_t last = std::min(run.options.last, kCensusNumbers);
  const uint32_t size = run.options.sliceSize;
  try {
    CensusWalk walk(run.counter);
    for (;;) {
      if (run.stop.load(std::memory_order_relaxed)) break;
      if (control && control->Cancelled()) {
        run.Fail(CensusStatus::Cancelled);
        break;
      }
      const uint32_t s = run.next.fetch_add(1, std::memory_order_relaxed);
      if (s >= run.slices) break;
      const uint32_t begin = first + s * size;
      const uint32_t end = begin + std::min(size, last - begin);
      const size_t bets = run.shareOf.size() - 1;
      if (bets <= kSixBitBets) CountSlice<true, 6>(run, walk, begin, end, table);
      else if (bets <= kDirectBets) CountSlice<true, 7>(run, walk, begin, end, table);
      else CountSlice<false, 7>(run, walk, begin, end, table);
      const uint32_t done = run.done.fetch_add(1, std::memory_order_relaxed) + 1;
      if (run.controlDone) run.controlDone->fetch_add(1, std::memory_order_relaxed);
      if (run.options.onSlice) {
        std::lock_guard<std::mutex> lock(run.progressMutex);
        run.options.onSlice(done, run.slices);
      }
    }
    if (!run.stop.load(std::memory_order_relaxed)) {
      sorted = SortedEntries(table, run.shareOf, KeyBits(run.shareOf.size() - 1));
      table = VectorTable(1);  // its memory back before the merge
    }
  } catch (const std::bad_alloc&) {
    run.Fail(CensusStatus::OutOfMemory);
  } catch (const std::length_error&) {
    run.Fail(CensusStatus::OutOfMemory);
  } catch (...) {
    run.Fail(CensusStatus::Failed);
  }
}

// Decrements the control's count of running workers however a worker ends.
struct RunningGuard {
  std::atomic<uint32_t>* running;
  ~RunningGuard() {
    if (running) running->fetch_sub(1, std::memory_order_relaxed);
  }
};

}  // namespace

CensusStatus Census::Build(const HitCounter& counter, const CensusOptions& options) {
  const uint32_t first = std::min(options.first, kCensusNumbers);
  const uint32_t last = std::max(first, std::min(options.last, kCensusNumbers));
  const uint32_t size = std::max<uint32_t>(options.sliceSize, 1);
  CensusOptions clipped = options;
  clipped.first = first;
  clipped.last = last;
  clipped.sliceSize = size;
  const uint32_t slices = (last - first) / size + ((last - first) % size != 0);
  unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  jobs = std::max(1u, std::min(jobs, std::max<uint32_t>(slices, 1)));

  CensusControl* control = options.control;
  if (control) {
    control->done_.store(0, std::memory_order_relaxed);
    control->total_.store(slices, std::memory_order_relaxed);
  }
  try {
    const size_t bets = counter.BetCount();
    std::vector<uint8_t> shareOf(bets + 1);
    for (size_t t = 0; t <= bets; ++t) shareOf[t] = static_cast<uint8_t>(ShareOf(t, bets));

    Run run(counter, clipped, shareOf, slices, control ? &control->done_ : nullptr);
    const unsigned keyBits = KeyBits(bets);
    std::vector<VectorTable> tables(jobs, VectorTable(CountBits(keyBits)));
    std::vector<std::vector<VectorTable::Entry>> sorted(jobs);
    {
      std::vector<std::thread> threads;
      threads.reserve(jobs - 1);
      // Joins every worker started, also when the calling thread's own
      // work or a thread's start throws.
      struct Joiner {
        std::vector<std::thread>& threads;
        ~Joiner() {
          for (std::thread& t : threads)
            if (t.joinable()) t.join();
        }
      } joiner{threads};
      auto worker = [&run, &tables, &sorted, control](size_t i) {
        RunningGuard guard{control ? &control->running_ : nullptr};
        Work(run, tables[i], sorted[i]);
      };
      for (unsigned i = 1; i < jobs; ++i) {
        if (control) control->running_.fetch_add(1, std::memory_order_relaxed);
        try {
          threads.emplace_back(worker, i);
        } catch (const std::system_error&) {  // no more threads: the others share the slices
          if (control) control->running_.fetch_sub(1, std::memory_order_relaxed);
          break;
        }
      }
      if (control) control->running_.fetch_add(1, std::memory_order_relaxed);
      worker(0);
    }
    const CensusStatus status = static_cast<CensusStatus>(run.status.load());
    if (status != CensusStatus::Done) return status;

    // Merge: the workers' sorted entries merged in turn, equal keys added
    // up below.
    tables.clear();
    std::vector<VectorTable::Entry> all = std::move(sorted[0]);
    for (unsigned i = 1; i < jobs; ++i) {
      std::vector<VectorTable::Entry> both(all.size() + sorted[i].size());
      std::merge(all.begin(), all.end(), sorted[i].begin(), sorted[i].end(), both.begin(),
                 [](const VectorTable::Entry& a, const VectorTable::Entry& b) { return a.key < b.key; });
      all.swap(both);
      std::vector<VectorTable::Entry>().swap(sorted[i]);
    }
    std::vector<ShareVector> vectors;
    size_t distinct = 0;
    for (size_t i = 0; i < all.size(); ++i) distinct += i == 0 || all[i].key != all[i - 1].key;
    vectors.reserve(distinct);
    for (size_t i = 0; i < all.size(); ++i) {
      if (i > 0 && all[i].key == all[i - 1].key) {
        vectors.back().count += all[i].count;
        continue;
      }
      ShareVector v;
      for (int k = 0; k < kLevels; ++k) v.shares[k] = static_cast<uint8_t>(all[i].key >> (8 * (7 - k)) & 0x7F);
      v.count = all[i].count;
      vectors.push_back(v);
    }
    vectors_.swap(vectors);
    candidates_ = last - first;
    bets_ = bets;
    return CensusStatus::Done;
  } catch (const std::bad_alloc&) {
    return CensusStatus::OutOfMemory;
  } catch (const std::length_error&) {
    return CensusStatus::OutOfMemory;
  } catch (...) {
    return CensusStatus::Failed;
  }
}

CensusStatus Census::Build(const FilterState& prepared, const CensusOptions& options) {
  const HitCounter& counter = prepared.Counter();
  if (counter.TableBetCount() == counter.BitBetCount() || counter.TableBetCount() > 64)
    return Build(counter, options);
  // The scalar kernel's layout: bit rows at every size.
  HitCounter bits;
  try {
    bits.UseKernel(Kernel::Scalar);
    bits.Build(prepared.MediaBets);
    bits.UseKernel(counter.CurrentKernel());
  } catch (const std::bad_alloc&) {
    return CensusStatus::OutOfMemory;
  }
  return Build(bits, options);
}

namespace {

// Evaluate, tabulated over the shares a vector can hold, as ZcExecute
// tabulates it over the tallies: code[k * kShareBins + s] is what
// ConditionMisses makes of share s for condition k, the misses in the low
// 16 bits and those beyond tolerance in the high ones, so that the codes of
// all conditions add up to both counts.  A condition whose level is not 0
// to 7 reads share 0, whatever the vector.
struct Codes {
  std::vector<uint32_t> code;
  std::vector<uint8_t> level;
  // The verdicts of every pair of counts as 0 (pass), 1 (fail) or 2 (hard
  // reject), so that the walk over the vectors takes no branch on them.
  std::vector<uint8_t> verdict;
  size_t side;
  Codes(const TArrMD& conds, const MissRanges& ranges)
      : code(conds.size() * kShareBins), level(conds.size()), verdict((conds.size() + 1) * (conds.size() + 1)),
        side(conds.size() + 1) {
    for (size_t err = 0; err < side; ++err)
      for (size_t sup = 0; sup <= err; ++sup) {
        const int32_t v = VerdictOf({static_cast<int32_t>(err), static_cast<int32_t>(sup)}, ranges);
        verdict[err * side + sup] = static_cast<uint8_t>(v == kPass ? 0 : v == kFail ? 1 : 2);
      }
    for (size_t k = 0; k < conds.size(); ++k) {
      const TMD& c = conds[k];
      const bool onLevel = static_cast<uint32_t>(c.Shot) < static_cast<uint32_t>(kLevels);
      level[k] = static_cast<uint8_t>(onLevel ? c.Shot : 0);
      for (size_t share = 0; share < kShareBins; ++share) {
        const Misses m = ConditionMisses(c, onLevel ? static_cast<int32_t>(share) : 0);
        code[k * kShareBins + share] = static_cast<uint32_t>(m.err) | static_cast<uint32_t>(m.sup) << 16;
      }
    }
  }
  uint32_t Sum(const ShareVector& v) const {
    uint32_t sum = 0;
    const uint32_t* c = code.data();
    for (const uint8_t l : level) {
      sum += c[v.shares[l]];
      c += kShareBins;
    }
    return sum;
  }
  uint32_t Of(size_t k, const ShareVector& v) const { return code[k * kShareBins + v.shares[level[k]]]; }
  uint8_t Verdict(uint32_t sum) const { return verdict[(sum & 0xFFFF) * side + (sum >> 16)]; }
};

// More conditions are judged one by one.
constexpr size_t kMaxCoded = 1024;  // and keep the table of verdicts small

inline void SharesOf(const ShareVector& v, int32_t shares[kLevels]) {
  for (int k = 0; k < kLevels; ++k) shares[k] = v.shares[k];
}

inline void Add(VerdictCounts& c, int32_t verdict, uint32_t n) {
  (verdict == kPass ? c.passed : verdict == kFail ? c.failed : c.hardReject) += n;
}

}  // namespace

VerdictCounts Census::Count(const TArrMD& conds, const MissRanges& ranges) const {
  VerdictCounts c;
  if (conds.size() > kMaxCoded) {
    int32_t shares[kLevels];
    for (const ShareVector& v : vectors_) {
      SharesOf(v, shares);
      Add(c, Evaluate(shares, conds, ranges), v.count);
    }
    return c;
  }
  const Codes codes(conds, ranges);
  uint64_t sums[3] = {0, 0, 0};
  for (const ShareVector& v : vectors_) sums[codes.Verdict(codes.Sum(v))] += v.count;
  c.passed = sums[0];
  c.failed = sums[1];
  c.hardReject = sums[2];
  return c;
}

std::vector<uint64_t> Census::PassedWithout(const TArrMD& conds, const MissRanges& ranges) const {
  // Without condition k the misses are those of all conditions less its own.
  std::vector<uint64_t> without(conds.size(), 0);
  if (conds.size() > kMaxCoded) {
    int32_t shares[kLevels];
    for (const ShareVector& v : vectors_) {
      SharesOf(v, shares);
      const Misses all = MissesOf(shares, conds);
      for (size_t k = 0; k < conds.size(); ++k) {
        const Misses own = ConditionMisses(conds[k], LevelShare(shares, conds[k].Shot));
        if (VerdictOf({all.err - own.err, all.sup - own.sup}, ranges) == kPass) without[k] += v.count;
      }
    }
    return without;
  }
  const Codes codes(conds, ranges);
  for (const ShareVector& v : vectors_) {
    const uint32_t all = codes.Sum(v);
    for (size_t k = 0; k < conds.size(); ++k)
      without[k] += codes.Verdict(all - codes.Of(k, v)) == 0 ? v.count : 0;
  }
  return without;
}

LevelHistograms Census::Histograms() const {
  LevelHistograms h{};
  for (const ShareVector& v : vectors_)
    for (int k = 0; k < kLevels; ++k) h[k][v.shares[k]] += v.count;
  return h;
}

}  // namespace qv
