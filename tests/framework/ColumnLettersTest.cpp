#include "framework/ColumnLetters.h"

#include "engine/model/CellAddress.h"

#include <gtest/gtest.h>

using tabrix::framework::columnLetter;

TEST(ColumnLetters, TableCases) {
    EXPECT_EQ(columnLetter(1), "A");
    EXPECT_EQ(columnLetter(25), "Y");
    EXPECT_EQ(columnLetter(26), "Z");
    EXPECT_EQ(columnLetter(27), "AA");
    EXPECT_EQ(columnLetter(28), "AB");
    EXPECT_EQ(columnLetter(52), "AZ");
    EXPECT_EQ(columnLetter(53), "BA");
    EXPECT_EQ(columnLetter(78), "BZ");
    EXPECT_EQ(columnLetter(702), "ZZ");
}

TEST(ColumnLetters, AgreesWithEngineNamesAndGoesBeyondZZ) {
    for (long c = 1; c <= 702; ++c) ASSERT_EQ(columnLetter(c), tabrix::engine::columnLetters(uint32_t(c - 1))) << c;
    EXPECT_EQ(columnLetter(703), "AAA");
    EXPECT_EQ(columnLetter(16384), "XFD");
    EXPECT_EQ(columnLetter(0), "");
}

TEST(CellAddress, ParsesAndNamesRanges) {
    using namespace tabrix::engine;
    auto r = parseRangeRef("$B$2:D10");
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, (CellRect{1, 1, 9, 3}));
    EXPECT_EQ(rangeName(*r), "$B$2:$D$10");
    EXPECT_EQ(rangeName(CellRect{0, 0, 0, 0}), "$A$1");
    EXPECT_EQ(parseRangeRef("A:C")->lastRow, kMaxRows - 1);
    EXPECT_EQ(parseRangeRef("2:5")->firstRow, 1u);
    EXPECT_FALSE(parseRangeRef("A0"));
    EXPECT_FALSE(parseRangeRef("XFE1"));
    EXPECT_FALSE(parseRangeRef("A1048577"));
    EXPECT_FALSE(parseRangeRef("1A"));
    EXPECT_EQ(parseCellRef("xfd1048576")->col, 16383u);
}
