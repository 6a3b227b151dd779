// The xlsx writer's sheet layout and workbook-level state, checked through openpyxl: widths, heights, merges,
// visibility, the active sheet, the date system, defined names, chart sheets, and how failures are reported.
#include "engine/EngineError.h"
#include "engine/ChartSheetParts.h"
#include "engine/WriterTestBooks.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tabrix::engine;
using namespace tabrix::test;

TEST(XlsxWriterLayout, ColumnWidthsHiddenColumnsAndColumnStyles) {
    BookData book;
    auto& s = addSheet(book, "Data");
    Style bold;
    bold.font.bold = true;
    s.columns.push_back({1, 2, 20, book.styles.intern(bold), false, 0});
    s.columns.push_back({4, 4, -1, 0, true, 0});
    s.columns.push_back({6, 6, 0.5, 0, false, 0});
    setNumber(s, 0, 0, 1);
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    // 20 characters as the application shows them are 20.7109375 in the file (5 pixels of padding).
    EXPECT_EQ(dump["Data.col.B.width"], "20.7109");
    EXPECT_EQ(dump["Data.col.B.range"], "2:3");
    EXPECT_NE(dump["Data.col.B.font"].find("|b1|"), std::string::npos);
    EXPECT_EQ(dump["Data.col.E.hidden"], "1");
    // Below one character the padding shrinks: half a character is 6 pixels, 0.85546875 in the file.
    EXPECT_EQ(dump["Data.col.G.width"], "0.855469");
}

TEST(XlsxWriterLayout, RowHeightsHiddenRowsRowStylesAndDefaultHeight) {
    BookData book;
    auto& s = addSheet(book, "Data");
    s.defaultRowHeight = 18;
    setNumber(s, 2, 0, 1);
    s.rowForWrite(2).height = 30.5f;
    s.rowForWrite(4).hidden = true; // no cells: the row must still be written
    Style filled;
    filled.fill = {1, 0xFFFFFF00, 0};
    RowData& styled = s.rowForWrite(6);
    styled.style = book.styles.intern(filled);
    styled.hasStyle = true;
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data.defaultRowHeight"], "18");
    EXPECT_EQ(dump["Data.row.3.height"], "30.5");
    EXPECT_EQ(dump["Data.row.5.hidden"], "1");
    EXPECT_EQ(dump["Data.row.7.fill"].substr(0, 18), "solid|fg=FFFFFF00|");
    EXPECT_EQ(dump["Data.row.1.height"], ""); // rows without anything of their own are not written
}

TEST(XlsxWriterLayout, SheetWithOnlyRowFormatsKeepsThem) {
    BookData book;
    auto& s = addSheet(book, "Data");
    s.rowForWrite(9).height = 40;
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data.row.10.height"], "40");
}

// A merged area must keep its first cell's own value and
// format, and cells inside the area keep theirs too.
TEST(XlsxWriterLayout, MergedAreasKeepTheirFirstCell) {
    BookData book;
    auto& s = addSheet(book, "Data");
    Style centered;
    centered.alignment.horizontal = 2;
    centered.font.bold = true;
    setText(book, s, 0, 0, "标题", book.styles.intern(centered));
    setNumber(s, 1, 1, 7);
    s.merged.push_back({0, 0, 1, 2});
    s.merged.push_back({5, 5, 5, 5}); // one cell: not a merge
    setNumber(s, 3, 3, 0.25);
    s.merged.push_back({3, 3, 3, 4});
    s.merged.push_back({1, 2, 3, 3}); // overlaps both areas above: the application would call the file damaged
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_EQ(dump["Data.merged"], "A1:C2 D4:E4");
    EXPECT_TRUE(contains(warnings, "合并区域 C2:D4")) << (warnings.empty() ? "" : warnings[0]);
    EXPECT_EQ(dump["Data!A1.value"], "标题");
    EXPECT_EQ(dump["Data!A1.align"].substr(0, 8), "h=center");
    EXPECT_NE(dump["Data!A1.font"].find("|b1|"), std::string::npos);
    EXPECT_EQ(dump["Data!D4.value"], "0.25");
}

TEST(XlsxWriterBook, HiddenAndVeryHiddenSheetsAndTheActiveSheet) {
    BookData book;
    addSheet(book, "Main");
    addSheet(book, "H").visibility = Visibility::Hidden;
    addSheet(book, "VH").visibility = Visibility::VeryHidden;
    addSheet(book, "Last");
    book.activeSheet = 3;
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["book.sheets"], "Main|H|VH|Last");
    EXPECT_EQ(dump["Main.state"], "visible");
    EXPECT_EQ(dump["H.state"], "hidden");
    EXPECT_EQ(dump["VH.state"], "veryHidden");
    EXPECT_EQ(dump["book.active"], "3");
}

TEST(XlsxWriterBook, HiddenActiveSheetGivesWayToTheFirstVisible) {
    BookData book;
    addSheet(book, "H").visibility = Visibility::Hidden;
    addSheet(book, "Shown");
    book.activeSheet = 0;
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["H.state"], "hidden");
    EXPECT_EQ(dump["book.active"], "1");
}

TEST(XlsxWriterBook, WorkbookWithNoVisibleSheetShowsTheFirst) {
    BookData book;
    addSheet(book, "A").visibility = Visibility::VeryHidden;
    addSheet(book, "B").visibility = Visibility::Hidden;
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_EQ(dump["A.state"], "visible");
    EXPECT_EQ(dump["B.state"], "hidden");
    EXPECT_TRUE(contains(warnings, "“A”")) << warnings.size();
}

TEST(XlsxWriterBook, Date1904System) {
    BookData book;
    book.date1904 = true;
    auto& s = addSheet(book, "Data");
    Style date;
    date.numFmt = "yyyy/m/d";
    setNumber(s, 0, 0, 43834, book.styles.intern(date)); // 2024-01-05 counted from 1904
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["book.date1904"], "1");
    EXPECT_EQ(dump["Data!A1.value"], "2024-01-05T00:00:00");
}

TEST(XlsxWriterBook, DefinedNamesGlobalLocalHiddenAndLong) {
    BookData book;
    addSheet(book, "Main");
    addSheet(book, "数据 表");
    std::string longFormula = "Main!$A$1";
    for (int i = 2; longFormula.size() < 300; ++i) longFormula += "+Main!$A$" + std::to_string(i);
    book.names = {{"Rate", "Main!$B$2", -1, false},
                  {"本地", "'数据 表'!$A$1:$C$3", 1, false},
                  {"Secret", "42", -1, true},
                  {"LongOne", longFormula, -1, false},
                  {"A1", "1", -1, false},
                  {"has space", "1", -1, false},
                  {"Orphan", "1", 7, false}};
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_EQ(dump["name.Rate"], "Main!$B$2|0");
    EXPECT_EQ(dump["name.本地@1"], "'数据 表'!$A$1:$C$3|0");
    EXPECT_EQ(dump["name.Secret"], "42|1");
    EXPECT_EQ(dump["name.LongOne"], longFormula + "|0");
    EXPECT_FALSE(dump.has("name.A1"));
    EXPECT_TRUE(contains(warnings, "“A1”"));
    EXPECT_TRUE(contains(warnings, "“has space”"));
    EXPECT_TRUE(contains(warnings, "“Orphan”"));
}

TEST(XlsxWriterBook, DroppedFeaturesAndMacroSheetsAreLogged) {
    BookData book;
    auto& s = addSheet(book, "Data");
    s.droppedFeatures = {"charts", "hyperlinks", "something new"};
    addSheet(book, "Macro1").kind = SheetKind::Macro;
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_TRUE(contains(warnings, "工作表“Data”：以下内容未保存：图表、超链接、something new"));
    EXPECT_TRUE(contains(warnings, "工作表“Macro1”：宏表已作为普通工作表保存"));
    EXPECT_EQ(dump["book.sheets"], "Data|Macro1");
}

TEST(XlsxWriterErrors, UnwritablePlacesSayWhatFailed) {
    BookData book;
    addSheet(book, "Data");
    std::vector<std::string> warnings;
    try {
        xlsx::writeXlsx(book, "/nonexistent-tabrix-dir/out.xlsx", warnings);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("/nonexistent-tabrix-dir/out.xlsx"), std::string::npos) << what;
        EXPECT_NE(what.find("无法创建文件"), std::string::npos) << what;
    }
    if (std::filesystem::exists("/dev/full")) {
        try {
            xlsx::writeXlsx(book, "/dev/full", warnings);
            FAIL() << "no error on a full disk";
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("磁盘空间不足"), std::string::npos) << e.what();
        }
    }
}

TEST(XlsxWriterErrors, BadSheetNameAndRowsBeyondTheSheet) {
    TempDir dir;
    {
        BookData book;
        addSheet(book, "a/b");
        EXPECT_THROW(save(book, dir.file("a.xlsx")), EngineError);
    }
    {
        BookData book;
        auto& s = addSheet(book, "Data");
        setNumber(s, kMaxRows, 0, 1);
        try {
            save(book, dir.file("b.xlsx"));
            FAIL() << "no error";
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("1048577"), std::string::npos) << e.what();
        }
    }
}

TEST(XlsxWriterChartSheets, ChartSheetWithoutPartsIsLeftOutWithALogLine) {
    BookData book;
    addSheet(book, "Data");
    addSheet(book, "图表1").kind = SheetKind::Chart;
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_EQ(dump["book.sheets"], "Data");
    EXPECT_TRUE(contains(warnings, "工作表“图表1”")) << (warnings.empty() ? "" : warnings[0]);
}

// Inserting a chart sheet moves the tabs after it: the active tab and sheet-local names must follow.
TEST(XlsxWriterChartSheets, ChartSheetKeepsItsPlaceAndTheTabsAfterItFollow) {
    BookData book;
    auto& data = addSheet(book, "Data");
    setNumber(data, 0, 0, 1);
    auto& chart = addSheet(book, "Chart");
    chart.kind = SheetKind::Chart;
    chart.opaqueParts = chartSheetParts("Data!$A$1:$A$3");
    addSheet(book, "Other");
    book.activeSheet = 2;
    book.names = {{"Here", "Other!$A$1", 2, false}};
    TempDir dir;
    std::vector<std::string> warnings;
    auto dump = saveAndDump(book, dir, &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_EQ(dump["book.sheets"], "Data|Chart|Other");
    EXPECT_EQ(dump["book.active"], "2");
    EXPECT_EQ(dump["name.Here@2"], "Other!$A$1|0");
    EXPECT_EQ(dump["Chart.charts"], "1");
    EXPECT_EQ(dump["Chart.series"], "Data!$A$1:$A$3");
}

// Two workbooks' chart sheets merged into one carry the same part names; each must keep its own chart.
TEST(XlsxWriterChartSheets, ChartSheetsWithClashingPartNamesAreRenamed) {
    BookData book;
    addSheet(book, "Data");
    auto& first = addSheet(book, "C1");
    first.kind = SheetKind::Chart;
    first.opaqueParts = chartSheetParts("Data!$A$1:$A$3");
    auto& second = addSheet(book, "C2");
    second.kind = SheetKind::Chart;
    second.visibility = Visibility::Hidden;
    second.opaqueParts = chartSheetParts("Data!$B$1:$B$3");
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["book.sheets"], "Data|C1|C2");
    EXPECT_EQ(dump["C1.series"], "Data!$A$1:$A$3");
    EXPECT_EQ(dump["C2.series"], "Data!$B$1:$B$3");
    EXPECT_EQ(dump["C2.state"], "hidden");
    EXPECT_EQ(dump["book.active"], "0");
}

// A chart sheet in front of the active worksheet must not
// become the tab the application opens on.
TEST(XlsxWriterChartSheets, ChartSheetFirstLeavesTheWorksheetActive) {
    BookData book;
    auto& chart = addSheet(book, "Chart");
    chart.kind = SheetKind::Chart;
    chart.opaqueParts = chartSheetParts("Data!$A$1:$A$3");
    addSheet(book, "Data");
    book.activeSheet = 1;
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["book.sheets"], "Chart|Data");
    EXPECT_EQ(dump["book.active"], "1");
}
