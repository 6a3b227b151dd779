// Formats, colours and sheet layout of the 2003-format writer, read back by xlrd.
#include "engine/XlrdDump.h"
#include "engine/XlsTestBook.h"
#include "engine/model/CellAddress.h"
#include "engine/xls/XlsWriter.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace tabrix::engine;
using tabrix::test::TempDir;
using tabrix::test::XlrdDump;
using tabrix::test::XlsTestBook;

namespace {

struct Result {
    TempDir dir;
    std::vector<std::string> warnings;
    std::unique_ptr<XlrdDump> dump;
    const XlrdDump& operator*() const { return *dump; }
};

std::unique_ptr<Result> roundTrip(BookData& book) {
    auto r = std::make_unique<Result>();
    xls::writeXls(book, r->dir.file("s.xls"), r->warnings);
    r->dump = std::make_unique<XlrdDump>(r->dir.file("s.xls"));
    EXPECT_EQ(r->dump->error(), "");
    return r;
}

std::string hex6(uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", rgb & 0xFFFFFF);
    return buf;
}

} // namespace

TEST(XlsWriterStyles, FontsKeepTheirLook) {
    XlsTestBook t;
    SheetData& s = t.sheet("Fonts");
    Style song, bold, italic, under, dbl, strike, sup, sub, red, custom;
    song.font.name = "宋体";
    song.font.size = 12;
    bold.font.bold = true;
    italic.font.italic = true;
    under.font.underline = Underline::Single;
    dbl.font.underline = Underline::Double;
    strike.font.strike = true;
    sup.font.vertAlign = VertAlignRun::Superscript;
    sub.font.vertAlign = VertAlignRun::Subscript;
    red.font.color = 0xFFFF0000;
    custom.font.color = 0xFF123456; // not in the default palette
    const Style* styles[] = {&song, &bold, &italic, &under, &dbl, &strike, &sup, &sub, &red, &custom};
    uint32_t r = 0;
    for (const Style* st : styles)
        t.text(s, r++, 0, "x", t.style(*st));
    auto w = roundTrip(t.book);
    const XlrdDump& d = **w;
    EXPECT_EQ(d["Fonts!A1.font"], "宋体|240|b0|i0|u0|s0|e0|auto");
    EXPECT_EQ(d["Fonts!A2.font"], "Calibri|220|b1|i0|u0|s0|e0|auto");
    EXPECT_EQ(d["Fonts!A3.font"], "Calibri|220|b0|i1|u0|s0|e0|auto");
    EXPECT_EQ(d["Fonts!A4.font"], "Calibri|220|b0|i0|u1|s0|e0|auto");
    EXPECT_EQ(d["Fonts!A5.font"], "Calibri|220|b0|i0|u2|s0|e0|auto");
    EXPECT_EQ(d["Fonts!A6.font"], "Calibri|220|b0|i0|u0|s1|e0|auto");
    EXPECT_EQ(d["Fonts!A7.font"], "Calibri|220|b0|i0|u0|s0|e1|auto");
    EXPECT_EQ(d["Fonts!A8.font"], "Calibri|220|b0|i0|u0|s0|e2|auto");
    EXPECT_EQ(d["Fonts!A9.font"], "Calibri|220|b0|i0|u0|s0|e0|FF0000");
    EXPECT_EQ(d["Fonts!A10.font"], "Calibri|220|b0|i0|u0|s0|e0|123456");
    // Font index 4 does not exist in the format; a reference to it would read as xlrd's placeholder.
    for (r = 1; r <= 10; ++r)
        EXPECT_EQ(d["Fonts!A" + std::to_string(r) + ".font"].find("Dummy"), std::string::npos);
    EXPECT_TRUE(w->warnings.empty());
}

TEST(XlsWriterStyles, FillsBordersAlignmentAndProtection) {
    XlsTestBook t;
    SheetData& s = t.sheet("Look");
    Style solid, pattern, borders, align, vertical, indent, prot;
    solid.fill = {1, 0xFFFFFF00, 0};
    pattern.fill = {4, 0xFF0000FF, 0xFFABCDEF};
    borders.border.left = {1, 0xFFFF0000};
    borders.border.right = {5, 0};
    borders.border.top = {6, 0xFF00FF00};
    borders.border.bottom = {3, 0};
    borders.border.diagonal = {7, 0xFF0000FF};
    borders.border.diagonalUp = borders.border.diagonalDown = true;
    align.alignment = {2, 0, true, false, 0, 45, 0};
    vertical.alignment = {0, 1, false, true, 0, 255, 0};
    indent.alignment = {1, 2, false, false, 3, 135, 0};
    prot.protection = {false, true};
    uint32_t r = 0;
    for (const Style* st : {&solid, &pattern, &borders, &align, &vertical, &indent, &prot}) {
        t.number(s, r, 0, r, t.style(*st));
        ++r;
    }
    auto w = roundTrip(t.book);
    const XlrdDump& d = **w;
    EXPECT_EQ(d["Look!A1.fill"], "1|fg=FFFF00|bg=auto");
    EXPECT_EQ(d["Look!A2.fill"], "4|fg=0000FF|bg=ABCDEF");
    EXPECT_EQ(d["Look!A3.border"], "l=1/FF0000 r=5/auto t=6/00FF00 b=3/auto d=7/0000FF:updown");
    EXPECT_EQ(d["Look!A4.align"], "h=2 v=0 wrap=1 shrink=0 indent=0 rot=45");
    EXPECT_EQ(d["Look!A5.align"], "h=0 v=1 wrap=0 shrink=1 indent=0 rot=255");
    EXPECT_EQ(d["Look!A6.align"], "h=1 v=2 wrap=0 shrink=0 indent=3 rot=135");
    EXPECT_EQ(d["Look!A7.prot"], "locked=0 hidden=1");
    EXPECT_EQ(d["Look!A1.prot"], "locked=1 hidden=0");
}

TEST(XlsWriterStyles, NumberFormatsBuiltInAndCustom) {
    XlsTestBook t;
    SheetData& s = t.sheet("Fmt");
    const std::vector<std::string> codes = {
        "0.00%",                                        // built-in 10
        "#,##0.000",                                    // custom
        R"("¥"#,##0.00;[Red]"¥"\-#,##0.00)",            // built-in 8, a currency code the file spells out
        R"(yyyy"年"m"月"d"日")",                        // built-in 31, spelled out as it depends on the locale
        "@",                                            // text
        "[$-804]aaaa;@",                                // custom with a locale tag
        "0.00E+00",                                     // built-in 11
        R"(_ * #,##0_ ;_ * \-#,##0_ ;_ * "-"_ ;_ @_ )", // built-in 41
    };
    for (uint32_t i = 0; i < codes.size(); ++i) {
        Style st;
        st.numFmt = codes[i];
        t.number(s, i, 0, 1234.5, t.style(st));
        t.number(s, i, 1, 99, t.style(st)); // the same format again: one FORMAT record
    }
    auto w = roundTrip(t.book);
    for (uint32_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ((**w)["Fmt!A" + std::to_string(i + 1) + ".fmt"], codes[i]) << i;
        EXPECT_EQ((**w)["Fmt!B" + std::to_string(i + 1) + ".fmt"], codes[i]) << i;
    }
}

TEST(XlsWriterStyles, ColoursBeyondTheDefaultPaletteAreExact) {
    // 56 colours, none in the default palette, all used: every one gets an entry and no warning is due.
    XlsTestBook t;
    SheetData& s = t.sheet("P");
    for (uint32_t i = 0; i < 56; ++i) {
        Style st;
        st.fill = {1, 0xFF000000 | (0x010203 * (i + 1) + 0x000001), 0};
        t.blank(s, i, 0, t.style(st));
    }
    auto w = roundTrip(t.book);
    for (uint32_t i = 0; i < 56; ++i)
        EXPECT_EQ((**w)["P!A" + std::to_string(i + 1) + ".fill"], "1|fg=" + hex6(0x010203 * (i + 1) + 1) + "|bg=auto")
            << i;
    EXPECT_TRUE(w->warnings.empty());
}

TEST(XlsWriterStyles, MoreColoursThanThePaletteHoldsFallBackToTheNearestWithAWarning) {
    XlsTestBook t;
    SheetData& s = t.sheet("P");
    // 60 greys, none in the default palette, and pure red, which is: 55 entries are left for 60 greys. The
    // lightest grey is used most, so it must be among those kept exact.
    auto grey = [](uint32_t i) { return (2 + 4 * i) * 0x010101u; };
    for (uint32_t i = 0; i < 60; ++i) {
        Style st;
        st.font.color = 0xFF000000 | grey(i);
        t.text(s, i, 0, "g", t.style(st));
        if (i == 59) t.text(s, i, 1, "g", t.style(st)), t.text(s, i, 2, "g", t.style(st));
    }
    Style red;
    red.font.color = 0xFFFF0000;
    t.text(s, 60, 0, "r", t.style(red));
    auto w = roundTrip(t.book);
    ASSERT_EQ(w->warnings.size(), 1u);
    EXPECT_NE(w->warnings[0].find("超出 2003 格式调色板的 56 种"), std::string::npos) << w->warnings[0];
    EXPECT_NE((**w)["P!A61.font"].find("|FF0000"), std::string::npos);
    int exact = 0;
    for (uint32_t i = 0; i < 60; ++i) {
        std::string font = (**w)["P!A" + std::to_string(i + 1) + ".font"];
        unsigned got = std::stoul(font.substr(font.rfind('|') + 1), nullptr, 16);
        // A replacement is a neighbour on the ramp (4 apart per step), not some unrelated colour.
        EXPECT_LE(std::abs(int(got & 0xFF) - int(grey(i) & 0xFF)), 20) << i;
        EXPECT_EQ(got >> 16, got & 0xFF) << "still grey " << i;
        exact += got == grey(i);
    }
    EXPECT_EQ(exact, 55);
    EXPECT_NE((**w)["P!A60.font"].find(hex6(grey(59))), std::string::npos);
}

TEST(XlsWriterLayout, ColumnWidthsRowHeightsAndHiddenParts) {
    XlsTestBook t;
    SheetData& s = t.sheet("L");
    s.defaultRowHeight = 18;
    Style bold;
    bold.font.bold = true;
    Style fill;
    fill.fill = {1, 0xFF00FF00, 0};
    s.setColumnInfo({0, 0, 8.43, 0, false, 0});
    s.setColumnInfo({1, 2, 20, t.style(bold), false, 0});
    s.setColumnInfo({3, 3, -1, 0, true, 0});
    s.setColumnInfo({4, 4, 0.5, 0, false, 0});
    t.number(s, 0, 0, 1);
    s.rowForWrite(0).height = 30;
    s.rowForWrite(1).hidden = true;
    RowData& styled = s.rowForWrite(2);
    styled.hasStyle = true;
    styled.style = t.style(fill);
    t.number(s, 3, 0, 4);
    auto w = roundTrip(t.book);
    const XlrdDump& d = **w;
    EXPECT_EQ(d["L.col.A.width"], "2340"); // 64 pixels, what the application shows as 8.43
    EXPECT_EQ(d["L.col.B.width"], "5302");
    EXPECT_EQ(d["L.col.C.width"], "5302");
    EXPECT_NE(d["L.col.C.font"].find("|b1|"), std::string::npos);
    EXPECT_EQ(d["L.col.D.hidden"], "1");
    EXPECT_EQ(d["L.col.E.width"], "219");
    EXPECT_EQ(d["L.defcolwidth"], "8");
    EXPECT_EQ(d["L.defaultRowHeight"], "360");
    EXPECT_EQ(d["L.row.1.height"], "600");
    EXPECT_EQ(d["L.row.1.custom"], "1");
    EXPECT_EQ(d["L.row.2.hidden"], "1");
    EXPECT_EQ(d["L.row.3.fill"], "1|fg=00FF00|bg=auto");
    EXPECT_EQ(d["L.row.4.height"], "360");
    EXPECT_EQ(d["L.row.4.custom"], "0");
}

TEST(XlsWriterLayout, MergedAreasIncludingMoreThanOneRecordHolds) {
    XlsTestBook t;
    SheetData& s = t.sheet("M");
    s.merged.push_back({0, 0, 1, 1});
    s.merged.push_back({2, 2, 9, 2});
    s.merged.push_back({5, 5, 5, 5}); // a single cell is no merge
    s.merged.push_back({1, 1, 3, 3}); // overlaps A1:B2: left out, as the application would call the file damaged
    s.merged.push_back({0, 250, 70000, 255}); // beyond the last row
    for (uint32_t i = 0; i < 1100; ++i)
        s.merged.push_back({20 + i, 0, 20 + i, 3});
    t.text(s, 0, 0, "merged");
    auto w = roundTrip(t.book);
    std::string merged = (**w)["M.merged"];
    EXPECT_EQ(std::count(merged.begin(), merged.end(), ' ') + 1, 1102);
    EXPECT_EQ(merged.substr(0, 26), "A1:B2 C3:C10 A21:D21 A22:D");
    EXPECT_NE(merged.find("A1120:D1120"), std::string::npos);
    EXPECT_EQ(merged.find("F6:F6"), std::string::npos);
    EXPECT_EQ(merged.find("B2:D4"), std::string::npos);
    EXPECT_EQ(w->warnings, (std::vector<std::string>{"工作表“M”有 1 个合并区域超出 2003 格式的范围，已取消合并",
                                                     "工作表“M”：合并区域 B2:D4 与另一合并区域重叠，未保存"}));
}

TEST(XlsWriterLayout, SheetVisibilityAndTheActiveTab) {
    XlsTestBook t;
    t.text(t.sheet("可见"), 0, 0, "a");
    t.sheet("Hidden").visibility = Visibility::Hidden;
    t.sheet("VeryHidden").visibility = Visibility::VeryHidden;
    t.text(t.sheet("Last"), 0, 0, "b");
    t.book.activeSheet = 3;
    auto w = roundTrip(t.book);
    const XlrdDump& d = **w;
    EXPECT_EQ(d["book.sheets"], "可见|Hidden|VeryHidden|Last");
    EXPECT_EQ(d["可见.visibility"], "0");
    EXPECT_EQ(d["Hidden.visibility"], "1");
    EXPECT_EQ(d["VeryHidden.visibility"], "2");
    EXPECT_EQ(d["Last.active"], "1");
    EXPECT_EQ(d["可见.active"], "0");

    // A hidden sheet cannot be the active tab: the first visible one takes its place.
    t.book.activeSheet = 1;
    auto again = roundTrip(t.book);
    EXPECT_EQ((**again)["可见.active"], "1");
    EXPECT_EQ((**again)["Hidden.active"], "0");
}
