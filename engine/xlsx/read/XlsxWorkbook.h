#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// One <sheet> of the workbook part, before its relationship is looked up.
struct SheetEntry {
    std::string name;
    std::string relId;
    Visibility visibility = Visibility::Visible;
};

/// What the workbook part says about the whole book.
struct WorkbookInfo {
    std::string root; ///< local name of the root element: "workbook" unless the package holds something else
    std::vector<SheetEntry> sheets;
    std::vector<DefinedName> names;
    std::vector<std::string> externalLinkIds; ///< relationship ids of <externalReference>, in order
    bool date1904 = false;
    uint32_t activeTab = 0;
};

WorkbookInfo readWorkbookPart(std::string_view xml, const std::string& where);

} // namespace tabrix::engine::xlsx
