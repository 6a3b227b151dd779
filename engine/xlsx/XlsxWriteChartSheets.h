#pragma once

#include "engine/xlsx/XlsxWritePackage.h"
#include "engine/xlsx/XlsxWriteZip.h"

#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// A chart sheet put into the package: its <sheet> element for the workbook part, and where it goes.
struct InjectedSheet {
    std::string element;
    size_t worksheetsBefore = 0;
};

/// Adds each chart sheet's kept parts to the package, with its relationship from the workbook and its content
/// types. A part whose name is taken (two workbooks' charts merged into one) gets a free name in the same
/// folder, and the relationships that point at it follow. Sheet ids start at firstSheetId. A chart sheet
/// without a chart-sheet part is left out with a line in warnings.
std::vector<InjectedSheet> injectChartSheets(XlsxPackageEditor& zip, const std::vector<ChartSheetEntry>& charts,
                                             uint32_t firstSheetId, std::vector<std::string>& warnings);

} // namespace tabrix::engine::xlsx
