#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::analysis {

/// The controls of the find page, as the action reads them.
struct FindDataPage {
    std::string sourcePath;        ///< Text8
    std::string sheetName;         ///< List3's selected entry
    std::string searchText;        ///< Text9
    std::string extension = "xls"; ///< the working extension, for the save dialog's filter
};

/// The page's action button: checks the search text, the worksheet and the source, asks for the result file,
/// then writes every row of the worksheet that holds the text into a new workbook.
framework::Outcome findDataAction(framework::Host& host, const FindDataPage& page);

/// The search itself, on a chosen target: each matching row once, in the worksheet's row order, on the single
/// worksheet "查找结果" of the result.
framework::Outcome findData(framework::Host& host, const FindDataPage& page, const std::string& target);

} // namespace tabrix::analysis
