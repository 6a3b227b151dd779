#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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

/// The named streams of an OLE2 compound file (an encrypted xlsx package keeps EncryptionInfo and EncryptedPackage
/// so), in the order asked; nullopt when one of them is missing. Throws EngineError for a damaged container.
std::optional<std::vector<std::vector<uint8_t>>> readOleStreams(std::span<const uint8_t> file,
                                                                const std::string& displayName,
                                                                std::initializer_list<std::string_view> names);

/// An OLE2 compound file holding the given streams, as bytes. A name with "/" puts the stream into storages
/// ("a/b/c": stream c in storage b in storage a); streams of one storage must follow each other.
std::string writeOleFile(const std::vector<std::pair<std::string, std::span<const uint8_t>>>& streams);

} // namespace tabrix::engine::xls
