#pragma once

#include "framework/Host.h"

#include <string>
#include <vector>

namespace tabrix::framework {

/// The worksheet names of a workbook in tab order, for the pages' sheet lists. Chart sheets are not worksheets
/// and are left out. Each call runs its own spreadsheet instance, released however the call ends; a workbook
/// that cannot be opened raises the engine's error. A protected workbook's password is asked of host (none:
/// such a workbook is refused).
std::vector<std::string> worksheetNames(const std::string& path, Host* host = nullptr);

/// The number of columns from column A to the last column of a worksheet's used range.
long usedColumnCount(const std::string& path, const std::string& sheet, Host* host = nullptr);

} // namespace tabrix::framework
