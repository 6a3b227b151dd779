#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::split {

/// The controls of the split-by-column page, as the action reads them.
struct SplitColumnPage {
    std::string sourcePath;        ///< Text6
    std::string sheet;             ///< List1's text
    std::string column;            ///< Combo1's text: the condition column's letters
    bool columnChosen = false;     ///< an item of Combo1 is selected
    std::string lastColumn;        ///< letters of the last used column of the chosen worksheet (from its listing)
    bool dropColumn = false;       ///< Check3
    int mode = 0;                  ///< the selected Option2: 0 workbooks in a folder, 1 worksheets of one workbook
    std::string extension = "xls"; ///< the working extension
};

/// The page's action button. Mode 0: asks for the result folder, checks that it holds no workbook, then splits
/// into one workbook per part. Mode 1: checks the source and the selections, asks for the result file, then
/// splits into one worksheet per part. Any other mode does nothing.
framework::Outcome splitColumnAction(framework::Host& host, const SplitColumnPage& page);

/// Splits into workbooks in a checked folder; checks the source and the selections itself.
framework::Outcome splitToBooks(framework::Host& host, const SplitColumnPage& page, const std::string& folder);

/// Splits into worksheets of one result workbook saved under target; checks the source and the selections itself.
framework::Outcome splitToSheets(framework::Host& host, const SplitColumnPage& page, const std::string& target);

} // namespace tabrix::split
