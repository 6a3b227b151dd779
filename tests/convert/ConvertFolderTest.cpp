#include "convert/ConvertFolder.h"

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
namespace fs = std::filesystem;

namespace {
void makeBook(const std::string& path, const std::string& tag) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Add();
    engine::Worksheet& ws = book.Worksheets(1);
    ws.Cells(1, 1).SetValue(tag);
    ws.Cells(2, 1).SetValue(42.5);
    book.SaveAs(path);
}

std::string firstCell(const std::string& path) {
    engine::Application app;
    return std::get<std::string>(app.Workbooks().Open(path).Worksheets(1).Cells(1, 1).Value());
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Folders {
    test::TempDir root;
    fs::path src = root.path() / "src";
    fs::path dst = root.path() / "dst";
    Folders() {
        fs::create_directory(src);
        fs::create_directory(dst);
    }
    convert::ConvertPage page(bool toXlsx) const { return {src.string(), dst.string(), toXlsx}; }
};
} // namespace

TEST(ConvertFolder, TwoFilesToXlsxWithTheirLogLinesAfterTheExistingLog) {
    Folders f;
    makeBook((f.src / "a.xls").string(), "A");
    makeBook((f.src / "b.xls").string(), "B");
    test::ScriptedHost host;
    host.log = "数据处理信息";
    host.logLines = {"数据处理信息", "earlier line"};
    EXPECT_EQ(convert::convertFolderAction(host, f.page(true)), framework::Outcome::Done);
    EXPECT_EQ(host.logLines, (std::vector<std::string>{"数据处理信息", "earlier line", "完成“a.xls”转换",
                                                       "完成“b.xls”转换"}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "所有转换完成！");
    EXPECT_EQ(host.messages[0].title, "转换完成");
    EXPECT_EQ(listing(f.dst), (std::vector<std::string>{"a.xlsx", "b.xlsx"}));
    EXPECT_EQ(firstCell((f.dst / "b.xlsx").string()), "B");
    EXPECT_EQ(listing(f.src), (std::vector<std::string>{"a.xls", "b.xls"}));
}

TEST(ConvertFolder, ReportXlsxBecomesReportXls) {
    Folders f;
    makeBook((f.src / "report.xlsx").string(), "报表");
    test::ScriptedHost host;
    EXPECT_EQ(convert::convertFolderAction(host, f.page(false)), framework::Outcome::Done);
    EXPECT_EQ(listing(f.dst), std::vector<std::string>{"report.xls"});
    EXPECT_EQ(firstCell((f.dst / "report.xls").string()), "报表");
}

TEST(ConvertFolder, DestinationWithOneTargetFileIsRefusedBeforeAnythingIsOpened) {
    Folders f;
    makeBook((f.src / "a.xls").string(), "A");
    test::writeFile((f.dst / "old.xlsx").string(), "x");
    test::ScriptedHost host;
    EXPECT_EQ(convert::convertFolderAction(host, f.page(true)), framework::Outcome::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "转换后要保存的文件夹 发现有excel文件，请选择一个空的文件夹！");
    EXPECT_EQ(host.messages[0].title, "重新选择");
    EXPECT_TRUE(host.logLines.empty());
    EXPECT_EQ(listing(f.dst), std::vector<std::string>{"old.xlsx"});
}

TEST(ConvertFolder, DestinationWithOnlySourceFormatOrOtherFilesIsAccepted) {
    Folders f;
    makeBook((f.src / "a.xls").string(), "A");
    test::writeFile((f.dst / "other.xls").string(), "x");
    test::writeFile((f.dst / "notes.txt").string(), "x");
    test::ScriptedHost host;
    EXPECT_EQ(convert::convertFolderAction(host, f.page(true)), framework::Outcome::Done);
    EXPECT_TRUE(fs::exists(f.dst / "a.xlsx"));
}

TEST(ConvertFolder, SourceCheckComesFirstThenTargetChecks) {
    Folders f;
    test::writeFile((f.src / "a.xlsx").string(), "x"); // not the source format for 2003 → 2007
    test::writeFile((f.dst / "b.xlsx").string(), "x");
    test::ScriptedHost host;
    EXPECT_EQ(convert::convertFolderAction(host, f.page(true)), framework::Outcome::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "转换前Excel所在文件夹中  没有找到excel文件");
    EXPECT_EQ(host.messages[0].title, "未找到");

    makeBook((f.src / "c.xls").string(), "C");
    convert::ConvertPage missing{f.src.string(), (f.root.path() / "nowhere").string(), true};
    test::ScriptedHost host2;
    EXPECT_EQ(convert::convertFolderAction(host2, missing), framework::Outcome::Refused);
    ASSERT_EQ(host2.messages.size(), 1u);
    EXPECT_EQ(host2.messages[0].text, "转换后要保存的文件夹 不存在，请重新选择一个空的文件夹！");
}

TEST(ConvertFolder, AFailingFileIsLoggedAndTheRestAreStillConverted) {
    Folders f;
    makeBook((f.src / "a.xls").string(), "A");
    test::writeFile((f.src / "b.xls").string(), "PK\x03\x04 a damaged package");
    makeBook((f.src / "c.xls").string(), "C");
    test::ScriptedHost host;
    EXPECT_EQ(convert::convertFolderAction(host, f.page(true)), framework::Outcome::Failed);
    ASSERT_EQ(host.logLines.size(), 3u);
    EXPECT_EQ(host.logLines[0], "完成“a.xls”转换");
    EXPECT_EQ(host.logLines[1].rfind("未能转换“b.xls”：", 0), 0u) << host.logLines[1];
    EXPECT_EQ(host.logLines[2], "完成“c.xls”转换");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "转换结束：2 个文件已转换，1 个文件未能转换（原因见处理信息）");
    EXPECT_EQ(listing(f.dst), (std::vector<std::string>{"a.xlsx", "c.xlsx"}));
    EXPECT_EQ(test::readFile((f.src / "b.xls").string()), "PK\x03\x04 a damaged package");
}
