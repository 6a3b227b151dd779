// Files read ahead in the background must open exactly as files read on demand: same content, the newest content
// when the file changed in between, and the usual error when the file is damaged.
#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tabrix::engine;

namespace {
// A one-sheet workbook whose A1 holds `marker`, saved in the format its name asks for.
void saveBook(const std::string& path, const std::string& marker) {
    Application app;
    Workbook& book = app.Workbooks().Add();
    book.Worksheets()(1).Cells(1, 1).SetValue(marker);
    book.Worksheets()(1).Cells(2000, 3).SetValue(42.0);
    book.SaveAs(path);
    app.Quit();
}

std::string markerOf(Workbook& book) { return std::get<std::string>(book.Worksheets()(1).Cells(1, 1).Value()); }

std::string openError(Application& app, const std::string& path) {
    try {
        app.Workbooks().Open(path);
    } catch (const EngineError& e) {
        return e.what();
    }
    return "(opened)";
}
} // namespace

TEST(ReadAhead, FilesReadAheadOpenWithTheirContentInEitherFormat) {
    tabrix::test::TempDir dir;
    std::vector<std::string> paths;
    for (const char* name : {"a.xlsx", "b.xls", "c.xlsx", "d.xls"}) {
        paths.push_back(dir.file(name));
        saveBook(paths.back(), name);
    }
    Application app;
    for (size_t i = 0; i < paths.size(); ++i) {
        app.Workbooks().ExpectOpens(std::span(paths).subspan(i));
        Workbook& book = app.Workbooks().Open(paths[i]);
        EXPECT_EQ(markerOf(book), std::filesystem::path(paths[i]).filename().string());
        EXPECT_EQ(std::get<double>(book.Worksheets()(1).Cells(2000, 3).Value()), 42.0);
        app.Workbooks().Close();
    }
    app.Quit();
}

TEST(ReadAhead, AFileChangedAfterTheReadOpensWithItsNewContent) {
    tabrix::test::TempDir dir;
    const std::string path = dir.file("book.xlsx");
    saveBook(path, "old");
    Application app;
    const std::vector<std::string> upcoming{path};
    app.Workbooks().ExpectOpens(upcoming);
    // Saving replaces the file (a new one renamed over it), as editors commonly do.
    saveBook(path, "new");
    EXPECT_EQ(markerOf(app.Workbooks().Open(path)), "new");
    app.Workbooks().Close();

    // Rewritten in place, with a different size.
    app.Workbooks().ExpectOpens(upcoming);
    saveBook(dir.file("other.xlsx"), "rewritten in place");
    std::filesystem::copy_file(dir.file("other.xlsx"), path, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(markerOf(app.Workbooks().Open(path)), "rewritten in place");
    app.Quit();
}

TEST(ReadAhead, ADamagedOrMissingFileGivesTheSameErrorAsWithout) {
    tabrix::test::TempDir dir;
    const std::string damaged = dir.file("damaged.xlsx");
    const std::string missing = dir.file("missing.xls");
    saveBook(damaged, "x");
    std::filesystem::resize_file(damaged, std::filesystem::file_size(damaged) / 2);
    Application plain;
    const std::string expectedDamaged = openError(plain, damaged);
    const std::string expectedMissing = openError(plain, missing);
    ASSERT_NE(expectedDamaged, "(opened)");

    Application app;
    const std::vector<std::string> upcoming{damaged, missing};
    app.Workbooks().ExpectOpens(upcoming);
    EXPECT_EQ(openError(app, damaged), expectedDamaged);
    app.Workbooks().ExpectOpens(std::span(upcoming).subspan(1));
    EXPECT_EQ(openError(app, missing), expectedMissing);
}

TEST(ReadAhead, FilesNoLongerExpectedAreDroppedAndOpenReadsThemAfresh) {
    tabrix::test::TempDir dir;
    const std::string a = dir.file("a.xlsx"), b = dir.file("b.xlsx");
    saveBook(a, "a");
    saveBook(b, "b");
    Application app;
    app.Workbooks().ExpectOpens(std::vector<std::string>{a});
    app.Workbooks().ExpectOpens(std::vector<std::string>{b});
    EXPECT_EQ(markerOf(app.Workbooks().Open(a)), "a");
    EXPECT_EQ(markerOf(app.Workbooks().Open(b)), "b");
    EXPECT_EQ(app.Workbooks().Count(), 2);
    app.Quit();
}
