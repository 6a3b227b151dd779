#pragma once

#include <string>

namespace tabrix::framework {

/// A named workbook counts as present when the file exists and its name ends in "xls" or "xlsx" (exact case).
bool sourceExists(const std::string& path);

/// Two named workbooks are present and of one kind: both names end in "xlsx", or both end in "xls" (exact case).
bool sourcesExistAlike(const std::string& first, const std::string& second);

/// The working extension's file filter: label, the extension, ")|*.", the extension.
std::string workbookFilter(const std::string& label, const std::string& extension);

/// True when both paths name the same file or folder, however they are spelled (case aside, "..", links).
bool samePath(const std::string& a, const std::string& b);

/// Everything before the last path separator of a path ("" when there is none).
std::string folderPart(const std::string& path);

} // namespace tabrix::framework
