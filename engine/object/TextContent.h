#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine {

/// Reads a file that is no workbook container but text holding a table, deciding once what it is: a single-file
/// web page (MHTML), a 2003 XML spreadsheet (its root is Workbook in that namespace), an HTML page, or delimited
/// text (CSV, TSV, semicolon- or bar-separated, or lines of one column). The encoding comes from a BOM, the
/// page's or declaration's charset, else UTF-8 when valid, else the legacy page the bytes look like. The book's
/// content tells what it was. Throws EngineError naming the file when the bytes are not text.
std::unique_ptr<BookData> readTextTable(const std::string& path);

/// The same over bytes in memory; path names the file in messages, gives a text file's sheet its name and, by
/// its extension, the delimiter a tie goes to.
std::unique_ptr<BookData> readTextTableBytes(std::string_view bytes, const std::string& path);

} // namespace tabrix::engine
