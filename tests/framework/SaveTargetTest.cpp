#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"

#include "support/ScriptedHost.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tabrix;
using framework::Outcome;

namespace {
framework::SaveTargetRequest mergeRequest(const std::string& source) {
    return {"保存合并后的文件", "保存合并后的文件(*.", "xls", {source}, {}};
}
} // namespace

TEST(SaveTarget, CancelEndsQuietlyAndFilterFollowsWorkingExtension) {
    test::ScriptedHost host;
    auto result = framework::chooseSaveTarget(host, mergeRequest("/x/a.xls"));
    EXPECT_FALSE(result.path);
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "保存合并后的文件");
    EXPECT_EQ(host.dialogs[0].filter, "保存合并后的文件(*.xls)|*.xls");
}

TEST(SaveTarget, SourceIsRefusedInAnySpelling) {
    test::TempDir dir;
    const std::string source = dir.file("src.xlsx");
    test::writeFile(source, "data");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink(source, dir.path() / "link.xlsx");
    for (const std::string& spelling :
         {source, dir.file("sub/../src.xlsx"), dir.file("./src.xlsx"), dir.file("link.xlsx")}) {
        test::ScriptedHost host;
        host.saveAnswers.push_back(spelling);
        auto result = framework::chooseSaveTarget(host, mergeRequest(source));
        EXPECT_EQ(result.outcome, Outcome::Refused) << spelling;
        ASSERT_EQ(host.messages.size(), 1u) << spelling;
        EXPECT_EQ(host.messages[0].text, "新的文件不能覆盖原有Excel文件");
        EXPECT_EQ(host.messages[0].title, "操作失效");
        EXPECT_TRUE(host.prompts.empty());
    }
    EXPECT_EQ(test::readFile(source), "data");
}

TEST(SaveTarget, EitherOfTwoSourcesIsRefused) {
    test::ScriptedHost host;
    host.saveAnswers.push_back("/data/b.xlsx");
    auto result = framework::chooseSaveTarget(
        host, {"保存比较数据后的结果文件", "保存比较数据的结果文件(*.", "xlsx", {"/data/a.xlsx", "/data/b.xlsx"}, {}});
    EXPECT_EQ(result.outcome, Outcome::Refused);
}

TEST(SaveTarget, TargetInsideSourceFolderIsRefused) {
    test::TempDir dir;
    test::ScriptedHost host;
    host.saveAnswers.push_back(dir.file("out.xls"));
    framework::SaveTargetRequest request{"保存合并后的文件", "保存合并后的文件(*.", "xls", {}, dir.path().string()};
    auto result = framework::chooseSaveTarget(host, request);
    EXPECT_EQ(result.outcome, Outcome::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "新的文件不能与原有Excel文件在同一个目录");
}

TEST(SaveTarget, ExistingTargetIsReplacedOnlyAfterOk) {
    test::TempDir dir;
    const std::string target = dir.file("out.xlsx");
    test::writeFile(target, "old");
    {
        test::ScriptedHost host;
        host.saveAnswers.push_back(target);
        host.confirmAnswers.push_back(false);
        auto result = framework::chooseSaveTarget(host, mergeRequest(dir.file("src.xlsx")));
        EXPECT_EQ(result.outcome, Outcome::Cancelled);
        ASSERT_EQ(host.prompts.size(), 1u);
        EXPECT_EQ(host.prompts[0].text, "文件" + target + "已存在，是否替换这个文件？");
        EXPECT_EQ(host.prompts[0].title, "是否替换保存");
        EXPECT_EQ(test::readFile(target), "old");
    }
    test::ScriptedHost host;
    host.saveAnswers.push_back(target);
    host.confirmAnswers.push_back(true);
    auto result = framework::chooseSaveTarget(host, mergeRequest(dir.file("src.xlsx")));
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.path, target);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(SaveTarget, ExistingFileWithoutWorkbookExtensionIsAlsoAnnounced) {
    test::TempDir dir;
    const std::string target = dir.file("notes");
    test::writeFile(target, "keep me");
    test::ScriptedHost host;
    host.saveAnswers.push_back(target);
    auto result = framework::chooseSaveTarget(host, mergeRequest(dir.file("src.xlsx")));
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_EQ(host.prompts.size(), 1u);
    EXPECT_EQ(test::readFile(target), "keep me");
}

TEST(SaveTarget, TargetThatCannotBeDeletedGivesInUseMessage) {
    test::TempDir dir;
    const std::string target = dir.file("busy.xlsx");
    std::filesystem::create_directories(target + "/inner"); // a folder by that name cannot be removed as a file
    test::ScriptedHost host;
    host.saveAnswers.push_back(target);
    host.confirmAnswers.push_back(true);
    auto result = framework::chooseSaveTarget(host, mergeRequest(dir.file("src.xlsx")));
    EXPECT_EQ(result.outcome, Outcome::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, target + "正在使用，无法覆盖");
    EXPECT_EQ(host.messages[0].title, "文件被打开");
    EXPECT_TRUE(std::filesystem::exists(target + "/inner"));
}

TEST(SourceCheck, NameMustEndInXlsOrXlsxExactly) {
    test::TempDir dir;
    for (const char* name : {"a.xls", "b.xlsx", "c.XLSX", "d.csv", "exls"}) test::writeFile(dir.file(name), "x");
    EXPECT_TRUE(framework::sourceExists(dir.file("a.xls")));
    EXPECT_TRUE(framework::sourceExists(dir.file("b.xlsx")));
    EXPECT_FALSE(framework::sourceExists(dir.file("c.XLSX")));
    EXPECT_FALSE(framework::sourceExists(dir.file("d.csv")));
    EXPECT_TRUE(framework::sourceExists(dir.file("exls")));
    EXPECT_FALSE(framework::sourceExists(dir.file("missing.xlsx")));
    EXPECT_FALSE(framework::sourceExists(""));
    EXPECT_FALSE(framework::sourceExists(dir.path().string()));
}
