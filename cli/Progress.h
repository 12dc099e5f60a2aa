// The progress bar on stderr while a pass runs on a terminal.  Update is
// cheap to call; the bar is redrawn at most a few times a second.
#pragma once

#include <chrono>
#include <cstdint>

namespace qv::host {

class ProgressBar {
 public:
  explicit ProgressBar(bool enabled);
  // done of total (total 0: unknown); unit names what is counted.
  void Update(uint64_t done, uint64_t total, const char* unit);
  // Clears the bar's line.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool drawn_ = false;
  Clock::time_point last_;
};

}  // namespace qv::host
