#include "merge/MergeFolder.h"

#include "merge/MergeMessages.h"
#include "merge/MergeSheets.h"
#include "merge/WorksheetStack.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/Failure.h"
#include "framework/FolderScan.h"
#include "framework/Messages.h"
#include "framework/SaveTarget.h"
#include "framework/PasswordQuestions.h"

#include <span>

namespace tabrix::merge {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
constexpr const char* kNoWorkbooks = "所选的目录没有Excel文件，请查实";
constexpr const char* kFileNameHeading = "所属的原Excel文件名";
constexpr const char* kSheetNameHeading = "工作表名";

std::string withoutExtension(const std::string& file) {
    const auto dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

// An empty folder box is refused like a folder without workbooks: it names no folder the user chose.
bool folderHoldsWorkbooks(framework::Host& host, const MergeFolderPage& page) {
    if (!page.folder.empty() && !folderWorkbooks(page).empty()) return true;
    host.message(kNoWorkbooks, framework::msg::kTitleSourceMissing);
    return false;
}

// One workbook's worksheets onto the stack; chart sheets have no cells and are passed over.
void stackWorkbook(framework::Host& host, Workbook& book, const std::string& file, Worksheet& result,
                   StackState& state, bool nameColumns) {
    const LabelColumns labels = nameColumns ? LabelColumns{{kFileNameHeading, kSheetNameHeading}, {withoutExtension(file)}}
                                            : LabelColumns{};
    const std::string logPrefix = "正在复制文件“" + file + "”中的工作表“";
    const std::string where = "文件“" + file + "”中的";
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i)
        stackWorksheet(host, book.Worksheets(i), result, state, labels, logPrefix, where);
    // The workbook stays open to the end of the merge, but its cells are no longer needed here.
    book.releaseCells();
}
} // namespace

std::vector<std::string> folderWorkbooks(const MergeFolderPage& page) {
    return framework::filesWithExtension(page.folder, page.extension);
}

Workbook& openFolderWorkbook(Application& app, const std::string& path, const std::string& name) {
    try {
        return app.Workbooks().Open(path);
    } catch (const PasswordNotGivenError&) {
        throw; // already names the file; a refusal, not a failure to read
    } catch (const std::exception& error) {
        throw EngineError("无法读取文件“" + name + "”：" + error.what());
    }
}

Outcome mergeFolderAction(framework::Host& host, MergeFolderPage& page) {
    if (page.asSheets) host.resetLog(framework::msg::kLogReset);
    if (!page.asSheets && !startRowAccepted(host, page.startRowText)) return Outcome::Refused;
    if (!page.asSheets && !alignmentAccepted(host, page.byHeader, page.startRowText)) return Outcome::Refused;
    if (!folderHoldsWorkbooks(host, page)) return Outcome::Refused;
    auto target = framework::chooseSaveTarget(host, {kSaveTitle, kSaveFilterLabel, page.extension, {}, page.folder});
    if (!target.path) return target.outcome;
    return page.asSheets ? mergeFolderAsSheets(host, page, *target.path)
                         : mergeFolderIntoSheet(host, page, *target.path);
}

Outcome mergeFolderIntoSheet(framework::Host& host, const MergeFolderPage& page, const std::string& target) {
    try {
        Application app;
        framework::askPasswordsThrough(host, app, true);
        Workbook& resultBook = app.Workbooks().Add();
        Worksheet& result = resultBook.Worksheets(1);
        if (!alignmentAccepted(host, page.byHeader, page.startRowText)) return Outcome::Refused;
        StackState state(leadingNumber(page.startRowText), rowLimitFor(target), page.byHeader);
        host.resetLog(framework::msg::kLogReset);
        const std::vector<std::string> files = folderWorkbooks(page);
        std::vector<std::string> paths;
        for (const auto& file : files) paths.push_back(framework::joinPath(page.folder, file));
        for (size_t i = 0; i < files.size(); ++i) {
            // The workbooks still to come are read in the background while this one is merged.
            app.Workbooks().ExpectOpens(std::span(paths).subspan(i));
            Workbook& book = openFolderWorkbook(app, paths[i], files[i]);
            framework::logContent(host, book);
            stackWorkbook(host, book, files[i], result, state, page.nameColumns);
            host.progress(i + 1, files.size());
        }
        resultBook.SaveAs(target, 1);
        const std::vector<std::string> warnings = resultBook.saveWarnings();
        app.Workbooks().Close();
        app.Quit();
        host.pumpEvents();
        reportMerged(host, target, warnings, otherHeadingsSentence(state.otherHeadings, page.byHeader));
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "合并数据", error);
    }
}

} // namespace tabrix::merge
