#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// Writes the workbook as an xlsx package at path (the caller handles temporary names and renames). Anything the
/// package cannot carry is reported as one line per sheet in warnings. Throws EngineError on failure.
void writeXlsx(BookData& book, const std::string& path, std::vector<std::string>& warnings);

/// The same package held in memory (for a save that is encrypted before anything reaches the disk); name is what
/// messages call it.
std::string writeXlsxToMemory(BookData& book, const std::string& name, std::vector<std::string>& warnings);

} // namespace tabrix::engine::xlsx
