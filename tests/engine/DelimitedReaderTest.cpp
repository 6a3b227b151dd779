// CSV, TSV and ;-separated text read as a worksheet.
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using tabrix::test::cellAt;
using tabrix::test::readText;

TEST(DelimitedReader, QuotedFieldsLineEndsAndTheSheetName) {
    auto book =
        readText("name,note,n\r\n\"Li, Lei\",\"two\nlines \"\"quoted\"\"\",1\rlast,,2\n\n\n", "exports/客户 2024.xls");
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(book->sheets[0]->name, "客户 2024");
    EXPECT_EQ(book->content, ContentKind::Csv);
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:Li, Lei");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:two\nlines \"quoted\"");
    EXPECT_EQ(cellAt(*book, 0, "C2"), "n:1");
    EXPECT_EQ(cellAt(*book, 0, "A3"), "s:last"); // CR alone ends a line
    EXPECT_EQ(cellAt(*book, 0, "B3"), "");
    EXPECT_EQ(cellAt(*book, 0, "C3"), "n:2");
    EXPECT_EQ(book->sheets[0]->usedRect()->lastRow, 2u);
}

TEST(DelimitedReader, DelimiterFromSepLineTabsOrSemicolons) {
    auto sep = readText("sep=;\n1;\"2;3\"\n");
    EXPECT_EQ(cellAt(*sep, 0, "A1"), "n:1");
    EXPECT_EQ(cellAt(*sep, 0, "B1"), "s:2;3");
    auto semi = readText("a;b;c\n1,5;2;3\n");
    EXPECT_EQ(semi->content, ContentKind::SemicolonText);
    EXPECT_EQ(cellAt(*semi, 0, "A2"), "s:1,5");
    auto tabs = readText("Report title\na\tb, with comma\n");
    EXPECT_EQ(tabs->content, ContentKind::Tsv);
    EXPECT_EQ(cellAt(*tabs, 0, "B2"), "s:b, with comma");
}

TEST(DelimitedReader, ExporterIdiomsKeepDigitsAsText) {
    auto book = readText("id,card,acct,n\n=\"0012\",123456789012345678\t,\"6222021234567890123\t\",=\"1\"\"2\"\n");
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:0012");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:123456789012345678");
    EXPECT_EQ(cellAt(*book, 0, "C2"), "s:6222021234567890123");
    EXPECT_EQ(cellAt(*book, 0, "D2"), "s:1\"2");
}

TEST(DelimitedReader, Utf16AndShortGbkText) {
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"姓名\t编号\r\n张三\t0012\r\n"))
        utf16 += char(c & 0xFF), utf16 += char(c >> 8);
    auto book = readText(utf16);
    EXPECT_EQ(book->content, ContentKind::Tsv);
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:张三");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:0012");
    auto gbk = readText("\xD0\xD5\xC3\xFB,\xB3\xC7\xCA\xD0\n\xC0\xEE,\xB1\xB1\xBE\xA9\n");
    EXPECT_EQ(cellAt(*gbk, 0, "A1"), "s:姓名");
    EXPECT_EQ(cellAt(*gbk, 0, "B2"), "s:北京");
}

TEST(DelimitedReader, TextWithoutDelimitersIsOneColumnAndNoTextIsRefused) {
    try {
        readText(std::string("\x01\x02\x03\x00zz", 6), "/x/a.xls");
        FAIL() << "read";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("/x/a.xls: 不是"), std::string::npos) << e.what();
    }
    auto prose = readText("just one line of prose\n", "/x/a.xls");
    EXPECT_EQ(prose->content, ContentKind::PlainText);
    EXPECT_EQ(cellAt(*prose, 0, "A1"), "s:just one line of prose");
    // A line longer than a sheet is wide is an error naming the place, never a silent cut.
    EXPECT_THROW(readText("1" + std::string(20000, ',') + "2\n"), EngineError);
    // A million-character field on one line is read in one pass.
    auto wide = readText("a,\"" + std::string(1 << 20, 'x') + "\"\n");
    EXPECT_EQ(cellAt(*wide, 0, "B1").size(), (1u << 20) + 2);
}

TEST(DelimitedReader, LargeTextReadInStretchesJoinsAsOne) {
    std::string plain, quoted;
    for (int i = 1; i <= 120000; ++i) {
        const std::string line = std::to_string(i) + ",名" + std::to_string(i % 97) + ",0" + std::to_string(i) + "\n";
        plain += line;
        // A quoted field with line breaks right where the text would be cut in two.
        quoted += i == 60000 ? "60000,\"a\n" + std::string(3 << 20, 'x') + "\nb\",060000\n" : line;
    }
    for (const std::string* text : {&plain, &quoted}) {
        auto book = readText(*text, "big.csv");
        const SheetData& s = *book->sheets[0];
        ASSERT_EQ(s.usedRect()->lastRow, 119999u);
        EXPECT_EQ(cellAt(*book, 0, "A120000"), "n:120000");
        EXPECT_EQ(cellAt(*book, 0, "B120000"), "s:名" + std::to_string(120000 % 97));
        EXPECT_EQ(cellAt(*book, 0, "C90001"), "s:090001");
        EXPECT_EQ(cellAt(*book, 0, "A60001"), "n:60001");
    }
    auto book = readText(quoted, "big.csv");
    EXPECT_EQ(cellAt(*book, 0, "B60000").substr(0, 5), "s:a\nx");
}

// The later share of a large text meets its formats in another order than the first: each cell keeps its own.
TEST(DelimitedReader, SharesMeetingFormatsInAnotherOrderKeepEachCellsFormat) {
    std::string text;
    for (int i = 1; i <= 400000; ++i)
        text += i <= 200000 ? "2024-01-02,5%,1\n" : "7%,1,234,2024-03-04\n";
    auto book = tabrix::test::readText(text, "formats.csv");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "A1"), "yyyy/m/d");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "B1"), "0%");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "A400000"), "0%");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "B400000"), "General");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "D400000"), "yyyy/m/d");
    EXPECT_EQ(cellAt(*book, 0, "D400000"), "d:45355");
    EXPECT_EQ(cellAt(*book, 0, "C300000"), "n:234");
}

// A large text is read in shares on several threads, each checking that its share is UTF-8. GBK bytes met only far
// into the text must still send the whole text through the conversion, and not be read as broken UTF-8.
TEST(DelimitedReader, GbkFarIntoALargeTextIsConvertedWhole) {
    std::string text = "name,city\n";
    while (text.size() < (6u << 20))
        text += "Li Lei,Beijing\n";
    text += "\xC0\xEE,\xB1\xB1\xBE\xA9\n"; // 李,北京 in GBK
    auto book = readText(text);
    const uint32_t last = book->sheets[0]->usedRect()->lastRow;
    EXPECT_EQ(cellAt(*book, 0, "A" + std::to_string(last + 1)), "s:李");
    EXPECT_EQ(cellAt(*book, 0, "B" + std::to_string(last + 1)), "s:北京");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:Beijing");
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:name");
}
