// Writes the synthetic example history: 30 made-up draws, each with the
// media bets of made-up tipsters, in the three kinds of bets file and inline.
// The tipsters are a little better than chance, so that bands calibrated on
// the winners keep them more often than they keep numbers at random.
//
// With --independent: 40 draws whose bets aim at a number drawn apart from
// the winner, so they carry nothing about it and any bands keep a winner
// exactly as often as they keep numbers at random.
//
//   quelvor_example_history [--independent] FOLDER
//
// Deterministic: the same files on every platform.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

uint64_t state = 20260101;

uint32_t Next(uint32_t bound) {  // uniform enough for an example
  state += 0x9E3779B97F4A7C15ull;
  uint64_t x = state;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<uint32_t>(x % bound);
}

std::string Winner() {
  std::string w;
  for (int i = 0; i < 7; ++i) w += static_cast<char>('0' + Next(10));
  return w;
}

// A tipster's single bet: each position is the winner's digit one time in
// sixteen, else any digit.
std::string SingleBet(const std::string& winner) {
  std::string b;
  for (char c : winner) b += Next(16) == 0 ? c : static_cast<char>('0' + Next(10));
  return b;
}

// A compound bet: one to three digits a position, the winner's among them
// somewhat more often than chance.
std::string CompoundBet(const std::string& winner) {
  std::string b;
  for (size_t j = 0; j < winner.size(); ++j) {
    if (j) b += ',';
    const uint32_t size = 1 + Next(3);
    std::string group;
    if (Next(10) < 2) group += winner[j];
    while (group.size() < size) {
      const char d = static_cast<char>('0' + Next(10));
      if (group.find(d) == std::string::npos) group += d;
    }
    b += group;
  }
  return b;
}

std::vector<std::string> Bets(const std::string& winner) {
  std::vector<std::string> bets;
  const uint32_t n = 24 + Next(25);
  for (uint32_t i = 0; i < n; ++i) bets.push_back(Next(3) == 0 ? CompoundBet(winner) : SingleBet(winner));
  return bets;
}

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Szc(const std::vector<std::string>& bets) {
  constexpr size_t kRecord = 64;
  std::string s(32, '\0');
  Put32(s, 4, static_cast<uint32_t>(bets.size()));
  Put32(s, 8, kRecord);
  for (const std::string& b : bets) {
    std::string rec = b;
    rec.resize(kRecord, '\0');
    s += rec;
  }
  return s;
}

std::string ConditionFile(const std::vector<std::string>& bets) {
  // The header "七星彩-分布概率过滤条件:" in GB2312, then a filter string.
  std::string s =
      "\xC6\xDF\xD0\xC7\xB2\xCA\x2D\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\x3A\r\n"
      "M3(5-11|1-16)M2(16-26|10-31)E0-1TJ";
  for (const std::string& b : bets) s += b + "|";
  return s + "\r\n";
}

std::string Lines(const std::vector<std::string>& bets) {
  std::string s;
  for (const std::string& b : bets) s += b + "\r\n";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const bool independent = argc == 3 && std::string(argv[1]) == "--independent";
  if (argc != 2 && !independent) {
    std::fprintf(stderr, "usage: %s [--independent] FOLDER\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[argc - 1];
  const int draws = independent ? 40 : 30;
  const char* prefix = independent ? "C" : "S";
  std::string csv = "draw,winner,bets_file,bets,note\n";
  bool ok = true;
  for (int d = 1; d <= draws + 1; ++d) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%03d", prefix, d);
    const std::string winner = Winner();
    const std::vector<std::string> bets = Bets(independent ? Winner() : winner);
    if (d == draws + 1) {  // the next draw: its bets only, for --bets
      ok &= Write(dir + "/next-draw.txt", Lines(bets));
      break;
    }
    std::string file, inlineBets;
    switch (d % 4) {
      case 1: file = std::string("bets/") + name + ".szc"; ok &= Write(dir + "/" + file, Szc(bets)); break;
      case 2: file = std::string("bets/") + name + ".txt"; ok &= Write(dir + "/" + file, ConditionFile(bets)); break;
      case 3: file = std::string("bets/") + name + "-list.txt"; ok &= Write(dir + "/" + file, Lines(bets)); break;
      default:
        for (const std::string& b : bets) inlineBets += b + "|";
        inlineBets = "\"" + inlineBets + "\"";  // compound bets hold commas
    }
    csv += std::string(name) + "," + winner + "," + file + "," + inlineBets +
           (independent ? ",synthetic; bets independent of the winner\n" : ",synthetic\n");
  }
  ok &= Write(dir + "/history.csv", csv);
  if (!ok) {
    std::fprintf(stderr, "cannot write the example into %s (does %s/bets exist?)\n", dir.c_str(), dir.c_str());
    return 1;
  }
  return 0;
}
