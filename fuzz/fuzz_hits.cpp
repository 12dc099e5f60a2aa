// Hit counting on arbitrary bets and candidates: every kernel against the
// literal count, with bit rows, byte rows and the general path in any mix.
//
// Input: the candidate up to the first line feed, then one media bet per
// line (bets may hold any byte, zero included; the candidate holds none).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "HitCount.h"
#include "LiteralFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') lines.emplace_back();
    else lines.back().push_back(static_cast<char>(data[i]));
  }
  std::string cand = lines[0];
  if (const size_t z = cand.find('\0'); z != std::string::npos) cand.resize(z);
  const std::vector<std::string> bets(lines.begin() + 1, lines.end());

  int32_t want[qv::kLevels] = {};
  for (const std::string& b : bets) {
    const int64_t h = qvref::CountHits(b, cand);
    if (h <= 7) ++want[h];
  }
  qv::HitCounter counter;
  counter.Build(bets);  // with the best kernel; the table's shape does not depend on it
  QV_CHECK(counter.BetCount() == bets.size(), "BetCount");
  // Every prefix of the candidate, the empty one included.
  for (size_t len = 0; len <= cand.size(); len += (len < 16 ? 1 : 7)) {
    const std::string c = cand.substr(0, len);
    int32_t ref[qv::kLevels] = {};
    for (const std::string& b : bets) {
      const int64_t h = qvref::CountHits(b, c);
      if (h <= 7) ++ref[h];
    }
    // All levels, and only some (the others hold no meaningful count).
    const uint32_t levels = (static_cast<uint32_t>(size) * 37u + static_cast<uint32_t>(len)) & 0xFFu;
    for (const QvKernel& k : QvKernels()) {
      int32_t got[qv::kLevels];
      QvTally(k, counter, c, got);
      for (int l = 0; l < qv::kLevels; ++l) QV_CHECK(got[l] == ref[l], k.name);
      counter.Tally(c, got, k.kernel, levels);
      for (int l = 0; l < qv::kLevels; ++l) QV_CHECK(!(levels >> l & 1) || got[l] == ref[l], k.name);
      counter.UseKernel(k.kernel);  // a zero-terminated candidate: small tables pick their rows from it
      counter.TallyLevels(c.c_str(), got, levels);
      for (int l = 0; l < qv::kLevels; ++l) QV_CHECK(!(levels >> l & 1) || got[l] == ref[l], k.name);
    }
  }
  for (const QvKernel& k : QvKernels()) {
    int32_t got[qv::kLevels];
    QvTally(k, counter, cand, got);
    for (int l = 0; l < qv::kLevels; ++l) QV_CHECK(got[l] == want[l], k.name);
  }
  return 0;
}
