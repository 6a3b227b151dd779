#pragma once

#include "engine/model/SheetData.h"

namespace tabrix::engine {

/// The current region of a cell: the rectangle grown from the cell while any non-empty cell touches it on a side
/// or a corner. An empty cell with no non-empty neighbour is its own region.
CellRect currentRegion(const SheetData& sheet, uint32_t row, uint32_t col);

/// True when the row holds a non-empty cell between the two columns (inclusive).
bool rowHasValue(const SheetData& sheet, uint32_t row, uint32_t firstCol, uint32_t lastCol);

} // namespace tabrix::engine
