// A host that judges on several threads at once, and one whose thread outlives the library.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "PluginUnderTest.h"

#if defined(_WIN32)
#include "WindowsHeaders.h"
#endif

namespace qvtest {
namespace {

// Conditions met and missed, E and S ranges, 300 bets of both forms; a full report.
std::string Prepared(PluginLibrary& lib) {
  std::string s = "M7(0-1|0-3)M3(5-30|2-40)M1(20-50|10-60)M0(10-40|0-70)E0-2S0-3TJ", d = "0123456789*";
  for (uint32_t i = 0, x = 7; i < 300; ++i, s += '|')
    for (int j = 0; j < 7; ++j, x = x * 1103515245 + 12345)
      s += i % 5 ? std::string(1, d[(x >> 16) % 11]) : d.substr((x >> 16) % 9, 3) + ",";
  EXPECT_TRUE(LoadPlugin(lib));
  lib.Fn().SetFilterStr(s.c_str());
  EXPECT_EQ(lib.Fn().ZcPrepare(), 1);
  return lib.Fn().ZcDebug("3141592", 1);
}

// Verdict and reports of each candidate from `from` on; a report holds until the thread's next ZcDebug.
std::vector<std::string> Judge(const qv::host::PluginExports& api, const std::vector<std::string>& cands, size_t from) {
  std::vector<std::string> out(cands.size());
  for (size_t k = 0, n = cands.size(), i = from % n; k < n; ++k, i = (i + 1) % n) {
    const std::string first = std::to_string(api.ZcExecute(cands[i].c_str())) + api.ZcDebug(cands[i].c_str(), 1);
    const char* held = api.ZcDebug(cands[i].c_str(), 0);
    out[i] = first + "/" + held;
    api.ZcExecute(cands[(i + 1) % n].c_str());
    if (out[i] != first + "/" + held) out[i] = "changed by another thread";
  }
  return out;
}

void FourThreadsAgreeWithOne() {
  PluginLibrary lib;
  Prepared(lib);
  std::vector<std::string> cands = {"", "12", "123456789", "*******"};
  for (uint32_t i = 0, x = 1; i < 4000; ++i, x = x * 69069 + 1) cands.push_back(std::to_string(1000000 + x % 9000000));
  const std::vector<std::string> want = Judge(lib.Fn(), cands, 0);
  std::vector<std::vector<std::string>> got(4);
  std::vector<std::thread> threads;
  std::atomic<size_t> ready{0};
  for (size_t t = 0; t < got.size(); ++t)
    threads.emplace_back([&, t] {
      for (++ready; ready.load() < got.size();) std::this_thread::yield();  // all start at once
      got[t] = Judge(lib.Fn(), cands, t * 397);
    });
  for (std::thread& t : threads) t.join();
  for (size_t t = 0; t < got.size(); ++t)
    for (size_t i = 0; i < cands.size(); ++i) ASSERT_EQ(got[t][i], want[i]) << "thread " << t << ", " << cands[i];
}

TEST(ThreadedHost, FourThreadsGetTheVerdictsAndReportsOfOne) { FourThreadsAgreeWithOne(); }

#if defined(_WIN32)
// A host that holds the first 64 thread slots: the library's slot lies in the
// expansion slots, which the fast read of the thread's block does not reach.
TEST(ThreadedHost, ASlotBeyondTheFirstSixtyFour) {
  std::vector<DWORD> held;
  for (DWORD s = 0; s < 63 && (s = TlsAlloc()) != TLS_OUT_OF_INDEXES;) held.push_back(s);
  ASSERT_FALSE(held.empty());
  ASSERT_GE(held.back(), 63u);
  FourThreadsAgreeWithOne();
  for (DWORD s : held) TlsFree(s);
}
#endif

// The thread's slot may come back to the next load; the thread ends after the last unload.
TEST(ThreadedHost, AThreadOutlivesTheUnload) {
  PluginLibrary lib;
  const std::string want = Prepared(lib);
  std::atomic<int> step{0};
  std::string got[2];
  auto await = [&step](int s) { while (step.load() < s) std::this_thread::yield(); };
  std::thread host([&] {
    for (int k = 0; k < 2; ++k) got[k] = lib.Fn().ZcDebug("3141592", 1), step = 2 * k + 1, await(2 * k + 2);
  });
  await(1);
  lib.Unload();
  Prepared(lib);
  step = 2, await(3);
  lib.Unload(), step = 4;
  host.join();
  EXPECT_NE(want, "");
  EXPECT_EQ(got[0] + got[1], want + want);
}

}  // namespace
}  // namespace qvtest
