#include "analysis/ClearData.h"

#include "analysis/LenientKeys.h"

#include "engine/model/ValueEquality.h"
#include "engine/object/Application.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/ColumnLetters.h"
#include "framework/Failure.h"
#include "framework/Messages.h"
#include "framework/RowProgress.h"
#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"
#include "framework/PasswordQuestions.h"

#include <optional>

namespace tabrix::analysis {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoSheet = "没有选择工作表";
constexpr const char* kTitleNoSheet = "请核查";
// The clear page asks for its result with the compare page's texts.
constexpr const char* kSaveTitle = "保存比较数据后的结果文件";
constexpr const char* kSaveFilterLabel = "保存比较数据的结果文件(*.";
constexpr const char* kAnalysing = "正在分析数据";
constexpr const char* kDoneLine = "删除数据完成";

// The used range's extent counted from A1, down to its last cell even when it does not begin in A1, so no row
// below a blank top is lost from the result.
struct Extent {
    uint32_t rows;
    uint32_t cols;
};

Extent extentOf(Worksheet& sheet) {
    Range used = sheet.UsedRange();
    return {uint32_t(used.Row() + used.Cells().Rows().Count() - 1),
            uint32_t(used.Column() + used.Cells().Columns().Count() - 1)};
}

// True when some row of the removal worksheet with data row k's key has equal values in columns 2 to its
// width: each occurrence of the key is tried in search order until one matches in full. With lenient keys the
// rows holding the key come from their index and values are compared leniently too.
bool standsInRemoval(Worksheet& data, uint32_t k, Worksheet& removal, const Range& keys, uint32_t removalCols,
                     const LenientKeys* lenient) {
    const auto matchesRow = [&](uint32_t r) {
        uint32_t n = 2;
        const auto equal = lenient ? lenientValuesEqual : valuesEqual;
        while (n <= removalCols && equal(data.Cells(k, n).Value(), removal.Cells(r, n).Value()))
            ++n;
        return n > removalCols;
    };
    if (lenient) {
        for (uint32_t r = lenient->first(data.Cells(k, 1).Value()); r != 0; r = lenient->next(r))
            if (matchesRow(r)) return true;
        return false;
    }
    std::optional<Range> hit = keys.Find(literalWhat(data.Cells(k, 1).Value()), xlWhole);
    if (!hit) return false;
    const std::string first = hit->Address();
    do {
        if (matchesRow(hit->Row())) return true;
        hit = keys.FindNext(*hit);
    } while (hit && hit->Address() != first);
    return false;
}

struct Books {
    Workbook& data;
    Worksheet& dataSheet;
    Worksheet& removalSheet;
    Workbook* removal; // only when the removal worksheet lies in a workbook of its own
};

Books openBooks(Application& app, const ClearDataPage& page) {
    Workbook& data = app.Workbooks().Open(page.dataPath);
    Workbook* removal = nullptr;
    if (page.removalPath != page.dataPath) removal = &app.Workbooks().Open(page.removalPath);
    Worksheet& removalSheet = (removal ? *removal : data).Worksheets(page.removalSheet);
    return {data, data.Worksheets(page.dataSheet), removalSheet, removal};
}
} // namespace

Outcome clearDataAction(framework::Host& host, const ClearDataPage& page) {
    if (!framework::sourcesExistAlike(page.dataPath, page.removalPath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return Outcome::Refused;
    }
    if (page.dataSheet.empty() || page.removalSheet.empty()) {
        host.message(kNoSheet, kTitleNoSheet);
        return Outcome::Refused;
    }
    auto target = framework::chooseSaveTarget(
        host, {kSaveTitle, kSaveFilterLabel, page.extension, {page.dataPath, page.removalPath}, {}});
    if (!target.path) return target.outcome;
    return clearData(host, page, *target.path);
}

Outcome clearData(framework::Host& host, const ClearDataPage& page, const std::string& target) {
    if (!framework::sourcesExistAlike(page.dataPath, page.removalPath)) {
        host.message(framework::msg::kSourceNotFound, framework::msg::kTitleSourceNotFound);
        return Outcome::Refused;
    }
    if (page.dataSheet.empty() || page.removalSheet.empty()) {
        host.message(framework::msg::kCheckSheets, framework::msg::kTitleCheckSheets);
        return Outcome::Refused;
    }
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        Books books = openBooks(app, page);
        Workbook& resultBook = app.Workbooks().Add();
        for (int i = resultBook.Worksheets().Count(); i >= 2; --i)
            resultBook.Worksheets(i).Delete();
        Worksheet& result = resultBook.Worksheets(1);
        const Extent data = extentOf(books.dataSheet), removal = extentOf(books.removalSheet);
        const std::string last = framework::columnLetter(long(data.cols));
        host.resetLog(framework::msg::kLogReset);
        framework::logContent(host, books.data);
        if (books.removal) framework::logContent(host, *books.removal);
        host.appendLog(kAnalysing);

        const Range keys = books.removalSheet.Range("A1:A" + std::to_string(removal.rows));
        std::optional<LenientKeys> lenient;
        if (page.lenient) lenient.emplace(books.removalSheet, 1, removal.rows);
        framework::RowProgress progress(host, data.rows);
        uint32_t next = 1;
        for (uint32_t k = 1; k <= data.rows; ++k) {
            if (!standsInRemoval(books.dataSheet, k, books.removalSheet, keys, removal.cols,
                                 lenient ? &*lenient : nullptr)) {
                const std::string row = std::to_string(k);
                books.dataSheet.Range("A" + row + ":" + last + row).Copy(result.Range("A" + std::to_string(next++)));
            }
            progress.row(k);
        }
        progress.finish();
        resultBook.SaveAs(target, 1);
        const std::vector<std::string> warnings = resultBook.saveWarnings();
        if (books.removal) books.removal->Close(false);
        books.data.Close(false);
        app.Workbooks().Close();
        app.Quit();
        host.appendLog(kDoneLine);
        for (const auto& warning : warnings)
            host.appendLog(warning);
        host.message("删除数据完成！", "删除数据完成");
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "删除数据", error);
    }
}

} // namespace tabrix::analysis
