#pragma once

#include "engine/model/StyleTable.h"

#include <string>
#include <string_view>

namespace tabrix::engine::xlsx {

class XlsxColors;

/// Reads a styles part into the table: one style per cellXfs entry, in order, so that a cell's s="i" is style
/// id i (entry 0 replaces the table's default). Number formats are kept as format codes; colours are resolved
/// to ARGB through the theme. Differential formats (dxfs) are not read. Returns the number of cell formats.
uint32_t readStyles(std::string_view xml, XlsxColors& colors, StyleTable& out, const std::string& where);

} // namespace tabrix::engine::xlsx
