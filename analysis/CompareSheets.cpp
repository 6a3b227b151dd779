#include "analysis/CompareSheets.h"

#include "analysis/ChangedRowsSheet.h"
#include "analysis/CompareNames.h"
#include "analysis/ComparePass.h"
#include "analysis/LenientKeys.h"
#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
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
#include "framework/SheetListing.h"
#include "framework/SourceCheck.h"
#include "framework/PasswordQuestions.h"

#include <algorithm>
#include <memory>
#include <system_error>

namespace tabrix::analysis {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoSheet = "没有选择工作表，请查实";
constexpr const char* kTitleNoSheet = "没选择工作表";
constexpr const char* kSaveTitle = "保存比较数据后的结果文件";
constexpr const char* kSaveFilterLabel = "保存比较数据的结果文件(*.";
constexpr const char* kSameSheet = "相同的数据";
constexpr const char* kFindingSame = "正在查找相同的数据";
constexpr const char* kAnalysingDifferent = "正在分析不同的数据";
constexpr const char* kDoneLine = "比较数据完成";
constexpr const char* kChangesSheet = "变化的数据";
constexpr const char* kMarkingChanges = "正在标出变化的数据";

// The page's own checks, with the texts of the buttons (the action and the correspondence button).
bool pageChecksPass(framework::Host& host, const ComparePage& page) {
    if (!framework::sourcesExistAlike(page.firstPath, page.secondPath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return false;
    }
    if (page.firstSheet.empty() || page.secondSheet.empty()) {
        host.message(kNoSheet, kTitleNoSheet);
        return false;
    }
    return true;
}

// The same checks repeated by the comparison itself, with its texts.
bool comparisonChecksPass(framework::Host& host, const ComparePage& page) {
    if (!framework::sourcesExistAlike(page.firstPath, page.secondPath)) {
        host.message(framework::msg::kSourceNotFound, framework::msg::kTitleSourceNotFound);
        return false;
    }
    if (page.firstSheet.empty() || page.secondSheet.empty()) {
        host.message(framework::msg::kCheckSheets, framework::msg::kTitleCheckSheets);
        return false;
    }
    return true;
}

// The extent of the used range counted from A1, down to its last cell even when it does not begin in A1, so no
// row below a blank top is left out of either pass.
Extent extentOf(Worksheet& sheet) {
    Range used = sheet.UsedRange();
    return {uint32_t(used.Row() + used.Cells().Rows().Count() - 1),
            uint32_t(used.Column() + used.Cells().Columns().Count() - 1)};
}

struct Sources {
    Workbook& firstBook;
    Workbook* secondBook; // only when the second worksheet lies in a workbook of its own
    Worksheet& first;
    Worksheet& second;
};

// One file named twice (in any spelling) is opened once and both worksheets are taken from it.
Sources openSources(Application& app, const ComparePage& page) {
    const bool two = page.secondPath != page.firstPath && !framework::samePath(page.firstPath, page.secondPath);
    // Both workbooks are read side by side while the first one is being opened.
    if (two) {
        const std::string both[] = {page.firstPath, page.secondPath};
        app.Workbooks().ExpectOpens(both, true);
    }
    Workbook& firstBook = app.Workbooks().Open(page.firstPath);
    Workbook* secondBook = nullptr;
    if (two) secondBook = &app.Workbooks().Open(page.secondPath);
    Worksheet& second = (secondBook ? *secondBook : firstBook).Worksheets(page.secondSheet);
    return {firstBook, secondBook, firstBook.Worksheets(page.firstSheet), second};
}

struct ResultSheets {
    Workbook& book;
    Worksheet& same;
    Worksheet& firstDifferent;
    Worksheet& secondDifferent;
    Worksheet* changes; // after the difference sheets, when changed rows are asked for
    DifferenceSheetNames names;
};

// The words a difference sheet's name uses for its side: what stands between its quotes.
std::string sideWords(const std::string& sheetName) {
    const std::string open = "“", close = "”";
    const size_t from = sheetName.find(open), to = sheetName.rfind(close);
    if (from == std::string::npos || to == std::string::npos || to < from + open.size()) return sheetName;
    return sheetName.substr(from + open.size(), to - from - open.size());
}

// A new workbook reduced to its first sheet, then three sheets added in front of it, each before the last:
// the tabs read same-data, first difference, second difference, (changed rows,) and the sheet the workbook
// came with.
ResultSheets addResultBook(Application& app, const ComparePage& page) {
    Workbook& book = app.Workbooks().Add();
    for (int i = book.Worksheets().Count(); i >= 2; --i)
        book.Worksheets(i).Delete();
    const DifferenceSheetNames names = differenceSheetNames(page.firstPath, page.secondPath);
    // The sheet of changed rows is added first, so that the three added before it come ahead of it and the
    // same-data sheet is still the active one.
    Worksheet* changes = nullptr;
    if (page.changes) {
        changes = &book.Worksheets().Add();
        changes->SetName(kChangesSheet);
    }
    Worksheet& secondDifferent = book.Worksheets().Add();
    secondDifferent.SetName(names.second);
    Worksheet& firstDifferent = book.Worksheets().Add();
    firstDifferent.SetName(names.first);
    Worksheet& same = book.Worksheets().Add();
    same.SetName(kSameSheet);
    return {book, same, firstDifferent, secondDifferent, changes, names};
}

uint32_t columnOf(const std::string& letters) {
    const auto col = columnFromLetters(letters);
    if (!col || letters.empty()) throw EngineError("列“" + letters + "”不是列字母");
    return *col + 1;
}

// The two passes' plans: the key columns, the compared column pairs (walked, searched) and the copied width.
struct Plans {
    PassPlan firstPass;  // rows of the second worksheet looked up in the first
    PassPlan secondPass; // rows of the first worksheet looked up in the second
};

Plans plainPlans(const Sources& s, Extent one, Extent two) {
    Plans plans{{s.second, two.rows, 1, s.first, one.rows, 1, {}, framework::columnLetter(long(one.cols)), 0},
                {s.first, one.rows, 1, s.second, two.rows, 1, {}, framework::columnLetter(long(one.cols)), 0}};
    for (uint32_t c = 2; c <= one.cols; ++c)
        plans.firstPass.compared.push_back({c, c});
    for (uint32_t c = 2; c <= two.cols; ++c)
        plans.secondPass.compared.push_back({c, c});
    return plans;
}

Plans enhancedPlans(const Sources& s, Extent one, Extent two, const std::vector<ColumnPair>& pairs) {
    const uint32_t key1 = columnOf(pairs.front().first), key2 = columnOf(pairs.front().second);
    Plans plans{
        {s.second, two.rows, key2, s.first, one.rows, key1, {}, framework::columnLetter(long(two.cols)), two.cols + 1},
        {s.first, one.rows, key1, s.second, two.rows, key2, {}, framework::columnLetter(long(one.cols)), one.cols + 1}};
    for (size_t a = 1; a < pairs.size(); ++a) {
        const uint32_t c1 = columnOf(pairs[a].first), c2 = columnOf(pairs[a].second);
        plans.firstPass.compared.push_back({c2, c1});
        plans.secondPass.compared.push_back({c1, c2});
    }
    return plans;
}

// The columns the sheet of changed rows shows: every column of either worksheet by position, those the first pass
// compares marked; or the pairs of the correspondence, the key pair first and the others compared.
ChangeLayout changeLayout(const Sources& s, const ResultSheets& result, Extent one, Extent two, bool enhanced,
                          const std::vector<ColumnPair>& pairs) {
    ChangeLayout layout{s.first, s.second, sideWords(result.names.first), sideWords(result.names.second), {}, {}};
    if (enhanced) {
        for (size_t a = 0; a < pairs.size(); ++a) {
            layout.columns.push_back({columnOf(pairs[a].first), columnOf(pairs[a].second)});
            layout.compared.push_back(a > 0);
        }
        return layout;
    }
    for (uint32_t c = 1; c <= std::max(one.cols, two.cols); ++c) {
        layout.columns.push_back({c, c});
        layout.compared.push_back(c >= 2 && c <= one.cols);
    }
    return layout;
}

Outcome compare(framework::Host& host, const ComparePage& page, const std::string& target, bool enhanced) {
    if (!comparisonChecksPass(host, page)) return Outcome::Refused;
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        Sources sources = openSources(app, page);
        ResultSheets result = addResultBook(app, page);
        const Extent one = extentOf(sources.first), two = extentOf(sources.second);
        Plans plans = enhanced ? enhancedPlans(sources, one, two, page.pairs) : plainPlans(sources, one, two);
        // Lenient keys are indexed before either pass starts: the second pass's finds may run on another thread.
        std::unique_ptr<LenientKeys> firstKeys, secondKeys;
        if (page.lenient) {
            firstKeys = std::make_unique<LenientKeys>(sources.first, plans.firstPass.searchedKey, one.rows);
            secondKeys = std::make_unique<LenientKeys>(sources.second, plans.secondPass.searchedKey, two.rows);
            plans.firstPass.lenient = firstKeys.get();
            plans.secondPass.lenient = secondKeys.get();
        }
        host.resetLog(framework::msg::kLogReset);
        framework::logContent(host, sources.firstBook);
        if (sources.secondBook) framework::logContent(host, *sources.secondBook);
        const uint64_t total = uint64_t(one.rows) + two.rows;
        host.appendLog(kFindingSame);
        // The second pass's finds only read the sources and search the other worksheet than the first pass's, so
        // unless both worksheets are one they are made on another core while the first pass runs.
        std::optional<MatchesAhead> secondFinds;
        try {
            if (&sources.first != &sources.second) secondFinds.emplace(plans.secondPass);
        } catch (const std::system_error&) {
            // No thread to be had: the second pass makes its own finds, as it does for one worksheet.
        }
        std::vector<ChangedRow> changed;
        runPass(host, plans.firstPass, &result.same, result.secondDifferent, {0, total}, nullptr,
                result.changes ? &changed : nullptr);
        host.appendLog(kAnalysingDifferent);
        runPass(host, plans.secondPass, nullptr, result.firstDifferent, {two.rows, total},
                secondFinds ? &*secondFinds : nullptr);
        if (result.changes) {
            host.appendLog(kMarkingChanges);
            writeChangedRows(*result.changes, changeLayout(sources, result, one, two, enhanced, page.pairs),
                             plans.firstPass, changed);
        }
        result.book.Worksheets(result.book.Worksheets().Count()).Delete();
        result.book.SaveAs(target, 1);
        const std::vector<std::string> warnings = result.book.saveWarnings();
        if (sources.secondBook) sources.secondBook->Close(false);
        sources.firstBook.Close(false);
        app.Workbooks().Close();
        app.Quit();
        host.appendLog(kDoneLine);
        if (result.changes) host.appendLog("有变化的数据共" + std::to_string(changed.size()) + "行");
        for (const auto& warning : warnings)
            host.appendLog(warning);
        host.message("比较数据完成！", "比较数据完成");
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "比较数据", error);
    }
}
} // namespace

Outcome compareSheetsAction(framework::Host& host, const ComparePage& page) {
    if (!pageChecksPass(host, page)) return Outcome::Refused;
    auto target = framework::chooseSaveTarget(
        host, {kSaveTitle, kSaveFilterLabel, page.extension, {page.firstPath, page.secondPath}, {}});
    if (!target.path) return target.outcome;
    if (page.enhanced && !page.pairs.empty()) return compareSheetsEnhanced(host, page, *target.path);
    return compareSheets(host, page, *target.path);
}

Outcome compareSheets(framework::Host& host, const ComparePage& page, const std::string& target) {
    return compare(host, page, target, false);
}

Outcome compareSheetsEnhanced(framework::Host& host, const ComparePage& page, const std::string& target) {
    if (page.pairs.empty()) return compare(host, page, target, false);
    return compare(host, page, target, true);
}

std::optional<MeasuredColumns> measureForCorrespondence(framework::Host& host, const ComparePage& page) {
    if (!pageChecksPass(host, page)) return std::nullopt;
    host.pumpEvents();
    try {
        // Each worksheet is measured in a workbook opened for it alone, also when both lie in one file.
        return MeasuredColumns{framework::usedColumnCount(page.firstPath, page.firstSheet),
                               framework::usedColumnCount(page.secondPath, page.secondSheet)};
    } catch (const std::exception& error) {
        framework::reportFailure(host, "读取工作表的列", error);
        return std::nullopt;
    }
}

} // namespace tabrix::analysis
