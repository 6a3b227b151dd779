#pragma once

#include <cstdint>

namespace tabrix::engine {

/// A rectangle of cells, 0-based and inclusive on both ends.
struct CellRect {
    uint32_t firstRow = 0;
    uint32_t firstCol = 0;
    uint32_t lastRow = 0;
    uint32_t lastCol = 0;

    uint32_t rows() const { return lastRow - firstRow + 1; }
    uint32_t cols() const { return lastCol - firstCol + 1; }
    bool contains(uint32_t r, uint32_t c) const { return r >= firstRow && r <= lastRow && c >= firstCol && c <= lastCol; }
    bool intersects(const CellRect& o) const {
        return firstRow <= o.lastRow && o.firstRow <= lastRow && firstCol <= o.lastCol && o.firstCol <= lastCol;
    }
    bool operator==(const CellRect&) const = default;
};

/// The largest sheet either format can hold (1,048,576 rows, 16,384 columns).
inline constexpr uint32_t kMaxRows = 1048576;
inline constexpr uint32_t kMaxCols = 16384;

} // namespace tabrix::engine
