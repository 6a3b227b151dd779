#include "framework/LenientText.h"

#include <gtest/gtest.h>

using tabrix::framework::headingKey;
using tabrix::framework::lenientText;
using tabrix::framework::trimmedText;

TEST(LenientText, TrimsEveryKindOfBlankAroundButNotInside) {
    EXPECT_EQ(trimmedText(" \t\xE3\x80\x80" "A001\xC2\xA0 \r\n"), "A001");
    EXPECT_EQ(trimmedText("张 三"), "张 三");
    EXPECT_EQ(trimmedText("\xE3\x80\x80\xC2\xA0 "), "");
    // A lone lead byte at the end is not a blank and must not be read past.
    EXPECT_EQ(trimmedText("x\xE3\x80"), "x\xE3\x80");
}

TEST(LenientText, FullWidthFormsCountAsTheirAsciiOnes) {
    EXPECT_EQ(lenientText("１２３"), "123");
    EXPECT_EQ(lenientText("ＡＢｚ！～"), "ABz!~");
    // Outside U+FF01..U+FF5E nothing changes: the full-width space is trimmed only at the ends, CJK stays.
    EXPECT_EQ(lenientText("ａ\xE3\x80\x80ｂ"), "a\xE3\x80\x80" "b");
    EXPECT_EQ(lenientText("￥５"), "￥5");
    EXPECT_EQ(lenientText("中文"), "中文");
    EXPECT_EQ(headingKey(" Ｉｄ　"), "id");
}
