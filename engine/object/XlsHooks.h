#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <vector>

namespace tabrix::engine {

/// The 2003-format (BIFF) writer, behind one seam so the object model does not depend on their files.
void writeXlsFile(BookData& book, const std::string& path, std::vector<std::string>& warnings);

} // namespace tabrix::engine
