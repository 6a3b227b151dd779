#pragma once

#include "engine/model/SheetTable.h"

#include <cstdint>
#include <string>

namespace tabrix::engine::xlsx {

/// A table part (xl/tables/tableN.xml) for a table of the model, under the id given (ids are unique within the
/// package). The part read is written back with its id, names and area brought up to date.
std::string tablePart(const SheetTable& table, uint32_t id);

/// The part of a table read from a file, stripped of what points outside it: the query a table was filled by and
/// the workbook's differential formats (neither is carried), so that the part stands on its own.
std::string standaloneTablePart(std::string xml);

} // namespace tabrix::engine::xlsx
