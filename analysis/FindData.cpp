#include "analysis/FindData.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/ColumnLetters.h"
#include "framework/Failure.h"
#include "framework/Messages.h"
#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"
#include "framework/PasswordQuestions.h"

#include <algorithm>
#include <vector>

namespace tabrix::analysis {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoSearchText = "查找的内容不能为空";
constexpr const char* kTitleNoSearchText = "查找有误";
constexpr const char* kNoSheet = "没有选择工作表";
constexpr const char* kTitleNoSheet = "请选择工作表";
constexpr const char* kSaveTitle = "保存查找数据后的结果文件";
constexpr const char* kSaveFilterLabel = "保存查找数据后的结果文件(*.";
constexpr const char* kResultSheet = "查找结果";
constexpr const char* kSearching = "正在查找相同的数据";
constexpr const char* kDoneLine = "查找数据完成";

// Rows of every hit of the search text in the range, each once and in the sheet's order. The search starts
// after the range's first cell and visits that cell last, so the hits come in row order except a last one in
// row 1; rows are collected first and copied afterwards, so row 1 is neither written last nor twice.
std::vector<uint32_t> hitRows(const Range& range, const std::string& text) {
    std::vector<uint32_t> rows;
    std::optional<Range> hit = range.Find(text, xlPart);
    if (!hit) return rows;
    const std::string first = hit->Address();
    do {
        if (rows.empty() || rows.back() != hit->Row()) rows.push_back(hit->Row());
        hit = range.FindNext(*hit);
    } while (hit && hit->Address() != first);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
} // namespace

Outcome findDataAction(framework::Host& host, const FindDataPage& page) {
    if (page.searchText.empty()) {
        host.message(kNoSearchText, kTitleNoSearchText);
        return Outcome::Refused;
    }
    if (page.sheetName.empty()) {
        host.message(kNoSheet, kTitleNoSheet);
        return Outcome::Refused;
    }
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return Outcome::Refused;
    }
    auto target =
        framework::chooseSaveTarget(host, {kSaveTitle, kSaveFilterLabel, page.extension, {page.sourcePath}, {}});
    if (!target.path) return target.outcome;
    return findData(host, page, *target.path);
}

Outcome findData(framework::Host& host, const FindDataPage& page, const std::string& target) {
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(framework::msg::kSourceNotFound, framework::msg::kTitleSourceNotFound);
        return Outcome::Refused;
    }
    if (page.sheetName.empty()) {
        host.message(framework::msg::kCheckSheets, framework::msg::kTitleCheckSheets);
        return Outcome::Refused;
    }
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        Workbook& sourceBook = app.Workbooks().Open(page.sourcePath);
        Workbook& resultBook = app.Workbooks().Add();
        for (int i = resultBook.Worksheets().Count(); i >= 2; --i)
            resultBook.Worksheets(i).Delete();
        Worksheet& source = sourceBook.Worksheets(page.sheetName);
        Worksheet& result = resultBook.Worksheets().Add();
        result.SetName(kResultSheet);

        // The search covers the used range down to its last cell even when it does not begin in A1, so rows
        // below a blank top are not left out.
        Range used = source.UsedRange();
        const uint64_t lastRow = used.Row() + used.Cells().Rows().Count() - 1;
        const std::string last = framework::columnLetter(long(used.Column() + used.Cells().Columns().Count() - 1));
        host.resetLog(framework::msg::kLogReset);
        framework::logContent(host, sourceBook);
        host.appendLog(kSearching);

        const std::vector<uint32_t> rows =
            hitRows(source.Range("A1:" + last + std::to_string(lastRow)), page.searchText);
        uint32_t next = 1;
        for (uint32_t row : rows) {
            const std::string r = std::to_string(row);
            source.Range("A" + r + ":" + last + r).Copy(result.Range("A" + std::to_string(next++)));
        }
        host.pumpEvents();
        resultBook.Worksheets(resultBook.Worksheets().Count()).Delete();
        resultBook.SaveAs(target, 1);
        const std::vector<std::string> warnings = resultBook.saveWarnings();
        resultBook.Close(false);
        sourceBook.Close(false);
        app.Workbooks().Close();
        app.Quit();
        host.appendLog(kDoneLine);
        for (const auto& warning : warnings)
            host.appendLog(warning);
        host.message("查找数据完成！", "查找数据完成");
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "查找数据", error);
    }
}

} // namespace tabrix::analysis
