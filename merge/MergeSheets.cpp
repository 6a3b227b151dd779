#include "merge/MergeSheets.h"

#include "merge/MergeMessages.h"
#include "merge/WorksheetStack.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/Failure.h"
#include "framework/Messages.h"
#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"
#include "framework/PasswordQuestions.h"

#include <cctype>
#include <vector>

namespace tabrix::merge {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoStartRow = "没有开始行，将默认设置为2";
constexpr const char* kStartRowZero = "开始行必须是大于0的数字，请重新输入";
constexpr const char* kTitleStartRow = "开始行有误";
constexpr const char* kSheetNameHeading = "所属的原工作表";
constexpr const char* kNoHeadingRow = "按标题名称对齐列需要标题行：开始行为1时没有标题行，请把开始行设为2或更大";
} // namespace

long leadingNumber(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value > 100000000 ? value : value * 10 + (c - '0');
    }
    return value;
}

bool startRowAccepted(framework::Host& host, std::string& startRowText) {
    if (startRowText.empty()) {
        host.message(kNoStartRow, kTitleStartRow);
        startRowText = "2";
        return false;
    }
    // A start row of 0 would name row 0 in the copy; it is refused here instead of failing inside the merge.
    if (leadingNumber(startRowText) < 1) {
        host.message(kStartRowZero, kTitleStartRow);
        return false;
    }
    return true;
}

bool alignmentAccepted(framework::Host& host, bool byHeader, const std::string& startRowText) {
    if (!byHeader || leadingNumber(startRowText) != 1) return true;
    host.message(kNoHeadingRow, kTitleStartRow);
    return false;
}

Outcome mergeSheetsAction(framework::Host& host, MergeSheetsPage& page) {
    if (!startRowAccepted(host, page.startRowText)) return Outcome::Refused;
    if (!alignmentAccepted(host, page.byHeader, page.startRowText)) return Outcome::Refused;
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
        framework::askPasswordsThrough(host, app);
        Workbook& resultBook = app.Workbooks().Add();
        Worksheet& result = resultBook.Worksheets(1);
        if (!alignmentAccepted(host, page.byHeader, page.startRowText)) return Outcome::Refused;
        StackState state(leadingNumber(page.startRowText), rowLimitFor(target), page.byHeader);
        const LabelColumns labels{page.sheetNameColumn ? std::vector<std::string>{kSheetNameHeading}
                                                       : std::vector<std::string>{},
                                  {}};
        host.resetLog(framework::msg::kLogReset);
        Workbook& sourceBook = app.Workbooks().Open(page.sourcePath);
        framework::logContent(host, sourceBook);
        // Worksheets only: chart sheets have no cells to merge, so they are passed over rather than failing.
        const int count = sourceBook.Worksheets().Count();
        for (int i = 1; i <= count; ++i) {
            stackWorksheet(host, sourceBook.Worksheets(i), result, state, labels, "正在复制工作表“");
            host.progress(uint64_t(i), uint64_t(count));
        }
        resultBook.SaveAs(target, 1);
        reportMerged(host, target, resultBook.saveWarnings(), otherHeadingsSentence(state.otherHeadings, page.byHeader));
        app.Workbooks().Close();
        app.Quit();
        host.pumpEvents();
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "合并数据", error);
    }
}

} // namespace tabrix::merge
