#pragma once

#include <cstdio>
#include <string>

namespace tabrix::engine {
class Workbook;
}

namespace tabrix::cli {

/// Prints each worksheet (or the one named) as "# sheet NAME rows=R cols=C" and then one line per non-empty cell:
/// ADDRESS, TYPE (n number, d dated number, s text, b boolean, e error), VALUE and "=FORMULA" when there is one,
/// separated by tabs. Numbers are the shortest text that reads back to the same double.
void dumpWorkbook(engine::Workbook& book, const std::string& onlySheet, std::FILE* out);

/// Text with tab, newline, carriage return and backslash written as \t, \n, \r and \\.
void appendEscaped(std::string& out, const std::string& text);

} // namespace tabrix::cli
