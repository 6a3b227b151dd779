#pragma once

#include "engine/model/SheetTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::formula {

/// A table as structured references see it: the table and the sheet it stands on.
struct TableOnSheet {
    const SheetTable* table = nullptr;
    std::string_view sheet;
};

/// Finds a table by name (ignoring case); an empty name asks for the table holding the formula's own cell.
using TableLookup = std::function<std::optional<TableOnSheet>(std::string_view name)>;

/// The A1 reference a structured reference ("Sales[Amount]", "Sales[[#Headers],[Region]:[Amount]]", "[@Amount]")
/// stands for, as the application writes it when it turns a table into a plain range: absolute, but relative in the
/// row for "this row" (so the reference keeps following its row). ownRow is the formula's 0-based row and
/// ownSheet its sheet: a table on another sheet gets that sheet's prefix. nullopt when the table or a column is
/// unknown or the parts name no cells (a totals row the table does not have).
std::optional<std::string> structuredToA1(std::string_view text, const TableLookup& lookup, uint32_t ownRow,
                                          std::string_view ownSheet);

/// The formula with every structured reference it holds turned into A1 references; nullopt when one cannot be.
std::optional<std::string> replaceStructuredRefs(std::string_view formula, const TableLookup& lookup, uint32_t ownRow,
                                                 std::string_view ownSheet);

} // namespace tabrix::engine::formula
