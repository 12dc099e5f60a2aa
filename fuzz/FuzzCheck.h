// Checks for the fuzz targets: a failed check prints what disagreed and
// aborts, so that libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "HitCount.h"

#define QV_CHECK(cond, what)                                                         \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      std::fprintf(stderr, "check failed: %s (%s) at %s:%d\n", #cond, what, __FILE__, \
                   __LINE__);                                                        \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

// One way of tallying a prepared bet list.
struct QvKernel {
  const char* name;
  qv::Kernel kernel;
};

// Every hit counting kernel that this processor can run.
inline const std::vector<QvKernel>& QvKernels() {
  static const std::vector<QvKernel> kernels = [] {
    std::vector<QvKernel> v;
    for (const qv::KernelInfo& e : qv::KernelTable())
      if (e.available()) v.push_back({e.name, e.kernel});
    return v;
  }();
  return kernels;
}

inline void QvTally(const QvKernel& k, const qv::HitCounter& h, std::string_view c, int32_t* t) {
  h.Tally(c, t, k.kernel);
}
