// The heap a benchmark program holds at its peak, counted by replacing the
// global allocation functions where the allocator can tell a block's size
// (glibc).  Include it in one source file of a program: it defines them.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#define QV_COUNT_HEAP 1
#endif

namespace qv::bench {

#ifdef QV_COUNT_HEAP
inline std::atomic<int64_t> g_heapInUse{0};
inline std::atomic<int64_t> g_heapPeak{0};

inline void* Counted(void* p) {
  if (!p) throw std::bad_alloc();
  const int64_t now = g_heapInUse += static_cast<int64_t>(malloc_usable_size(p));
  int64_t peak = g_heapPeak.load();
  while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
inline void Uncount(void* p) {
  if (p) g_heapInUse -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}
#endif

// Starts a new peak at what is in use now, and returns that.
inline int64_t HeapMark() {
#ifdef QV_COUNT_HEAP
  const int64_t base = g_heapInUse.load();
  g_heapPeak = base;
  return base;
#else
  return 0;
#endif
}

// The peak since the mark that returned base, above base.
inline int64_t HeapPeakAbove(int64_t base) {
#ifdef QV_COUNT_HEAP
  return g_heapPeak.load() - base;
#else
  (void)base;
  return 0;
#endif
}

}  // namespace qv::bench

#ifdef QV_COUNT_HEAP
void* operator new(std::size_t n) { return qv::bench::Counted(std::malloc(n ? n : 1)); }
void* operator new[](std::size_t n) { return qv::bench::Counted(std::malloc(n ? n : 1)); }
void* operator new(std::size_t n, std::align_val_t a) {
  const std::size_t al = static_cast<std::size_t>(a);
  return qv::bench::Counted(std::aligned_alloc(al, (n + al - 1) & ~(al - 1)));
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void* p) noexcept { qv::bench::Uncount(p); }
void operator delete[](void* p) noexcept { qv::bench::Uncount(p); }
void operator delete(void* p, std::size_t) noexcept { qv::bench::Uncount(p); }
void operator delete[](void* p, std::size_t) noexcept { qv::bench::Uncount(p); }
void operator delete(void* p, std::align_val_t) noexcept { qv::bench::Uncount(p); }
void operator delete[](void* p, std::align_val_t) noexcept { qv::bench::Uncount(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { qv::bench::Uncount(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { qv::bench::Uncount(p); }
#endif
