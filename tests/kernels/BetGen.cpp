#include "BetGen.h"

#include <cstring>

namespace qv::testing {

char BetGen::AnyByte() {
  for (;;) {
    const char c = static_cast<char>(Uniform(1, 255));
    if (excludeMarkers_ && std::strchr("MESTJ|", c) != nullptr) continue;
    return c;
  }
}

std::string BetGen::Group(int maxLength) {
  std::string g;
  const int len = Uniform(0, maxLength);
  for (int i = 0; i < len; ++i) g += Chance(15) ? '*' : Digit();
  if (Chance(10)) g.append(static_cast<size_t>(Uniform(2, 12)), Digit());  // repeats
  return g;
}

std::string BetGen::Bet(Flavor f) {
  std::string b;
  switch (f) {
    case Flavor::SingleDigits: {
      const int len = Chance(85) ? 7 : Uniform(0, 10);
      for (int i = 0; i < len; ++i) b += Chance(3) ? '*' : Digit();
      return b;
    }
    case Flavor::CompoundDigits: {
      const int groups = Chance(85) ? 7 : Uniform(1, 9);
      for (int g = 0; g < groups; ++g) {
        if (g) b += ',';
        b += Group(4);
      }
      if (groups == 1) b += ',';  // still compound
      return b;
    }
    case Flavor::CompoundWild: {
      const int groups = Uniform(0, 12);
      b += ',';
      for (int g = 0; g < groups; ++g) {
        if (Chance(10)) b.append(static_cast<size_t>(Uniform(8, 300)), Chance(50) ? '*' : Digit());
        else b += Group(6);
        b += ',';
      }
      if (Chance(50)) b.erase(0, 1);
      return b;
    }
    case Flavor::Bytes: {
      const int len = Uniform(0, 30);
      for (int i = 0; i < len; ++i) {
        const int r = Uniform(0, 9);
        b += r == 0 ? ',' : r == 1 ? '*' : r < 5 ? Digit() : AnyByte();
      }
      return b;
    }
    case Flavor::Long: {
      if (Chance(50)) {
        const int len = Uniform(8, 100);
        for (int i = 0; i < len; ++i) b += Digit();
      } else {
        const int groups = Uniform(8, 20);
        for (int g = 0; g < groups; ++g) {
          if (g) b += ',';
          b += Group(3);
        }
      }
      return b;
    }
    case Flavor::Mixed:
      return Bet(static_cast<Flavor>(Uniform(0, 4)));
  }
  return b;
}

std::vector<std::string> BetGen::Bets(size_t n, Flavor f) {
  std::vector<std::string> bets;
  bets.reserve(n);
  for (size_t i = 0; i < n; ++i) bets.push_back(Bet(f));
  return bets;
}

std::string BetGen::Candidate(int maxLength, bool allowZero) {
  const int len = Chance(70) ? 7 : Uniform(0, maxLength);
  std::string c;
  for (int i = 0; i < len; ++i) {
    const int r = Uniform(0, 19);
    if (r < 16) c += Digit();
    else if (r == 16) c += '*';
    else if (r == 17) c += ',';
    else if (r == 18 || !allowZero) c += AnyByte();
    else c += '\0';
  }
  return c;
}

std::string BetGen::CandidateNear(const std::string& bet) {
  std::string cand;
  if (bet.find(',') == std::string::npos) {
    cand = bet;
  } else {
    size_t start = 0;
    for (;;) {
      const size_t comma = bet.find(',', start);
      const size_t end = comma == std::string::npos ? bet.size() : comma;
      cand += end > start ? bet[start + static_cast<size_t>(Uniform(0, static_cast<int>(end - start) - 1))] : '0';
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  if (Chance(20) && !cand.empty()) cand[static_cast<size_t>(Uniform(0, static_cast<int>(cand.size()) - 1))] ^= 1;
  return cand;
}

std::array<int32_t, kLevels> LiteralTally(const std::vector<std::string>& bets,
                                          std::string_view candidate) {
  std::array<int32_t, kLevels> t{};
  for (const std::string& b : bets) {
    const int32_t h = CountHits(b, candidate);
    if (h >= 0 && h < kLevels) ++t[static_cast<size_t>(h)];
  }
  return t;
}

std::array<int32_t, kLevels> LiteralTally(const BetList& bets, std::string_view candidate) {
  return LiteralTally(bets.ToVector(), candidate);
}

std::vector<Kernel> Kernels() {
  std::vector<Kernel> ks;
  for (const KernelInfo& e : KernelTable())
    if (e.available()) ks.push_back(e.kernel);
  return ks;
}

}  // namespace qv::testing
