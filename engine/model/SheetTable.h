#pragma once

#include "engine/model/CellRect.h"

#include <string>
#include <vector>

namespace tabrix::engine {

/// A table (a named list with headings) on a worksheet. Formulas refer to its parts by structured references
/// ("Sales[Amount]"), which only mean something while the table is there.
struct SheetTable {
    std::string name; ///< the display name formulas use
    CellRect ref;     ///< the whole table: heading row, data and totals row
    uint32_t headerRows = 1;
    uint32_t totalsRows = 0;
    std::vector<std::string> columns; ///< column names, left to right
    /// The table part as read, written back with its id, name and area brought up to date: it holds what the engine
    /// does not model (styles, filters, calculated columns).
    std::string partXml;

    /// The data rows (between heading and totals); firstRow > lastRow when the table has none.
    CellRect dataRect() const {
        return {ref.firstRow + headerRows, ref.firstCol, ref.lastRow - totalsRows, ref.lastCol};
    }
};

} // namespace tabrix::engine
