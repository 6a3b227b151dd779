#pragma once

// Small builders for workbooks made directly in the model, and a save that reads the result back through
// openpyxl, shared by the xlsx writer tests.
#include "engine/OpenpyxlDump.h"
#include "engine/model/BookData.h"
#include "engine/xlsx/write/XlsxWriter.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tabrix::test {

using engine::BookData;
using engine::Cell;
using engine::CellType;
using engine::ErrorCode;
using engine::SheetData;

inline SheetData& addSheet(BookData& book, const std::string& name) {
    book.sheets.push_back(std::make_unique<SheetData>());
    book.sheets.back()->name = name;
    return *book.sheets.back();
}

inline void setNumber(SheetData& s, uint32_t r, uint32_t c, double v, uint32_t style = 0) {
    Cell& cell = s.at(r, c);
    cell.type = CellType::Number;
    cell.number = v;
    cell.style = style;
}

inline void setText(BookData& book, SheetData& s, uint32_t r, uint32_t c, const std::string& v, uint32_t style = 0) {
    Cell& cell = s.at(r, c);
    cell.type = CellType::Text;
    cell.text = book.strings.intern(v);
    cell.style = style;
}

inline void setError(SheetData& s, uint32_t r, uint32_t c, ErrorCode e) {
    Cell& cell = s.at(r, c);
    cell.type = CellType::Error;
    cell.error = e;
}

inline void setBool(SheetData& s, uint32_t r, uint32_t c, bool b) {
    Cell& cell = s.at(r, c);
    cell.type = CellType::Boolean;
    cell.boolean = b;
}

inline std::vector<std::string> save(BookData& book, const std::string& path) {
    std::vector<std::string> warnings;
    engine::xlsx::writeXlsx(book, path, warnings);
    return warnings;
}

/// Writes the book and reads it back through openpyxl.
inline OpenpyxlDump saveAndDump(BookData& book, const TempDir& dir, std::vector<std::string>* warnings = nullptr) {
    std::string path = dir.file("out.xlsx");
    auto w = save(book, path);
    if (warnings) *warnings = w;
    OpenpyxlDump dump(path);
    EXPECT_EQ(dump.error(), "");
    return dump;
}

inline bool contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const auto& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

} // namespace tabrix::test
