#include "engine/text/CellSink.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/text/TextValue.h"

namespace tabrix::engine::text {

CellSink::CellSink(BookData& book, SheetData& sheet, std::string where)
    : m_book(book), m_sheet(sheet), m_where(std::move(where)) {}

void CellSink::checkPlace(uint64_t row, uint64_t col) const {
    if (row >= kMaxRows)
        throw EngineError(m_where + ": 表格超过工作表的最大行数 " + std::to_string(kMaxRows) + "（第 " +
                          std::to_string(row + 1) + " 行）");
    if (col >= kMaxCols)
        throw EngineError(m_where + ": 表格超过工作表的最大列数 " + std::to_string(kMaxCols) + "（第 " +
                          std::to_string(row + 1) + " 行第 " + std::to_string(col + 1) + " 列）");
}

Cell& CellSink::place(uint32_t row, uint32_t col, uint32_t style) {
    checkPlace(row, col);
    Cell& cell = m_sheet.at(row, col);
    cell.style = style;
    return cell;
}

uint32_t CellSink::styleWithFormat(std::string_view format, uint32_t base) {
    if (format.empty() || format == "General") return base;
    for (const auto& known : m_formatStyles)
        if (known.base == base && known.format == format) return known.style;
    Style style = m_book.styles.get(base);
    style.numFmt = std::string(format);
    const uint32_t id = m_book.styles.intern(style);
    if (m_formatStyles.size() < 256) m_formatStyles.push_back({base, std::string(format), id});
    return id;
}

void CellSink::putTyped(uint32_t row, uint32_t col, std::string_view text, uint32_t style) {
    const TypedText typed = typeText(text);
    switch (typed.type) {
    case CellType::Empty:
        return;
    case CellType::Number:
        putNumber(row, col, typed.number, typed.format, style);
        return;
    case CellType::Boolean:
        putBoolean(row, col, typed.boolean, style);
        return;
    case CellType::Error:
        putError(row, col, typed.error, style);
        return;
    case CellType::Text:
        putText(row, col, text, style);
        return;
    }
}

void CellSink::appendTyped(RowData& row, uint32_t col, std::string_view text) {
    const TypedText typed = typeText(text);
    if (typed.type == CellType::Empty) return;
    Cell& cell = row.cells.emplace_back();
    cell.col = uint16_t(col);
    cell.type = typed.type;
    switch (typed.type) {
    case CellType::Number:
        cell.number = typed.number;
        cell.style = styleWithFormat(typed.format);
        break;
    case CellType::Text:
        cell.text = m_book.strings.append(std::string(text));
        break;
    case CellType::Boolean:
        cell.boolean = typed.boolean;
        break;
    case CellType::Error:
        cell.error = typed.error;
        break;
    case CellType::Empty:
        break;
    }
}

void CellSink::putText(uint32_t row, uint32_t col, std::string_view text, uint32_t style) {
    if (text.empty()) return;
    Cell& cell = place(row, col, style);
    cell.type = CellType::Text;
    cell.text = m_book.strings.append(std::string(text));
}

void CellSink::putNumber(uint32_t row, uint32_t col, double value, std::string_view format, uint32_t style) {
    // A number keeps the cell's own format unless that is General and the text asked for one.
    const bool general = style == m_generalStyle || m_book.styles.get(style).numFmt == "General";
    if (general) m_generalStyle = style;
    Cell& cell = place(row, col, general ? styleWithFormat(format, style) : style);
    cell.type = CellType::Number;
    cell.number = value;
}

void CellSink::putBoolean(uint32_t row, uint32_t col, bool value, uint32_t style) {
    Cell& cell = place(row, col, style);
    cell.type = CellType::Boolean;
    cell.boolean = value;
}

void CellSink::putError(uint32_t row, uint32_t col, ErrorCode error, uint32_t style) {
    Cell& cell = place(row, col, style);
    cell.type = CellType::Error;
    cell.error = error;
}

} // namespace tabrix::engine::text
