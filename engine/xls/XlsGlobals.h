#pragma once

#include "engine/xls/XlsBook.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xls {

/// A sheet as its BOUNDSHEET record lists it.
struct SheetEntry {
    std::string name;
    uint32_t position = 0; ///< stream offset of the sheet's BOF record
    Visibility visibility = Visibility::Visible;
    uint8_t type = 0; ///< 0 worksheet or dialog, 1 macro sheet, 2 chart, 6 VB module
};

/// A NAME record, kept raw until every sheet and EXTERNSHEET entry its formula may refer to is known.
struct RawName {
    std::string name;
    uint16_t flags = 0;
    uint16_t sheet = 0; ///< 1-based sheet index for a sheet-local name, 0 for a workbook name
    std::vector<uint8_t> tokens;
    std::vector<uint8_t> extra;
};

struct GlobalsInfo {
    std::vector<SheetEntry> sheets;
    std::vector<RawName> names;
    uint16_t activeTab = 0;
};

/// Reads the workbook globals substream at the start of xb.stream: the BIFF version, code page, date system,
/// shared strings (into xb.book->strings), styles, sheet list, external references and defined names.
/// Throws EngineError for an encrypted workbook, a BIFF2-4 file or a damaged stream.
GlobalsInfo readGlobals(XlsBook& xb);

/// A SUPBOOK's encoded file name as a path with "/" separators: the control characters of the format stand for the
/// drive, the root, a folder step and a step up.
std::string decodeLinkPath(std::string_view encoded);

/// Decodes the defined names into xb.book->names, with the formula text of each.
void resolveNames(XlsBook& xb, const GlobalsInfo& info);

} // namespace tabrix::engine::xls
