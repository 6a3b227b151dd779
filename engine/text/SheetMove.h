#pragma once

#include "engine/model/BookData.h"

namespace tabrix::engine::text {

/// Moves sheet `index` of `from` to the end of `to` and returns it there. Cells hold ids into their workbook's
/// pools, so from's texts and formulas join to's pools whole (their ids shift by what to held before) and its
/// styles are entered in to's style table once each. `from` is spent: its pools are left empty, its other sheets
/// point into nothing and must not be used.
SheetData& moveSheet(BookData& from, size_t index, BookData& to);

} // namespace tabrix::engine::text
