#pragma once

#include "framework/Host.h"

#include <optional>
#include <string>
#include <vector>

namespace tabrix::analysis {

/// One row of the column correspondence: a column of the first worksheet and one of the second, by letters.
struct ColumnPair {
    std::string first;
    std::string second;
};

/// The controls of the compare page, as the action reads them, and the correspondence set for it.
struct ComparePage {
    std::string firstPath;         ///< Text7(0)
    std::string firstSheet;        ///< List2(0)'s selected entry
    std::string secondPath;        ///< Text7(1); may name the first workbook
    std::string secondSheet;       ///< List2(1)'s selected entry
    bool enhanced = false;         ///< Check4 ticked
    std::vector<ColumnPair> pairs; ///< the key pair first, then the compared pairs
    std::string extension = "xls"; ///< the working extension, for the save dialog's filter
    bool changes = false;          ///< "标出变化的单元格": a fourth sheet pairs each changed row with its old one
    bool lenient = false;          ///< "忽略首尾空格和全角半角": keys and values matched leniently
};

/// The page's action button: checks both sources and worksheets, asks for the result file, then runs the
/// enhanced comparison when it is ticked and pairs are set, the plain one otherwise.
framework::Outcome compareSheetsAction(framework::Host& host, const ComparePage& page);

/// The plain comparison on a chosen target: rows keyed on column A, the further columns compared by position.
framework::Outcome compareSheets(framework::Host& host, const ComparePage& page, const std::string& target);

/// The enhanced comparison on a chosen target: rows keyed on the first pair, compared on the others; every
/// copied row carries its source row number in the column after it.
framework::Outcome compareSheetsEnhanced(framework::Host& host, const ComparePage& page, const std::string& target);

/// Used column counts of both selected worksheets, for the correspondence dialog, after the page's source and
/// sheet checks; nullopt when a check refused (its message shown) or the measuring failed (reported).
struct MeasuredColumns {
    long first = 0;
    long second = 0;
};
std::optional<MeasuredColumns> measureForCorrespondence(framework::Host& host, const ComparePage& page);

} // namespace tabrix::analysis
