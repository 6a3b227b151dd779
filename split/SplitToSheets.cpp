#include "engine/object/Application.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/Failure.h"
#include "framework/PasswordQuestions.h"
#include "split/CopySheetAlone.h"
#include "split/PartNames.h"
#include "split/SortedCopy.h"
#include "split/SplitColumn.h"
#include "split/SplitMessages.h"

namespace tabrix::split {

using namespace tabrix::engine;
using framework::Outcome;

Outcome splitToSheets(framework::Host& host, const SplitColumnPage& page, const std::string& target) {
    if (!splitInputsPresent(host, page)) return Outcome::Refused;
    try {
        Application app;
        framework::askPasswordsThrough(host, app);
        auto prepared = prepareSortedCopy(app, host, page);
        if (!prepared) return Outcome::Refused;
        SortedCopy& copy = *prepared;
        Workbook& result = app.Workbooks().Add();
        keepFirstWorksheetOnly(result);
        // The anchor sheet stays last while the parts are put before it; under the placeholder name it cannot
        // take a name a part needs ("Sheet1" is a value like any other).
        Worksheet& anchor = result.Worksheets(1);
        const std::string anchorName = anchor.Name();
        anchor.SetName(kPlaceholderName);
        PartNames names(PartNames::Kind::Sheet);
        names.reserve(kPlaceholderName);
        const size_t parts = scanParts(copy, [&](const PartRows& part) {
            Worksheet& sheet = result.Worksheets().Add(result.Worksheets(result.Worksheets().Count()));
            const PartName name = names.next(part.value);
            if (!name.note.empty()) host.appendLog(name.note);
            sheet.SetName(name.name);
            host.appendLog("正在拆分出“" + name.name + "”工作表");
            copyPartRows(copy, page, part, sheet);
            host.pumpEvents();
            host.progress(part.last + 1 - copy.firstDataRow, copy.endRow - copy.firstDataRow);
        });
        if (parts > 0) {
            result.Worksheets(result.Worksheets().Count()).Delete();
        } else {
            anchor.SetName(anchorName);
            host.appendLog("工作表“" + page.sheet + "”除标题行外没有数据，没有可拆分的内容");
        }
        result.SaveAs(target, 1);
        for (const auto& warning : result.saveWarnings())
            host.appendLog(warning);
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
