// HTML pages with tables read as workbooks.
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"
#include "engine/model/CellAddress.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using tabrix::test::cellAt;
using tabrix::test::formatAt;
using tabrix::test::readText;

namespace {
std::vector<std::string> merges(const BookData& book, size_t sheet) {
    std::vector<std::string> out;
    for (const auto& r : book.sheets.at(sheet)->merged)
        out.push_back(rangeName(r, false));
    return out;
}
} // namespace

TEST(HtmlReader, SpansBecomeMergedAreasWithTheValueInTheFirstCell) {
    auto book = readText("<table><tr><th rowspan=2>部门<th colspan=2>人数</tr><tr><td>男<td>女</tr>"
                         "<tr><td>销售</td><td>3</td><td>4</td></tr></table>");
    EXPECT_EQ(book->content, ContentKind::Html);
    EXPECT_EQ(merges(*book, 0), (std::vector<std::string>{"A1:A2", "B1:C1"}));
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:部门");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:男"); // placed beside the rowspan, not under it
    EXPECT_EQ(cellAt(*book, 0, "C3"), "n:4");
}

TEST(HtmlReader, TextCellsTypesAndExportAttributes) {
    auto book = readText(
        "<html><head><meta charset=utf-8><style>.t{mso-number-format:\"\\@\";} .d{mso-number-format:\"yyyy\\/m\\/d\";}"
        "</style></head><body><table>"
        "<tr><td>  a &amp; b&nbsp;&nbsp;c </td><td>x<br>y</td><td>&#20013;&#x6587;</td><td>1,234.5</td></tr>"
        "<tr><td class=t>0012345</td><td class=t>12</td><td x:num=\"3.5\">3.50 元</td><td x:str>42</td></tr>"
        "<tr><td>110101199003071234</td><td>5.5%</td><td class=d>2024-03-01</td><td x:num>1,000</td></tr>"
        "</table></body></html>");
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:a & b c");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "s:x\ny");
    EXPECT_EQ(cellAt(*book, 0, "C1"), "s:中文");
    EXPECT_EQ(cellAt(*book, 0, "D1"), "n:1234.5");
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:0012345");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:12");
    EXPECT_EQ(cellAt(*book, 0, "C2"), "n:3.5");
    EXPECT_EQ(cellAt(*book, 0, "D2"), "s:42");
    EXPECT_EQ(cellAt(*book, 0, "A3"), "s:110101199003071234");
    EXPECT_EQ(cellAt(*book, 0, "B3"), "n:0.055");
    EXPECT_EQ(cellAt(*book, 0, "C3"), "d:45352");
    EXPECT_EQ(formatAt(*book, 0, "C3"), "yyyy/m/d");
    EXPECT_EQ(cellAt(*book, 0, "D3"), "n:1000");
}

TEST(HtmlReader, OneSheetPerTableNamedAsTheExportNamesThem) {
    const std::string names = "<!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets>"
                              "<x:ExcelWorksheet><x:Name>收入</x:Name></x:ExcelWorksheet>"
                              "<x:ExcelWorksheet><x:Name>支出/明细</x:Name></x:ExcelWorksheet>"
                              "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]-->";
    auto book = readText(names + "<table><tr><td>1</td></tr></table><p>between</p><table><tr><td>2</td></tr></table>");
    ASSERT_EQ(book->sheets.size(), 2u);
    EXPECT_EQ(book->sheets[0]->name, "收入");
    EXPECT_EQ(book->sheets[1]->name, "支出_明细");
    auto unnamed = readText("<table><tr><td>1</table><table><tr><td>2</table><table></table>");
    ASSERT_EQ(unnamed->sheets.size(), 3u);
    EXPECT_EQ(unnamed->sheets[2]->name, "Sheet3");
}

TEST(HtmlReader, NestedTablesGiveTheirTextToTheOuterCell) {
    auto book = readText("<table><tr><td>outer<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table></td>"
                         "<td>next</td></tr></table>");
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:outer\na b\nc");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "s:next");
}

TEST(HtmlReader, HostileMarkupStaysLinear) {
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<table><tr><td>";
    auto nested = readText(deep + "x");
    EXPECT_EQ(cellAt(*nested, 0, "A1"), "s:x");
    std::string spans = "<table>";
    for (int i = 0; i < 2000; ++i)
        spans += "<tr><td rowspan=65534 colspan=1000>x";
    EXPECT_THROW(readText(spans), EngineError); // more rows than a sheet holds, refused saying so
    EXPECT_THROW(readText("<html><body><p>no table here</p></body></html>"), EngineError);
    auto unclosed = readText("<table><tr><td a='1\" b=2>v" + std::string(1 << 20, ' ') + "<td>w");
    EXPECT_EQ(cellAt(*unclosed, 0, "A1"), "");
}

TEST(HtmlReader, TextThePageHidesIsNotRead) {
    auto book = readText(
        "<style><!-- .sortkey{display:none} .a, span.b {DISPLAY : None !important} .shown{display:none}\n"
        "/* .shown{display:none} */ .shown{display: inline} @media print { .noprint {display:none} }\n"
        "td .deep{display:none} body{display:none !important} --></style><body style=display:none><table><tr>"
        "<td><span style=\"display:none\">01879-07-01-0000</span>1 July 1879</td>"
        "<td><span class=\"x SortKey\">7000000000000005580</span>5.58</td>"
        "<td><span style=\"display: none !important\"><span>x</span><b>y<span>z</span></b>k</span>v</td>"
        "<td><span class=a>k<span class=b>m</span>n</span>w</td>"
        "<td><i class=b>k</i>u</td>"
        "<td><span class=shown>s</span><span class=noprint>p</span><span class=deep>d</span></td>"
        "<td><span hidden>h</span><span style=\"visibility:hidden\">vis</span></td>"
        "<td><span class=sortkey style=\"display:inline\">in</span><div class=a style=\"display:block\">x</div></td>"
        "<td><img style=\"display:none\">after</td>"
        "<td>a<span style=\"display:none\">key</td><td>next</td>"
        "</tr></table>");
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:1 July 1879");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "n:5.58");
    EXPECT_EQ(cellAt(*book, 0, "C1"), "s:v");   // nested elements of the hidden one's name do not end it
    EXPECT_EQ(cellAt(*book, 0, "D1"), "s:w");   // hidden inside hidden
    EXPECT_EQ(cellAt(*book, 0, "E1"), "s:ku");  // span.b does not pick <i>
    EXPECT_EQ(cellAt(*book, 0, "F1"), "s:spd"); // a later rule shows; print-only and descendant rules hide nothing
    EXPECT_EQ(cellAt(*book, 0, "G1"), "s:vis"); // visibility:hidden keeps its place and text
    EXPECT_EQ(cellAt(*book, 0, "H1"), "s:in");  // the element's own style first, an !important rule above it
    EXPECT_EQ(cellAt(*book, 0, "I1"), "s:after");
    EXPECT_EQ(cellAt(*book, 0, "J1"), "s:a"); // an unclosed hidden element ends with its cell
    EXPECT_EQ(cellAt(*book, 0, "K1"), "s:next");
}

TEST(HtmlReader, HiddenCellsKeepTheirPlaceHiddenRowsAndColumnsTheirData) {
    std::string deep = "<td>";
    for (int i = 0; i < 100000; ++i)
        deep += "<span style=display:none>";
    deep += "x";
    for (int i = 0; i < 100000; ++i)
        deep += "</span>";
    auto book = readText("<style>.fold{display:none}</style><table><col><col span=2 style='display:none'><col>"
                         "<tr><td style='display:none' x:num=5>key</td><td class=fold>b</td><td>c</td><td>d</td></tr>"
                         "<tr style='display:none'><td>r2</td></tr>"
                         "<tbody class=fold><tr><td>r3</td></tr></tbody>"
                         "<tr><td colspan=2 hidden>x</td><td>e</td><td><table><tr><td hidden>in<td>out</table></td>"
                         "<tr>" +
                         deep + "y</td></tr></table>");
    const SheetData& sheet = *book->sheets[0];
    EXPECT_EQ(cellAt(*book, 0, "A1"), "");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "s:b"); // in a column a <col> hides: the column's data, hidden
    EXPECT_EQ(cellAt(*book, 0, "D1"), "s:d");
    ASSERT_EQ(sheet.columns.size(), 1u);
    EXPECT_EQ(sheet.columns[0].first, 1);
    EXPECT_EQ(sheet.columns[0].last, 2);
    EXPECT_TRUE(sheet.columns[0].hidden);
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:r2");
    EXPECT_TRUE(sheet.row(1)->hidden);
    EXPECT_EQ(cellAt(*book, 0, "A3"), "s:r3");
    EXPECT_TRUE(sheet.row(2)->hidden);
    EXPECT_EQ(cellAt(*book, 0, "C4"), "s:e");
    EXPECT_EQ(cellAt(*book, 0, "D4"), "s:out");
    EXPECT_TRUE(sheet.merged.empty());
    EXPECT_EQ(cellAt(*book, 0, "A5"), "s:y");
}
