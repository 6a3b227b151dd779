#include "split/SortedCopy.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ColumnLetters.h"
#include "framework/ContentNote.h"
#include "framework/Messages.h"
#include "framework/SourceCheck.h"
#include "split/CopySheetAlone.h"
#include "split/SplitMessages.h"

namespace tabrix::split {

using namespace tabrix::engine;

bool splitInputsPresent(framework::Host& host, const SplitColumnPage& page) {
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(msg::kSourceNotFound, msg::kTitleSourceNotFound);
        return false;
    }
    if (page.sheet.empty() || page.column.empty() || !page.columnChosen) {
        host.message(msg::kNoSelection, msg::kTitleNoSelection);
        return false;
    }
    return true;
}

std::optional<SortedCopy> prepareSortedCopy(Application& app, framework::Host& host, const SplitColumnPage& page) {
    Workbook& sourceBook = app.Workbooks().Open(page.sourcePath);
    Worksheet& source = sourceBook.Worksheets(page.sheet);
    SortedCopy copy;
    copy.lastColumn = page.lastColumn;
    if (copy.lastColumn.empty()) {
        Range used = source.UsedRange();
        const uint32_t last = used.Column() - 1 + uint32_t(used.Columns().Count());
        if (source.Range(page.column + "1").Column() > last) {
            host.message(msg::kNoSelection, msg::kTitleNoSelection);
            return std::nullopt;
        }
        copy.lastColumn = framework::columnLetter(long(last));
    }
    copy.scratch = &app.Workbooks().Add();
    copySheetAlone(*copy.scratch, source);
    copy.sorted = &copy.scratch->Worksheets(1);
    Worksheet& sorted = *copy.sorted;
    const std::string c = page.column;
    copy.conditionColumn = sorted.Range(c + "1").Column();
    const std::string before = sorted.Range(c + "1").Text();
    sorted.Range("A1").Sort(sorted.Range(c + ":" + c), xlGuess);
    // The sort left row 1 where it was only if it took it for a header (or it already held the smallest value,
    // which the test cannot tell apart: such a row is then kept as the header of every part).
    copy.header = sorted.Range(c + "1").Text() == before;
    copy.firstDataRow = copy.header ? 2 : 1;
    host.resetLog(framework::msg::kLogReset);
    framework::logContent(host, sourceBook);
    // Past the last used row, wherever the used range starts, so rows below a gap at the top are not cut off.
    Range used = sorted.UsedRange();
    copy.endRow = used.Row() + uint32_t(used.Rows().Count());
    return copy;
}

size_t scanParts(const SortedCopy& copy, const std::function<void(const PartRows&)>& writePart) {
    Worksheet& sorted = *copy.sorted;
    const uint32_t col = copy.conditionColumn;
    if (copy.firstDataRow >= copy.endRow) return 0;
    size_t parts = 0;
    PartRows part{copy.firstDataRow, 0, sorted.Cells(copy.firstDataRow, col).Text()};
    // The condition is compared by the same text that names the part, so every row of a part carries its value;
    // the row past the used range always closes the last part, the one of empty conditions included.
    for (uint32_t i = copy.firstDataRow + 1; i <= copy.endRow; ++i) {
        std::string text = i < copy.endRow ? sorted.Cells(i, col).Text() : std::string();
        if (i < copy.endRow && text == part.value) continue;
        part.last = i - 1;
        writePart(part);
        ++parts;
        part = {i, 0, std::move(text)};
    }
    return parts;
}

void copyPartRows(const SortedCopy& copy, const SplitColumnPage& page, const PartRows& part, Worksheet& target) {
    Worksheet& sorted = *copy.sorted;
    const std::string& last = copy.lastColumn;
    const std::string rows = "A" + std::to_string(part.first) + ":" + last + std::to_string(part.last);
    if (copy.header) {
        sorted.Range("A1:" + last + "1").Copy(target.Range("A1"));
        sorted.Range(rows).Copy(target.Range("A2"));
    } else {
        sorted.Range(rows).Copy(target.Range("A1"));
    }
    if (page.dropColumn) {
        const std::string c = page.column;
        target.Range(c + "1:" + c + std::to_string(part.last - part.first + 2)).Delete(xlShiftToLeft);
    }
}

} // namespace tabrix::split
