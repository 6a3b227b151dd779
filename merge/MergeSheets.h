#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::merge {

/// The controls of the merge-worksheets page, as the action reads and writes them.
struct MergeSheetsPage {
    std::string sourcePath;      ///< Text1
    std::string startRowText = "2"; ///< Text2; the action puts "2" back when it is empty
    bool sheetNameColumn = false; ///< Check1
    std::string extension = "xls"; ///< the working extension, for the save dialog's filter
    bool byHeader = false;          ///< "按标题名称对齐列": columns lined up by their headings
};

/// The page's action button: checks the start row and the source, asks for the result file, then stacks the
/// data rows of every worksheet of the source into the first worksheet of a new workbook and saves it.
framework::Outcome mergeSheetsAction(framework::Host& host, MergeSheetsPage& page);

/// The merge itself, on a checked source and target.
framework::Outcome mergeSheets(framework::Host& host, const MergeSheetsPage& page, const std::string& target);

/// The leading number of a text, 0 when it has none (how the start row text is read).
long leadingNumber(const std::string& text);

/// The start-row check of the merge pages: an empty box is refused and set back to "2", a start row of 0 is
/// refused. True when the merge may go on.
bool startRowAccepted(framework::Host& host, std::string& startRowText);

/// Lining columns up by their headings needs a heading row: refused with start row 1. True when the merge may go on.
bool alignmentAccepted(framework::Host& host, bool byHeader, const std::string& startRowText);

} // namespace tabrix::merge
