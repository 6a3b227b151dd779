#pragma once

#include "engine/model/BookData.h"
#include "engine/xlsx/XlsxWriteSheetPart.h"

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// A defined name to write. sheet is the libxlsxwriter index of the sheet it belongs to, -1 for the workbook.
struct NameEntry {
    std::string name;
    std::string formula;
    int sheet = -1;
    bool hidden = false;
};

/// A chart sheet kept as its parts, to go in front of the worksheet with this libxlsxwriter index (after the
/// last one when the index is the number of worksheets).
struct ChartSheetEntry {
    const SheetData* sheet = nullptr;
    size_t worksheetsBefore = 0;
};

/// What goes into the package after libxlsxwriter has closed it: the sheets' rows (see XlsxSheetDataWriter),
/// and what libxlsxwriter 1.1.4 cannot write: the 1904 date system, very hidden sheets, defined names as the
/// workbook holds them (the library checks names too little and cuts formulas at 127 bytes), number formats
/// longer than its 127-byte buffer, and chart sheets.
struct PackagePatch {
    const BookData* book = nullptr;
    const XlsxFormatCache* formats = nullptr;
    std::vector<SheetDataEntry> sheetData;
    bool date1904 = false;
    std::vector<std::string> veryHiddenSheets;
    std::vector<NameEntry> names;
    std::vector<std::pair<std::string, std::string>> numberFormats; ///< stand-in code, real code
    std::vector<ChartSheetEntry> chartSheets;

    bool empty() const {
        return sheetData.empty() && !date1904 && veryHiddenSheets.empty() && names.empty() && numberFormats.empty() &&
               chartSheets.empty();
    }
};

/// Rewrites the parts of the xlsx package at path that the patch touches; every other part is copied as it
/// is, without inflating it. A chart sheet whose parts cannot be put back is left out with a line in warnings.
/// Throws EngineError when the package cannot be opened or written.
/// destination: where the patched package goes (empty: over path).
void patchPackage(const std::string& path, const PackagePatch& patch, std::vector<std::string>& warnings,
                  const std::string& destination = {});

/// Text escaped for an XML attribute value or element text.
std::string escapeXml(std::string_view text);

/// Whether the application accepts text as a defined name (letters, digits, "_", ".", "\", "?"; not a cell
/// reference in either notation).
bool isValidDefinedName(std::string_view name);

} // namespace tabrix::engine::xlsx
