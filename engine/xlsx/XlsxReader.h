#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>

namespace tabrix::engine::xlsx {

/// Opens an xlsx (or xlsm) package. The workbook part, relationships and styles are read now; each worksheet's
/// cells (and the shared strings) are read when the sheet is first accessed. Throws EngineError saying which
/// file and part failed.
std::unique_ptr<BookData> readXlsx(const std::string& path);

} // namespace tabrix::engine::xlsx
