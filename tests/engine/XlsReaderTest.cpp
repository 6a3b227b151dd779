// The 2003-format reader on workbooks built record by record (so each case is exactly the one it names), checked
// where it matters against xlrd reading the same file.
#include "engine/BiffTestFile.h"
#include "engine/EngineError.h"
#include "engine/xls/XlsReader.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tabrix::engine;
using namespace tabrix::test::biff;

namespace {
std::string rk(uint32_t value) { return u32(value); }
} // namespace


// ---------------------------------------------------------------------------------------------------- numbers

TEST(XlsNumbers, RkVariantsDecodeExactly) {
    uint64_t bits;
    double half = 0.5, twoAndHalf = 2.5;
    std::memcpy(&bits, &half, 8);
    auto halfRk = uint32_t(bits >> 32);
    std::memcpy(&bits, &twoAndHalf, 8);
    auto twoAndHalfRk = uint32_t(bits >> 32) | 1u;
    std::string cells = record(0x027E, cell(0, 0) + rk(42u << 2 | 2)) +           // integer
                        record(0x027E, cell(1, 0) + rk(uint32_t(-7 * 4) | 2)) +    // negative integer
                        record(0x027E, cell(2, 0) + rk(1234u << 2 | 3)) +          // integer / 100
                        record(0x027E, cell(3, 0) + rk(halfRk)) +                  // top bits of a double
                        record(0x027E, cell(4, 0) + rk(twoAndHalfRk)) +            // double / 100
                        record(0x027E, cell(5, 0) + rk(0x1FFFFFFFu << 2 | 2)) +    // largest 30-bit integer
                        record(0x027E, cell(6, 0) + rk(0x80000000u | 2)) +         // smallest
                        record(0x027E, cell(7, 0) + rk(uint32_t(-1 * 4) | 3));     // -0.01
    auto book = oneSheet(cells);
    double expected[] = {42, -7, 12.34, 0.5, 0.025, 536870911, -536870912, -0.01};
    for (uint32_t r = 0; r < 8; ++r) {
        EXPECT_EQ(at(*book, r, 0).type, CellType::Number) << r;
        EXPECT_EQ(at(*book, r, 0).number, expected[r]) << r;
    }
    expectSameAsXlrd(oleFile(workbookStream(defaultStyles(), {{"Sheet1", cells}})));
}

TEST(XlsNumbers, MulRkNumberAndMulBlank) {
    std::string globals = defaultStyles() +
                          record(0x00E0, u16(0) + u16(0) + u16(1) + u8(0x20) + u8(0) + u8(0) + u8(0) + u32(0) +
                                             u32(1u << 26) + u16(13 | 65 << 7)); // XF 16: solid yellow fill
    std::string cells = record(0x00BD, u16(0) + u16(1) + u16(15) + rk(1u << 2 | 2) + u16(16) + rk(250u << 2 | 3) +
                                           u16(15) + rk(uint32_t(-3 * 4) | 2) + u16(3)) +
                        record(0x0203, cell(1, 0) + f64(3.141592653589793)) +
                        record(0x00BE, u16(2) + u16(0) + u16(15) + u16(16) + u16(15) + u16(2));
    auto book = oneSheet(cells, globals);
    EXPECT_EQ(at(*book, 0, 1).number, 1);
    EXPECT_EQ(at(*book, 0, 2).number, 2.5);
    EXPECT_NE(at(*book, 0, 2).style, 0u);
    EXPECT_EQ(at(*book, 0, 3).number, -3);
    EXPECT_EQ(at(*book, 1, 0).number, 3.141592653589793);
    SheetData& sheet = *book->sheets[0];
    // Every blank record is kept as a formatted cell (the used range counts it), also the one whose format
    // looks like the default.
    for (uint32_t c : {0u, 1u, 2u}) {
        ASSERT_NE(sheet.find(2, c), nullptr) << c;
        EXPECT_TRUE(sheet.find(2, c)->isBlank());
        EXPECT_NE(sheet.find(2, c)->style, 0u);
    }
    EXPECT_EQ(book->styles.get(sheet.find(2, 1)->style).fill.pattern, 1);
    EXPECT_EQ(book->styles.get(sheet.find(2, 0)->style), book->styles.get(0));
    EXPECT_EQ(sheet.usedRect()->lastCol, 3u);
}

TEST(XlsNumbers, BoolErrCells) {
    auto book = oneSheet(record(0x0205, cell(0, 0) + u8(1) + u8(0)) + record(0x0205, cell(0, 1) + u8(0) + u8(0)) +
                         record(0x0205, cell(0, 2) + u8(0x07) + u8(1)) + record(0x0205, cell(0, 3) + u8(0x2A) + u8(1)));
    EXPECT_EQ(at(*book, 0, 0).type, CellType::Boolean);
    EXPECT_TRUE(at(*book, 0, 0).boolean);
    EXPECT_FALSE(at(*book, 0, 1).boolean);
    EXPECT_EQ(at(*book, 0, 2).error, ErrorCode::Div0);
    EXPECT_EQ(at(*book, 0, 3).error, ErrorCode::NA);
}

// ---------------------------------------------------------------------------------------------------- strings

namespace {
std::string sstHeader(uint32_t count) { return u32(count) + u32(count); }
std::string labelSst(uint16_t row, uint32_t index) { return record(0x00FD, cell(row, 0) + u32(index)); }
std::string labels(uint32_t n) {
    std::string out;
    for (uint32_t i = 0; i < n; ++i) out += labelSst(uint16_t(i), i);
    return out;
}
} // namespace

TEST(XlsStrings, SstFormsRichAndPhoneticSkipped) {
    std::string sst = sstHeader(4) + str8("plain") + str16("中文 ✓") + u16(4) + u8(0x08) + u16(2) + "rich" +
                      u32(0x00010000) + u32(0x00020002) +                                            // 2 runs
                      u16(2) + u8(0x0D) + u16(1) + u32(6) + utf16("日本") + u32(0) + "\1\2\3\4\5\6"; // runs + phonetic
    auto book = oneSheet(labels(4), defaultStyles() + record(0x00FC, sst));
    EXPECT_EQ(textAt(*book, 0, 0), "plain");
    EXPECT_EQ(textAt(*book, 1, 0), "中文 ✓");
    EXPECT_EQ(textAt(*book, 2, 0), "rich");
    EXPECT_EQ(textAt(*book, 3, 0), "日本");
}

// A string's characters run on into a CONTINUE record that starts with its own flags byte, here switching from
// 8-bit to 16-bit characters; a split between strings has no flags byte; a split inside formatting runs or
// phonetic data has none either.
TEST(XlsStrings, SstSplitAcrossContinueRecords) {
    std::string part1 = sstHeader(6) + str8("first") + u16(6) + u8(0) + "abc";
    std::string part2 = u8(1) + utf16("中文d") + str8("between");
    std::string part3 = u16(4) + u8(0x08) + u16(2) + "runs" + u32(0x00010000);
    std::string part4 = u32(0x00020002) + u16(3) + u8(0x04) + u32(4) + "ext" + "\1\2";
    std::string part5 = std::string("\3\4") + str16("末尾");
    std::string globals = defaultStyles() + record(0x00FC, part1) + record(0x003C, part2) + record(0x003C, part3) +
                          record(0x003C, part4) + record(0x003C, part5);
    auto book = oneSheet(labels(6), globals);
    EXPECT_EQ(textAt(*book, 0, 0), "first");
    EXPECT_EQ(textAt(*book, 1, 0), "abc中文d");
    EXPECT_EQ(textAt(*book, 2, 0), "between");
    EXPECT_EQ(textAt(*book, 3, 0), "runs");
    EXPECT_EQ(textAt(*book, 4, 0), "ext");
    EXPECT_EQ(textAt(*book, 5, 0), "末尾");
    expectSameAsXlrd(oleFile(workbookStream(globals, {{"Sheet1", labels(6)}})));
}

TEST(XlsStrings, SstCountThatLies) {
    // More strings claimed than present: the ones there are read; a cell that points past them is an error.
    std::string globals = defaultStyles() + record(0x00FC, u32(1000000) + u32(4000000000u) + str8("only"));
    auto book = oneSheet(labelSst(0, 0), globals);
    EXPECT_EQ(textAt(*book, 0, 0), "only");
    auto bad = oneSheet(labelSst(0, 1), globals);
    try {
        bad->sheets[0]->ensureLoaded();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("LABELSST"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("引用了编号为 1 的共享字符串，但工作簿只有 1 个"), std::string::npos)
            << e.what();
    }
}

TEST(XlsStrings, LabelAndRStringInBiff8) {
    auto book = oneSheet(record(0x0204, cell(0, 0) + str16("标签")) + record(0x0204, cell(1, 0) + str8("caf\xE9")) +
                         record(0x00D6, cell(2, 0) + str8("rs") + u16(1) + u32(0)));
    EXPECT_EQ(textAt(*book, 0, 0), "标签");
    EXPECT_EQ(textAt(*book, 1, 0), "café");
    EXPECT_EQ(textAt(*book, 2, 0), "rs");
}

namespace {
// GBK bytes: 数据 (a sheet name), 中文测试 (a cell), 年 月 日 (in a number format).
const std::string kGbkData = "\xCA\xFD\xBE\xDD";
const std::string kGbkText = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4";
const std::string kGbkFormat = "yyyy\"\xC4\xEA\"m\"\xD4\xC2\"d\"\xC8\xD5\"";

std::string biff5Label(uint16_t row, uint16_t col, const std::string& bytes) {
    return record(0x0204, cell(row, col) + u16(uint16_t(bytes.size())) + bytes);
}
} // namespace

TEST(XlsStrings, Biff5ChineseInCodePage936) {
    std::string globals = record(0x0042, u16(936)) + defaultStyles(5) +
                          record(0x041E, u16(164) + u8(uint8_t(kGbkFormat.size())) + kGbkFormat) +
                          record(0x00E0, u16(0) + u16(164) + u16(1) + u8(0x20) + u8(0) + u32(64 | 65 << 7) + u32(0));
    Sheet sheet{"数据", biff5Label(0, 0, kGbkText) + record(0x0203, cell(1, 0, 16) + f64(45000))};
    sheet.nameBytes = kGbkData;
    std::string stream = workbookStream(globals, {sheet}, 5);
    auto book = readStream(stream, "Book");
    EXPECT_EQ(book->sheets[0]->name, "数据");
    EXPECT_EQ(textAt(*book, 0, 0), "中文测试");
    EXPECT_EQ(book->styles.get(at(*book, 1, 0).style).numFmt, "yyyy\"年\"m\"月\"d\"日\"");
    expectSameAsXlrd(oleFile(stream, "Book"));
}

TEST(XlsStrings, Biff5OtherCodePages) {
    auto read = [](uint16_t codePage, const std::string& bytes) {
        std::string globals = record(0x0042, u16(codePage)) + defaultStyles(5);
        auto book = readStream(workbookStream(globals, {{"S", biff5Label(0, 0, bytes)}}, 5), "Book");
        return textAt(*book, 0, 0);
    };
    EXPECT_EQ(read(1252, "na\xEFve \x80"), "naïve €");
    EXPECT_EQ(read(10000, "caf\x8E"), "café");           // Mac Roman
    EXPECT_EQ(read(1251, "\xC4\xE0"), "Да");
    EXPECT_EQ(read(950, "\xA4\xA4\xA4\xE5"), "中文");     // Big5
    EXPECT_EQ(read(932, "\x93\xFA\x96\x7B"), "日本");     // Shift_JIS
    EXPECT_EQ(read(1200, "plain"), "plain");              // claims UTF-16, but BIFF5 strings are 8-bit
    EXPECT_EQ(read(936, "\xD6"), "\xEF\xBF\xBD");         // a lead byte cut off becomes U+FFFD
}

// ---------------------------------------------------------------------------------------------------- formulas

namespace {
// Tokens: A1+1 (relative reference, integer, add).
const std::string kA1Plus1 = u8(0x24) + u16(0) + u16(0xC000) + u8(0x1E) + u16(1) + u8(0x03);

std::string formula(uint16_t row, uint16_t col, const std::string& result, const std::string& tokens,
                    uint16_t flags = 0) {
    return record(0x0006, cell(row, col) + result + u16(flags) + u32(0) + u16(uint16_t(tokens.size())) + tokens);
}
// A cached result that is not a number: kind byte, value byte, 0xFFFF in the top two bytes.
std::string special(uint8_t kind, uint8_t value = 0) {
    return u8(kind) + u8(0) + u8(value) + std::string(3, '\0') + "\xFF\xFF";
}
std::string ptgExp(uint16_t row, uint16_t col) { return u8(0x01) + u16(row) + u16(col); }
} // namespace

TEST(XlsFormulas, CachedResultsOfEveryKind) {
    std::string longText(9000, 'x'); // a STRING record too long for one record goes on in a CONTINUE record
    std::string cont = str8(longText);
    auto book = oneSheet(formula(0, 0, f64(2.5), kA1Plus1) +
                         formula(1, 0, special(0), kA1Plus1) + record(0x0207, str16("结果")) +
                         formula(2, 0, special(1, 1), kA1Plus1) +
                         formula(3, 0, special(2, 0x17), kA1Plus1) +
                         formula(4, 0, special(3), kA1Plus1) +
                         formula(5, 0, special(0), kA1Plus1) + record(0x0207, cont.substr(0, 8000)) +
                         record(0x003C, u8(0) + cont.substr(8000)) +
                         formula(6, 0, special(0), kA1Plus1) + // its STRING record is missing
                         record(0x0203, cell(7, 0) + f64(1)));
    EXPECT_EQ(at(*book, 0, 0).number, 2.5);
    EXPECT_EQ(book->formulaText(at(*book, 0, 0)), "A1+1");
    EXPECT_EQ(textAt(*book, 1, 0), "结果");
    EXPECT_EQ(at(*book, 2, 0).type, CellType::Boolean);
    EXPECT_TRUE(at(*book, 2, 0).boolean);
    EXPECT_EQ(at(*book, 3, 0).error, ErrorCode::Ref);
    EXPECT_EQ(textAt(*book, 4, 0), "");
    EXPECT_EQ(textAt(*book, 5, 0), longText);
    EXPECT_EQ(textAt(*book, 6, 0), "");
    EXPECT_TRUE(at(*book, 6, 0).hasFormula());
    EXPECT_FALSE(at(*book, 7, 0).hasFormula());
}

// Cells of a shared formula only point at the first cell; the SHRFMLA record after it holds tokens whose
// references are offsets, which each cell resolves from its own position.
TEST(XlsFormulas, SharedFormulaExpandedPerCell) {
    std::string shared = u8(0x2C) + u16(0) + u16(0xC0FF) + u8(0x1E) + u16(2) + u8(0x05); // (col-1, same row) * 2
    std::string records;
    for (uint16_t r = 0; r < 3; ++r) records += record(0x0203, cell(r, 0) + f64(r + 1));
    records += formula(0, 1, f64(2), ptgExp(0, 1), 0x08) +
               record(0x04BC, u16(0) + u16(2) + u8(1) + u8(1) + u8(0) + u8(3) + u16(uint16_t(shared.size())) +
                                  shared) +
               formula(1, 1, f64(4), ptgExp(0, 1), 0x08) + formula(2, 1, f64(6), ptgExp(0, 1), 0x08);
    auto book = oneSheet(records);
    EXPECT_EQ(book->formulaText(at(*book, 0, 1)), "A1*2");
    EXPECT_EQ(book->formulaText(at(*book, 1, 1)), "A2*2");
    EXPECT_EQ(book->formulaText(at(*book, 2, 1)), "A3*2");
    EXPECT_EQ(at(*book, 2, 1).number, 6);
}

TEST(XlsFormulas, ArrayFormulaOnItsFirstCell) {
    std::string tokens = u8(0x25) + u16(0) + u16(1) + u16(0xC000) + u16(0xC000) + u8(0x1E) + u16(2) + u8(0x05);
    std::string records = formula(0, 2, f64(2), ptgExp(0, 2)) +
                          record(0x0221, u16(0) + u16(1) + u8(2) + u8(2) + u16(0) + u32(0) +
                                             u16(uint16_t(tokens.size())) + tokens) +
                          formula(1, 2, f64(4), ptgExp(0, 2));
    auto book = oneSheet(records);
    EXPECT_EQ(book->formulaText(at(*book, 0, 2)), "A1:A2*2");
    EXPECT_FALSE(at(*book, 1, 2).hasFormula());
    EXPECT_EQ(at(*book, 1, 2).number, 4);
}

// Some writers put formula cells under the FORMULA numbers of BIFF3 (0x0206) and BIFF4 (0x0406) into a BIFF8
// stream, with or without the reserved field BIFF5 added; no cell may go missing for it.
TEST(XlsFormulas, OlderFormulaRecordNumbersAreReadAsFormulas) {
    const std::string withReserved = cell(0, 0) + f64(3.5) + u16(0) + u32(0) + u16(uint16_t(kA1Plus1.size())) + kA1Plus1;
    const std::string withoutReserved = cell(1, 0) + f64(-2) + u16(0) + u16(uint16_t(kA1Plus1.size())) + kA1Plus1;
    const std::string textResult = cell(2, 0) + special(0) + u16(0) + u32(0) + u16(uint16_t(kA1Plus1.size())) + kA1Plus1;
    const std::string records = record(0x0206, withReserved) + record(0x0406, withoutReserved) +
                                record(0x0406, textResult) + record(0x0207, str16("文本结果"));
    auto book = oneSheet(records);
    EXPECT_EQ(at(*book, 0, 0).number, 3.5);
    EXPECT_EQ(book->formulaText(at(*book, 0, 0)), "A1+1");
    EXPECT_EQ(at(*book, 1, 0).number, -2);
    EXPECT_EQ(book->formulaText(at(*book, 1, 0)), "A1+1");
    EXPECT_EQ(textAt(*book, 2, 0), "文本结果");
    expectSameAsXlrd(oleFile(workbookStream(defaultStyles(), {{"Sheet1", records}})));
}

// BIFF2 cell records inside a later stream carry values too; they are read with the sheet's default format.
TEST(XlsNumbers, Biff2CellRecordsInsideABiff8Stream) {
    const std::string attrs(3, '\0');
    auto book = oneSheet(record(0x0002, u16(0) + u16(0) + attrs + u16(42)) +
                         record(0x0003, u16(0) + u16(1) + attrs + f64(0.1)) +
                         record(0x0004, u16(0) + u16(2) + attrs + u8(4) + "Caf\xE9") +
                         record(0x0005, u16(0) + u16(3) + attrs + u8(1) + u8(0)) +
                         record(0x0005, u16(0) + u16(4) + attrs + u8(0x07) + u8(1)) +
                         record(0x0001, u16(0) + u16(5) + attrs));
    EXPECT_EQ(at(*book, 0, 0).number, 42);
    EXPECT_EQ(at(*book, 0, 1).number, 0.1);
    EXPECT_EQ(textAt(*book, 0, 2), "Café");
    EXPECT_TRUE(at(*book, 0, 3).boolean);
    EXPECT_EQ(at(*book, 0, 4).error, ErrorCode::Div0);
    EXPECT_EQ(at(*book, 0, 5).type, CellType::Empty);
}

TEST(XlsFormulas, UndecodableTokensKeepTheCachedValue) {
    auto book = oneSheet(formula(0, 0, f64(7), u8(0xFF) + u8(0xFF)) + formula(1, 0, f64(8), ptgExp(9, 9)));
    EXPECT_EQ(at(*book, 0, 0).number, 7);
    EXPECT_FALSE(at(*book, 0, 0).hasFormula());
    EXPECT_EQ(at(*book, 1, 0).number, 8); // points at a shared formula that is not there
    EXPECT_FALSE(at(*book, 1, 0).hasFormula());
}

TEST(XlsFormulas, DefinedNamesAndSheetReferences) {
    std::string area3d = u8(0x3B) + u16(0) + u16(0) + u16(1) + u16(0) + u16(1); // Sheet1!$A$1:$B$2
    auto name = [&](const std::string& text, uint16_t flags, uint16_t itab) {
        return record(0x0018, u16(flags) + u8(0) + u8(uint8_t(text.size())) + u16(uint16_t(area3d.size())) + u16(0) +
                                  u16(itab) + u32(0) + u8(0) + text + area3d);
    };
    std::string globals = defaultStyles() + record(0x01AE, u16(2) + u16(0x0401)) +
                          record(0x0017, u16(2) + u16(0) + u16(0) + u16(0) + u16(0) + u16(1) + u16(1)) +
                          record(0x0018, u16(0) + u8(0)) + // damaged: the names after it keep their numbers
                          name("Sales", 0, 0) + name("Local", 1, 2);
    std::string ref3d = u8(0x5A) + u16(1) + u16(0) + u16(0xC000); // 'My Sheet'!A1
    std::string refName = u8(0x23) + u16(2) + u16(0);              // Sales
    auto book = readStream(workbookStream(
        globals, {{"Sheet1", formula(0, 0, f64(0), ref3d) + formula(1, 0, f64(0), refName)}, {"My Sheet", ""}}));
    ASSERT_EQ(book->names.size(), 2u);
    EXPECT_EQ(book->names[0].name, "Sales");
    EXPECT_EQ(book->names[0].formula, "Sheet1!$A$1:$B$2");
    EXPECT_EQ(book->names[0].localSheet, -1);
    EXPECT_FALSE(book->names[0].hidden);
    EXPECT_EQ(book->names[1].localSheet, 1);
    EXPECT_TRUE(book->names[1].hidden);
    EXPECT_EQ(book->formulaText(at(*book, 0, 0)), "'My Sheet'!A1");
    EXPECT_EQ(book->formulaText(at(*book, 1, 0)), "Sales");
}
