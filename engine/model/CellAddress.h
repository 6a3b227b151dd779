#pragma once

#include "engine/model/CellRect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine {

/// Column letters of a 0-based column: 0 → "A", 25 → "Z", 26 → "AA", 702 → "AAA" (no upper limit).
std::string columnLetters(uint32_t col);
/// 0-based column of letters ("A" → 0, case-insensitive); nullopt when not letters or beyond 16,384 columns.
std::optional<uint32_t> columnFromLetters(std::string_view letters);

struct CellRef {
    uint32_t row = 0;
    uint32_t col = 0;
    bool rowAbsolute = false;
    bool colAbsolute = false;
};

/// Parses "B7", "$B$7" (0-based result); nullopt when the text is not one cell reference.
std::optional<CellRef> parseCellRef(std::string_view text);
/// Parses "A1", "A1:C3", "A:C", "2:5" (any "$"); nullopt when the text is not a reference.
std::optional<CellRect> parseRangeRef(std::string_view text);

/// "A1" or "$A$1" form of a 0-based cell.
std::string cellName(uint32_t row, uint32_t col, bool absolute = false);
/// "$A$1" for one cell, "$A$1:$C$3" for a rectangle (the form the object model's Address returns).
std::string rangeName(const CellRect& rect, bool absolute = true);

} // namespace tabrix::engine
