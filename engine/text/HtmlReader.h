#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// The charset a page declares in its first bytes (<meta charset=...> or the http-equiv Content-Type); empty
/// when it declares none.
std::string declaredHtmlCharset(std::string_view head);

/// Reads the tables of an HTML page (UTF-8) as a workbook: each <table> not inside another one is a worksheet,
/// named as the page's workbook part names its sheets (<x:Name>) or Sheet1, Sheet2, ... A table inside a cell
/// gives its text to that cell. colspan/rowspan become merged areas with the value in the first cell; the
/// export attributes (x:num, x:str, mso-number-format) decide a cell's type where present, else the text is
/// typed as typed into a cell. Fails when the page holds no table.
///
/// What the page's styles hide (display:none, the hidden attribute; see HtmlStyleSheet for the selectors) is not
/// read: the sort keys web tables hide before a cell's text are no part of its value. A hidden cell keeps its place
/// in the table, empty. Hidden rows and the cells of columns a <col> hides keep their values and are hidden in the
/// sheet, as a spreadsheet program writes its hidden rows and columns into a page. styleSheet is a style sheet the
/// page links to, read before the page's own <style> elements.
std::unique_ptr<BookData> readHtml(std::string_view page, const std::string& where, std::string_view styleSheet = {});

} // namespace tabrix::engine::text
