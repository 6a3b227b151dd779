#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::analysis {

/// The controls of the clear page, as the action reads them.
struct ClearDataPage {
    std::string dataPath;          ///< Text10(0)
    std::string dataSheet;         ///< List5(0)'s selected entry
    std::string removalPath;       ///< Text10(1); may name the data workbook
    std::string removalSheet;      ///< List5(1)'s selected entry
    std::string extension = "xls"; ///< the working extension, for the save dialog's filter
    bool lenient = false;          ///< "忽略首尾空格和全角半角": keys and values matched leniently
};

/// The page's action button: checks both sources and worksheets, asks for the result file, then writes the
/// rows of the data worksheet that do not stand in the removal worksheet to a new workbook.
framework::Outcome clearDataAction(framework::Host& host, const ClearDataPage& page);

/// The clearing itself, on a chosen target. A data row stands in the removal worksheet when a row there has
/// the same column-A value and equal values in every further column of the removal worksheet's used range.
framework::Outcome clearData(framework::Host& host, const ClearDataPage& page, const std::string& target);

} // namespace tabrix::analysis
