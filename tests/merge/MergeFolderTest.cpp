#include "merge/MergeFolder.h"
#include "merge/WorksheetStack.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "support/ScriptedHost.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tabrix;
using framework::Outcome;
namespace fs = std::filesystem;

namespace {
// A workbook whose first worksheet holds `rows` rows of one column, row 1 a header.
void makeBook(const std::string& path, int rows) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Add();
    engine::Worksheet& sheet = book.Worksheets(1);
    sheet.Cells(1, 1).SetValue(std::string("h"));
    for (int r = 2; r <= rows; ++r) sheet.Cells(uint32_t(r), 1).SetValue(double(r));
    book.SaveAs(path);
}
} // namespace

TEST(WorksheetStack, RowLimitFollowsTheResultFormat) {
    EXPECT_EQ(merge::rowLimitFor("/x/r.xls"), 65536u);
    EXPECT_EQ(merge::rowLimitFor("/x/r.XLS"), 65536u);
    EXPECT_EQ(merge::rowLimitFor("/x/r.xlsx"), 1048576u);
    EXPECT_EQ(merge::rowLimitFor("/x/r"), 1048576u);
}

TEST(WorksheetStack, ABlockEndingOnTheLastRowFitsOnePastItStops) {
    test::TempDir dir;
    makeBook(dir.file("a.xlsx"), 4); // header + 3 data rows
    engine::Application app;
    engine::Workbook& source = app.Workbooks().Open(dir.file("a.xlsx"));
    engine::Worksheet& result = app.Workbooks().Add().Worksheets(1);
    test::ScriptedHost host;
    merge::StackState state(2, 7); // header, 3 rows, 3 rows: row 7 exactly
    merge::stackWorksheet(host, source.Worksheets(1), result, state, {}, "“");
    merge::stackWorksheet(host, source.Worksheets(1), result, state, {}, "“");
    EXPECT_EQ(state.nextRow, 7u);
    try {
        merge::stackWorksheet(host, source.Worksheets(1), result, state, {}, "“");
        FAIL() << "a block past the limit must stop the merge";
    } catch (const std::exception& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("7 行"), std::string::npos) << message;
        EXPECT_NE(message.find("文件“a.xlsx”的工作表“Sheet1”"), std::string::npos) << message;
    }
    EXPECT_EQ(result.UsedRange().Rows().Count(), 7u); // nothing of the refused block was written
    EXPECT_EQ(host.logLines.back(), "“Sheet1”数据");
}

TEST(MergeFolderAction, DialogRefusalsAndCancelInTheirOrder) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "src");
    makeBook(dir.file("src/a.xls"), 3);
    merge::MergeFolderPage page{dir.file("src"), false, "2", false, "xls"};

    test::ScriptedHost cancelled;
    EXPECT_EQ(merge::mergeFolderAction(cancelled, page), Outcome::Cancelled);
    ASSERT_EQ(cancelled.dialogs.size(), 1u);
    EXPECT_EQ(cancelled.dialogs[0].title, "保存合并后的文件");
    EXPECT_EQ(cancelled.dialogs[0].filter, "保存合并后的文件(*.xls)|*.xls");
    EXPECT_TRUE(cancelled.messages.empty());

    test::ScriptedHost inFolder;
    inFolder.saveAnswers.push_back(dir.file("src/../src/r.xls"));
    EXPECT_EQ(merge::mergeFolderAction(inFolder, page), Outcome::Refused);
    ASSERT_EQ(inFolder.messages.size(), 1u);
    EXPECT_EQ(inFolder.messages[0].text, "新的文件不能与原有Excel文件在同一个目录");
    EXPECT_EQ(inFolder.messages[0].title, "操作失效");

    // The multi-worksheet option resets the log before it looks at the folder; the other waits for the merge.
    page.extension = "xlsx";
    for (bool asSheets : {false, true}) {
        test::ScriptedHost none;
        none.log = "earlier";
        page.asSheets = asSheets;
        EXPECT_EQ(merge::mergeFolderAction(none, page), Outcome::Refused);
        ASSERT_EQ(none.messages.size(), 1u);
        EXPECT_EQ(none.messages[0].text, "所选的目录没有Excel文件，请查实");
        EXPECT_EQ(none.messages[0].title, "文件不存在");
        EXPECT_EQ(none.log, asSheets ? "数据处理信息" : "earlier");
    }
}

TEST(MergeFolderAction, EmptyStartRowIsPutBackOnlyForTheOneSheetOption) {
    test::TempDir dir;
    makeBook(dir.file("a.xls"), 3);
    merge::MergeFolderPage page{dir.path().string(), false, "", false, "xls"};
    test::ScriptedHost host;
    EXPECT_EQ(merge::mergeFolderAction(host, page), Outcome::Refused);
    EXPECT_EQ(page.startRowText, "2");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "开始行有误");
    EXPECT_TRUE(host.dialogs.empty());

    page.startRowText.clear();
    page.asSheets = true;
    test::ScriptedHost sheets;
    EXPECT_EQ(merge::mergeFolderAction(sheets, page), Outcome::Cancelled); // straight to the save dialog
    EXPECT_EQ(page.startRowText, "");
}
