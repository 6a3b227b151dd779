#pragma once

#include "engine/xlsx/write/PackagePlan.h"

#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// xl/workbook.xml: the date system, the active tab, the tabs in order with their visibility and the ids of
/// their relationships (relIds, one per tab), the defined names, and a full calculation when the file is opened
/// (cached results are kept, but the application recomputes them).
std::string workbookPart(const PackagePlan& plan, const std::vector<std::string>& relIds);

} // namespace tabrix::engine::xlsx
