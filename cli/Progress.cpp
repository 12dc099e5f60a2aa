#include "Progress.h"

#include <cstdio>

namespace qv::host {

namespace {
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);
constexpr int kBarWidth = 40;
}  // namespace

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled), last_(Clock::now()) {}

void ProgressBar::Update(uint64_t done, uint64_t total, const char* unit) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now - last_ < kRedrawEvery) return;
  last_ = now;
  if (total > 0) {
    if (done > total) done = total;
    const int filled = static_cast<int>(done * kBarWidth / total);
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %llu/%llu %s", bar, static_cast<int>(done * 100 / total),
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                 unit);
  } else {
    std::fprintf(stderr, "\r%llu %s", static_cast<unsigned long long>(done), unit);
  }
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", kBarWidth + 40, "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace qv::host
