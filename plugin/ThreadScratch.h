// What each calling thread keeps of ZcExecute and ZcDebug: its tally and
// its report text.  A host may judge on several threads at once between two
// ZcPrepare calls; each thread then works in its own scratch, and a report
// stays valid until that thread's next ZcDebug.
//
// The scratch lives in the system's thread-local slots (TlsAlloc, or a
// pthread key) rather than in C++ thread_local objects with destructors: a
// thread that outlives the library's unload must find nothing of the
// library to run at its exit.  A thread's scratch is freed when the thread ends while the
// library is loaded, and every remaining one at unload.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "HitCount.h"

namespace qv {

// Cache-line aligned: threads judging side by side never write into one line.
struct alignas(64) ThreadScratch {
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
inline ThreadScratch* CurrentScratch();
// The calling thread ends (on Windows, from the thread detach notification).
void ReleaseCurrentScratch();

namespace scratch {
#if defined(_WIN32)
// The slot's value as the thread's own block holds it (the exports cannot
// see the Windows headers, whose GetVersion is another function).
ThreadScratch* Mine();
#else
// The pthread key's value, where the thread reads it without a call.
extern __thread ThreadScratch* t_mine __attribute__((tls_model("initial-exec")));
#endif
ThreadScratch* Make();
}  // namespace scratch

// Every call of ZcExecute asks for it: the usual answer costs a load
// natively, a short call in the Windows build.
inline ThreadScratch* CurrentScratch() {
#if defined(_WIN32)
  if (ThreadScratch* p = scratch::Mine()) [[likely]]
    return p;
#else
  if (ThreadScratch* p = scratch::t_mine) [[likely]]
    return p;
#endif
  return scratch::Make();
}

}  // namespace qv
