#pragma once

#include "engine/xlsx/write/PackagePlan.h"

#include <functional>
#include <string>

namespace tabrix::engine::xlsx {

/// A worksheet part, produced a piece at a time while the package is written: what comes before the rows
/// (dimension, view, default row height, columns), the rows themselves (SheetDataWriter), and what comes after
/// (merged areas, margins), in the order the schema and the application require. read(buffer, capacity) returns
/// how many bytes it put there, 0 at the end; book, tab and styles must outlive it.
std::function<size_t(char*, size_t)> worksheetPartReader(const BookData& book, const TabEntry& tab, bool selected,
                                                         const StylesPart& styles);

/// The width a column run is stored with for the width the application shows (characters of the default font's
/// digit, 7 pixels, plus 5 pixels of padding), in 1/256 of a character as the application rounds it.
double storedColumnWidth(double shownWidth);

} // namespace tabrix::engine::xlsx
