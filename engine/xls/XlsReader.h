#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>

namespace tabrix::engine::xls {

/// Reads a 2003-format workbook (BIFF8, or BIFF5/7 from older programs) from its OLE2 container. Throws EngineError
/// saying which file, stream, record and byte offset failed.
std::unique_ptr<BookData> readXls(const std::string& path);

} // namespace tabrix::engine::xls
