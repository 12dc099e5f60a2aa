// The memory a host sees ZcPrepare take: the growth of the process's
// resident set from just before the call to its peak during it, for
// 1,000,000 media bets of digits, commas and "*" (half single, half
// compound), with the allocator's slack included.  The filter string is
// handed over first, so its copy is not part of the growth.  Linux only:
// the peak is read from /proc/self/status after resetting it through
// /proc/self/clear_refs.
//
//   quelvor_prepare_rss [bets]
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

namespace {

typedef void (*SetFilterStrFn)(const char*);
typedef unsigned char (*ZcPrepareFn)(void);

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.compare(0, key.size(), key) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const long bets = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
  std::string dir(argv[0]);
  dir = dir.substr(0, dir.find_last_of('/') + 1);
  void* h = dlopen((dir + "libQuelvor.so").c_str(), RTLD_NOW);
  if (!h) {
    std::fprintf(stderr, "the plug-in library was not found next to this program\n");
    return 1;
  }
  auto setFilterStr = reinterpret_cast<SetFilterStrFn>(dlsym(h, "SetFilterStr"));
  auto zcPrepare = reinterpret_cast<ZcPrepareFn>(dlsym(h, "ZcPrepare"));

  std::mt19937 rng(1);
  std::uniform_int_distribution<int> digit(0, 9), width(1, 4), coin(0, 1), star(0, 19);
  std::string s = "M7(0-30|0-100)M4(0-30|0-100)E0-1TJ";
  for (long i = 0; i < bets; ++i) {
    if (coin(rng)) {
      for (int j = 0; j < 7; ++j) s += static_cast<char>('0' + digit(rng));
    } else {
      for (int j = 0; j < 7; ++j) {
        if (j) s += ',';
        if (star(rng) == 0) {
          s += '*';
          continue;
        }
        for (int w = width(rng); w > 0; --w) s += static_cast<char>('0' + digit(rng));
      }
    }
    s += '|';
  }
  setFilterStr(s.c_str());
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from now
  const long before = StatusKb("VmRSS");
  const bool ok = zcPrepare() != 0;
  const long peak = StatusKb("VmHWM");
  if (!ok || before < 0 || peak < 0) {
    std::fprintf(stderr, "ZcPrepare refused the string or the resident set could not be read\n");
    return 1;
  }
  const double growth = static_cast<double>(peak - before) * 1024.0;
  std::printf("bets %ld, filter string %zu bytes: ZcPrepare grew the resident set by %.1f MB, %.1f bytes per bet\n",
              bets, s.size(), growth / 1e6, growth / static_cast<double>(bets));
  return 0;
}
