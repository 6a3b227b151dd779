#pragma once

#include "framework/Host.h"
#include "merge/Headings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::merge {

/// How far a merge has stacked rows into its result worksheet. One per merge: it runs on across every worksheet
/// (and every workbook) merged, so the header is taken once and each block lands below the last.
struct StackState {
    long startRow = 2;      ///< the first data row of every worksheet
    bool headerPending;     ///< row 1 of the next merged worksheet is still to be taken as the header
    uint64_t rowLimit;      ///< the last row the result's file format holds
    uint64_t nextRow = 0;   ///< the row after which the next block is written
    bool byHeader = false;  ///< columns go under the result's heading of the same text instead of by position

    /// The headings of the first worksheet merged; each later one is checked against them.
    std::optional<std::vector<std::string>> firstHeadings;
    /// The result's columns by heading, when lining up by headings.
    HeadingColumns columns;
    /// How many worksheets had headings other than the first's.
    int otherHeadings = 0;

    StackState(long start, uint64_t limit, bool alignByHeader = false)
        : startRow(start), headerPending(start != 1), rowLimit(limit), byHeader(alignByHeader) {}
};

/// Columns written before the copied cells of every block: their headings go into row 1 with the header, and
/// each data row gets `leading` followed by the worksheet's name. No headings: no such columns.
struct LabelColumns {
    std::vector<std::string> headings;
    std::vector<std::string> leading;
};

/// One worksheet of a merge: measures its used range, logs `logPrefix` + name + "”数据", and unless the start row
/// lies below its rows, copies the header (once) and its data rows below the stack. With a header, its heading
/// row is checked against the first worksheet's and a difference logged (`where` names the file, "" for none);
/// lining up by headings, its columns go under the result's headings and what moved is logged. The result's used
/// rows then give the next row. A block that would run past the format's last row throws before anything is
/// written, naming the workbook, the worksheet and the limit.
void stackWorksheet(framework::Host& host, engine::Worksheet& source, engine::Worksheet& result, StackState& state,
                    const LabelColumns& labels, const std::string& logPrefix, const std::string& where = {});

/// The log line for a worksheet whose headings differ from the first worksheet's; `where` as above.
std::string headingDifferenceLine(const std::string& where, const std::string& sheet, const std::string& difference);

/// The sentence the merge's final message adds when worksheets had other headings ("" when none had).
std::string otherHeadingsSentence(int sheets, bool aligned);

/// The last row a workbook saved under this name can hold: 65,536 for the 2003 format, 1,048,576 otherwise.
uint64_t rowLimitFor(const std::string& target);

} // namespace tabrix::merge
