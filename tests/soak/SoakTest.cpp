// Soak and leak checks on the native library, loaded the way a host loads
// it: a thousand loads and unloads, with and without a prepared filter, and
// ten million verdicts and a hundred thousand reports in constant memory.
//
// Heap in use is read from the allocator (the sanitizer's in the sanitizer
// build, glibc's otherwise); the peak resident size from /proc/self/status
// after resetting the high-water mark.  LeakSanitizer checks again at exit in
// the sanitizer build, and scripts/sanitize runs the load test under valgrind.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "Quelvor.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QV_ASAN 1
#endif
#ifdef QV_ASAN
// From the sanitizer runtime (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

#ifndef QUELVOR_PLUGIN_PATH
#error "QUELVOR_PLUGIN_PATH names the library under test"
#endif

size_t HeapInUse() {
#ifdef QV_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// kB from a line of /proc/self/status, 0 when missing.
long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string k = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.compare(0, k.size(), k) == 0) return std::stol(line.substr(k.size()));
  return 0;
}

// Resets VmHWM to the current resident size; false where the kernel refuses.
bool ResetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return out.good();
}

struct Plugin {
  void* handle = nullptr;
  QvGetTextFn GetFilterName{}, GetFilterStr{};
  QvSetFilterStrFn SetFilterStr{};
  QvZcPrepareFn ZcPrepare{};
  QvZcExecuteFn ZcExecute{};
  QvZcDebugFn ZcDebug{};

  bool Load() {
    handle = dlopen(QUELVOR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    GetFilterName = reinterpret_cast<QvGetTextFn>(dlsym(handle, "GetFilterName"));
    GetFilterStr = reinterpret_cast<QvGetTextFn>(dlsym(handle, "GetFilterStr"));
    SetFilterStr = reinterpret_cast<QvSetFilterStrFn>(dlsym(handle, "SetFilterStr"));
    ZcPrepare = reinterpret_cast<QvZcPrepareFn>(dlsym(handle, "ZcPrepare"));
    ZcExecute = reinterpret_cast<QvZcExecuteFn>(dlsym(handle, "ZcExecute"));
    ZcDebug = reinterpret_cast<QvZcDebugFn>(dlsym(handle, "ZcDebug"));
    return GetFilterName && GetFilterStr && SetFilterStr && ZcPrepare && ZcExecute && ZcDebug;
  }
  void Unload() {
    if (handle) dlclose(handle);
    handle = nullptr;
  }
  static bool Resident() {
    void* h = dlopen(QUELVOR_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
  }
};

// Three conditions, the E and S ranges and 40 media bets, single and compound.
std::string SoakFilter() {
  std::string s = "M7(0-5|0-10)M5(10-40|5-60)M0(20-80|10-90)E0-2S0-2TJ";
  for (int i = 0; i < 20; ++i) {
    char bet[16];
    std::snprintf(bet, sizeof bet, "%07d|", i * 499979 % 10000000);
    s += bet;
    s += "024,3468,5,2347,05,268,79|";
  }
  return s;
}

void LoadUnload(int times, bool prepare) {
  const std::string filter = SoakFilter();
  // A few rounds first, doing what the measured ones do: the loader and
  // the C runtime keep some bookkeeping of their own that grows once.
  const size_t warmUp = 20;
  size_t before = 0;
  for (size_t i = 0; i < warmUp + times; ++i) {
    if (i == warmUp) before = HeapInUse();
    Plugin p;
    ASSERT_TRUE(p.Load()) << dlerror();
    // A fresh module state at every load: the previous one went with the unload.
    ASSERT_STREQ(p.GetFilterStr(), "") << "load " << i;
    p.SetFilterStr(filter.c_str());
    if (prepare) {
      ASSERT_EQ(p.ZcPrepare(), 1);
      const int32_t v = p.ZcExecute("1234567");
      ASSERT_TRUE(v == 0 || v == 1 || v == 999998);
      ASSERT_NE(p.ZcDebug("1234567", 1)[0], '\0');
    }
    p.Unload();
    ASSERT_FALSE(Plugin::Resident()) << "the library stays mapped after its last unload";
  }
  const size_t after = HeapInUse();
  // A leak of even a few bytes per load would show as kilobytes here.
  EXPECT_LE(after, before + 4096) << "heap grew by " << (after - before) << " bytes over "
                                  << times << " loads";
}

TEST(LoadUnload, ThousandTimesWithoutPreparation) { LoadUnload(1000, false); }
TEST(LoadUnload, ThousandTimesWithAPreparedFilter) { LoadUnload(1000, true); }

TEST(Soak, TenMillionVerdictsAndHundredThousandReportsInConstantMemory) {
  Plugin p;
  ASSERT_TRUE(p.Load()) << dlerror();
  p.SetFilterStr(SoakFilter().c_str());
  ASSERT_EQ(p.ZcPrepare(), 1);

  char cand[8];
  auto candidate = [&cand](uint32_t i) {
    for (int j = 6; j >= 0; --j, i /= 10) cand[j] = static_cast<char>('0' + i % 10);
    cand[7] = 0;
    return cand;
  };
  // Warm up, so that everything that lives for the library's lifetime exists.
  for (uint32_t i = 0; i < 1000; ++i) {
    p.ZcExecute(candidate(i));
    p.ZcDebug(candidate(i), i & 1);
  }
  const bool peakReset = ResetPeak();
  const long hwmBefore = StatusKb("VmHWM");
  const size_t heapBefore = HeapInUse();

  // Every seven-digit candidate once.
  uint64_t verdicts[3] = {};
  for (uint32_t i = 0; i < 10000000; ++i) {
    const int32_t v = p.ZcExecute(candidate(i));
    ASSERT_TRUE(v == 0 || v == 1 || v == 999998) << v;
    ++verdicts[v == 0 ? 0 : v == 1 ? 1 : 2];
  }
  size_t reportBytes = 0;
  for (uint32_t i = 0; i < 100000; ++i) {
    const char* r = p.ZcDebug(candidate(i * 97), i & 1);
    ASSERT_NE(r, nullptr);
    reportBytes += std::char_traits<char>::length(r);
  }
  const size_t heapAfter = HeapInUse();
  const long hwmAfter = StatusKb("VmHWM");
  std::printf("soak: 10000000 ZcExecute (%llu pass, %llu fail, %llu hard reject), "
              "100000 ZcDebug (%zu report bytes)\n",
              static_cast<unsigned long long>(verdicts[0]),
              static_cast<unsigned long long>(verdicts[1]),
              static_cast<unsigned long long>(verdicts[2]), reportBytes);
  std::printf("soak: peak resident %ld kB before, %ld kB after%s; heap %zu -> %zu bytes\n",
              hwmBefore, hwmAfter, peakReset ? "" : " (peak not reset)", heapBefore, heapAfter);
  EXPECT_EQ(verdicts[0] + verdicts[1] + verdicts[2], 10000000u);
  EXPECT_GT(verdicts[0], 0u);
  EXPECT_GT(verdicts[1] + verdicts[2], 0u);
  EXPECT_GT(reportBytes, 0u);
  EXPECT_LE(heapAfter, heapBefore + 4096);
  EXPECT_LE(hwmAfter, hwmBefore + 1024) << "peak resident size grew by more than 1 MiB";
  p.Unload();
}

}  // namespace
