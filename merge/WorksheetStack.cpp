#include "merge/WorksheetStack.h"

#include "engine/EngineError.h"
#include "engine/model/CellRect.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/object/Worksheet.h"
#include "framework/ColumnLetters.h"

#include <algorithm>

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

std::string sheetPlace(const std::string& where, const std::string& sheet) {
    return where + "工作表“" + sheet + "”";
}

// Lining up by headings: the data rows go under the result's columns of their headings, and a heading the
// result lacks comes along with its header cell.
void copyAligned(Worksheet& source, Worksheet& result, const StackState& state, const LabelColumns& labels,
                 const HeadingColumns::Placement& placement, uint64_t rows) {
    const long offset = long(labels.headings.size()) + 1;
    for (size_t i : placement.added)
        source.Cells(1, uint32_t(i + 1)).Copy(result.Cells(1, uint32_t(offset + placement.to[i])));
    const std::vector<uint32_t> columnTo(placement.to.begin(), placement.to.end());
    const std::string last = framework::columnLetter(long(columnTo.size()));
    source.Range("A" + std::to_string(state.startRow) + ":" + last + std::to_string(rows))
        .CopyRearranged(result.Range(framework::columnLetter(offset) + std::to_string(state.nextRow + 1)), columnTo);
}

// The log line of a worksheet lined up by headings: each column that moved or was added, with its new letter.
std::string alignmentLine(const std::string& place, const std::vector<std::string>& headings,
                          const HeadingColumns::Placement& placement, size_t labelColumns) {
    std::string moves;
    for (size_t i = 0; i < placement.to.size(); ++i) {
        const bool added = std::find(placement.added.begin(), placement.added.end(), i) != placement.added.end();
        if (!added && placement.to[i] == long(i)) continue;
        const std::string letter = framework::columnLetter(long(labelColumns) + placement.to[i] + 1);
        moves += (moves.empty() ? "" : "，") + ("“" + headings[i] + "”") + (added ? "新增为第" : "移到第") + letter +
                 "列";
    }
    return place + "的列已按标题名称对齐：" + moves;
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
                    const LabelColumns& labels, const std::string& logPrefix, const std::string& where) {
    Range used = source.UsedRange();
    const uint64_t rows = used.Cells().Rows().Count();
    const std::string last = framework::columnLetter(long(used.Cells().Columns().Count()));
    const long columns = long(used.Cells().Columns().Count());
    const std::string name = source.Name();
    host.pumpEvents();
    host.appendLog(logPrefix + name + "”数据");
    if (uint64_t(state.startRow) <= rows) {
        checkRowLimit(source, state, rows);
        if (state.startRow == 1) {
            copyBlock(source, result, state, labels, name, rows, last);
        } else if (!state.firstHeadings) {
            state.firstHeadings = headingRow(source, columns);
            if (state.byHeader) state.columns.start(*state.firstHeadings);
            copyBlock(source, result, state, labels, name, rows, last);
        } else {
            const std::vector<std::string> headings = headingRow(source, columns);
            const std::string difference = headingDifference(*state.firstHeadings, headings);
            if (!difference.empty()) ++state.otherHeadings;
            if (state.byHeader) {
                const HeadingColumns::Placement placement = state.columns.place(headings);
                if (placement.moved() || !placement.added.empty())
                    host.appendLog(alignmentLine(sheetPlace(where, name), headings, placement, labels.headings.size()));
                if (!labels.headings.empty())
                    writeLabels(result, labels, name, state.nextRow + 1, state.nextRow + rows - uint64_t(state.startRow) + 1);
                copyAligned(source, result, state, labels, placement, rows);
            } else {
                if (!difference.empty()) host.appendLog(headingDifferenceLine(where, name, difference));
                copyBlock(source, result, state, labels, name, rows, last);
            }
        }
    }
    state.nextRow = result.UsedRange().Cells().Rows().Count();
}

std::string headingDifferenceLine(const std::string& where, const std::string& sheet, const std::string& difference) {
    return sheetPlace(where, sheet) + "的标题与第一个工作表不同：" + difference;
}

std::string otherHeadingsSentence(int sheets, bool aligned) {
    if (sheets == 0) return {};
    return "有" + std::to_string(sheets) + "个工作表的标题与第一个工作表不同，" +
           (aligned ? "已按标题名称对齐列。" : "请查看处理信息。");
}

uint64_t rowLimitFor(const std::string& target) {
    return formatForName(target) == FileFormat::Xls ? kXlsRows : kMaxRows;
}

} // namespace tabrix::merge
