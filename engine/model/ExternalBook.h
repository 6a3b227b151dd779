#pragma once

#include "engine/model/CellValue.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine {

/// The cells of one sheet of another workbook that formulas read, with the values they last had there. A formula
/// computes from these while the other workbook is not open, so they are what keeps its result.
struct ExternalSheet {
    std::string name;
    std::map<std::pair<uint32_t, uint32_t>, Variant> cells; ///< (row, col), 0-based
};

/// A defined name of another workbook that formulas use ("[1]!Rate").
struct ExternalName {
    std::string name;
    std::string refersTo; ///< as that workbook defines it, without "="; may be empty
    int sheet = -1;       ///< index into the book's sheets for a sheet-level name, -1 for the workbook's
};

/// Another workbook that formulas refer to as "[N]Sheet!A1", N being 1 + its index in BookData::externalBooks.
struct ExternalBook {
    std::string target; ///< the file as the link names it: a path, relative or absolute, or a URL
    std::vector<ExternalSheet> sheets;
    std::vector<ExternalName> names;
    /// Made when formulas were copied out of that workbook into this one: the save log names it.
    bool fromCopy = false;

    /// The file's own name, as a formula shows it ("[f.xlsx]Sheet1!A1").
    std::string fileName() const;
    std::optional<size_t> sheetIndex(std::string_view name) const;
    /// The sheet of that name, added when missing.
    ExternalSheet& sheet(std::string_view name);
};

} // namespace tabrix::engine
