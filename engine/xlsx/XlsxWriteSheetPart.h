#pragma once

#include "engine/xlsx/XlsxWriteSheetData.h"
#include "engine/xlsx/XlsxWriteZip.h"

#include <vector>

namespace tabrix::engine::xlsx {

/// A worksheet whose rows go into the part libxlsxwriter wrote without any.
struct SheetDataEntry {
    const SheetData* sheet = nullptr;
    int lxwIndex = 0;
    SheetExtent extent;
};

/// Deflate level of the worksheet parts: the fastest. Sheet data is nearly all of a package's bytes and its
/// deflating nearly all of the saving time; level 1 takes a third of the default level's time for files about a
/// quarter larger.
inline constexpr int kSheetDataLevel = 1;

/// Replaces each worksheet part with libxlsxwriter's part around the sheet's rows; the rows are produced while
/// the package is written. Throws EngineError when a part is not in the shape libxlsxwriter writes.
void addSheetDataParts(XlsxPackageEditor& zip, const BookData& book,
                       const XlsxFormatCache& formats, const std::vector<SheetDataEntry>& sheets);

} // namespace tabrix::engine::xlsx
