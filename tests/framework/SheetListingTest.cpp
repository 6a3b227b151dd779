#include "framework/SheetListing.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include "engine/ChartSheetParts.h"
#include "engine/model/BookData.h"
#include "engine/xlsx/write/XlsxWriter.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

using namespace tabrix;

namespace {
// Sheets "Sheet1".."Sheet3" as Add makes them; the second gets data in C5:F20.
std::string makeBook(const test::TempDir& dir, const std::string& name) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Add();
    book.Worksheets(1).SetName("汇总");
    book.Worksheets(2).Range("C5").SetValue(1.0);
    book.Worksheets(2).Range("F20").SetValue(std::string("end"));
    const std::string path = dir.file(name);
    book.SaveAs(path);
    return path;
}
} // namespace

TEST(SheetListing, NamesInTabOrderInBothFormats) {
    test::TempDir dir;
    for (const char* name : {"b.xls", "b.xlsx"})
        EXPECT_EQ(framework::worksheetNames(makeBook(dir, name)),
                  (std::vector<std::string>{"汇总", "Sheet2", "Sheet3"}));
}

TEST(SheetListing, ColumnCountReachesTheLastUsedColumnFromColumnA) {
    test::TempDir dir;
    const std::string path = makeBook(dir, "c.xlsx");
    // Data in C..F: the split page offers A..F, so a split copies every column that holds data.
    EXPECT_EQ(framework::usedColumnCount(path, "Sheet2"), 6);
    EXPECT_EQ(framework::usedColumnCount(path, "Sheet3"), 1); // an empty sheet's used range is A1
}

TEST(SheetListing, FailuresAreEngineErrors) {
    test::TempDir dir;
    EXPECT_THROW(framework::worksheetNames(dir.file("missing.xls")), engine::EngineError);
    EXPECT_THROW(framework::usedColumnCount(makeBook(dir, "d.xls"), "无此表"), engine::EngineError);
    test::writeFile(dir.file("text.xlsx"), std::string("\x01\x02 not a zip\x00", 14));
    EXPECT_THROW(framework::worksheetNames(dir.file("text.xlsx")), engine::EngineError);
}

// Chart sheets count among the sheets but are no worksheets: the list skips them instead of failing after the
// last worksheet.
TEST(SheetListing, ChartSheetsAreLeftOut) {
    engine::BookData book;
    for (const char* name : {"数据", "图表", "汇总"}) {
        book.sheets.push_back(std::make_unique<engine::SheetData>());
        book.sheets.back()->name = name;
    }
    book.sheets[1]->kind = engine::SheetKind::Chart;
    book.sheets[1]->opaqueParts = test::chartSheetParts("'数据'!$A$1:$A$3");
    test::TempDir dir;
    std::vector<std::string> warnings;
    engine::xlsx::writeXlsx(book, dir.file("chart.xlsx"), warnings);
    {
        engine::Application app;
        ASSERT_EQ(app.Workbooks().Open(dir.file("chart.xlsx")).Sheets().Count(), 3);
    }
    EXPECT_EQ(framework::worksheetNames(dir.file("chart.xlsx")), (std::vector<std::string>{"数据", "汇总"}));
}
