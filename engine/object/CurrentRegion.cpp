#include "engine/object/CurrentRegion.h"

#include <algorithm>

namespace tabrix::engine {

bool rowHasValue(const SheetData& sheet, uint32_t row, uint32_t firstCol, uint32_t lastCol) {
    const RowData* r = sheet.row(row);
    if (!r) return false;
    auto lo = std::lower_bound(r->cells.begin(), r->cells.end(), firstCol,
                               [](const Cell& c, uint32_t v) { return c.col < v; });
    for (auto it = lo; it != r->cells.end() && it->col <= lastCol; ++it)
        if (!it->isBlank()) return true;
    return false;
}

namespace {
bool columnHasValue(const SheetData& sheet, uint32_t col, uint32_t firstRow, uint32_t lastRow) {
    const uint32_t end = std::min<uint64_t>(uint64_t(lastRow) + 1, sheet.rowCount());
    for (uint32_t r = firstRow; r < end; ++r) {
        const Cell* c = sheet.find(r, col);
        if (c && !c->isBlank()) return true;
    }
    return false;
}

uint32_t below(uint32_t v, uint32_t limit) { return v + 1 < limit ? v + 1 : v; }
uint32_t above(uint32_t v) { return v > 0 ? v - 1 : 0; }
} // namespace

CellRect currentRegion(const SheetData& sheet, uint32_t row, uint32_t col) {
    CellRect rect{row, col, row, col};
    // Rows are grown greedily before columns are looked at again: a long table costs one pass down its rows
    // and one scan per column, not a scan of every column per row.
    for (bool grown = true; grown;) {
        grown = false;
        const uint32_t left = above(rect.firstCol), right = below(rect.lastCol, kMaxCols);
        while (rect.firstRow > 0 && rowHasValue(sheet, rect.firstRow - 1, left, right)) --rect.firstRow, grown = true;
        while (rect.lastRow + 1 < kMaxRows && rowHasValue(sheet, rect.lastRow + 1, left, right))
            ++rect.lastRow, grown = true;
        const uint32_t top = above(rect.firstRow), bottom = below(rect.lastRow, kMaxRows);
        if (rect.firstCol > 0 && columnHasValue(sheet, rect.firstCol - 1, top, bottom)) --rect.firstCol, grown = true;
        if (rect.lastCol + 1 < kMaxCols && columnHasValue(sheet, rect.lastCol + 1, top, bottom))
            ++rect.lastCol, grown = true;
    }
    return rect;
}

} // namespace tabrix::engine
