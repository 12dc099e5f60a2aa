#include <gtest/gtest.h>

#include "IntConv.h"

namespace qv {
namespace {

TEST(StrToInt32, AcceptsDecimalWithBlanksAndSignAndEveryHexPrefix) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0}, {"42", 42}, {"007", 7}, {"   15", 15}, {"+15", 15}, {"-15", -15}, {"  -3", -3},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"$1F", 31}, {"x1f", 31}, {"X1F", 31}, {"0x10", 16}, {"0X10", 16}, {" -$10", -16},
      // Hexadecimal may use all 32 bits; the value is the bit pattern.
      {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN}, {"$000000000001", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToInt32(c.text), c.value) << '"' << c.text << '"';
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
