#pragma once

#include <string>

namespace tabrix::analysis {

/// Names of the two difference sheets of a comparison result.
struct DifferenceSheetNames {
    std::string first;
    std::string second;
};

/// One source file named twice gives the "first/second chosen worksheet" names; otherwise each sheet is named
/// after the first 22 characters of its workbook's file name, cleaned of characters a sheet name cannot hold,
/// and the second one is made distinct when both come out the same.
DifferenceSheetNames differenceSheetNames(const std::string& firstPath, const std::string& secondPath);

} // namespace tabrix::analysis
