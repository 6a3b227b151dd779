#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine::ssml {

/// True when the text is a 2003 XML spreadsheet (a Workbook element in its namespace).
bool isSpreadsheetMl(std::string_view head);

/// The encoding an XML declaration names ("<?xml version="1.0" encoding="windows-1250"?>"); empty for none.
std::string declaredXmlEncoding(std::string_view head);

/// Reads a 2003 XML spreadsheet (the text in UTF-8, its XML declaration is ignored): worksheets in order with
/// their visibility, rows and cells placed by ss:Index, merged areas (ss:MergeAcross/ss:MergeDown), typed data,
/// formulas turned from R1C1 into A1 with their cached values, styles (number format, font, fill, alignment),
/// column widths, row heights, defined names. Entity declarations are refused.
std::unique_ptr<BookData> readSpreadsheetMl(std::string_view xml, const std::string& where);

} // namespace tabrix::engine::ssml
