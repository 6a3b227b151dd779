#pragma once

#include "engine/model/BookData.h"

#include <cstring>
#include <memory>
#include <string>

namespace tabrix::test {

/// Builds workbooks cell by cell for the 2003-format tests.
class XlsTestBook {
public:
    engine::BookData book;

    engine::SheetData& sheet(const std::string& name) {
        for (auto& s : book.sheets)
            if (s->name == name) return *s;
        book.sheets.push_back(std::make_unique<engine::SheetData>());
        book.sheets.back()->name = name;
        return *book.sheets.back();
    }
    engine::Cell& number(engine::SheetData& s, uint32_t r, uint32_t c, double v, uint32_t style = 0) {
        engine::Cell& cell = s.at(r, c);
        cell.type = engine::CellType::Number;
        cell.number = v;
        cell.style = style;
        return cell;
    }
    engine::Cell& text(engine::SheetData& s, uint32_t r, uint32_t c, const std::string& v, uint32_t style = 0) {
        engine::Cell& cell = s.at(r, c);
        cell.type = engine::CellType::Text;
        cell.text = book.strings.intern(v);
        cell.style = style;
        return cell;
    }
    engine::Cell& boolean(engine::SheetData& s, uint32_t r, uint32_t c, bool v) {
        engine::Cell& cell = s.at(r, c);
        cell.type = engine::CellType::Boolean;
        cell.boolean = v;
        return cell;
    }
    engine::Cell& error(engine::SheetData& s, uint32_t r, uint32_t c, engine::ErrorCode v) {
        engine::Cell& cell = s.at(r, c);
        cell.type = engine::CellType::Error;
        cell.error = v;
        return cell;
    }
    engine::Cell& blank(engine::SheetData& s, uint32_t r, uint32_t c, uint32_t style) {
        engine::Cell& cell = s.at(r, c);
        cell.type = engine::CellType::Empty;
        cell.style = style;
        return cell;
    }
    engine::Cell& formula(engine::SheetData& s, uint32_t r, uint32_t c, const std::string& f) {
        engine::Cell& cell = s.at(r, c);
        book.setFormula(cell, f);
        return cell;
    }
    uint32_t style(const engine::Style& st) { return book.styles.intern(st); }
};

/// Bits of a double printed by Python's float.hex(), which strtod reads back.
inline uint64_t bitsOfHex(const std::string& hex) {
    double v = std::strtod(hex.c_str(), nullptr);
    uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
}

inline uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
}

} // namespace tabrix::test
