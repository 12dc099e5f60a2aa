// The prepared counter against the literal count, for every kernel the
// processor runs, on edge cases and on random bets of every shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BetGen.h"
#include "HitCases.h"
#include "HitCount.h"

namespace qv {
namespace {

using namespace testing;

// Every kernel, and the counter's own choice, agree with the literal tally.
::testing::AssertionResult AgreesWithLiteral(const HitCounter& counter,
                                             const std::vector<std::string>& bets,
                                             std::string_view candidate) {
  const auto expected = LiteralTally(bets, candidate);
  auto check = [&](const int32_t* got, const char* name) -> ::testing::AssertionResult {
    for (int k = 0; k < kLevels; ++k)
      if (got[k] != expected[static_cast<size_t>(k)]) {
        std::string shown;
        for (unsigned char ch : candidate) shown += (ch >= 32 && ch < 127) ? std::string(1, static_cast<char>(ch)) : "\\x" + std::to_string(ch);
        return ::testing::AssertionFailure()
               << name << ": level " << k << " got " << got[k] << ", literal "
               << expected[static_cast<size_t>(k)] << " for candidate \"" << shown << "\" over "
               << bets.size() << " bets";
      }
    return ::testing::AssertionSuccess();
  };
  for (Kernel k : Kernels()) {
    int32_t tally[kLevels];
    std::fill(tally, tally + kLevels, -1);
    counter.Tally(candidate, tally, k);
    if (auto r = check(tally, KernelName(k)); !r) return r;
  }
  int32_t tally[kLevels];
  counter.Tally(candidate, tally);
  return check(tally, "default");
}

TEST(HitCounter, CountsTheDocumentedCasesWithEveryKernel) {
  for (const testing::HitCase& c : testing::kHitCases) {
    const std::vector<std::string> bets{c.bet};
    HitCounter counter;
    counter.Build(bets);
    for (Kernel k : Kernels()) {
      int32_t tally[kLevels];
      counter.Tally(c.candidate, tally, k);
      for (int level = 0; level < kLevels; ++level)
        EXPECT_EQ(tally[level], level == c.hits ? 1 : 0)
            << KernelName(k) << ": " << c.bet << " vs " << c.candidate << " level " << level;
    }
  }
}

TEST(HitCounter, LargeHitCountsNeverWrapIntoALevel) {
  // Groups whose counts exceed a byte: 256 equal characters would read as
  // 0 hits in a wrapping byte, 263 as 7.
  const std::string g256(256, '5'), g263(263, '5'), s256(256, '*'), s257(257, '*');
  const std::vector<std::string> bets{
      g256 + ",,,,,,",      g263 + ",0,0,0,0,0,0", s256 + ",1",   s257 + ",*",
      "5,5,5,5,5,5,5" + std::string(",") + g256, g256 + "1,",  "55555555,5,5",
      "*5,*5,*5,*5,*5,*5,*5", "5*,*,*,*,*,*,*", "5,5,5,5,5,5,5"};
  HitCounter counter;
  counter.Build(bets);
  for (const char* cand : {"5555555", "0000000", "5", "1111111", "55555555", ""})
    EXPECT_TRUE(AgreesWithLiteral(counter, bets, cand));
}

TEST(HitCounter, CandidatesShorterAndLongerThanTheBets) {
  const std::vector<std::string> bets{"1234567", "123",  "1,2,3",          "1,2,3,4,5,6,7,8,9",
                                      "123456789012", "",   "*,*,*,*,*,*,*,*", ",,,,,,,,,5"};
  HitCounter counter;
  counter.Build(bets);
  EXPECT_EQ(counter.MaxPositions(), 12u);
  for (const char* cand : {"", "1", "12", "123456", "1234567", "12345678", "123456789",
                           "1234567890", "123456789012345", "0000000005"})
    EXPECT_TRUE(AgreesWithLiteral(counter, bets, cand));
}

TEST(HitCounter, RandomBetsOfEveryShape) {
  BetGen gen(2024);
  for (Flavor f : {Flavor::SingleDigits, Flavor::CompoundDigits, Flavor::CompoundWild, Flavor::Bytes,
                   Flavor::Long, Flavor::Mixed}) {
    for (size_t n : {size_t{1}, size_t{7}, size_t{31}, size_t{32}, size_t{33}, size_t{100}, size_t{1000}}) {
      const auto bets = gen.Bets(n, f);
      HitCounter counter;
      counter.Build(bets);
      ASSERT_EQ(counter.BetCount(), n);
      ASSERT_EQ(counter.TableBetCount() + counter.GeneralBetCount(), n);
      const int candidates = n >= 1000 ? 60 : 150;
      for (int i = 0; i < candidates; ++i) {
        const std::string cand = gen.Candidate(20, /*allowZero=*/true);
        ASSERT_TRUE(AgreesWithLiteral(counter, bets, cand)) << "flavour " << static_cast<int>(f);
      }
    }
  }
}

TEST(HitCounter, BitRowsByteRowsAndBothAroundEveryWidth) {
  // Single bets and compound bets without repeats (a lone "*" included)
  // take bit rows; cells of 2 or 3 ("11", "*1") two planes of them, or byte
  // rows when they are few; cells of 4 and more byte rows.  Counts on both
  // sides of 64, 128, 256 and 512, for every kernel and with only some
  // levels asked for.
  BetGen gen(21);
  auto bitBet = [&] {
    std::string b;
    if (gen.Chance(50)) {
      for (int j = 0; j < 7; ++j) b += static_cast<char>('0' + gen.Uniform(0, 9));
      return b;
    }
    for (int j = 0; j < 7; ++j) {
      if (j) b += ',';
      if (gen.Chance(10)) { b += '*'; continue; }
      std::string digits = "0123456789";  // up to four distinct ones
      const int width = gen.Uniform(1, 4);
      for (int w = 0; w < width; ++w) std::swap(digits[w], digits[gen.Uniform(w, 9)]);
      b += digits.substr(0, width);
    }
    return b;
  };
  auto withGroup = [&](const char* extra) {
    const std::string b = bitBet();  // its last group replaced
    return (b.find(',') == std::string::npos ? b.substr(0, 1) + "," : b.substr(0, b.rfind(',') + 1)) + extra;
  };
  auto pairBet = [&] { return withGroup(gen.Chance(50) ? "*1" : "11"); };
  auto byteBet = [&] { return withGroup(gen.Chance(50) ? "**11" : "1111"); };
  // Mixes: bit rows only; two planes only; byte rows only; all three; a
  // few pairs among bit rows (they go to byte rows).
  for (size_t n : {63, 64, 65, 127, 128, 129, 255, 256, 257, 511, 512, 513}) {
    for (int mix = 0; mix < 5; ++mix) {
      std::vector<std::string> bets;
      for (size_t i = 0; i < n; ++i)
        bets.push_back(mix == 0 || (mix == 3 && i % 3 == 0) || (mix == 4 && i % 40) ? bitBet()
                       : mix == 2 || (mix == 3 && i % 3 == 1)                        ? byteBet()
                                                                                     : pairBet());
      HitCounter counter;
      counter.UseKernel(Kernel::Scalar);  // bit rows at every size (vector kernels: above 64 bets)
      counter.Build(bets);
      ASSERT_EQ(counter.GeneralBetCount(), 0u);
      const size_t planes[] = {1, 2, 1, 2, 1};
      if (mix != 2) ASSERT_EQ(counter.BitPlanes(), planes[mix]) << n << " bets, mix " << mix;
      ASSERT_EQ(counter.BitBetCount(), mix == 2 ? 0 : mix == 3 ? n - (n + 1) / 3 : mix == 4 ? n - (n + 39) / 40 : n);
      for (int i = 0; i < 12; ++i) {
        std::string cand = gen.Candidate(8);
        if (i % 2) {  // from a bet, to reach the high levels
          const std::string& b = bets[static_cast<size_t>(gen.Uniform(0, static_cast<int>(n) - 1))];
          cand.clear();
          for (size_t k = 0; k < b.size() && cand.size() < 7; ++k)
            if (b[k] != ',' && (k == 0 || b[k - 1] == ',')) cand += b[k] == '*' ? '5' : b[k];
        }
        ASSERT_TRUE(AgreesWithLiteral(counter, bets, cand)) << n << " bets, mix " << mix;
        const uint32_t levels = static_cast<uint32_t>(gen.Uniform(0, 255));
        const auto expected = LiteralTally(bets, cand);
        for (Kernel k : Kernels()) {
          int32_t tally[kLevels];
          counter.Tally(cand, tally, k, levels);
          for (int l = 0; l < kLevels; ++l)
            if (levels >> l & 1) ASSERT_EQ(tally[l], expected[static_cast<size_t>(l)]) << KernelName(k) << " level " << l;
        }
        int32_t tally[kLevels];
        counter.TallyLevels(cand.c_str(), tally, levels);
        for (int l = 0; l < kLevels; ++l)
          if (levels >> l & 1) ASSERT_EQ(tally[l], expected[static_cast<size_t>(l)]) << "default, level " << l;
      }
    }
  }
}

TEST(HitCounter, TablesJudgedInTheKernelAddTheCodesOfTheLiteralTally) {
  // Small byte tables and bit rows of one or two planes around every width.
  // Codes drawn at random, so that a count one off shows in the sum; half
  // the candidates near a bet, so that high levels have counts.
  BetGen gen(77);
  int judged = 0;
  for (Kernel k : Kernels())
    for (size_t size : {1, 20, 31, 32, 33, 60, 64, 65, 127, 128, 129, 256, 257, 511, 512, 513, 1000})
      for (Flavor f : {Flavor::SingleDigits, Flavor::CompoundDigits, Flavor::Mixed}) {
        size_t n = size;
        // Only bets that bit rows or small byte tables hold (seven positions,
        // groups of three characters or fewer): one other bet would leave
        // most of these sizes unjudged.
        auto bets = gen.Bets(size, f);
        std::erase_if(bets, [](const std::string& b) {
          if (b.find(',') == std::string::npos) return b.size() > 7;
          size_t group = 0, commas = 0;
          for (char c : b) {
            group = c == ',' ? 0 : group + 1;
            commas += c == ',';
            if (group > 3) return true;
          }
          return commas > 6;
        });
        n = bets.size();
        if (n == 0) continue;
        HitCounter counter;
        counter.UseKernel(k);
        counter.Build(bets);
        if (!counter.SumsCodes()) continue;  // bets in more than one table, or a small scalar one
        ++judged;
        std::vector<uint16_t> code(kLevels * (n + 1));
        for (uint16_t& c : code) c = static_cast<uint16_t>(gen.Uniform(0, 255));
        for (int i = 0; i < 40; ++i) {
          const std::string cand = i % 2 ? gen.Candidate(9) : gen.CandidateNear(bets[static_cast<size_t>(gen.Uniform(0, static_cast<int>(n) - 1))]);
          const uint32_t levels = static_cast<uint32_t>(gen.Uniform(0, 255));
          const auto t = LiteralTally(bets, cand);
          uint32_t want = 0;
          for (size_t l = 0; l < kLevels; ++l)
            if (levels >> l & 1) want += code[l * (n + 1) + static_cast<size_t>(t[l])];
          ASSERT_EQ(counter.SumCodes(cand.c_str(), levels, code.data(), n + 1), want)
              << KernelName(k) << ", " << n << " bets, " << cand << ", levels " << levels;
        }
      }
  if (KernelAvailable(Kernel::Sse2)) EXPECT_GT(judged, 0);
}

TEST(HitCounter, CandidatesBuiltFromTheBetsThemselves) {
  // Random candidates rarely hit high levels; candidates taken from the bets'
  // own offers do, and exercise levels 5 to 7.
  BetGen gen(99);
  const auto bets = gen.Bets(500, Flavor::Mixed);
  HitCounter counter;
  counter.Build(bets);
  for (int i = 0; i < 300; ++i) {
    const std::string cand = gen.CandidateNear(bets[static_cast<size_t>(gen.Uniform(0, 499))]);
    ASSERT_TRUE(AgreesWithLiteral(counter, bets, cand));
  }
}

TEST(HitCounter, ManyCharacterClassesAtOnePosition) {
  // More distinct characters per position than rows: the rare ones must
  // still count exactly.
  std::vector<std::string> bets;
  for (int c = 1; c < 256; ++c)
    for (int r = 0; r < (c % 7) + 1; ++r) {
      std::string b(7, static_cast<char>(c));
      b[static_cast<size_t>(r)] = '0';
      bets.push_back(b);
    }
  HitCounter counter;
  counter.Build(bets);
  EXPECT_GT(counter.TableBetCount(), 0u);
  EXPECT_GT(counter.GeneralBetCount(), 0u);
  for (int c = 1; c < 256; c += 3) {
    std::string cand(7, static_cast<char>(c));
    EXPECT_TRUE(AgreesWithLiteral(counter, bets, cand));
    cand[2] = '0';
    EXPECT_TRUE(AgreesWithLiteral(counter, bets, cand));
  }
}

TEST(HitCounter, RebuildReplacesEverything) {
  HitCounter counter;
  BetGen gen(5);
  const auto first = gen.Bets(300, Flavor::Mixed);
  counter.Build(first);
  const std::vector<std::string> second{"1234567", "0,0,0,0,0,0,0"};
  counter.Build(second);
  EXPECT_EQ(counter.BetCount(), 2u);
  for (const char* cand : {"1234567", "0000000", ""}) EXPECT_TRUE(AgreesWithLiteral(counter, second, cand));
  counter.Build(std::vector<std::string>{});
  int32_t tally[kLevels];
  counter.Tally("1234567", tally);
  for (int k = 0; k < kLevels; ++k) EXPECT_EQ(tally[k], 0);
}

TEST(HitCounter, HundredThousandBetsInMemoryProportionalToThem) {
  BetGen gen(100000);
  const auto bets = gen.Bets(100000, Flavor::Mixed);
  size_t textBytes = 0;
  for (const auto& b : bets) textBytes += b.size();
  HitCounter counter;
  counter.Build(bets);
  // At most one byte per bet for each row of every position, plus the
  // general path's copy of what it keeps.
  const size_t rows = 1 + HitCounter::kFastPositions * (HitCounter::kMaxClasses + 1);
  EXPECT_LE(counter.MemoryBytes(), rows * (bets.size() + HitCounter::kLaneStep) + 16 * textBytes + 65536);
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(AgreesWithLiteral(counter, bets, gen.Candidate(12)));
  ASSERT_TRUE(AgreesWithLiteral(counter, bets, "0123456"));
}

TEST(HitCounter, MegabyteBetsAreCountedExactlyInProportionalMemory) {
  const size_t mb = size_t{1} << 20;
  std::string single(mb, '7');
  for (size_t i = 0; i < mb; i += 3) single[i] = '1';
  std::string manyGroups;  // "1,2,3,...": half a million groups
  while (manyGroups.size() + 2 <= mb) {
    manyGroups += static_cast<char>('0' + manyGroups.size() % 10);
    manyGroups += ',';
  }
  std::string hugeGroups;  // seven groups of 150,000 characters
  for (int g = 0; g < 7; ++g) {
    if (g) hugeGroups += ',';
    hugeGroups.append(mb / 7, static_cast<char>('0' + g));
  }
  std::string hugeMixed(mb, '3');  // one group full of mixed characters
  for (size_t i = 0; i < mb; i += 5) hugeMixed[i] = static_cast<char>(0x80 + i % 100);
  hugeMixed += ",1";
  for (const std::string* bet : {&single, &manyGroups, &hugeGroups, &hugeMixed}) {
    const std::vector<std::string> bets{*bet, "1234567"};
    HitCounter counter;
    counter.Build(bets);
    EXPECT_LE(counter.MemoryBytes(), 16 * bet->size() + 65536);
    std::string longCand(mb + 10, '7');
    for (size_t i = 0; i < longCand.size(); i += 3) longCand[i] = '1';
    for (std::string_view cand : {std::string_view("1771771"), std::string_view("0123456"),
                                  std::string_view("3"), std::string_view(longCand),
                                  std::string_view(longCand).substr(0, 20)})
      EXPECT_TRUE(AgreesWithLiteral(counter, bets, cand));
  }
}

}  // namespace
}  // namespace qv
