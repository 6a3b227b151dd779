#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>

namespace tabrix::engine::xlsx {

/// Opens an xlsx (or xlsm) package. The workbook part, relationships and styles are read now; each worksheet's
/// cells (and the shared strings) are read when the sheet is first accessed. Throws EngineError saying which
/// file and part failed.
std::unique_ptr<BookData> readXlsx(const std::string& path);

/// The same over a package held in memory; name stands for the file in messages.
std::unique_ptr<BookData> readXlsxBuffer(std::string data, const std::string& name);

} // namespace tabrix::engine::xlsx
