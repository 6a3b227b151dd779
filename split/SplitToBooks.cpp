#include "engine/object/Application.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/Failure.h"
#include "framework/FolderScan.h"
#include "framework/PasswordQuestions.h"
#include "split/PartNames.h"
#include "split/PartSaver.h"
#include "split/SortedCopy.h"
#include "split/SplitColumn.h"
#include "split/SplitMessages.h"

namespace tabrix::split {

using namespace tabrix::engine;
using framework::Outcome;

Outcome splitToBooks(framework::Host& host, const SplitColumnPage& page, const std::string& folder) {
    if (!splitInputsPresent(host, page)) return Outcome::Refused;
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        auto prepared = prepareSortedCopy(app, host, page);
        if (!prepared) return Outcome::Refused;
        SortedCopy& copy = *prepared;
        PartNames names(PartNames::Kind::File, page.extension);
        names.reserveFolder(folder);
        // Parts are saved beside the building of the next ones; declared after the instance, so every save under
        // way has ended before the instance and its workbooks go.
        PartSaver saver;
        const size_t parts = scanParts(copy, [&](const PartRows& part) {
            Workbook& book = app.Workbooks().Add();
            Worksheet& target = book.Worksheets(1);
            const PartName file = names.next(part.value);
            if (!file.note.empty()) host.appendLog(file.note);
            host.appendLog("正在拆分出“" + file.name + "”文件");
            copyPartRows(copy, page, part, target);
            // Closed once saved: with thousands of parts, keeping every part open would hold them all in memory.
            saver.save(host, book, framework::joinPath(folder, file.name + "." + page.extension));
            host.pumpEvents();
            host.progress(part.last + 1 - copy.firstDataRow, copy.endRow - copy.firstDataRow);
        });
        saver.finish(host);
        if (parts == 0) host.appendLog("工作表“" + page.sheet + "”除标题行外没有数据，没有可拆分的内容");
        copy.scratch->Close(false);
        app.Workbooks().Close();
        app.Quit();
        host.appendLog(msg::kDoneLog);
        host.message(msg::kDone, msg::kTitleDone);
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, msg::kOperation, error);
    }
}

} // namespace tabrix::split
