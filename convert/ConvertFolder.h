#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::convert {

/// The controls of the conversion page.
struct ConvertPage {
    std::string sourceFolder; ///< Text11(0)
    std::string targetFolder; ///< Text11(1)
    bool toXlsx = true;       ///< Option3(0) "2003转2007" selected; false for Option3(1) "2007转用2003"
};

/// The page's action button: checks both folders, then converts every workbook of the source folder into the
/// other format in the target folder, one log line per file. A file that cannot be converted is logged with the
/// reason and left out (no partial target); the others are still converted and the final message counts both.
framework::Outcome convertFolderAction(framework::Host& host, const ConvertPage& page);

} // namespace tabrix::convert
