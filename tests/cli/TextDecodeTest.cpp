#include <gtest/gtest.h>

#include "TextDecode.h"

namespace qv::host {
namespace {

TEST(DecodeToUtf8, AsciiPassesUnchanged) {
  EXPECT_EQ(DecodeToUtf8("Darnveil 1.01\r\n\x07|"), "Darnveil 1.01\r\n\x07|");
  EXPECT_EQ(DecodeToUtf8(""), "");
}

TEST(DecodeToUtf8, Gb2312BecomesUtf8) {
  EXPECT_EQ(DecodeToUtf8("\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA"),  // 分布概率
            "\xE5\x88\x86\xE5\xB8\x83\xE6\xA6\x82\xE7\x8E\x87");
  // Mixed with ASCII on both sides.
  EXPECT_EQ(DecodeToUtf8("a\xB7\xD6" "7"), "a\xE5\x88\x86" "7");
}

TEST(DecodeToUtf8, UndecodableBytesAreEscapedAndDecodingGoesOn) {
  // A lead byte at the very end has no trail byte.
  EXPECT_EQ(DecodeToUtf8("ab\xB7"), "ab\\xB7");
  // A lead byte followed by a separator: the separator survives.
  EXPECT_EQ(DecodeToUtf8("\xB7\x07\xB7\xD6"), "\\xB7\x07\xE5\x88\x86");
  // 0x80 and 0xFF start no character.
  EXPECT_EQ(DecodeToUtf8("\x80\xFFz"), "\\x80\\xFFz");
}

}  // namespace
}  // namespace qv::host
