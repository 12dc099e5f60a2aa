// The census of share vectors: for a list of media bets, every distinct
// vector of eight hit shares (whole percents, levels 0 to 7) over the
// numbers 0000000 to 9999999, with how many numbers have it.  A verdict
// depends on the shares and the settings only, so the verdict counts of any
// conditions with any E and S sections are a walk over the distinct vectors
// (a few thousand) instead of a pass over ten million numbers, and they are
// exact: each vector is judged by the same Evaluate as ZcExecute.
//
// Building reads the prepared counter only (const, shared by the workers);
// each worker has its own tally and its own table, merged at the end.
// Portable: no system headers, std::thread for the workers.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Filter.h"
#include "HitCount.h"

namespace qv {

// The candidates of a census: the seven-digit numbers 0 to 9999999.
constexpr uint32_t kCensusNumbers = 10'000'000;
// A share is a whole percent, 0 to 100.
constexpr size_t kShareBins = 101;

// One distinct vector and the number of candidates that have it.
struct ShareVector {
  std::array<uint8_t, kLevels> shares;  // shares[k]: hit share of level k
  uint32_t count;
};

struct VerdictCounts {
  uint64_t passed = 0;      // 0
  uint64_t failed = 0;      // 1
  uint64_t hardReject = 0;  // 999998
  uint64_t Total() const { return passed + failed + hardReject; }
};

// hist[k][s]: candidates whose share at level k is s.
using LevelHistograms = std::array<std::array<uint64_t, kShareBins>, kLevels>;

enum class CensusStatus {
  Done,
  Cancelled,    // the control was cancelled before every slice was counted
  OutOfMemory,  // a table could not grow
  Failed,       // no worker could be run, or a worker failed otherwise
};

const char* CensusStatusText(CensusStatus s);

// Shared between a running census and the threads that watch it: any
// thread may cancel (the workers stop before their next slice) and read the
// progress.  One control serves one census at a time; once cancelled it
// stays cancelled (a census started with it stops at once), so each census
// that may be cancelled gets a control of its own.
class CensusControl {
 public:
  void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }
  // Slices counted so far, of SliceCount(), for a progress bar.
  uint32_t SlicesDone() const { return done_.load(std::memory_order_relaxed); }
  uint32_t SliceCount() const { return total_.load(std::memory_order_relaxed); }
  // Workers of the running census that have not yet finished (0 once
  // Census::Build returned).
  uint32_t RunningWorkers() const { return running_.load(std::memory_order_relaxed); }

 private:
  friend class Census;
  std::atomic<bool> cancel_{false};
  std::atomic<uint32_t> done_{0};
  std::atomic<uint32_t> total_{0};
  std::atomic<uint32_t> running_{0};
};

struct CensusOptions {
  // The candidates first .. last - 1 (clipped to kCensusNumbers): the whole
  // range by default; a part of it for a quick look or a test.
  uint32_t first = 0;
  uint32_t last = kCensusNumbers;
  // Worker threads, the calling thread among them; 0 takes the hardware's.
  unsigned jobs = 1;
  // Candidates per slice: the unit of work handed to a worker, of progress
  // and of cancelling.
  uint32_t sliceSize = 10'000;
  CensusControl* control = nullptr;
  // Called after every slice with (slices done, slices in all), on the
  // worker that counted it, one call at a time.
  std::function<void(uint32_t, uint32_t)> onSlice;
};

class Census {
 public:
  // Counts the share vectors of the candidates with the prepared bets.  The
  // counter is only read, and must stay unchanged until Build returns.
  // Every worker has ended when Build returns, whatever the status.  On
  // any status but Done the census is left as it was.
  CensusStatus Build(const HitCounter& counter, const CensusOptions& options = {});
  // The same for a prepared filter's media bets, with bit rows wherever
  // they hold the bets: ZcExecute's counter keeps a few dozen bets in byte
  // rows, which its vector kernel counts faster one number at a time, while
  // the census's walk counts bit rows faster.  The counts are the same.
  CensusStatus Build(const FilterState& prepared, const CensusOptions& options = {});

  // The distinct vectors in increasing order of shares[0], shares[1], ...
  const std::vector<ShareVector>& Vectors() const { return vectors_; }
  size_t DistinctVectors() const { return vectors_.size(); }
  uint64_t Candidates() const { return candidates_; }
  size_t BetCount() const { return bets_; }

  // The verdicts that ZcExecute gives the census's candidates with these
  // conditions and sections (and the bets the census was built with).
  VerdictCounts Count(const TArrMD& conds, const MissRanges& ranges) const;
  VerdictCounts Count(const FilterState& prepared) const {
    return Count(prepared.MDConds, prepared.Ranges());
  }
  // without[k]: the candidates that would pass were condition k removed.
  std::vector<uint64_t> PassedWithout(const TArrMD& conds, const MissRanges& ranges) const;

  LevelHistograms Histograms() const;

  // Bytes held (capacity of the vectors).
  size_t MemoryBytes() const { return vectors_.capacity() * sizeof(ShareVector); }

 private:
  std::vector<ShareVector> vectors_;
  uint64_t candidates_ = 0;
  size_t bets_ = 0;
};

}  // namespace qv
