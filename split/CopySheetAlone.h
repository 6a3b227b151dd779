#pragma once

#include <string>

namespace tabrix::engine {
class Workbook;
class Worksheet;
} // namespace tabrix::engine

namespace tabrix::split {

/// The name the first sheet of a new workbook takes while a copy arrives beside it: no source sheet is expected to
/// carry it, so the copy keeps its own name.
inline constexpr const char* kPlaceholderName = "┐qev★┌☆";

/// Deletes a workbook's worksheets from the last down to the second.
void keepFirstWorksheetOnly(engine::Workbook& book);

/// Makes the copy of a worksheet the only sheet of a freshly added workbook: the other sheets deleted, the first
/// named with the placeholder, the source copied after it, the placeholder deleted. The copy carries the source's
/// name and is visible even when the source is hidden (a workbook needs one visible sheet).
engine::Worksheet& copySheetAlone(engine::Workbook& newBook, engine::Worksheet& source);

} // namespace tabrix::split
