// Helpers for the tests of the text readers: a file's bytes read as the engine opens it, and one cell's reading
// as "type:value" ("n:12", "s:0012", "d:45296" for a number shown as a date, "b:TRUE", "e:#N/A", "" for none).
#pragma once

#include "engine/model/BookData.h"
#include "engine/model/CellAddress.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/object/TextContent.h"

#include <charconv>
#include <memory>
#include <string>

namespace tabrix::test {

inline std::unique_ptr<engine::BookData> readText(const std::string& bytes, const std::string& name = "t.xls") {
    return engine::readTextTableBytes(bytes, name);
}

inline std::string cellAt(const engine::BookData& book, size_t sheet, const std::string& ref) {
    using namespace tabrix::engine;
    const auto address = parseCellRef(ref);
    const Cell* c = book.sheets.at(sheet)->find(address->row, address->col);
    if (!c) return "";
    switch (c->type) {
    case CellType::Number: {
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, c->number);
        const bool date = numfmt::isDateFormat(book.styles.get(c->style).numFmt);
        return (date ? "d:" : "n:") + std::string(buf, res.ptr);
    }
    case CellType::Text:
        return "s:" + book.text(*c);
    case CellType::Boolean:
        return c->boolean ? "b:TRUE" : "b:FALSE";
    case CellType::Error:
        return "e:" + std::string(errorText(c->error));
    case CellType::Empty:
        return c->hasFormula() ? "f:" : "";
    }
    return "";
}

inline std::string formatAt(const engine::BookData& book, size_t sheet, const std::string& ref) {
    const auto address = engine::parseCellRef(ref);
    const engine::Cell* c = book.sheets.at(sheet)->find(address->row, address->col);
    return c ? book.styles.get(c->style).numFmt : "";
}

} // namespace tabrix::test
