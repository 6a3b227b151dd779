#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tabrix::engine;

namespace {
std::vector<std::string> names(Workbook& book) {
    std::vector<std::string> out;
    for (int i = 1; i <= book.Sheets().Count(); ++i) out.push_back(book.Sheets()(i).Name());
    return out;
}

void fill(Worksheet& ws, const std::vector<std::vector<Variant>>& rows, uint32_t top = 1, uint32_t left = 1) {
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            ws.Cells(top + uint32_t(r), left + uint32_t(c)).SetValue(rows[r][c]);
}

std::vector<Variant> column(Worksheet& ws, uint32_t col, uint32_t from, uint32_t to) {
    std::vector<Variant> out;
    for (uint32_t r = from; r <= to; ++r) out.push_back(ws.Cells(r, col).Value());
    return out;
}

Variant S(const char* s) { return std::string(s); }
} // namespace

TEST(Workbooks, AddGivesThreeSheetsAndSheetsAddGoesBeforeTheActiveOne) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    EXPECT_EQ(names(book), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
    Worksheet& added = book.Sheets().Add();
    EXPECT_EQ(added.Name(), "Sheet4");
    EXPECT_EQ(names(book), (std::vector<std::string>{"Sheet4", "Sheet1", "Sheet2", "Sheet3"}));
    EXPECT_EQ(book.activePosition(), 0u);
    book.Sheets().Add(book.Sheets()("Sheet3"));
    EXPECT_EQ(names(book), (std::vector<std::string>{"Sheet4", "Sheet1", "Sheet2", "Sheet5", "Sheet3"}));
    EXPECT_EQ(book.Sheets()("sheet5").Name(), "Sheet5");
    EXPECT_THROW(book.Worksheets(6), EngineError);
    EXPECT_THROW(book.Worksheets("nope"), EngineError);
    app.Quit();
    EXPECT_EQ(app.Workbooks().Count(), 0);
}

TEST(Worksheet, NamesFollowTheRules) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    for (const char* bad : {"", "a:b", "a/b", "a\\b", "a?b", "a*b", "[a]", "'quoted", "quoted'",
                            "12345678901234567890123456789012", "sheet2"})
        EXPECT_THROW(ws.SetName(bad), EngineError) << bad;
    ws.SetName("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一");
    EXPECT_EQ(ws.Name(), "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一");
}

TEST(Worksheet, CopyKeepsNameUnlessTakenAndCarriesEverything) {
    Application app;
    Workbook& a = app.Workbooks().Add();
    Workbook& b = app.Workbooks().Add();
    Worksheet& src = a.Worksheets(1);
    src.SetName("数据");
    fill(src, {{S("x"), 1.5}, {true, S("y")}});
    src.Cells(2, 3).SetValue(ErrorCode::NA);
    src.data().rowForWrite(0).height = 30;
    src.data().setColumnInfo({0, 0, 20.0, 0, false, 0});
    src.Copy(b.Worksheets(1));
    EXPECT_EQ(names(b), (std::vector<std::string>{"Sheet1", "数据", "Sheet2", "Sheet3"}));
    Worksheet& copy = b.Worksheets("数据");
    EXPECT_EQ(std::get<std::string>(copy.Cells(1, 1).Value()), "x");
    EXPECT_EQ(std::get<double>(copy.Cells(1, 2).Value()), 1.5);
    EXPECT_EQ(std::get<ErrorCode>(copy.Cells(2, 3).Value()), ErrorCode::NA);
    EXPECT_EQ(copy.data().rows()[0].height, 30);
    EXPECT_EQ(copy.data().columnInfo(0)->width, 20.0);
    src.Copy(b.Worksheets(4));
    src.Copy(b.Worksheets(5));
    EXPECT_EQ(b.Sheets()(5).Name(), "数据 (2)");
    EXPECT_EQ(b.Sheets()(6).Name(), "数据 (3)");
    src.SetName("abcdefghijklmnopqrstuvwxyz01234");
    src.Copy(b.Worksheets(1));
    src.Copy(b.Worksheets(1));
    EXPECT_EQ(b.Sheets()(2).Name(), "abcdefghijklmnopqrstuvwxyz0 (2)");
}

TEST(Worksheet, DeleteKeepsAtLeastOneVisibleSheet) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    book.Worksheets(1).Delete();
    book.Worksheets(1).Delete();
    EXPECT_EQ(names(book), std::vector<std::string>{"Sheet3"});
    EXPECT_THROW(book.Worksheets(1).Delete(), EngineError);
}

TEST(UsedRange, CountsComeFromTheRectangleNotFromA1) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    EXPECT_EQ(ws.UsedRange().Address(), "$A$1");
    EXPECT_EQ(ws.UsedRange().Rows().Count(), 1u);
    ws.Range("C5").SetValue(1.0);
    ws.Range("F20").SetValue(S("end"));
    Range used = ws.UsedRange();
    EXPECT_EQ(used.Address(), "$C$5:$F$20");
    EXPECT_EQ(used.Cells().Rows().Count(), 16u);
    EXPECT_EQ(used.Cells().Columns().Count(), 4u);
    EXPECT_EQ(used.Count(), 64u);
}

TEST(UsedRange, FollowsEveryChangeAfterItWasTaken) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    Worksheet& src = book.Worksheets(2);
    fill(src, {{S("a"), S("b")}, {1.0, 2.0}});
    ws.Range("B2").SetValue(1.0);
    EXPECT_EQ(ws.UsedRange().Address(), "$B$2");
    src.Range("A1:B2").Copy(ws.Range("B3")); // appended below
    EXPECT_EQ(ws.UsedRange().Address(), "$B$2:$C$4");
    ws.Range("A1").SetValue(S("x")); // above and left of it
    EXPECT_EQ(ws.UsedRange().Address(), "$A$1:$C$4");
    ws.Range("B4:C4").SetValue(Variant()); // the last row emptied
    EXPECT_EQ(ws.UsedRange().Address(), "$A$1:$C$3");
    src.Range("D1:D2").Copy(ws.Range("A1")); // blanks clear the top row
    EXPECT_EQ(ws.UsedRange().Address(), "$B$2:$C$3");
    ws.Range("A2:C3").Delete(xlShiftToLeft);
    EXPECT_EQ(ws.UsedRange().Address(), "$A$1");
}

TEST(Workbook, ReleasedCellsAreReadAgainWhenAskedFor) {
    const std::string path = (std::filesystem::temp_directory_path() / "tabrix-release-test.xlsx").string();
    {
        Application app;
        Workbook& book = app.Workbooks().Add();
        fill(book.Worksheets(1), {{S("名称"), 1.5}, {S("b"), S("=B1*2")}});
        book.Worksheets(2).Range("C3").SetValue(S("second"));
        book.SaveAs(path);
    }
    Application app;
    Workbook& book = app.Workbooks().Open(path);
    Worksheet& first = book.Worksheets(1);
    EXPECT_EQ(first.UsedRange().Address(), "$A$1:$B$2");
    book.releaseCells();
    EXPECT_EQ(first.Range("A1").Text(), "名称");
    EXPECT_EQ(first.Range("B2").Formula(), "=B1*2");
    EXPECT_EQ(book.Worksheets(2).UsedRange().Address(), "$C$3");
    Workbook& other = app.Workbooks().Add();
    book.releaseCells();
    book.Worksheets(2).Copy(other.Worksheets(3));
    EXPECT_EQ(std::get<std::string>(other.Worksheets(4).Range("C3").Value()), "second");
    // A workbook whose cells were changed keeps them.
    first.Range("A1").SetValue(S("changed"));
    book.releaseCells();
    EXPECT_EQ(first.Range("A1").Text(), "changed");
    std::filesystem::remove(path);
}

TEST(RangeCopy, MovesFormulasKeepsStylesAndClearsWithBlanks) {
    Application app;
    Workbook& a = app.Workbooks().Add();
    Workbook& b = app.Workbooks().Add();
    Worksheet& src = a.Worksheets(1);
    fill(src, {{1.0, 2.0, std::monostate{}}});
    Cell& f = src.data().at(0, 2);
    a.data().setFormula(f, "A1*B1+$A$1+SUM(A1:B1)");
    f.type = CellType::Number;
    f.number = 5;
    Style bold;
    bold.font.bold = true;
    bold.numFmt = "0.00%";
    src.data().at(0, 0).style = a.data().styles.intern(bold);
    src.data().merged.push_back({0, 0, 0, 1});
    Worksheet& dst = b.Worksheets(1);
    fill(dst, {{S("old"), S("old"), S("old"), S("old")}}, 4, 1);
    src.Range("A1:D1").Copy(dst.Range("A4"));
    EXPECT_EQ(dst.Range("C4").Formula(), "=A4*B4+$A$1+SUM(A4:B4)");
    EXPECT_EQ(std::get<double>(dst.Range("C4").Value()), 5);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(dst.Range("D4").Value())) << "blank source cell clears";
    EXPECT_TRUE(b.data().styles.get(dst.data().find(3, 0)->style).font.bold);
    EXPECT_EQ(dst.Range("A4").Text(), "100.00%");
    ASSERT_EQ(dst.data().merged.size(), 1u);
    EXPECT_EQ(dst.data().merged[0], (CellRect{3, 0, 3, 1}));
    Cell& g = src.data().at(4, 0);
    a.data().setFormula(g, "A1+$B$1");
    g.type = CellType::Number;
    src.Range("A5").Copy(src.Range("A2"));
    EXPECT_EQ(src.Range("A2").Formula(), "=#REF!+$B$1") << "a reference pushed off the sheet";
    EXPECT_THROW(src.Range("A1:B2").Copy(src.Range("XFD1")), EngineError);
}

TEST(RangeCopy, OverlappingCopyOnOneSheetReadsTheOldCells) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    fill(ws, {{1.0}, {2.0}, {3.0}});
    ws.Range("A1:A3").Copy(ws.Range("A2"));
    EXPECT_EQ(column(ws, 1, 1, 4), (std::vector<Variant>{1.0, 1.0, 2.0, 3.0}));
}

TEST(RangeDelete, ShiftLeftMovesTheRestOfTheRow) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    fill(ws, {{S("a"), S("b"), S("c"), S("d")}, {S("e"), S("f"), S("g"), S("h")}});
    ws.Range("B1:C1").Delete(xlShiftToLeft);
    EXPECT_EQ(std::get<std::string>(ws.Range("B1").Value()), "d");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(ws.Range("C1").Value()));
    EXPECT_EQ(std::get<std::string>(ws.Range("C2").Value()), "g");
}

namespace {
void setFormula(Worksheet& ws, uint32_t row, uint32_t col, const std::string& text) {
    Cell& cell = ws.data().at(row - 1, col - 1);
    ws.workbook().data().setFormula(cell, text);
    cell.type = CellType::Number;
}
} // namespace

TEST(RangeDelete, FormulasOnTheSheetAndOnOtherSheetsFollowTheMovedCells) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& data = book.Worksheets(1);
    Worksheet& other = book.Worksheets(2);
    fill(data, {{S("h1"), S("h2"), S("h3"), S("h4")}, {1.0, 2.0, 3.0, 4.0}, {5.0, 6.0, 7.0, 8.0}});
    setFormula(data, 2, 5, "C2*D2");
    setFormula(data, 3, 5, "SUM($A3:D3)+B3");
    setFormula(other, 1, 1, "Sheet1!D2+Sheet1!B2+D2");
    setFormula(other, 2, 1, "SUM(Sheet1!B2:B3)");
    data.Range("B1:B3").Delete(xlShiftToLeft);
    EXPECT_EQ(data.Range("D2").Formula(), "=B2*C2") << "the formula moved left and so did what it names";
    EXPECT_EQ(data.Range("D3").Formula(), "=SUM($A3:C3)+#REF!");
    EXPECT_EQ(other.Range("A1").Formula(), "=Sheet1!C2+Sheet1!#REF!+D2");
    EXPECT_EQ(other.Range("A2").Formula(), "=SUM(Sheet1!#REF!)");
    data.Range("A2:A2").Delete(xlShiftUp);
    EXPECT_EQ(other.Range("A1").Formula(), "=Sheet1!C2+Sheet1!#REF!+D2") << "column C did not move up";
}

TEST(RangeSort, GuessesHeaderAndOrdersByKind) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    fill(ws, {{S("key"), S("n")}, {S("b"), 1.0}, {3.0, 2.0}, {true, 3.0}, {S("A"), 4.0}, {1.0, 5.0},
              {ErrorCode::Div0, 6.0}, {std::monostate{}, 7.0}, {S("a"), 8.0}});
    ws.Range("A1").Sort(ws.Columns(1), xlGuess);
    EXPECT_EQ(column(ws, 2, 1, 9), (std::vector<Variant>{S("n"), 5.0, 2.0, 4.0, 8.0, 1.0, 3.0, 6.0, 7.0}));
}

TEST(RangeSort, NoHeaderWhenEveryRowIsTextAndFormulasFollowTheirRows) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    fill(ws, {{S("c"), 3.0}, {S("a"), 1.0}, {S("b"), 2.0}});
    Cell& f = ws.data().at(0, 2);
    book.data().setFormula(f, "B1*2");
    f.type = CellType::Number;
    f.number = 6;
    ws.Range("A1").Sort(ws.Columns(1), xlGuess);
    EXPECT_EQ(column(ws, 1, 1, 3), (std::vector<Variant>{S("a"), S("b"), S("c")}));
    EXPECT_EQ(ws.Range("C3").Formula(), "=B3*2");
}

TEST(RangeSort, BoldHeaderIsKept) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    fill(ws, {{S("z")}, {S("b")}, {S("a")}});
    Style bold;
    bold.font.bold = true;
    ws.data().at(0, 0).style = book.data().styles.intern(bold);
    ws.Range("A1").Sort(ws.Columns(1), xlGuess);
    EXPECT_EQ(column(ws, 1, 1, 3), (std::vector<Variant>{S("z"), S("a"), S("b")}));
}

TEST(RangeFind, WildcardsCaseAndWrapAround) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    fill(ws, {{S("Apple pie")}, {S("banana")}, {S("APPLE")}, {12.5}, {S("a*b")}, {S("axxb")}});
    Range col = ws.Range("A1:A6");
    auto hit = col.Find(S("apple"), xlWhole);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->Address(), "$A$3");
    auto next = col.FindNext(*hit);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Address(), "$A$3") << "only one whole match: wraps back to itself";
    hit = col.Find(S("apple"), xlPart);
    EXPECT_EQ(hit->Address(), "$A$3") << "search starts after the first cell";
    EXPECT_EQ(col.FindNext(*hit)->Address(), "$A$1");
    EXPECT_EQ(col.Find(S("a?b"), xlWhole)->Address(), "$A$5");
    EXPECT_EQ(col.Find(S("a~*b"), xlWhole)->Address(), "$A$5");
    EXPECT_EQ(col.FindNext(*col.Find(S("a*b"), xlWhole))->Address(), "$A$6");
    EXPECT_EQ(col.Find(12.5, xlWhole)->Address(), "$A$4");
    EXPECT_EQ(col.Find(S("12.5"), xlWhole)->Address(), "$A$4");
    EXPECT_FALSE(col.Find(S("cherry"), xlPart));
    EXPECT_EQ(ws.Range("A1:A8").Find(S(""), xlWhole)->Address(), "$A$7");
}

TEST(RangeFind, RepeatedFindsOnALongColumnSeeChanges) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    for (uint32_t r = 1; r <= 20000; ++r) ws.Cells(r, 1).SetValue("K" + std::to_string(r % 5000));
    Range col = ws.Columns(1);
    auto first = col.Find(S("k42"), xlWhole);
    ASSERT_TRUE(first);
    std::vector<std::string> hits{first->Address()};
    for (auto h = col.FindNext(*first); h && h->Address() != first->Address(); h = col.FindNext(*h))
        hits.push_back(h->Address());
    EXPECT_EQ(hits, (std::vector<std::string>{"$A$42", "$A$5042", "$A$10042", "$A$15042"}));
    ws.Cells(7, 1).SetValue(S("k42"));
    EXPECT_EQ(col.Find(S("K42"), xlWhole)->Address(), "$A$7");
}

TEST(RangeText, FollowsTheNumberFormat) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    Worksheet& ws = book.Worksheets(1);
    ws.Range("A1").SetValue(45296.0);
    Style date;
    date.numFmt = "yyyy/m/d";
    ws.data().at(0, 0).style = book.data().styles.intern(date);
    EXPECT_EQ(ws.Range("A1").Text(), "2024/1/5");
    ws.Range("A2").SetValue(true);
    EXPECT_EQ(ws.Range("A2").Text(), "TRUE");
    ws.Range("A3").SetValue(0.1 + 0.2);
    EXPECT_EQ(ws.Range("A3").Text(), "0.3");
}

TEST(Worksheets, CountOnlyWorksheetsWhileSheetsCountsCharts) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    auto chart = std::make_unique<SheetData>();
    chart->name = "图表1";
    chart->kind = SheetKind::Chart;
    book.insertSheet(1, std::move(chart));
    EXPECT_EQ(book.Sheets().Count(), 4);
    EXPECT_EQ(book.Worksheets().Count(), 3);
    EXPECT_EQ(book.Worksheets(2).Name(), "Sheet2");
    EXPECT_EQ(book.Sheets()(2).Name(), "图表1");
    EXPECT_THROW(book.Sheets()(2).UsedRange(), EngineError);
}
