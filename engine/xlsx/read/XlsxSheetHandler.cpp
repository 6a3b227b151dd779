#include "engine/xlsx/read/XlsxSheetHandler.h"

#include "engine/EngineError.h"
#include "engine/formula/FormulaShift.h"
#include "engine/model/CellAddress.h"
#include "engine/xlsx/XmlText.h"

#include <charconv>

namespace tabrix::engine::xlsx {

namespace {
enum class RefStatus { Ok, Malformed, RowTooLarge, ColTooLarge };

// "AB12" → 0-based row and column. Letters and digits saturate instead of overflowing, so any length is safe.
RefStatus parseRef(const char* s, uint32_t& row, uint32_t& col) {
    constexpr uint64_t kCap = uint64_t(1) << 40;
    uint64_t c = 0;
    const char* p = s;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p)
        c = std::min(kCap, c * 26 + uint64_t((*p & ~0x20) - 'A' + 1));
    if (p == s) return RefStatus::Malformed;
    uint64_t r = 0;
    const char* digits = p;
    for (; *p >= '0' && *p <= '9'; ++p) r = std::min(kCap, r * 10 + uint64_t(*p - '0'));
    if (p == digits || *p != '\0' || r == 0) return RefStatus::Malformed;
    if (c > kMaxCols) return RefStatus::ColTooLarge;
    if (r > kMaxRows) return RefStatus::RowTooLarge;
    row = uint32_t(r - 1);
    col = uint32_t(c - 1);
    return RefStatus::Ok;
}

bool parseIndex(const char* s, uint64_t& out) {
    std::string_view t = trimSpace(s);
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return ec == std::errc() && end == t.data() + t.size() && !t.empty();
}
} // namespace

void SheetHandler::cellError(const std::string& what) const {
    throw EngineError("单元格 " + cellName(m_cellRow, m_cellCol) + ": " + what);
}

void SheetHandler::startElement(std::string_view name, const char** atts) {
    if (!m_inSheetData) return sheetElement(name, atts);
    switch (name.size()) {
    case 1:
        if (name[0] == 'c') {
            startCell(atts);
        } else if (name[0] == 'v') {
            m_value.clear();
            m_hasValue = true;
            m_collect = &m_value;
        } else if (name[0] == 'f') {
            startFormula(atts);
        } else if (name[0] == 't' && m_hasInline && !m_inPhonetic) {
            m_collect = &m_inline;
        }
        break;
    case 2:
        if (name == "is") {
            m_hasInline = true;
            m_inline.clear();
        }
        break;
    case 3:
        if (name == "row")
            startRow(atts);
        else if (name == "rPh")
            m_inPhonetic = true;
        break;
    default: break;
    }
}

void SheetHandler::endElement(std::string_view name) {
    if (!m_inSheetData) {
        if (name == "cols") finish();
        return;
    }
    if (name.size() == 1) {
        if (name[0] == 'c')
            endCell();
        else
            m_collect = nullptr;
    } else if (name == "rPh") {
        m_inPhonetic = false;
    } else if (name == "row") {
        if (m_rowData && m_rowDataIndex == m_row) m_lastRowCells = m_rowData->cells.size();
    } else if (name == "sheetData") {
        m_inSheetData = false;
    }
}

void SheetHandler::startRow(const char** atts) {
    const char *r = nullptr, *ht = nullptr, *hidden = nullptr, *s = nullptr, *customFormat = nullptr;
    for (const char** a = atts; *a; a += 2) {
        std::string_view n = a[0];
        if (n == "r") r = a[1];
        else if (n == "ht") ht = a[1];
        else if (n == "hidden") hidden = a[1];
        else if (n == "s") s = a[1];
        else if (n == "customFormat") customFormat = a[1];
    }
    uint64_t row = uint64_t(m_row) + (m_rowStarted ? 1 : 0);
    if (r) {
        uint64_t number = 0;
        if (!parseIndex(r, number) || number == 0) throw EngineError(std::string("行号“") + r + "”无效");
        row = number - 1;
    }
    if (row >= kMaxRows) throw EngineError("第 " + std::to_string(row + 1) + " 行超出了工作表的 1048576 行");
    m_row = uint32_t(row);
    m_rowStarted = true;
    m_lastCol = -1;
    bool custom = parseBool(customFormat, false);
    if (!ht && !parseBool(hidden, false) && !custom) return;
    m_rowData = &m_sheet.rowForWrite(m_row);
    m_rowDataIndex = m_row;
    if (auto height = ht ? parseDouble(ht) : std::nullopt; height && *height >= 0 && *height <= 409.5)
        m_rowData->height = float(*height);
    m_rowData->hidden = parseBool(hidden, false);
    uint64_t style = 0;
    if (custom && s && parseIndex(s, style) && style < m_ctx.styleCount) {
        m_rowData->style = uint32_t(style);
        m_rowData->hasStyle = true;
    }
}

void SheetHandler::startCell(const char** atts) {
    m_hasValue = m_hasInline = m_inPhonetic = false;
    m_formula = FormulaKind::None;
    m_type = ValueType::Number;
    m_cellStyle = 0;
    const char* ref = nullptr;
    for (const char** a = atts; *a; a += 2) {
        const char* n = a[0];
        if (n[0] == '\0' || n[1] != '\0') continue;
        if (n[0] == 'r') {
            ref = a[1];
        } else if (n[0] == 's') {
            uint64_t style = 0;
            if (parseIndex(a[1], style) && style < m_ctx.styleCount) m_cellStyle = uint32_t(style);
        } else if (n[0] == 't') {
            std::string_view t = a[1];
            m_type = t == "s"           ? ValueType::Shared
                     : t == "str"       ? ValueType::Str
                     : t == "inlineStr" ? ValueType::Inline
                     : t == "b"         ? ValueType::Bool
                     : t == "e"         ? ValueType::Error
                     : t == "d"         ? ValueType::Date
                                        : ValueType::Number;
        }
    }
    if (!ref) {
        m_cellRow = m_row;
        if (m_lastCol + 1 >= int64_t(kMaxCols))
            throw EngineError("第 " + std::to_string(m_row + 1) + " 行的单元格超出了最后一列 XFD");
        m_cellCol = uint32_t(m_lastCol + 1);
    } else {
        switch (parseRef(ref, m_cellRow, m_cellCol)) {
        case RefStatus::Ok: break;
        case RefStatus::Malformed:
            throw EngineError(std::string("单元格地址“") + ref + "”无效");
        case RefStatus::RowTooLarge:
            throw EngineError(std::string("单元格 ") + ref + ": 行超出了工作表的 1048576 行");
        case RefStatus::ColTooLarge:
            throw EngineError(std::string("单元格 ") + ref + ": 列超出了最后一列 XFD");
        }
    }
    m_lastCol = m_cellCol;
}

void SheetHandler::startFormula(const char** atts) {
    m_formulaText.clear();
    m_collect = &m_formulaText;
    m_formula = FormulaKind::Normal;
    m_sharedIndex = -1;
    m_formulaRef.reset();
    for (const char** a = atts; *a; a += 2) {
        std::string_view n = a[0];
        if (n == "t") {
            std::string_view t = a[1];
            m_formula = t == "shared"    ? FormulaKind::Shared
                        : t == "array"   ? FormulaKind::Array
                        : t == "normal"  ? FormulaKind::Normal
                                         : FormulaKind::Other;
        } else if (n == "ref") {
            m_formulaRef = parseRangeRef(a[1]);
        } else if (n == "si") {
            uint64_t si = 0;
            if (parseIndex(a[1], si) && si < (uint64_t(1) << 32)) m_sharedIndex = int64_t(si);
        }
    }
}

void SheetHandler::endCell() {
    m_collect = nullptr;
    Cell cell;
    cell.col = static_cast<uint16_t>(m_cellCol);
    cell.style = m_cellStyle;
    setValue(cell);
    if (m_formula != FormulaKind::None) cell.formula = formulaId();
    // A cell with neither value, format nor formula carries nothing; storing it would only cost memory.
    if (cell.type == CellType::Empty && cell.style == 0 && cell.formula == 0) return;
    placeCell(cell);
}

bool SheetHandler::setValue(Cell& cell) {
    auto setText = [&](std::string& text) {
        decodeEscapes(text);
        cell.type = CellType::Text;
        cell.text = m_ctx.book.strings.append(text);
        return true;
    };
    switch (m_type) {
    case ValueType::Shared: {
        if (!m_hasValue) return false;
        uint64_t index = 0;
        if (!parseIndex(m_value.c_str(), index) || index >= m_ctx.sstCount)
            cellError("共享字符串编号“" + m_value + "”超出范围（工作簿只有 " + std::to_string(m_ctx.sstCount) +
                      " 个共享字符串）");
        cell.type = CellType::Text;
        cell.text = m_ctx.sstBase + uint32_t(index);
        return true;
    }
    case ValueType::Inline:
        if (m_hasInline) return setText(m_inline);
        return m_hasValue && setText(m_value);
    case ValueType::Str: return m_hasValue && setText(m_value);
    default: break;
    }
    if (!m_hasValue) return false;
    std::string_view v = trimSpace(m_value);
    if (v.empty()) return false;
    if (m_type == ValueType::Bool) {
        cell.type = CellType::Boolean;
        cell.boolean = v == "1" || v == "true" || v == "TRUE";
    } else if (m_type == ValueType::Error) {
        auto code = errorFromText(v);
        if (!code) return setText(m_value);
        cell.type = CellType::Error;
        cell.error = *code;
    } else {
        auto number = m_type == ValueType::Date ? isoDateSerial(v, m_ctx.book.date1904) : parseDouble(v);
        if (!number) return setText(m_value); // keep what the file says rather than lose it
        cell.type = CellType::Number;
        cell.number = *number;
    }
    return true;
}

uint32_t SheetHandler::formulaId() {
    switch (m_formula) {
    case FormulaKind::Shared:
        if (m_sharedIndex >= 0) {
            if (!m_formulaText.empty()) {
                m_shared[m_sharedIndex] = {m_formulaText, m_cellRow, m_cellCol};
                break;
            }
            auto it = m_shared.find(m_sharedIndex);
            if (it == m_shared.end()) return 0;
            const SharedFormula& master = it->second;
            std::string shifted = formula::shiftFormula(master.text, int64_t(m_cellRow) - int64_t(master.row),
                                                        int64_t(m_cellCol) - int64_t(master.col));
            return m_ctx.book.formulas.append(std::move(shifted)) + 1;
        }
        break;
    case FormulaKind::Other: return 0;
    case FormulaKind::Array:
        if (!m_formulaText.empty() && m_formulaRef && m_formulaRef->firstRow == m_cellRow &&
            m_formulaRef->firstCol == m_cellCol && m_formulaRef->lastRow < kMaxRows && m_formulaRef->lastCol < kMaxCols)
            m_sheet.arrayFormulas.push_back(*m_formulaRef);
        break;
    default: break;
    }
    if (m_formulaText.empty()) return 0;
    return m_ctx.book.formulas.append(m_formulaText) + 1;
}

void SheetHandler::placeCell(const Cell& cell) {
    if (!m_rowData || m_rowDataIndex != m_cellRow) {
        m_rowData = &m_sheet.rowForWrite(m_cellRow);
        m_rowDataIndex = m_cellRow;
        if (m_rowData->cells.capacity() == 0) m_rowData->cells.reserve(std::max<size_t>(m_lastRowCells, 1));
    }
    auto& cells = m_rowData->cells;
    if (cells.empty() || cells.back().col < cell.col)
        cells.push_back(cell);
    else
        m_sheet.at(m_cellRow, cell.col) = cell; // out of order or repeated: the later one wins, as in Excel
}

} // namespace tabrix::engine::xlsx
