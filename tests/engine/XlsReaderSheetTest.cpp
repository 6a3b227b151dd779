// The 2003-format reader: sheet list, sheet layout (rows, columns, merges), styles, and files made by another
// writer (xlwt) and by real programs.
#include <filesystem>
#include "engine/BiffTestFile.h"
#include "engine/EngineError.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/xls/XlsReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace tabrix::engine;
using namespace tabrix::test::biff;
using tabrix::test::TempDir;

namespace {
std::string number(uint16_t row, uint16_t col, double v, uint16_t xf = 15) {
    return record(0x0203, cell(row, col, xf) + f64(v));
}
} // namespace

// ---------------------------------------------------------------------------------------------------- sheets

TEST(XlsSheets, KindsVisibilityAndLazyLoading) {
    Sheet hidden{"Hidden", number(0, 0, 2)};
    hidden.visibility = 1;
    Sheet veryHidden{"VeryHidden", number(0, 0, 3)};
    veryHidden.visibility = 2;
    Sheet chart{"Chart1", record(0x1001, u16(0))}; // a chart substream's records are not cells
    chart.type = 2;
    chart.bofType = 0x0020;
    Sheet macro{"Macro1", number(0, 0, 4)};
    macro.type = 1;
    macro.bofType = 0x0040;
    Sheet dialog{"Dialog1", record(0x0081, u16(0x0411))}; // WSBOOL with the dialog-sheet bit
    std::string globals = defaultStyles() + record(0x003D, std::string(10, '\0') + u16(1) + u16(0) + u16(1) + u16(600));
    auto book =
        readStream(workbookStream(globals, {{"Data", number(5, 2, 1)}, hidden, veryHidden, chart, macro, dialog}));
    ASSERT_EQ(book->sheets.size(), 6u);
    EXPECT_EQ(book->format, FileFormat::Xls);
    EXPECT_EQ(book->activeSheet, 1u);
    const char* names[] = {"Data", "Hidden", "VeryHidden", "Chart1", "Macro1", "Dialog1"};
    SheetKind kinds[] = {SheetKind::Worksheet, SheetKind::Worksheet, SheetKind::Worksheet,
                         SheetKind::Chart,     SheetKind::Macro,     SheetKind::Dialog};
    Visibility vis[] = {Visibility::Visible, Visibility::Hidden, Visibility::VeryHidden,
                        Visibility::Visible, Visibility::Visible, Visibility::Visible};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(book->sheets[i]->name, names[i]);
        EXPECT_EQ(book->sheets[i]->kind, kinds[i]) << names[i];
        EXPECT_EQ(book->sheets[i]->visibility, vis[i]) << names[i];
    }
    // Nothing of a sheet is read until it is first used.
    EXPECT_EQ(book->sheets[0]->rowCount(), 0u);
    EXPECT_EQ(at(*book, 5, 2).number, 1);
    EXPECT_EQ(at(*book, 0, 0, 2).number, 3);
    EXPECT_EQ(at(*book, 0, 0, 4).number, 4);
    book->sheets[3]->ensureLoaded();
    EXPECT_EQ(book->sheets[3]->rowCount(), 0u);
}

TEST(XlsSheets, DateSystemAndLayout) {
    std::string globals = defaultStyles() + record(0x0022, u16(1));
    std::string records =
        record(0x0225, u16(0) + u16(300)) + record(0x0055, u16(10)) +                    // 15 pt rows, 10-digit cols
        record(0x007D, u16(1) + u16(2) + u16(4388) + u16(15) + u16(0) + u16(0)) +          // B:C 16.43 wide
        record(0x007D, u16(4) + u16(4) + u16(2340) + u16(15) + u16(0x0201) + u16(0)) +     // E hidden, outline 2
        record(0x0208, u16(1) + u16(0) + u16(1) + u16(600) + u32(0) + u16(0x0140) + u16(15)) + // row 2: 30 pt
        record(0x0208, u16(2) + u16(0) + u16(1) + u16(300) + u32(0) + u16(0x0120) + u16(15)) + // row 3 hidden
        record(0x0208, u16(3) + u16(0) + u16(1) + u16(300) + u32(0) + u16(0x0100) + u16(15)) + // row 4 default
        number(0, 0, 45000) +
        record(0x00E5, u16(2) + u16(0) + u16(1) + u16(0) + u16(2) + u16(4) + u16(9) + u16(1) + u16(1));
    auto book = oneSheet(records, globals);
    EXPECT_TRUE(book->date1904);
    SheetData& s = *book->sheets[0];
    s.ensureLoaded();
    EXPECT_DOUBLE_EQ(s.defaultRowHeight, 15);
    EXPECT_NEAR(s.defaultColWidth, 10.71, 0.01);
    ASSERT_EQ(s.columns.size(), 2u);
    EXPECT_EQ(s.columns[0].first, 1);
    EXPECT_EQ(s.columns[0].last, 2);
    EXPECT_NEAR(s.columns[0].width, 16.43, 0.01);
    EXPECT_FALSE(s.columns[0].hidden);
    EXPECT_TRUE(s.columns[1].hidden);
    EXPECT_EQ(s.columns[1].outlineLevel, 2);
    EXPECT_NEAR(s.columns[1].width, 8.43, 0.01);
    EXPECT_FLOAT_EQ(s.row(1)->height, 30);
    EXPECT_TRUE(s.row(2)->hidden);
    EXPECT_LT(s.row(3)->height, 0); // the sheet's default height is not a height of its own
    ASSERT_EQ(s.merged.size(), 2u);
    EXPECT_EQ(s.merged[0], (CellRect{0, 0, 1, 2}));
    EXPECT_EQ(s.merged[1], (CellRect{4, 1, 9, 1}));
}

// What a sheet holds beyond cells is noted, so that saving it can say what was left out.
TEST(XlsSheets, FeaturesTheEngineCannotCarryAreNoted) {
    std::string globals = defaultStyles() + record(0x00FC, u32(1) + u32(1) + u16(1) + u8(0x08) + u16(1) + "r" + u32(0));
    std::string records = record(0x023E, u16(0x0008) + std::string(16, '\0')) +          // frozen panes
                          record(0x00FD, cell(0, 0) + u32(0)) +                             // a rich string
                          record(0x005D, u16(0x15) + u16(0x12) + u16(8) + std::string(16, '\0')) + // a picture
                          record(0x0809, u16(0x0600) + u16(0x0020)) + number(0, 0, 9) + record(0x000A, "") +
                          record(0x001C, std::string(12, '\0')) + record(0x01B8, std::string(32, '\0'));
    auto book = oneSheet(records, globals);
    SheetData& sheet = *book->sheets[0];
    sheet.ensureLoaded();
    for (const char* feature : {"freeze panes", "rich text", "images", "charts", "comments", "hyperlinks"})
        EXPECT_NE(std::find(sheet.droppedFeatures.begin(), sheet.droppedFeatures.end(), feature),
                  sheet.droppedFeatures.end())
            << feature;
    EXPECT_EQ(sheet.find(0, 0)->type, CellType::Text); // the embedded chart's records are not the sheet's cells
}

TEST(XlsSheets, CorpusMacroWorkbookNotesItsMacros) {
    const auto path = tabrix::test::corpusDir() / "files" / "poi__SimpleMacro.xls";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "the workbook corpus was not found";
    auto macro = xls::readXls(path.string());
    const auto& notes = macro->sheets.front()->droppedFeatures;
    EXPECT_NE(std::find(notes.begin(), notes.end(), "macros"), notes.end());
}

// ---------------------------------------------------------------------------------------------------- styles

namespace {
std::string font(const std::string& name, uint16_t twips, uint16_t flags, uint16_t color, uint16_t weight,
                 uint8_t underline) {
    return record(0x0031, u16(twips) + u16(flags) + u16(color) + u16(weight) + u16(0) + u8(underline) + u8(0) +
                              u8(134) + u8(0) + str16(name, 1));
}
std::string xf8(uint16_t fontIndex, uint16_t format, uint8_t align, uint8_t rotation, uint8_t indent, uint32_t b1,
                uint32_t b2, uint16_t fill) {
    return record(0x00E0, u16(fontIndex) + u16(format) + u16(0x0001) + u8(align) + u8(rotation) + u8(indent) + u8(0) +
                              u32(b1) + u32(b2) + u16(fill));
}
} // namespace

TEST(XlsStyles, FontFillBorderAlignmentFormat) {
    std::string globals = defaultStyles();
    for (int i = 0; i < 3; ++i) globals += font("Arial", 200, 0, 0x7FFF, 400, 0);
    globals += font("宋体", 280, 0x0002, 10, 700, 1); // the fifth FONT record is font 5: index 4 does not exist
    globals += record(0x041E, u16(164) + str8("0.000"));
    uint32_t b1 = 1 | 6u << 12 | 12u << 16 | 8u << 23 | 1u << 31;          // left thin blue, bottom double, diagonal up
    uint32_t b2 = 8u << 7 | 1u << 26;                                        // bottom colour black, solid fill
    globals += xf8(5, 164, 0x1A, 45, 0x12, b1, b2, 13 | 65 << 7);            // XF 16
    globals += xf8(0, 14, 0x20, 0, 0, 0, 0, 64 | 65 << 7);                   // XF 17: built-in date format
    globals += xf8(0, 0, 0x20, 0, 0, 0, 0, 64 | 65 << 7);                    // XF 18: looks like the default
    globals += record(0x0092, u16(3) + u32(0) + u32(0) + u32(0x00563412));   // PALETTE: colour 10 → #123456
    auto book = oneSheet(number(0, 0, 1, 16) + number(1, 0, 2, 17) + number(2, 0, 3, 18) +
                             record(0x0201, cell(3, 0, 15)) + record(0x0201, cell(4, 0, 16)),
                         globals);
    const Style& s = book->styles.get(at(*book, 0, 0).style);
    EXPECT_EQ(s.font.name, "宋体");
    EXPECT_EQ(s.font.size, 14);
    EXPECT_TRUE(s.font.bold);
    EXPECT_TRUE(s.font.italic);
    EXPECT_EQ(s.font.underline, Underline::Single);
    EXPECT_EQ(s.font.color, 0xFF123456u);
    EXPECT_EQ(s.numFmt, "0.000");
    EXPECT_EQ(s.alignment.horizontal, 2);
    EXPECT_TRUE(s.alignment.wrap);
    EXPECT_EQ(s.alignment.vertical, 1);
    EXPECT_EQ(s.alignment.rotation, 45);
    EXPECT_EQ(s.alignment.indent, 2);
    EXPECT_TRUE(s.alignment.shrink);
    EXPECT_EQ(s.border.left.style, 1);
    EXPECT_EQ(s.border.left.color, 0xFF0000FFu);
    EXPECT_EQ(s.border.bottom.style, 6);
    EXPECT_EQ(s.border.bottom.color, 0xFF000000u);
    EXPECT_TRUE(s.border.diagonalUp);
    EXPECT_EQ(s.border.right.style, 0);
    EXPECT_EQ(s.fill.pattern, 1);
    EXPECT_EQ(s.fill.fg, 0xFFFFFF00u);
    EXPECT_EQ(s.fill.bg, 0u);
    EXPECT_EQ(book->styles.get(at(*book, 1, 0).style).numFmt, numfmt::builtinFormat(14));
    EXPECT_TRUE(numfmt::isDateFormat(book->styles.get(at(*book, 1, 0).style).numFmt));
    // XF 15 is the workbook's default style; an XF that looks the same shares it, so a value cell with it has
    // the default style. A blank record with it is still kept: it is in the file because it was formatted.
    EXPECT_EQ(book->styles.get(0).font.name, "Arial");
    EXPECT_EQ(book->styles.get(0).font.size, 10);
    EXPECT_EQ(at(*book, 2, 0).style, 0u);
    ASSERT_NE(book->sheets[0]->find(3, 0), nullptr);
    EXPECT_EQ(book->styles.get(book->sheets[0]->find(3, 0)->style), book->styles.get(0));
    EXPECT_NE(book->sheets[0]->find(4, 0), nullptr);
}

// ---------------------------------------------------------------------------------------------------- other writers

// xlwt is an independent BIFF8 writer: what it was told to write must come back.
TEST(XlsOtherWriters, XlwtWorkbook) {
    TempDir dir;
    std::string path = dir.file("xlwt.xls"), script = dir.file("make.py");
    tabrix::test::writeFile(script, R"(import sys, datetime, xlwt
wb = xlwt.Workbook()
wb.dates_1904 = True
ws = wb.add_sheet('数据')
bold = xlwt.easyxf('font: bold on, height 280, name 宋体; pattern: pattern solid, fore_colour yellow; '
                   'borders: left thin; align: horiz center, wrap on', num_format_str='0.00%')
date = xlwt.easyxf(num_format_str='yyyy-mm-dd')
ws.write(0, 0, '标题', bold)
ws.write(1, 0, 0.125, bold)
ws.write(2, 0, datetime.date(2024, 1, 5), date)
ws.write(3, 0, -123456789)
ws.write(4, 0, 1e-300)
ws.write(5, 0, True)
ws.write(6, 0, xlwt.Formula('A2*2'))
ws.write(7, 0, '长' * 5000)                       # an SST string split over CONTINUE records
ws.write_merge(8, 9, 0, 2, 'merged')
ws.col(1).width = 256 * 20
ws.row(3).height_mismatch = True
ws.row(3).height = 600
hidden = wb.add_sheet('Hidden')
hidden.write(0, 0, 'x')
hidden.visibility = 1
wb.save(sys.argv[1])
)");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + path).c_str()), 0);
    auto book = xls::readXls(path);
    ASSERT_EQ(book->sheets.size(), 2u);
    EXPECT_EQ(book->sheets[0]->name, "数据");
    EXPECT_EQ(book->sheets[1]->visibility, Visibility::Hidden);
    EXPECT_TRUE(book->date1904);
    EXPECT_EQ(textAt(*book, 0, 0), "标题");
    const Style& s = book->styles.get(at(*book, 0, 0).style);
    EXPECT_TRUE(s.font.bold);
    EXPECT_EQ(s.font.name, "宋体");
    EXPECT_EQ(s.fill.fg, 0xFFFFFF00u);
    EXPECT_EQ(s.border.left.style, 1);
    EXPECT_EQ(s.alignment.horizontal, 2);
    EXPECT_EQ(book->styles.get(at(*book, 1, 0).style).numFmt, "0.00%");
    EXPECT_EQ(at(*book, 2, 0).number, 45296 - 1462); // 2024-01-05 in the 1904 system
    EXPECT_EQ(book->styles.get(at(*book, 2, 0).style).numFmt, "yyyy-mm-dd");
    EXPECT_EQ(at(*book, 3, 0).number, -123456789);
    EXPECT_EQ(at(*book, 4, 0).number, 1e-300);
    EXPECT_TRUE(at(*book, 5, 0).boolean);
    EXPECT_EQ(book->formulaText(at(*book, 6, 0)), "A2*2");
    std::string chang;
    for (int i = 0; i < 5000; ++i) chang += "长";
    EXPECT_EQ(textAt(*book, 7, 0), chang);
    SheetData& sheet = *book->sheets[0];
    ASSERT_EQ(sheet.merged.size(), 1u);
    EXPECT_EQ(sheet.merged[0], (CellRect{8, 0, 9, 2}));
    ASSERT_NE(sheet.columnInfo(1), nullptr);
    EXPECT_NEAR(sheet.columnInfo(1)->width, 19.29, 0.01);
    EXPECT_FLOAT_EQ(sheet.row(3)->height, 30);
}

// Real files whose shared strings are split over CONTINUE records in the middle of strings, checked against
// xlrd on the same file (the corpus check covers every cell of every corpus file the same way).
TEST(XlsOtherWriters, CorpusFilesWithContinuedStrings) {
    if (!std::filesystem::is_directory(tabrix::test::corpusDir() / "files"))
        GTEST_SKIP() << "the workbook corpus was not found";
    for (const char* name : {"calamine__sst_continue.xls", "poi__StringContinueRecords.xls",
                             "calamine__biff5-rich-text-string.xls", "sheetjs__rich_text_stress.xls"}) {
        SCOPED_TRACE(name);
        expectSameAsXlrd(tabrix::test::readFile((tabrix::test::corpusDir() / "files" / name).string()));
    }
}
