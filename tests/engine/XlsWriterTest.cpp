// The 2003-format writer checked through xlrd, a reader that shares no code with ours.
#include "engine/xls/XlsWriter.h"
#include "engine/EngineError.h"
#include "engine/XlrdDump.h"
#include "engine/XlsTestBook.h"
#include "engine/model/CellAddress.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

using namespace tabrix::engine;
using tabrix::test::bitsOf;
using tabrix::test::bitsOfHex;
using tabrix::test::TempDir;
using tabrix::test::XlrdDump;
using tabrix::test::XlsTestBook;

namespace {

struct Written {
    TempDir dir;
    std::string path;
    std::vector<std::string> warnings;
    std::unique_ptr<XlrdDump> dump;
};

std::unique_ptr<Written> writeAndRead(BookData& book, const std::string& dumpArgs = "") {
    auto w = std::make_unique<Written>();
    w->path = w->dir.file("book.xls");
    xls::writeXls(book, w->path, w->warnings);
    w->dump = std::make_unique<XlrdDump>(w->path, dumpArgs);
    EXPECT_EQ(w->dump->error(), "");
    return w;
}

[[maybe_unused]] std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines)
        all += l + "\n";
    return all;
}

} // namespace

TEST(XlsWriterValues, NumbersComeBackBitForBit) {
    // Integers and two-decimal amounts take the compact RK form, the rest full doubles; both must be exact.
    const double values[] = {0,
                             1,
                             -1,
                             536870911,  // largest RK integer
                             -536870912, // smallest
                             536870912,  // one beyond: RK only through the high bits of the double
                             123456789012345,
                             999999999999999,
                             -0.0,
                             0.1 + 0.2,
                             0.01,
                             12345.67,
                             -98765.43,
                             1.5,
                             1e-300,
                             5e-324,
                             1.7976931348623157e308,
                             3.141592653589793,
                             45678.123456789,
                             2.5e-7};
    XlsTestBook t;
    SheetData& s = t.sheet("Numbers");
    uint32_t r = 0;
    for (double v : values)
        t.number(s, r++, 0, v);
    auto w = writeAndRead(t.book);
    r = 0;
    for (double v : values) {
        std::string key = "Numbers!A" + std::to_string(r + 1);
        EXPECT_EQ((*w->dump)[key + ".type"], "number") << key;
        EXPECT_EQ(bitsOfHex((*w->dump)[key + ".hex"]), bitsOf(v)) << key << " " << (*w->dump)[key + ".hex"];
        ++r;
    }
}

TEST(XlsWriterValues, AdjacentNumbersSharingRecordsKeepTheirColumnsAndStyles) {
    XlsTestBook t;
    SheetData& s = t.sheet("Runs");
    Style bold;
    bold.font.bold = true;
    uint32_t b = t.style(bold);
    // A run of RK numbers broken by a full double, a text and a gap; styles alternate inside the run.
    for (uint32_t c = 0; c < 6; ++c)
        t.number(s, 0, c, c + 1, c % 2 ? b : 0);
    t.number(s, 0, 6, 0.3);
    t.number(s, 0, 7, 8);
    t.text(s, 0, 8, "x");
    t.number(s, 0, 10, 11);
    t.number(s, 0, 11, 12);
    for (uint32_t c = 0; c < 4; ++c)
        t.blank(s, 1, c + 2, b);
    auto w = writeAndRead(t.book);
    auto& d = *w->dump;
    for (uint32_t c = 0; c < 6; ++c) {
        std::string key = "Runs!" + columnLetters(c) + "1";
        EXPECT_EQ(d[key + ".value"], std::to_string(c + 1) + ".0") << key;
        EXPECT_EQ(d[key + ".font"].find("|b1|") != std::string::npos, c % 2 == 1) << key;
    }
    EXPECT_EQ(d["Runs!G1.value"], "0.3");
    EXPECT_EQ(d["Runs!H1.value"], "8.0");
    EXPECT_EQ(d["Runs!J1.type"], "");
    EXPECT_EQ(d["Runs!L1.value"], "12.0");
    EXPECT_EQ(d["Runs!B2.type"], "");
    for (const char* cell : {"C2", "D2", "E2", "F2"}) {
        EXPECT_EQ(d[std::string("Runs!") + cell + ".type"], "blank") << cell;
        EXPECT_NE(d[std::string("Runs!") + cell + ".font"].find("|b1|"), std::string::npos) << cell;
    }
}

TEST(XlsWriterValues, TextInEveryShape) {
    XlsTestBook t;
    SheetData& s = t.sheet("文本");
    const std::string longText = [] {
        std::string out;
        for (int i = 0; i < 10000; ++i)
            out += char('a' + i % 26);
        return out;
    }();
    std::string longCjk;
    for (int i = 0; i < 5000; ++i)
        longCjk += "汉字";
    const std::vector<std::string> texts = {
        "plain ASCII",
        "中文：数据汇总",
        "Latin-1 stays one byte: café, Zürich, ½",
        "tab\there and\nnew line\r\nand CRLF",
        "beyond the BMP: 😀 and 𠀀 mixed with 中文",
        "",
        longText,
        longCjk,
        " leading and trailing spaces ",
        "\"quotes\" and \\backslashes\\",
    };
    for (uint32_t i = 0; i < texts.size(); ++i)
        t.text(s, i, 0, texts[i]);
    // The same text in many cells is stored once and read back everywhere.
    for (uint32_t i = 0; i < 50; ++i)
        t.text(s, i, 1, "repeated");
    auto w = writeAndRead(t.book);
    for (uint32_t i = 0; i < texts.size(); ++i) {
        std::string key = "文本!A" + std::to_string(i + 1);
        EXPECT_EQ((*w->dump)[key + ".type"], "text") << key;
        EXPECT_EQ((*w->dump)[key + ".value"], texts[i]) << key;
    }
    EXPECT_EQ((*w->dump)["文本!B50.value"], "repeated");
}

TEST(XlsWriterValues, SharedStringsSpanningManyRecords) {
    // Enough text that the string table runs over several CONTINUE records, with strings of both widths cut at
    // every possible place, surrogate pairs included.
    XlsTestBook t;
    SheetData& s = t.sheet("SST");
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) {
        std::string v = "s" + std::to_string(i) + "-";
        for (int k = 0; k < i % 37; ++k)
            v += i % 3 == 0 ? "中" : i % 3 == 1 ? "é" : "😀";
        texts.push_back(v);
        t.text(s, uint32_t(i), 0, v);
    }
    auto w = writeAndRead(t.book);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ((*w->dump)["SST!A" + std::to_string(i + 1) + ".value"], texts[size_t(i)]) << i;
}

TEST(XlsWriterValues, BooleansErrorsAndStyledBlanks) {
    XlsTestBook t;
    SheetData& s = t.sheet("Misc");
    t.boolean(s, 0, 0, true);
    t.boolean(s, 0, 1, false);
    const ErrorCode errors[] = {ErrorCode::Null, ErrorCode::Div0, ErrorCode::Value, ErrorCode::Ref,
                                ErrorCode::Name, ErrorCode::Num,  ErrorCode::NA};
    for (uint32_t i = 0; i < 7; ++i)
        t.error(s, 1, i, errors[i]);
    t.error(s, 1, 7, ErrorCode::GettingData); // newer than the format: the nearest it has
    Style fill;
    fill.fill = {1, 0xFFFFFF00, 0};
    t.blank(s, 2, 0, t.style(fill));
    t.blank(s, 2, 1, 0); // an unformatted empty cell is not written at all
    t.number(s, 3, 0, std::numeric_limits<double>::infinity());
    auto w = writeAndRead(t.book);
    auto& d = *w->dump;
    EXPECT_EQ(d["Misc!A1.value"], "TRUE");
    EXPECT_EQ(d["Misc!B1.value"], "FALSE");
    EXPECT_EQ(d["Misc!A1.type"], "bool");
    for (uint32_t i = 0; i < 7; ++i)
        EXPECT_EQ(d["Misc!" + columnLetters(i) + "2.value"], std::string(errorText(errors[i])));
    EXPECT_EQ(d["Misc!H2.value"], "#N/A");
    EXPECT_EQ(d["Misc!A3.type"], "blank");
    EXPECT_EQ(d["Misc!A3.fill"], "1|fg=FFFF00|bg=auto");
    EXPECT_EQ(d["Misc!B3.type"], "");
    EXPECT_EQ(d["Misc!A4.value"], "#NUM!");
}

TEST(XlsWriterValues, DatesAreNumbersWithADateFormat) {
    XlsTestBook t;
    SheetData& s = t.sheet("Dates");
    Style builtinDate, customDate, chineseDate, time, plain;
    builtinDate.numFmt = "yyyy/m/d"; // the built-in short date (id 14) as our Chinese locale shows it
    customDate.numFmt = "yyyy-mm-dd hh:mm:ss";
    chineseDate.numFmt = R"(yyyy"年"m"月"d"日")";
    time.numFmt = "[h]:mm:ss";
    plain.numFmt = "#,##0.00_);[Red](#,##0.00)";
    t.number(s, 0, 0, 45292, t.style(builtinDate));
    t.number(s, 1, 0, 45292.5, t.style(customDate));
    t.number(s, 2, 0, 45292, t.style(chineseDate));
    t.number(s, 3, 0, 1.25, t.style(time));
    t.number(s, 4, 0, 1234.5, t.style(plain));
    t.book.date1904 = true;
    auto w = writeAndRead(t.book);
    auto& d = *w->dump;
    EXPECT_EQ(d["book.datemode"], "1");
    for (const char* cell : {"A1", "A2", "A3", "A4"})
        EXPECT_EQ(d[std::string("Dates!") + cell + ".type"], "date") << cell;
    EXPECT_EQ(d["Dates!A5.type"], "number");
    EXPECT_EQ(d["Dates!A2.fmt"], "yyyy-mm-dd hh:mm:ss");
    EXPECT_EQ(d["Dates!A3.fmt"], R"(yyyy"年"m"月"d"日")");
    EXPECT_EQ(d["Dates!A5.fmt"], "#,##0.00_);[Red](#,##0.00)");
    EXPECT_EQ(d["Dates!A2.value"], "45292.5");
}

TEST(XlsWriterLimits, TooManyRowsIsAnErrorAndNoFileIsLeft) {
    XlsTestBook t;
    SheetData& s = t.sheet("大表");
    t.number(s, 0, 0, 1);
    t.number(s, 65536, 0, 2); // row 65,537
    TempDir dir;
    std::vector<std::string> warnings;
    try {
        xls::writeXls(t.book, dir.file("big.xls"), warnings);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "工作表“大表”有 65537 行，超出 2003 格式的 65536 行上限");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("big.xls")));
}

TEST(XlsWriterLimits, TooManyColumnsIsAnError) {
    XlsTestBook t;
    t.sheet("First");
    SheetData& s = t.sheet("Wide");
    t.text(s, 3, 256, "IW4"); // column 257
    TempDir dir;
    std::vector<std::string> warnings;
    try {
        xls::writeXls(t.book, dir.file("wide.xls"), warnings);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "工作表“Wide”有 257 列，超出 2003 格式的 256 列上限");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("wide.xls")));
}

TEST(XlsWriterLimits, FormatOnlyRowsAndColumnsBeyondTheLimitsAreNoError) {
    // Only cells count: a format on whole columns or on far rows shows nothing, so it is simply left out.
    XlsTestBook t;
    SheetData& s = t.sheet("S");
    t.number(s, 65535, 255, 7); // IV65536, the last cell the format has
    s.rowForWrite(70000).height = 30;
    ColumnInfo all;
    all.first = 0;
    all.last = 16383;
    all.width = 12;
    s.setColumnInfo(all);
    t.blank(s, 80000, 0, 0); // an unformatted empty cell is nothing either
    auto w = writeAndRead(t.book, "--summary --sample IV65536");
    EXPECT_EQ((*w->dump)["S!IV65536.value"], "7.0");
    EXPECT_EQ((*w->dump)["S.nrows"], "65536");
    EXPECT_EQ((*w->dump)["S.ncols"], "256");
}

TEST(XlsWriterLimits, OverlongTextIsAnErrorNamingTheCell) {
    XlsTestBook t;
    SheetData& s = t.sheet("T");
    t.text(s, 4, 2, std::string(32767, 'x')); // the longest allowed
    t.text(s, 5, 2, std::string(32768, 'y'));
    TempDir dir;
    std::vector<std::string> warnings;
    try {
        xls::writeXls(t.book, dir.file("t.xls"), warnings);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "工作表“T”单元格 C6 的文本有 32768 个字符，超出 2003 格式每个单元格 32767 个字符的上限");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("t.xls")));
}
