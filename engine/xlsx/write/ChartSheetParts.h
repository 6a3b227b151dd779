#pragma once

#include "engine/model/SheetData.h"
#include "engine/xlsx/write/PackagePlan.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// The parts of a chart sheet as they go into the package: the chart sheet part, its drawing, charts, pictures
/// and their relationships, as read from the source. A part whose name is taken in this package (two workbooks'
/// charts merged into one) gets a free name in the same folder, and the relationships that point at it follow.
/// usedNames holds the lower-case names already taken and gets the new ones. Returns the path of the chart sheet
/// part, nullopt when the sheet kept none (then nothing is added).
std::optional<std::string> addChartSheetParts(const SheetData& sheet, std::set<std::string>& usedNames,
                                              std::vector<FixedPart>& parts);

/// The package path in lower case, the form names are compared in (the package's names ignore case).
std::string lowerPath(std::string_view path);

} // namespace tabrix::engine::xlsx
