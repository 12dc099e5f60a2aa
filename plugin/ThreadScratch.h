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
extern unsigned long g_slot;  // the DWORD of TlsAlloc
// What TlsGetValue reads for the first 64 slots, without its call: the
// thread's own block (fs in 32-bit code, gs in 64-bit) holds them at a fixed
// offset, which ThreadScratch.cpp checks against the Windows headers (the
// exports cannot see those, whose GetVersion is another function).
constexpr unsigned long kTlsSlotsOffset = sizeof(void*) == 8 ? 0x1480 : 0xE10;
inline ThreadScratch* Mine() {
  const unsigned long slot = g_slot;
  if (slot >= 64) return nullptr;
  ThreadScratch* p;
#if defined(__x86_64__)
  __asm__ volatile("movq %%gs:0x1480(,%1,8), %0" : "=r"(p) : "r"(static_cast<unsigned long long>(slot)));
#else
  __asm__ volatile("movl %%fs:0xE10(,%1,4), %0" : "=r"(p) : "r"(slot));
#endif
  return p;
}
#else
// The pthread key's value, where the thread reads it without a call.
extern __thread ThreadScratch* t_mine __attribute__((tls_model("initial-exec")));
#endif
ThreadScratch* Make();
}  // namespace scratch

// Every call of ZcExecute asks for it: the usual answer costs a load.
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
