#include "engine/object/Application.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace tabrix::engine;

namespace {
void format(Workbook& book, Worksheet& ws, uint32_t row, uint32_t col, const char* code) {
    Style style;
    style.numFmt = code;
    ws.data().at(row - 1, col - 1).style = book.data().styles.intern(style);
}

std::string printed(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    return buf;
}
} // namespace

TEST(FindText, NumbersReadAsFifteenSignificantDigits) {
    std::mt19937_64 random(7);
    std::vector<double> samples = {0.0,     -0.0,    1.0,     -1.0,    0.1 + 0.2, 1e15,   1e15 - 1, 123456789012345678.0,
                                   1e-300,  2.5e-7,  1.5e300, -45296,  0.5,       1234.5, 99.99,    1.0 / 3};
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    std::uniform_int_distribution<int64_t> whole(-4'000'000'000'000'000, 4'000'000'000'000'000);
    for (int i = 0; i < 2000; ++i) {
        samples.push_back(spread(random));
        samples.push_back(double(whole(random)));
        samples.push_back(std::ldexp(spread(random), int(i % 200) - 100));
    }
    for (double v : samples) {
        Cell cell;
        cell.type = CellType::Number;
        cell.number = v;
        EXPECT_EQ(*findText(BookData{}, cell), printed(v)) << v;
    }
}

TEST(RangeFind, PartMatchesTheShownTextOfFormattedCellsToo) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    ws.Range("A1").SetValue(std::string("head"));
    ws.Range("A2").SetValue(45296.0);
    format(book, ws, 2, 1, "yyyy-mm-dd");
    ws.Range("A3").SetValue(1234.5);
    format(book, ws, 3, 1, "#,##0.00");
    ws.Range("A4").SetValue(std::string("abc"));
    format(book, ws, 4, 1, R"("No. "@)");
    Range all = ws.Range("A1:A4");
    EXPECT_EQ(all.Find(std::string("2024-01"), xlPart)->Address(), "$A$2");
    EXPECT_EQ(all.Find(std::string("45296"), xlPart)->Address(), "$A$2");
    EXPECT_EQ(all.Find(std::string("1,234.50"), xlPart)->Address(), "$A$3");
    EXPECT_EQ(all.Find(std::string("1234"), xlPart)->Address(), "$A$3");
    EXPECT_EQ(all.Find(std::string("no. A"), xlPart)->Address(), "$A$4");
    EXPECT_EQ(all.Find(std::string("2024-?1-05"), xlPart)->Address(), "$A$2");
    ws.Range("A5").SetValue(2.0 / 3);
    EXPECT_EQ(ws.Range("A1:A5").Find(std::string("0.666666667"), xlPart)->Address(), "$A$5");
    EXPECT_EQ(ws.Range("A1:A5").Find(std::string("0.66666666666"), xlPart)->Address(), "$A$5");
    // A whole-cell find keeps to the value: keys are compared as stored, not as shown.
    EXPECT_FALSE(all.Find(std::string("2024-01-05"), xlWhole));
    EXPECT_EQ(all.Find(45296.0, xlWhole)->Address(), "$A$2");
}

TEST(RangeCopy, SingleRowsAndLargeBlocksFromABigPoolCarryTheirTexts) {
    Application app;
    Workbook& big = app.Workbooks().Add();
    Worksheet& source = big.Worksheets(1);
    for (uint32_t r = 1; r <= 3000; ++r) {
        source.Cells(r, 1).SetValue("t" + std::to_string(r));
        source.Cells(r, 2).SetValue(double(r));
    }
    Workbook& result = app.Workbooks().Add();
    Worksheet& target = result.Worksheets(1);
    for (uint32_t r : {2999u, 7u, 1500u}) {
        const std::string row = std::to_string(r);
        source.Range("A" + row + ":B" + row).Copy(target.Range("A" + row));
        EXPECT_EQ(std::get<std::string>(target.Cells(r, 1).Value()), "t" + row);
    }
    // A block large enough to move from the hash map to the direct table half-way through.
    source.Range("A1:B3000").Copy(target.Range("D1"));
    for (uint32_t r : {1u, 200u, 2999u, 3000u}) {
        EXPECT_EQ(std::get<std::string>(target.Cells(r, 4).Value()), "t" + std::to_string(r));
        EXPECT_EQ(std::get<double>(target.Cells(r, 5).Value()), double(r));
    }
}

// The index keeps the first bytes of a value in place and the rest elsewhere, and a value on one row in place of a
// list: values that share a long start, differ only past it, repeat or are missing must each find exactly their
// rows, in order, and a change to the sheet must be seen.
TEST(FindIndex, ValuesSharingALongStartRepeatedOrMissing) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    const std::string start = "客户编号-0000000000000000-";
    for (uint32_t r = 1; r <= 3000; ++r)
        ws.Cells(r, 1).SetValue(start + std::to_string(r % 1000));
    ws.Cells(3001, 1).SetValue(std::string("Short"));
    FindIndex index;
    auto rowsOf = [&](const std::string& folded) {
        const auto found = index.rows(book.data(), ws.data(), 0, ws.version(), folded);
        return std::vector<uint32_t>(found.begin(), found.end());
    };
    EXPECT_EQ(rowsOf(start + "7"), (std::vector<uint32_t>{6, 1006, 2006}));
    EXPECT_EQ(rowsOf(start + "999"), (std::vector<uint32_t>{998, 1998, 2998}));
    EXPECT_TRUE(rowsOf(start + "1000").empty());
    EXPECT_EQ(rowsOf("short"), std::vector<uint32_t>{3000});
    EXPECT_TRUE(rowsOf("shor").empty());
    EXPECT_EQ(rowsOf(""), std::vector<uint32_t>{}); // no empty cell among the stored rows
    ws.Cells(2, 1).SetValue(std::string("Short"));
    EXPECT_EQ(rowsOf("short"), (std::vector<uint32_t>{1, 3000}));
    EXPECT_EQ(rowsOf(start + "2"), (std::vector<uint32_t>{1001, 2001}));
}
