#pragma once

#include "engine/model/BookData.h"
#include "engine/xls/Biff8WriteGlobals.h"
#include "engine/xls/Biff8WriteStyles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// Which sheets a 2003-format file gets, in which order, and which of them is active.
struct XlsWritePlan {
    std::vector<Biff8SheetEntry> sheets; ///< in file order
    std::vector<int> fileIndex;          ///< per sheet of the book: its file index, -1 when left out
    uint16_t activeSheet = 0;
};

/// Loads every sheet and checks it against the format's limits before anything is written: a cell beyond row
/// 65,536 or column 256 is an EngineError naming the sheet and its size. Chart sheets are left out and the log
/// says so, as it does for what a sheet held that the writer cannot carry.
XlsWritePlan planXlsWrite(BookData& book, std::vector<std::string>& log);

/// Marks the styles of the planned sheets' cells, rows and columns as used.
void markUsedStyles(const XlsWritePlan& plan, Biff8WriteStyles& styles);

} // namespace tabrix::engine::xls
