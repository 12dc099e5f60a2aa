// A host that judges on several threads at once between two preparations,
// and one whose thread outlives the library.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "PluginUnderTest.h"

namespace qvtest {
namespace {

struct Answer {
  int32_t verdict;
  std::string missed, all;
  bool operator==(const Answer&) const = default;
};

// Conditions that both pass and fail, E and S ranges, 300 bets of both forms.
std::string ThreadsFilter() {
  std::string s = "M7(0-1|0-3)M3(5-30|2-40)M1(20-50|10-60)M0(10-40|0-70)E0-2S0-3TJ", digits = "0123456789*";
  for (uint32_t i = 0, x = 7; i < 300; ++i, s += '|')
    for (int j = 0; j < 7; ++j, x = x * 1103515245 + 12345)
      s += (i % 5 ? std::string(1, digits[(x >> 16) % 11]) : digits.substr((x >> 16) % 9, 3) + ",");
  return s + "|";
}

std::vector<Answer> Judge(const qv::host::PluginExports& api, const std::vector<std::string>& cands, size_t from) {
  std::vector<Answer> out(cands.size());
  const char* held = nullptr;  // this thread's last report, valid until its next ZcDebug
  for (size_t k = 0; k < cands.size(); ++k) {
    const size_t i = (from + k) % cands.size(), last = (i + cands.size() - 1) % cands.size();
    if (held && k > 0 && out[last].missed != held) out[i].missed = "<changed by another thread>";
    out[i].verdict = api.ZcExecute(cands[i].c_str());
    out[i].all = api.ZcDebug(cands[i].c_str(), 1);
    held = api.ZcDebug(cands[i].c_str(), 0);
    if (out[i].missed.empty()) out[i].missed = held;
  }
  return out;
}

TEST(ThreadedHost, FourThreadsGetTheVerdictsAndReportsOfOne) {
  PluginLibrary lib;
  ASSERT_TRUE(LoadPlugin(lib));
  const qv::host::PluginExports api = lib.Fn();
  api.SetFilterStr(ThreadsFilter().c_str());
  ASSERT_EQ(api.ZcPrepare(), 1);
  std::vector<std::string> cands = {"", "12", "123456789", "*******"};
  for (uint32_t i = 0, x = 1; i < 4000; ++i, x = x * 69069 + 1) cands.push_back(std::to_string(1000000 + x % 9000000));
  const std::vector<Answer> want = Judge(api, cands, 0);
  std::vector<std::vector<Answer>> got(4);
  std::vector<std::thread> threads;
  std::atomic<size_t> ready{0};
  for (size_t t = 0; t < got.size(); ++t)
    threads.emplace_back([&, t] {
      for (++ready; ready.load() < got.size();) std::this_thread::yield();  // all start at once
      got[t] = Judge(api, cands, t * 397);
    });
  for (std::thread& t : threads) t.join();
  for (size_t t = 0; t < got.size(); ++t)
    for (size_t i = 0; i < cands.size(); ++i) ASSERT_EQ(got[t][i], want[i]) << "thread " << t << ", " << cands[i];
}

// The thread calls ZcDebug, the library goes and comes back (its slot may be
// the same one), the thread judges again and ends only after the last unload.
TEST(ThreadedHost, AThreadOutlivesTheUnload) {
  const std::string filter = ThreadsFilter();
  PluginLibrary lib;
  std::atomic<int> step{0};
  std::string before, after;
  auto await = [&step](int s) { while (step.load() < s) std::this_thread::yield(); };
  ASSERT_TRUE(LoadPlugin(lib));
  lib.Fn().SetFilterStr(filter.c_str());
  ASSERT_EQ(lib.Fn().ZcPrepare(), 1);
  std::thread host([&] {
    before = lib.Fn().ZcDebug("3141592", 1);
    step = 1, await(2);
    after = lib.Fn().ZcDebug("3141592", 1);
    step = 3, await(4);
  });
  await(1);
  lib.Unload();
  ASSERT_TRUE(LoadPlugin(lib));
  lib.Fn().SetFilterStr(filter.c_str());
  ASSERT_EQ(lib.Fn().ZcPrepare(), 1);
  step = 2, await(3);
  lib.Unload();
  step = 4;
  host.join();
  EXPECT_FALSE(before.empty());
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace qvtest
