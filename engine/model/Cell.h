#pragma once

#include "engine/model/CellValue.h"

#include <cstdint>

namespace tabrix::engine {

/// One stored cell, 24 bytes: a million-row sheet must stay small in memory.
/// Text lives in the workbook's string pool and formulas in its formula pool; the cell keeps their ids.
struct Cell {
    union {
        double number;
        uint32_t text;
        bool boolean;
        ErrorCode error;
    };
    uint32_t style = 0;   ///< index into the workbook's style table; 0 is the workbook default
    uint32_t formula = 0; ///< 0 = none, else 1 + index into the workbook's formula pool
    uint16_t col = 0;     ///< 0-based column
    CellType type = CellType::Empty;

    Cell() : number(0) {}
    bool hasFormula() const { return formula != 0; }
    bool isBlank() const { return type == CellType::Empty; }
};

static_assert(sizeof(Cell) == 24, "Cell must stay compact");

} // namespace tabrix::engine
