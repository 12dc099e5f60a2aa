// Processor feature probes for choosing a kernel (x86 builds only).
#include <cpuid.h>

#include "RowTally.h"

namespace qv::kernels {
namespace {

struct Features {
  bool sse2 = false;
  bool avx2 = false;
  bool avx512bw = false;
  bool avx512popcnt = false;
};

Features Probe() {
  Features f;
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return f;
  f.sse2 = (d & (1u << 26)) != 0;
  const bool osxsave = (c & (1u << 27)) != 0;
  const bool avx = (c & (1u << 28)) != 0;
  const bool popcnt = (c & (1u << 23)) != 0;  // the wide kernels count mask bits with it
  if (!osxsave || !avx || !popcnt) return f;
  // Which register state the operating system saves on task switches.
  unsigned lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  (void)hi;
  const bool ymm = (lo & 0x06u) == 0x06u;          // XMM and YMM
  const bool zmm = ymm && (lo & 0xE0u) == 0xE0u;   // opmask, ZMM0-15 upper halves, ZMM16-31
  if (!ymm || __get_cpuid_max(0, nullptr) < 7) return f;
  __cpuid_count(7, 0, a, b, c, d);
  f.avx2 = (b & (1u << 5)) != 0;
  const bool avx512f = (b & (1u << 16)) != 0;
  const bool avx512bw = (b & (1u << 30)) != 0;
  f.avx512bw = zmm && f.avx2 && avx512f && avx512bw;
  f.avx512popcnt = f.avx512bw && (c & (1u << 14)) != 0;  // AVX512_VPOPCNTDQ
  return f;
}

const Features& Cpu() {
  static const Features f = Probe();
  return f;
}

}  // namespace

bool CpuHasSse2() { return Cpu().sse2; }
bool CpuHasAvx2() { return Cpu().avx2; }
bool CpuHasAvx512Bw() { return Cpu().avx512bw; }
bool CpuHasAvx512Popcnt() { return Cpu().avx512popcnt; }

}  // namespace qv::kernels
