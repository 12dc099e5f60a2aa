// Processor feature probes for choosing a kernel (x86 only; elsewhere only
// the scalar kernel runs).
#include "RowTally.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace qv::kernels {

#if defined(__i386__) || defined(__x86_64__)

namespace {

bool ProbeSse2() {
#if defined(__x86_64__)
  return true;
#else
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (d & (1u << 26)) != 0;
#endif
}

bool ProbeAvx2() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool osxsave = (c & (1u << 27)) != 0;
  const bool avx = (c & (1u << 28)) != 0;
  const bool popcnt = (c & (1u << 23)) != 0;  // the AVX2 kernel counts mask bits with it
  if (!osxsave || !avx || !popcnt) return false;
  // The operating system must save the XMM and YMM state on task switches.
  unsigned lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  (void)hi;
  if ((lo & 6u) != 6u) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 5)) != 0;
}

}  // namespace

bool CpuHasSse2() {
  static const bool has = ProbeSse2();
  return has;
}

bool CpuHasAvx2() {
  static const bool has = ProbeAvx2();
  return has;
}

#else

bool CpuHasSse2() { return false; }
bool CpuHasAvx2() { return false; }

#endif

}  // namespace qv::kernels
