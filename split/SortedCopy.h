#pragma once

#include "framework/Host.h"
#include "split/SplitColumn.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tabrix::engine {
class Application;
class Workbook;
class Worksheet;
} // namespace tabrix::engine

namespace tabrix::split {

/// The source check and the selection check of both split modes, with their messages; false when either fails.
bool splitInputsPresent(framework::Host& host, const SplitColumnPage& page);

/// The scratch workbook with the sorted copy of the source worksheet, and what the header test found.
struct SortedCopy {
    engine::Workbook* scratch = nullptr;
    engine::Worksheet* sorted = nullptr;
    bool header = false;
    uint32_t firstDataRow = 1;
    uint32_t endRow = 1; ///< the row just past the used range
    uint32_t conditionColumn = 1;
    std::string lastColumn; ///< letters of the last column copied into every part
};

/// The preparation both modes share: the source opened, its worksheet copied alone into a scratch workbook and
/// sorted by the condition column, the header test, the log reset. A page that does not know the last column
/// (the command line) takes it from the worksheet; a condition column beyond it is refused with the selection
/// message (nullopt).
std::optional<SortedCopy> prepareSortedCopy(engine::Application& app, framework::Host& host,
                                            const SplitColumnPage& page);

/// One part: rows first..last of the sorted copy, all with the condition text value.
struct PartRows {
    uint32_t first;
    uint32_t last;
    std::string value;
};

/// Walks the sorted copy and hands over each run of rows with the same condition text, in order. Returns the
/// number of parts.
size_t scanParts(const SortedCopy& copy, const std::function<void(const PartRows&)>& writePart);

/// Copies a part's rows (under the header row when there is one) to the target's A1, then drops the condition
/// column when the page asks for it.
void copyPartRows(const SortedCopy& copy, const SplitColumnPage& page, const PartRows& part, engine::Worksheet& target);

} // namespace tabrix::split
