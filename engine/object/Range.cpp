#include "engine/object/Range.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/object/SheetNames.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

namespace tabrix::engine {

namespace {
Variant valueOf(const BookData& book, const Cell* c) {
    if (!c) return std::monostate{};
    switch (c->type) {
    case CellType::Number:
        return c->number;
    case CellType::Text:
        return book.text(*c);
    case CellType::Boolean:
        return c->boolean;
    case CellType::Error:
        return c->error;
    case CellType::Empty:
        break;
    }
    return std::monostate{};
}

void store(BookData& book, Cell& cell, const Variant& value) {
    cell.formula = 0;
    if (std::holds_alternative<double>(value)) {
        cell.type = CellType::Number;
        cell.number = std::get<double>(value);
    } else if (auto* text = std::get_if<std::string>(&value)) {
        cell.type = CellType::Text;
        cell.text = book.strings.intern(*text);
    } else if (auto* flag = std::get_if<bool>(&value)) {
        cell.type = CellType::Boolean;
        cell.boolean = *flag;
    } else if (auto* error = std::get_if<ErrorCode>(&value)) {
        cell.type = CellType::Error;
        cell.error = *error;
    } else {
        cell.type = CellType::Empty;
        cell.number = 0;
    }
}
} // namespace

Variant Range::Value() const {
    return valueOf(m_sheet->workbook().data(), m_sheet->data().find(m_rect.firstRow, m_rect.firstCol));
}

void Range::SetValue(const Variant& value) {
    SheetData& sheet = m_sheet->data();
    BookData& book = m_sheet->workbook().data();
    if (auto* text = std::get_if<std::string>(&value); text && utf8Length(*text) > 32767)
        throw EngineError(m_sheet->Name() + "!" + Address() + ": 文本超过一个单元格能容纳的 32767 个字符");
    const bool clearing = std::holds_alternative<std::monostate>(value);
    for (uint32_t r = m_rect.firstRow; r <= m_rect.lastRow; ++r) {
        for (uint32_t c = m_rect.firstCol; c <= m_rect.lastCol; ++c) {
            if (clearing) {
                const Cell* existing = sheet.find(r, c);
                if (!existing) continue;
                if (existing->style == 0) {
                    sheet.erase(r, c);
                    continue;
                }
            }
            store(book, sheet.at(r, c), value);
        }
    }
    m_sheet->cellsWritten();
}

void Range::SetInteriorColor(uint32_t rgb) {
    SheetData& sheet = m_sheet->data();
    StyleTable& styles = m_sheet->workbook().data().styles;
    for (uint32_t r = m_rect.firstRow; r <= m_rect.lastRow; ++r)
        for (uint32_t c = m_rect.firstCol; c <= m_rect.lastCol; ++c) {
            Cell& cell = sheet.at(r, c);
            Style style = styles.get(cell.style);
            style.fill = Fill{1, 0xFF000000u | (rgb & 0xFFFFFFu), 0};
            cell.style = styles.intern(style);
        }
    m_sheet->cellsWritten();
}

std::string Range::Text() const {
    const BookData& book = m_sheet->workbook().data();
    const Cell* c = m_sheet->data().find(m_rect.firstRow, m_rect.firstCol);
    if (!c) return {};
    const std::string& code = book.styles.get(c->style).numFmt;
    switch (c->type) {
    case CellType::Number:
        return numfmt::formatNumber(c->number, code, book.date1904);
    case CellType::Text:
        return numfmt::formatText(book.text(*c), code);
    case CellType::Boolean:
        return c->boolean ? "TRUE" : "FALSE";
    case CellType::Error:
        return std::string(errorText(c->error));
    case CellType::Empty:
        break;
    }
    return {};
}

std::string Range::Formula() const {
    const BookData& book = m_sheet->workbook().data();
    const Cell* c = m_sheet->data().find(m_rect.firstRow, m_rect.firstCol);
    if (c && c->hasFormula()) return "=" + book.formulaText(*c);
    if (c && c->type == CellType::Number) return numfmt::formatNumber(c->number, "General", book.date1904);
    return Text();
}

std::string Range::Address() const { return rangeName(m_rect, true); }

} // namespace tabrix::engine
