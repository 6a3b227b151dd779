#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tabrix::engine::ssml {

/// A formula in R1C1 notation ("=RC[-6]+R1C2", "SUM(R[-4]C:R[-1]C)") in A1 notation without the leading "=",
/// for the cell at (row, col), 0-based. Text in quotes and sheet names in apostrophes are copied as they are;
/// a relative reference that leaves the sheet becomes #REF!.
std::string r1c1ToA1(std::string_view formula, uint32_t row, uint32_t col);

} // namespace tabrix::engine::ssml
