#pragma once

#include <string>
#include <vector>

namespace tabrix::framework {

/// Names (not paths) of the regular files in a folder whose names end in "." + extension, exactly as written
/// (case-sensitive): "*.xls" does not match "a.xlsx" or "a.XLS". Sorted by name ignoring case, then byte order,
/// so results are the same on every run. An unreadable or missing folder gives an empty list.
std::vector<std::string> filesWithExtension(const std::string& folder, const std::string& extension);

/// folder + "/" + name, without doubling a separator the folder text already ends with.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace tabrix::framework
