#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// True for a single-file web page (a MIME message of related parts): among the header lines before the first
/// blank line are MIME-Version and a Content-Type of multipart/related. Names and values are compared ignoring
/// case; a byte-order mark and blank lines may come first, and a field may be folded onto further lines.
bool looksLikeMhtml(std::string_view head);

/// Reads a workbook a spreadsheet program saved as a single-file web page. Each part is decoded by its
/// Content-Transfer-Encoding and its charset (the part's Content-Type, else the page's own declaration, else
/// guessed as for any page). The worksheets are those the workbook's list names (<x:ExcelWorksheet> with
/// <x:Name> and <x:WorksheetSource HRef>, in the main part or a part beside it), in its order, each read from the
/// part the HRef names (by its Content-Location resolved against the main part's, else by the file name alone,
/// or by Content-ID for "cid:") as a page; a part without a table gives an empty sheet. A page saved without such
/// a list gives the tables of its main part, else those of the first other page that has one; the tab strip is
/// never read as data. Fails, naming the file and the part, when a listed sheet's part is missing or in an
/// encoding not known, and when no part holds a table.
std::unique_ptr<BookData> readMhtml(std::string_view bytes, const std::string& where);

} // namespace tabrix::engine::text
