// What each calling thread keeps of ZcExecute and ZcDebug: its tally and
// its report text.  A host may judge on several threads at once between two
// ZcPrepare calls; each thread then works in its own scratch, and a report
// stays valid until that thread's next ZcDebug.
//
// The scratch lives in the system's thread-local slots (TlsAlloc, or a
// pthread key) rather than in C++ thread_local objects: a thread that
// outlives the library's unload must find nothing of the library to run at
// its exit.  A thread's scratch is freed when the thread ends while the
// library is loaded, and every remaining one at unload.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "HitCount.h"

namespace qv {

struct ThreadScratch {
  std::array<int32_t, kLevels> tally{};  // the thread's ShotTally
  std::string report;                    // its last report
  ThreadScratch* prev = nullptr;         // every thread's scratch, for unload
  ThreadScratch* next = nullptr;
};

// The slot, taken at load; false when the system has none left.
bool StartThreadScratch();
// At unload: the slot goes back, and every thread's scratch is freed.
void EndThreadScratch();
// The calling thread's scratch, made at its first use; null when the slot
// or the memory is missing.
ThreadScratch* CurrentScratch();
// The calling thread ends (on Windows, from the thread detach notification).
void ReleaseCurrentScratch();

}  // namespace qv
