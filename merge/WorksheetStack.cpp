#include "merge/WorksheetStack.h"

#include "engine/EngineError.h"
#include "engine/model/CellRect.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/object/Worksheet.h"
#include "framework/ColumnLetters.h"

namespace tabrix::merge {

using namespace tabrix::engine;

namespace {
constexpr uint64_t kXlsRows = 65536;

// The merge stops here rather than at the save: a cut result or a failed save after minutes of work would be worse.
void checkRowLimit(Worksheet& source, const StackState& state, uint64_t rows) {
    const uint64_t above = state.headerPending ? 1 : state.nextRow;
    const uint64_t lastRow = above + rows - uint64_t(state.startRow) + 1;
    if (lastRow <= state.rowLimit) return;
    throw EngineError("合并后的数据超过结果文件格式的行数上限 " + std::to_string(state.rowLimit) + " 行：在文件“" +
                      source.workbook().Name() + "”的工作表“" + source.Name() + "”处达到上限，没有保存结果文件");
}

// The label columns of one block: each text from the block's first to its last row, one range per column.
void writeLabels(Worksheet& result, const LabelColumns& labels, const std::string& name, uint64_t firstRow,
                 uint64_t lastRow) {
    long column = 1;
    auto fill = [&](const std::string& text) {
        const std::string letter = framework::columnLetter(column++);
        result.Range(letter + std::to_string(firstRow) + ":" + letter + std::to_string(lastRow)).SetValue(text);
    };
    for (const auto& text : labels.leading) fill(text);
    fill(name);
}

void copyBlock(Worksheet& source, Worksheet& result, StackState& state, const LabelColumns& labels,
               const std::string& name, uint64_t rows, const std::string& last) {
    const std::string firstColumn = framework::columnLetter(long(labels.headings.size()) + 1);
    if (state.headerPending) {
        for (size_t k = 0; k < labels.headings.size(); ++k)
            result.Cells(1, uint32_t(k + 1)).SetValue(labels.headings[k]);
        source.Range("A1:" + last + "1").Copy(result.Range(firstColumn + "1"));
        state.headerPending = false;
        state.nextRow = 1;
    }
    if (!labels.headings.empty())
        writeLabels(result, labels, name, state.nextRow + 1, state.nextRow + rows - uint64_t(state.startRow) + 1);
    const std::string dataRange = "A" + std::to_string(state.startRow) + ":" + last + std::to_string(rows);
    source.Range(dataRange).Copy(result.Range(firstColumn + std::to_string(state.nextRow + 1)));
}
} // namespace

void stackWorksheet(framework::Host& host, Worksheet& source, Worksheet& result, StackState& state,
                    const LabelColumns& labels, const std::string& logPrefix) {
    Range used = source.UsedRange();
    const uint64_t rows = used.Cells().Rows().Count();
    const std::string last = framework::columnLetter(long(used.Cells().Columns().Count()));
    const std::string name = source.Name();
    host.pumpEvents();
    host.appendLog(logPrefix + name + "”数据");
    if (uint64_t(state.startRow) <= rows) {
        checkRowLimit(source, state, rows);
        copyBlock(source, result, state, labels, name, rows, last);
    }
    state.nextRow = result.UsedRange().Cells().Rows().Count();
}

uint64_t rowLimitFor(const std::string& target) {
    return formatForName(target) == FileFormat::Xls ? kXlsRows : kMaxRows;
}

} // namespace tabrix::merge
