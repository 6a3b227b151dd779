#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

class ZipPackage;
struct Relationship;

/// Reads the external-link parts the workbook lists (<externalReference r:id>), in that order, into
/// book.externalBooks, so "[1]" in a formula is the first of them: the linked file, its sheet names, its defined
/// names and the cell values recorded for the formulas. A part that is missing or not a workbook link (a DDE or
/// OLE link) still takes its place, empty.
void readExternalLinks(ZipPackage& zip, const std::vector<Relationship>& workbookRels,
                       const std::vector<std::string>& relIds, BookData& book);

/// A table part (xl/tables/tableN.xml) as the model keeps it; false when the part is not a usable table.
bool readTablePart(std::string xml, const std::string& where, SheetTable& table);

} // namespace tabrix::engine::xlsx
