#include "HitCount.h"

#include <algorithm>

namespace qv {

int32_t CountHits(std::string_view bet, std::string_view candidate) {
  const size_t n = candidate.size();
  if (n == 0) return 0;
  int32_t hits = 0;
  if (bet.find(',') != std::string_view::npos) {
    size_t start = 0;
    for (size_t j = 0; j < n; ++j) {
      if (start > bet.size()) break;  // fewer groups than positions
      size_t comma = bet.find(',', start);
      size_t end = comma == std::string_view::npos ? bet.size() : comma;
      for (size_t i = start; i < end; ++i)
        if (bet[i] == '*' || bet[i] == candidate[j]) ++hits;
      start = end + 1;
    }
    return hits;
  }
  const size_t m = std::min(n, bet.size());
  for (size_t j = 0; j < m; ++j)
    if (bet[j] == candidate[j]) ++hits;
  return hits;
}

void HitCounter::Build(const std::vector<std::string>& bets) {
  betCount_ = bets.size();
  maxPositions_ = 0;
  bets_.clear();
  groups_.clear();
  chars_.clear();
  bets_.reserve(bets.size());
  for (const std::string& b : bets) {
    Bet pb{static_cast<uint32_t>(groups_.size()), 0, b.find(',') != std::string::npos};
    if (pb.compound) {
      size_t start = 0;
      for (;;) {
        size_t comma = b.find(',', start);
        size_t end = comma == std::string::npos ? b.size() : comma;
        groups_.push_back({static_cast<uint32_t>(chars_.size()), static_cast<uint32_t>(end - start)});
        chars_.append(b, start, end - start);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else {
      for (char c : b) {
        groups_.push_back({static_cast<uint32_t>(chars_.size()), 1});
        chars_.push_back(c);
      }
    }
    pb.count = static_cast<uint32_t>(groups_.size()) - pb.first;
    maxPositions_ = std::max<size_t>(maxPositions_, pb.count);
    bets_.push_back(pb);
  }
}

void HitCounter::Tally(std::string_view candidate, int32_t tally[kLevels]) const {
  std::fill(tally, tally + kLevels, 0);
  const size_t n = std::min(candidate.size(), maxPositions_);
  for (const Bet& b : bets_) {
    const size_t positions = std::min<size_t>(n, b.count);
    uint64_t hits = 0;
    for (size_t j = 0; j < positions; ++j) {
      const Group& g = groups_[b.first + j];
      const char want = candidate[j];
      for (uint32_t i = 0; i < g.length; ++i) {
        const char c = chars_[g.offset + i];
        hits += c == want || (b.compound && c == '*');
      }
    }
    if (hits < kLevels) ++tally[hits];
  }
}

}  // namespace qv
