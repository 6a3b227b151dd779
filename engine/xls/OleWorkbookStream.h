#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// The workbook stream of a 2003-format file, read whole into memory.
struct WorkbookStream {
    std::vector<uint8_t> bytes;
    std::string name; ///< "Workbook" (BIFF8) or "Book" (BIFF5), as the container spells it
    bool hasMacros = false; ///< the container also holds a VBA project
};

/// Finds and reads the workbook stream of an OLE2 compound file held in memory. A file that is a bare BIFF
/// stream (no container, as some old exporters wrote) is taken as the stream itself. Throws EngineError, starting
/// with displayName, when the container is damaged, holds no workbook stream, or is an encrypted xlsx package.
WorkbookStream readWorkbookStream(std::span<const uint8_t> file, const std::string& displayName);

} // namespace tabrix::engine::xls
