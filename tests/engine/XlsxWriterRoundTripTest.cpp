// Written by our xlsx writer, read back by our xlsx reader: the model must come back as it went in.
#include "engine/ChartSheetParts.h"
#include "engine/WriterTestBooks.h"
#include "engine/xlsx/read/XlsxReader.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

using namespace tabrix::engine;
using namespace tabrix::test;

namespace {

std::unique_ptr<BookData> roundTrip(BookData& book, const TempDir& dir) {
    std::string path = dir.file("round.xlsx");
    save(book, path);
    auto back = xlsx::readXlsx(path);
    for (auto& s : back->sheets) s->ensureLoaded();
    return back;
}

const Cell& cellAt(const BookData& book, size_t sheet, uint32_t r, uint32_t c) {
    const Cell* cell = book.sheets.at(sheet)->find(r, c);
    EXPECT_NE(cell, nullptr) << "no cell at " << r << "," << c;
    static const Cell empty;
    return cell ? *cell : empty;
}

} // namespace

TEST(XlsxWriterRoundTrip, ValuesAndFormulasComeBackExactly) {
    BookData book;
    auto& s = addSheet(book, "Data");
    const double numbers[] = {0.1 + 0.2, 1e-300, 123456789012345.0, -0.0, DBL_MAX, 5e-324};
    for (uint32_t i = 0; i < std::size(numbers); ++i) setNumber(s, i, 0, numbers[i]);
    const std::string texts[] = {std::string("ctl\x01\r\x1f", 6), "_x0041_ stays literal", " 前后空格 ", "😀", ""};
    for (uint32_t i = 0; i < std::size(texts); ++i) setText(book, s, i, 1, texts[i]);
    setBool(s, 0, 2, false);
    setError(s, 1, 2, ErrorCode::GettingData);
    book.setFormula(s.at(2, 2), "IF(A1>0,\"<&>\",FALSE)");
    setText(book, s, 2, 2, "<&>");
    book.setFormula(s.at(3, 2), "A1=0");
    setBool(s, 3, 2, true);
    book.setFormula(s.at(4, 2), "NA()");
    setError(s, 4, 2, ErrorCode::NA);
    TempDir dir;
    auto back = roundTrip(book, dir);
    for (uint32_t i = 0; i < std::size(numbers); ++i) {
        const Cell& c = cellAt(*back, 0, i, 0);
        EXPECT_EQ(c.type, CellType::Number);
        EXPECT_EQ(std::memcmp(&c.number, &numbers[i], sizeof(double)), 0) << "row " << i;
    }
    for (uint32_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(back->text(cellAt(*back, 0, i, 1)), texts[i]) << i;
    EXPECT_EQ(cellAt(*back, 0, 0, 2).type, CellType::Boolean);
    EXPECT_EQ(cellAt(*back, 0, 1, 2).error, ErrorCode::GettingData);
    const Cell& f1 = cellAt(*back, 0, 2, 2);
    EXPECT_EQ(back->formulaText(f1), "IF(A1>0,\"<&>\",FALSE)");
    EXPECT_EQ(back->text(f1), "<&>");
    EXPECT_TRUE(cellAt(*back, 0, 3, 2).boolean);
    EXPECT_EQ(cellAt(*back, 0, 4, 2).error, ErrorCode::NA);
}

TEST(XlsxWriterRoundTrip, StylesComeBackEqual) {
    BookData book;
    auto& s = addSheet(book, "Data");
    Style st;
    st.numFmt = "[$-804]yyyy\"年\"m\"月\"d\"日\"";
    st.font.name = "微软雅黑";
    st.font.size = 10.5;
    st.font.bold = st.font.strike = true;
    st.font.underline = Underline::SingleAccounting;
    st.font.vertAlign = VertAlignRun::Subscript;
    st.font.color = 0xFF3366CC;
    st.fill = {1, 0xFFFFCC00, 0};
    st.border.left = {5, 0xFF000000};
    st.border.bottom = {13, 0xFF00B050};
    st.border.diagonal = {1, 0xFFFF0000};
    st.border.diagonalDown = true;
    st.alignment = {7, 4, true, false, 3, 160, 0};
    st.protection = {false, true};
    uint32_t id = book.styles.intern(st);
    setNumber(s, 0, 0, 45296, id);
    TempDir dir;
    auto back = roundTrip(book, dir);
    const Style& got = back->styles.get(cellAt(*back, 0, 0, 0).style);
    EXPECT_EQ(got.numFmt, st.numFmt);
    EXPECT_EQ(got.font.name, st.font.name);
    EXPECT_EQ(got.font.size, st.font.size);
    EXPECT_TRUE(got.font.bold && got.font.strike && !got.font.italic);
    EXPECT_EQ(got.font.underline, st.font.underline);
    EXPECT_EQ(got.font.vertAlign, st.font.vertAlign);
    EXPECT_EQ(got.font.color, st.font.color);
    EXPECT_EQ(got.fill.pattern, 1);
    EXPECT_EQ(got.fill.fg, st.fill.fg);
    EXPECT_EQ(got.border, st.border);
    EXPECT_EQ(got.alignment, st.alignment);
    EXPECT_EQ(got.protection, st.protection);
}

TEST(XlsxWriterRoundTrip, LayoutAndBookStateComeBack) {
    BookData book;
    book.date1904 = true;
    auto& s = addSheet(book, "数据");
    setNumber(s, 0, 0, 1);
    // Widths are whole pixels, 7 to a character of the default font; 25.5 characters would become 179/7.
    s.columns.push_back({1, 3, 179.0 / 7, 0, false, 0});
    s.columns.push_back({5, 5, 12, 0, true, 2});
    s.rowForWrite(1).height = 33.75f;
    s.rowForWrite(2).hidden = true;
    s.merged.push_back({4, 1, 6, 3});
    addSheet(book, "VH").visibility = Visibility::VeryHidden;
    auto& chart = addSheet(book, "Chart");
    chart.kind = SheetKind::Chart;
    chart.opaqueParts = chartSheetParts("'数据'!$A$1:$A$3");
    book.names = {{"Rate", "'数据'!$A$1", -1, false}, {"Local", "VH!$A$1", 1, true}};
    TempDir dir;
    auto back = roundTrip(book, dir);
    EXPECT_TRUE(back->date1904);
    const SheetData& d = *back->sheets.at(0);
    ASSERT_GE(d.columns.size(), 2u);
    EXPECT_EQ(d.columns[0].first, 1);
    EXPECT_EQ(d.columns[0].last, 3);
    EXPECT_DOUBLE_EQ(d.columns[0].width, 179.0 / 7);
    EXPECT_TRUE(d.columns[1].hidden);
    EXPECT_EQ(d.columns[1].outlineLevel, 2);
    EXPECT_FLOAT_EQ(d.row(1)->height, 33.75f);
    EXPECT_TRUE(d.row(2)->hidden);
    ASSERT_EQ(d.merged.size(), 1u);
    EXPECT_EQ(d.merged[0], (CellRect{4, 1, 6, 3}));
    ASSERT_EQ(back->sheets.size(), 3u);
    EXPECT_EQ(back->sheets[1]->visibility, Visibility::VeryHidden);
    EXPECT_EQ(back->sheets[2]->kind, SheetKind::Chart);
    EXPECT_FALSE(back->sheets[2]->opaqueParts.empty());
    ASSERT_EQ(back->names.size(), 2u);
    EXPECT_EQ(back->names[1].localSheet, 1);
    EXPECT_TRUE(back->names[1].hidden);
}
