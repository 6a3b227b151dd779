#include "merge/MergeSheets.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ColumnLetters.h"
#include "framework/Failure.h"
#include "framework/Messages.h"
#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"

#include <cctype>

namespace tabrix::merge {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoStartRow = "没有开始行，将默认设置为2";
constexpr const char* kStartRowZero = "开始行必须是大于0的数字，请重新输入";
constexpr const char* kTitleStartRow = "开始行有误";
constexpr const char* kSaveTitle = "保存合并后的文件";
constexpr const char* kSaveFilterLabel = "保存合并后的文件(*.";
constexpr const char* kSheetNameHeading = "所属的原工作表";

// Rows of one worksheet: header once (when pending), then the data rows, each block below the last.
struct MergeState {
    long startRow;
    bool headerPending;
    uint64_t nextRow = 0;
};

void mergeOneSheet(Worksheet& source, Worksheet& result, const MergeSheetsPage& page, MergeState& state,
                   uint64_t rows, const std::string& last) {
    const std::string name = source.Name();
    const std::string start = std::to_string(state.startRow);
    const std::string dataRange = "A" + start + ":" + last + std::to_string(rows);
    if (!page.sheetNameColumn) {
        if (state.headerPending) {
            source.Range("A1:" + last + "1").Copy(result.Range("A1"));
            state.headerPending = false;
            state.nextRow = 1;
        }
        source.Range(dataRange).Copy(result.Range("A" + std::to_string(state.nextRow + 1)));
        return;
    }
    if (state.headerPending) {
        result.Cells(1, 1).SetValue(std::string(kSheetNameHeading));
        source.Range("A1:" + last + "1").Copy(result.Range("B1"));
        state.headerPending = false;
        state.nextRow = 1;
    }
    const uint64_t lastRow = state.nextRow + rows - uint64_t(state.startRow) + 1;
    for (uint64_t r = state.nextRow + 1; r <= lastRow; ++r)
        result.Cells(static_cast<uint32_t>(r), 1).SetValue(name);
    source.Range(dataRange).Copy(result.Range("B" + std::to_string(state.nextRow + 1)));
}
} // namespace

long leadingNumber(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value > 100000000 ? value : value * 10 + (c - '0');
    }
    return value;
}

Outcome mergeSheetsAction(framework::Host& host, MergeSheetsPage& page) {
    if (page.startRowText.empty()) {
        host.message(kNoStartRow, kTitleStartRow);
        page.startRowText = "2";
        return Outcome::Refused;
    }
    // A start row of 0 would name row 0 in the copy; it is refused here instead of failing inside the merge.
    if (leadingNumber(page.startRowText) < 1) {
        host.message(kStartRowZero, kTitleStartRow);
        return Outcome::Refused;
    }
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return Outcome::Refused;
    }
    auto target = framework::chooseSaveTarget(host, {kSaveTitle, kSaveFilterLabel, page.extension, {page.sourcePath}, {}});
    if (!target.path) return target.outcome;
    return mergeSheets(host, page, *target.path);
}

Outcome mergeSheets(framework::Host& host, const MergeSheetsPage& page, const std::string& target) {
    try {
        Application app;
        Workbook& resultBook = app.Workbooks().Add();
        Worksheet& result = resultBook.Worksheets(1);
        MergeState state{leadingNumber(page.startRowText), leadingNumber(page.startRowText) != 1};
        host.resetLog(framework::msg::kLogReset);
        Workbook& sourceBook = app.Workbooks().Open(page.sourcePath);
        // Worksheets only: chart sheets have no cells to merge, so they are passed over rather than failing.
        const int count = sourceBook.Worksheets().Count();
        for (int i = 1; i <= count; ++i) {
            Worksheet& source = sourceBook.Worksheets(i);
            Range used = source.UsedRange();
            const uint64_t rows = used.Cells().Rows().Count();
            const std::string last = framework::columnLetter(long(used.Cells().Columns().Count()));
            const std::string name = source.Name();
            host.pumpEvents();
            host.appendLog("正在复制工作表“" + name + "”数据");
            if (uint64_t(state.startRow) <= rows) mergeOneSheet(source, result, page, state, rows, last);
            state.nextRow = result.UsedRange().Cells().Rows().Count();
        }
        resultBook.SaveAs(target, 1);
        host.appendLog("合并数据完成");
        host.appendLog("合并后数据保存在" + target);
        for (const auto& warning : resultBook.saveWarnings()) host.appendLog(warning);
        host.message("合并数据完成！", "合并完成");
        app.Workbooks().Close();
        app.Quit();
        host.pumpEvents();
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "合并数据", error);
    }
}

} // namespace tabrix::merge
