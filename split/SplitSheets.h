#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::split {

/// The controls of the split-worksheets page, as the action reads them.
struct SplitSheetsPage {
    std::string sourcePath;        ///< Text5
    std::string extension = "xls"; ///< the working extension: the result files' format
};

/// The page's action button: asks for the result folder, checks the source and that the folder holds no
/// workbook, then writes every worksheet of the source to a workbook of its own named after it.
framework::Outcome splitSheetsAction(framework::Host& host, const SplitSheetsPage& page);

/// The split itself, into a checked folder.
framework::Outcome splitSheets(framework::Host& host, const SplitSheetsPage& page, const std::string& folder);

/// The folder check of the split pages: true when the folder holds no workbook of the extension (otherwise the
/// user is told so).
bool folderIsSafe(framework::Host& host, const std::string& folder, const std::string& extension);

} // namespace tabrix::split
