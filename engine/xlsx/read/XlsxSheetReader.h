#pragma once

#include "engine/model/BookData.h"

#include <string>

namespace tabrix::engine::xlsx {

class ZipPackage;

/// What a sheet's cells refer to in the rest of the workbook.
struct SheetContext {
    BookData& book;
    uint32_t sstBase = 0;    ///< id in book.strings of shared string 0
    uint32_t sstCount = 0;   ///< number of shared strings
    uint32_t styleCount = 1; ///< cell formats in the styles part; a larger s= falls back to the default
};

/// Appends the shared strings part to book.strings (rich text flattened to its runs' text, phonetic runs left
/// out). Returns the number of strings read.
uint32_t readSharedStrings(ZipPackage& package, const std::string& part, StringPool& strings);

/// Reads a worksheet (or macro sheet) part into sheet: cells, rows, columns, merges, default sizes. Notes the
/// in-sheet features the engine cannot carry in sheet.droppedFeatures.
void readSheetPart(ZipPackage& package, const std::string& part, SheetData& sheet, const SheetContext& ctx);

} // namespace tabrix::engine::xlsx
