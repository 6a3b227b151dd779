// A file that is not what its name says opens by its content, and says what it really is.
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tabrix::engine;

TEST(ContentNote, NamesWhatTheFileReallyIsOnlyWhenTheNameSaysOtherwise) {
    EXPECT_EQ(contentNote("/d/报表.xls", ContentKind::Html), "“报表.xls”实际是网页表格（HTML），已按表格读取");
    EXPECT_EQ(contentNote("a.xlsx", ContentKind::Xls), "“a.xlsx”实际是2003 格式工作簿（xls），已按该格式读取");
    EXPECT_EQ(contentNote("a.XLS", ContentKind::Tsv), "“a.XLS”实际是制表符分隔的文本，已按表格读取");
    EXPECT_FALSE(contentNote("a.xls", ContentKind::Xls));
    EXPECT_FALSE(contentNote("a.csv", ContentKind::Csv));
    EXPECT_FALSE(contentNote("a.csv", ContentKind::SemicolonText));
    EXPECT_FALSE(contentNote("a.xml", ContentKind::SpreadsheetMl));
    EXPECT_FALSE(contentNote("a.txt", ContentKind::Tsv)); // a text export is what it is
    EXPECT_FALSE(contentNote("Book1", ContentKind::Xlsx));
}

TEST(ContentNote, WorkbooksUnderTheOtherFormatsNameOpenAndSaveAsRealWorkbooks) {
    tabrix::test::TempDir dir;
    Application app;
    Workbook& made = app.Workbooks().Add();
    made.Worksheets(1).Range("A1").SetValue(std::string("x"));
    made.SaveAs(dir.file("real.xlsx"));
    made.SaveAs(dir.file("real.xls"));
    std::filesystem::rename(dir.file("real.xlsx"), dir.file("swapped.xls"));
    std::filesystem::rename(dir.file("real.xls"), dir.file("swapped.xlsx"));
    Workbook& xlsx = app.Workbooks().Open(dir.file("swapped.xls"));
    EXPECT_EQ(xlsx.content(), ContentKind::Xlsx);
    Workbook& xls = app.Workbooks().Open(dir.file("swapped.xlsx"));
    EXPECT_EQ(xls.content(), ContentKind::Xls);
    EXPECT_EQ(std::get<std::string>(xls.Worksheets(1).Range("A1").Value()), "x");
    tabrix::test::writeFile(dir.file("page.xls"), "<table><tr><td>0012</td></tr></table>");
    Workbook& page = app.Workbooks().Open(dir.file("page.xls"));
    page.Save(); // written back as the workbook its name promises
    EXPECT_EQ(sniffFile(dir.file("page.xls")), FileKind::Ole2);
    Workbook& again = app.Workbooks().Open(dir.file("page.xls"));
    EXPECT_EQ(std::get<std::string>(again.Worksheets(1).Range("A1").Value()), "0012");
}
