#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// Reads a file whose bytes are text holding a table: a 2003 XML spreadsheet, an HTML page with tables, or
/// CSV/TSV/semicolon-separated text (in that order of recognition; the name plays no part). The encoding comes
/// from the BOM, the page's or XML declaration's charset, else UTF-8 when valid, else the legacy page the bytes
/// look like (GB18030 for Chinese). The book's content tells which it was. Throws EngineError naming the file
/// when the bytes are not text or the text holds no table.
std::unique_ptr<BookData> readTextWorkbook(const std::string& path);

/// The same over bytes in memory; path names the file in messages and gives a text file's sheet its name.
std::unique_ptr<BookData> readTextWorkbookBytes(std::string_view bytes, const std::string& path);

} // namespace tabrix::engine::text
