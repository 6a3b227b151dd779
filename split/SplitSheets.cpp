#include "split/SplitSheets.h"

#include "engine/object/Application.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/SheetNames.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/Failure.h"
#include "framework/FolderScan.h"
#include "framework/Messages.h"
#include "framework/SourceCheck.h"
#include "framework/PasswordQuestions.h"
#include "split/CopySheetAlone.h"
#include "split/PartNames.h"
#include "split/SplitMessages.h"

namespace tabrix::split {

using namespace tabrix::engine;
using framework::Outcome;

bool folderIsSafe(framework::Host& host, const std::string& folder, const std::string& extension) {
    if (framework::filesWithExtension(folder, extension).empty()) return true;
    host.message(msg::kFolderNotSafe, msg::kTitleFolderNotSafe);
    return false;
}

Outcome splitSheetsAction(framework::Host& host, const SplitSheetsPage& page) {
    const auto folder = host.browseFolder();
    if (!folder || folder->empty()) return Outcome::Cancelled;
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return Outcome::Refused;
    }
    if (!folderIsSafe(host, *folder, page.extension)) return Outcome::Refused;
    return splitSheets(host, page, *folder);
}

Outcome splitSheets(framework::Host& host, const SplitSheetsPage& page, const std::string& folder) {
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        Workbook& source = app.Workbooks().Open(page.sourcePath);
        host.resetLog(framework::msg::kLogReset);
        framework::logContent(host, source);
        PartNames names(PartNames::Kind::File, page.extension);
        names.reserveFolder(folder);
        // Worksheets only: a chart sheet has no cells to carry into a workbook of its own.
        const int count = source.Worksheets().Count();
        for (int i = 1; i <= count; ++i) {
            Worksheet& sheet = source.Worksheets(i);
            Workbook& book = app.Workbooks().Add();
            const std::string name = sheet.Name();
            host.appendLog("正在复制工作表“" + name + "”数据");
            host.pumpEvents();
            Worksheet& copy = copySheetAlone(book, sheet);
            // Some producers allow names a workbook may not carry ("a/b", "../x"); the part's sheet takes a
            // valid one, as its file name does, instead of failing the save.
            if (!sheetNameProblem(name).empty()) {
                const std::string valid = validSheetName(name);
                copy.SetName(valid);
                host.appendLog("“" + name + "”不能直接用作工作表名，改为“" + valid + "”");
            }
            const PartName file = names.next(name);
            if (!file.note.empty()) host.appendLog(file.note);
            book.SaveAs(framework::joinPath(folder, file.name + "." + page.extension), 1);
            for (const auto& warning : book.saveWarnings())
                host.appendLog(warning);
            // Each result is closed once written, so a workbook of many sheets never holds them all twice.
            book.Close(false);
            host.progress(uint64_t(i), uint64_t(count));
        }
        app.Workbooks().Close();
        app.Quit();
        host.pumpEvents();
        host.appendLog(msg::kDoneLog);
        host.message(msg::kDone, msg::kTitleDone);
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, msg::kOperation, error);
    }
}

} // namespace tabrix::split
