#include <gtest/gtest.h>

#include "IntConv.h"

namespace qv {
namespace {

TEST(StrToInt32, AcceptsDecimalWithBlanksAndSign) {
  EXPECT_EQ(StrToInt32("0"), 0);
  EXPECT_EQ(StrToInt32("42"), 42);
  EXPECT_EQ(StrToInt32("007"), 7);
  EXPECT_EQ(StrToInt32("   15"), 15);
  EXPECT_EQ(StrToInt32("+15"), 15);
  EXPECT_EQ(StrToInt32("-15"), -15);
  EXPECT_EQ(StrToInt32("  -3"), -3);
  EXPECT_EQ(StrToInt32("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt32("-2147483648"), INT32_MIN);
}

TEST(StrToInt32, AcceptsEveryHexPrefix) {
  EXPECT_EQ(StrToInt32("$1F"), 31);
  EXPECT_EQ(StrToInt32("x1f"), 31);
  EXPECT_EQ(StrToInt32("X1F"), 31);
  EXPECT_EQ(StrToInt32("0x10"), 16);
  EXPECT_EQ(StrToInt32("0X10"), 16);
  EXPECT_EQ(StrToInt32(" -$10"), -16);
  // Hexadecimal may use all 32 bits; the value is the bit pattern.
  EXPECT_EQ(StrToInt32("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt32("$80000000"), INT32_MIN);
  EXPECT_EQ(StrToInt32("$000000000001"), 1);
}

TEST(StrToInt32, RefusesWhatIsNoNumber) {
  for (const char* bad : {"", " ", "-", "+", "$", "0x", "x", "1 ", "1-", "12a", "a", "--1", "+-1",
                          "\t1", "1.0", "2147483648", "-2147483649", "99999999999999999999",
                          "$100000000", "0x1G", "$ 1", "- 1", "\xB7\xD6"}) {
    EXPECT_FALSE(StrToInt32(bad).has_value()) << '"' << bad << '"';
  }
}

TEST(StrToInt32, LongRunsOfDigitsAreRefusedNotWrapped) {
  EXPECT_FALSE(StrToInt32(std::string(100000, '9')).has_value());
  EXPECT_EQ(StrToInt32(std::string(100000, '0') + "5"), 5);
  EXPECT_EQ(StrToInt32(std::string(100000, ' ') + "5"), 5);
}

TEST(InvalidIntegerMessage, QuotesTheOffendingText) {
  EXPECT_EQ(InvalidIntegerMessage("-"), "'-' is not a valid integer value");
  EXPECT_EQ(InvalidIntegerMessage(""), "'' is not a valid integer value");
}

}  // namespace
}  // namespace qv
