#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/xls/Biff8WriteSheet.h"

#include "engine/formula/StructuredRef.h"
#include "engine/xls/Biff8WriteText.h"

#include <cmath>
#include <cstring>

namespace tabrix::engine::xls {

namespace {

constexpr double kRkIntMin = -536870912.0; // the signed 30-bit range of an RK integer
constexpr double kRkIntMax = 536870911.0;
constexpr uint64_t kRkDroppedBits = 0x3FFFFFFFFull;

uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
}

double fromBits(uint64_t b) {
    double v;
    std::memcpy(&v, &b, 8);
    return v;
}

bool isRkInteger(double v) {
    return v >= kRkIntMin && v <= kRkIntMax && v == std::trunc(v);
}

char* cellRecord(Biff8WriteBuffer& out, uint16_t id, uint16_t size, uint32_t r, uint16_t col, uint16_t xf) {
    char* p = out.record(id, size);
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(r));
    Biff8WriteBuffer::put16(p + 2, col);
    Biff8WriteBuffer::put16(p + 4, xf);
    return p + 6;
}

// The error codes BIFF8 knows; a newer one (#GETTING_DATA) reads as #N/A, the nearest in meaning.
uint8_t errorByte(ErrorCode e) {
    switch (e) {
    case ErrorCode::Null:
    case ErrorCode::Div0:
    case ErrorCode::Value:
    case ErrorCode::Ref:
    case ErrorCode::Name:
    case ErrorCode::Num:
    case ErrorCode::NA:
        return static_cast<uint8_t>(e);
    default:
        return static_cast<uint8_t>(ErrorCode::NA);
    }
}

void putBoolErr(char* p, uint8_t value, bool isError) {
    p[0] = static_cast<char>(value);
    p[1] = isError ? 1 : 0;
}

// The 8-byte result field of FORMULA for a non-number result: a type byte, the value, and 0xFFFF at the end
// where a double's exponent bits would make it a NaN.
void putSpecialResult(char* p, uint8_t type, uint8_t value) {
    std::memset(p, 0, 8);
    p[0] = static_cast<char>(type);
    p[2] = static_cast<char>(value);
    p[6] = p[7] = static_cast<char>(0xFF);
}

} // namespace

std::optional<uint32_t> encodeRk(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const uint64_t bits = bitsOf(v);
    // A negative zero must keep its sign, which the integer form would lose.
    if (isRkInteger(v) && !(v == 0 && std::signbit(v))) return static_cast<uint32_t>(static_cast<int32_t>(v)) << 2 | 2;
    if ((bits & kRkDroppedBits) == 0) return static_cast<uint32_t>(bits >> 32);
    // v * 100 of an amount like -1310.64 lands a hair off the integer; what counts is that the reader's
    // integer / 100 gives v back exactly.
    const double hundred = v * 100;
    if (const double rounded = std::round(hundred); isRkInteger(rounded)) {
        auto i = static_cast<int32_t>(rounded);
        if (bitsOf(static_cast<double>(i) / 100) == bits) return static_cast<uint32_t>(i) << 2 | 3;
    }
    const uint64_t hundredBits = bitsOf(hundred);
    if ((hundredBits & kRkDroppedBits) == 0 && bitsOf(fromBits(hundredBits) / 100) == bits)
        return static_cast<uint32_t>(hundredBits >> 32) | 1;
    return std::nullopt;
}

void Biff8WriteSheet::writeRowCells(uint32_t r, const RowData& row) {
    const auto& cells = row.cells;
    for (size_t i = 0; i < cells.size();) {
        const Cell& c = cells[i];
        if (!isWritten(c)) {
            ++i;
        } else if (c.formula != 0) {
            writeFormulaCell(r, c, m_book.styles.xf(c.style));
            ++i;
        } else if (const CellRect* area = m_arrays.empty() ? nullptr : arrayOf(r, c.col)) {
            writeArrayMember(r, c, *area, m_book.styles.xf(c.style));
            ++i;
        } else if (c.type == CellType::Number) {
            size_t next = writeRkRun(r, cells, i);
            if (next == i) writeValueCell(r, c, m_book.styles.xf(c.style)), ++next;
            i = next;
        } else if (c.type == CellType::Empty) {
            i = writeBlankRun(r, cells, i);
        } else {
            writeValueCell(r, c, m_book.styles.xf(c.style));
            ++i;
        }
    }
}

// Adjacent numbers with an RK form share one MULRK record; returns the index after the run (i when cells[i] has
// no RK form).
size_t Biff8WriteSheet::writeRkRun(uint32_t r, const std::vector<Cell>& cells, size_t i) {
    size_t j = i;
    while (j < cells.size() && cells[j].type == CellType::Number && cells[j].formula == 0 &&
           (j == i || cells[j].col == cells[j - 1].col + 1)) {
        auto rk = encodeRk(cells[j].number);
        if (!rk) break;
        m_rk[j - i] = *rk;
        ++j;
    }
    const size_t n = j - i;
    if (n == 1) {
        Biff8WriteBuffer::put32(cellRecord(m_out, rec::Rk, 10, r, cells[i].col, m_book.styles.xf(cells[i].style)),
                                m_rk[0]);
    } else if (n > 1) {
        char* p = m_out.record(rec::MulRk, static_cast<uint16_t>(6 + 6 * n));
        Biff8WriteBuffer::put16(p, static_cast<uint16_t>(r));
        Biff8WriteBuffer::put16(p + 2, cells[i].col);
        p += 4;
        for (size_t k = 0; k < n; ++k, p += 6) {
            Biff8WriteBuffer::put16(p, m_book.styles.xf(cells[i + k].style));
            Biff8WriteBuffer::put32(p + 2, m_rk[k]);
        }
        Biff8WriteBuffer::put16(p, cells[j - 1].col);
    }
    return j;
}

// Adjacent formatted empty cells share one MULBLANK record.
size_t Biff8WriteSheet::writeBlankRun(uint32_t r, const std::vector<Cell>& cells, size_t i) {
    size_t j = i + 1;
    while (j < cells.size() && cells[j].type == CellType::Empty && cells[j].formula == 0 && cells[j].style != 0 &&
           cells[j].col == cells[j - 1].col + 1)
        ++j;
    const size_t n = j - i;
    if (n == 1) {
        cellRecord(m_out, rec::Blank, 6, r, cells[i].col, m_book.styles.xf(cells[i].style));
        return j;
    }
    char* p = m_out.record(rec::MulBlank, static_cast<uint16_t>(6 + 2 * n));
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(r));
    Biff8WriteBuffer::put16(p + 2, cells[i].col);
    for (size_t k = 0; k < n; ++k)
        Biff8WriteBuffer::put16(p + 4 + 2 * k, m_book.styles.xf(cells[i + k].style));
    Biff8WriteBuffer::put16(p + 4 + 2 * n, cells[j - 1].col);
    return j;
}

void Biff8WriteSheet::writeValueCell(uint32_t r, const Cell& c, uint16_t xf) {
    switch (c.type) {
    case CellType::Number:
        if (std::isfinite(c.number)) {
            Biff8WriteBuffer::putF64(cellRecord(m_out, rec::Number, 14, r, c.col, xf), c.number);
        } else {
            // The format has no infinity or NaN; the application shows such a result as #NUM!.
            putBoolErr(cellRecord(m_out, rec::BoolErr, 8, r, c.col, xf), uint8_t(ErrorCode::Num), true);
        }
        return;
    case CellType::Text:
        writeLabel(r, c, xf);
        return;
    case CellType::Boolean:
        putBoolErr(cellRecord(m_out, rec::BoolErr, 8, r, c.col, xf), c.boolean ? 1 : 0, false);
        return;
    case CellType::Error:
        putBoolErr(cellRecord(m_out, rec::BoolErr, 8, r, c.col, xf), errorByte(c.error), true);
        return;
    case CellType::Empty:
        cellRecord(m_out, rec::Blank, 6, r, c.col, xf);
        return;
    }
}

void Biff8WriteSheet::writeLabel(uint32_t r, const Cell& c, uint16_t xf) {
    auto index = m_book.sst.add(c.text, m_book.book.text(c));
    if (!index) textTooLong(r, c);
    Biff8WriteBuffer::put32(cellRecord(m_out, rec::LabelSst, 10, r, c.col, xf), *index);
}

void Biff8WriteSheet::textTooLong(uint32_t r, const Cell& c) const {
    std::string scratch;
    bool wide = false;
    uint32_t units = appendBiff8Chars(m_book.book.text(c), scratch, wide);
    throw EngineError("工作表“" + m_sheet.name + "”单元格 " + cellName(r, c.col) + " 的文本有 " +
                      std::to_string(units) + " 个字符，超出 2003 格式每个单元格 32767 个字符的上限");
}

std::optional<std::string> Biff8WriteSheet::formulaToWrite(const std::string& text, uint32_t r, uint32_t col) const {
    if (text.find('[') == std::string::npos) return text;
    const BookData& book = m_book.book;
    auto lookup = [&](std::string_view name) -> std::optional<formula::TableOnSheet> {
        for (const auto& sheet : book.sheets)
            for (const SheetTable& table : sheet->tables) {
                const bool match = name.empty()
                                       ? sheet.get() == &m_sheet && table.ref.contains(r, col)
                                       : std::equal(name.begin(), name.end(), table.name.begin(), table.name.end(),
                                                    [](unsigned char a, unsigned char b) {
                                                        return std::tolower(a) == std::tolower(b);
                                                    });
                if (match) return formula::TableOnSheet{&table, sheet->name};
            }
        return std::nullopt;
    };
    return formula::replaceStructuredRefs(text, lookup, r, m_sheet.name);
}

const formula::EncodedFormula* Biff8WriteSheet::encodedFormula(uint32_t formulaId, uint32_t r, const Cell& c) {
    if (m_formulaSlot.size() <= formulaId) m_formulaSlot.resize(m_book.book.formulas.size(), -1);
    int32_t& slot = m_formulaSlot[formulaId];
    const std::string& text = m_book.book.formulas.get(formulaId);
    const CellRect* array = m_arrays.empty() ? nullptr : m_sheet.arrayAt(r, c.col);
    // A formula whose encoding depends on its cell (a table's "this row", an array's class) is not shared.
    const bool ownCell = array || (text.find('[') != std::string::npos && text.find('@') != std::string::npos) ||
                         text.find("#This Row") != std::string::npos;
    if (slot == -1 || ownCell) {
        std::optional<formula::EncodedFormula> encoded;
        try {
            if (auto written = formulaToWrite(text, r, c.col)) {
                formula::BiffEncodeContext context = m_formulaContext;
                context.arrayFormula = array != nullptr;
                encoded = formula::encodeBiff8Formula(*written, context);
            }
        } catch (const std::exception&) {
            // A formula the encoder chokes on is one it cannot encode; the cell keeps its value.
        }
        const bool fits = encoded && encoded->tokens.size() + encoded->extra.size() + 22 <= kMaxRecordLength;
        if (ownCell && fits) {
            m_cellFormula = std::move(*encoded);
            return &m_cellFormula;
        }
        if (!ownCell) {
            slot = fits ? static_cast<int32_t>(m_formulas.size()) : -2;
            if (fits) m_formulas.push_back(std::move(*encoded));
        }
    }
    if (slot >= 0 && !ownCell) return &m_formulas[size_t(slot)];
    if (m_formulaFailures++ < kFormulaWarnings)
        m_book.warnings.push_back("工作表“" + m_sheet.name + "”单元格 " + cellName(r, c.col) +
                                  " 的公式无法保存为 2003 格式，已保存其计算结果");
    return nullptr;
}

const CellRect* Biff8WriteSheet::arrayOf(uint32_t r, uint32_t col) const {
    auto it = m_arrays.upper_bound({r, col});
    // Areas do not overlap; the few that start at or before the cell are enough to look at.
    for (int tries = 0; it != m_arrays.begin() && tries < 64; ++tries) {
        const CellRect& area = (--it)->second;
        if (area.contains(r, col)) return &area;
    }
    return nullptr;
}

// A cell of an array area other than its first: its value, and a pointer to the array's formula.
void Biff8WriteSheet::writeArrayMember(uint32_t r, const Cell& c, const CellRect& area, uint16_t xf) {
    // The first cell comes first in the file: whether its formula could be written is known.
    const Cell* first = m_sheet.find(area.firstRow, area.firstCol);
    if (!first || !first->hasFormula() || !m_arraysWritten.count({area.firstRow, area.firstCol})) {
        writeValueCell(r, c, xf);
        return;
    }
    Cell member = c;
    member.formula = first->formula;
    writeFormulaCell(r, member, xf);
}

// ARRAY: the area and the formula every cell of it points to with ptgExp.
void Biff8WriteSheet::writeArrayRecord(const CellRect& area, const formula::EncodedFormula& f) {
    size_t at = m_out.begin(rec::Array);
    m_out.u16(uint16_t(area.firstRow));
    m_out.u16(uint16_t(area.lastRow));
    m_out.u8(uint8_t(area.firstCol));
    m_out.u8(uint8_t(area.lastCol));
    m_out.u16(0); // options
    m_out.u32(0); // reserved
    m_out.u16(static_cast<uint16_t>(f.tokens.size()));
    m_out.append(std::string_view(reinterpret_cast<const char*>(f.tokens.data()), f.tokens.size()));
    m_out.append(std::string_view(reinterpret_cast<const char*>(f.extra.data()), f.extra.size()));
    m_out.end(at);
}

void Biff8WriteSheet::writeFormulaCell(uint32_t r, const Cell& c, uint16_t xf) {
    const CellRect* area = m_arrays.empty() ? nullptr : arrayOf(r, c.col);
    const bool arrayFirst = area && area->firstRow == r && area->firstCol == c.col;
    const formula::EncodedFormula* f =
        area && !arrayFirst ? nullptr : encodedFormula(c.formula - 1, r, c);
    if (!f && !(area && !arrayFirst)) {
        writeValueCell(r, c, xf);
        return;
    }
    // Every cell of an array area holds only ptgExp and the area's first cell; the formula is in the ARRAY record.
    formula::EncodedFormula arrayFormula;
    formula::EncodedFormula pointer;
    if (area) {
        if (arrayFirst) arrayFormula = *f;
        pointer.tokens = {0x01, uint8_t(area->firstRow), uint8_t(area->firstRow >> 8), uint8_t(area->firstCol),
                          uint8_t(area->firstCol >> 8)};
        f = &pointer;
    }
    const auto size = static_cast<uint16_t>(22 + f->tokens.size() + f->extra.size());
    char* p = cellRecord(m_out, rec::Formula, size, r, c.col, xf);
    bool stringFollows = false;
    switch (c.type) {
    case CellType::Number:
        if (std::isfinite(c.number))
            Biff8WriteBuffer::putF64(p, c.number);
        else
            putSpecialResult(p, 2, uint8_t(ErrorCode::Num));
        break;
    case CellType::Text:
        stringFollows = !m_book.book.text(c).empty();
        putSpecialResult(p, stringFollows ? 0 : 3, 0);
        break;
    case CellType::Boolean:
        putSpecialResult(p, 1, c.boolean ? 1 : 0);
        break;
    case CellType::Error:
        putSpecialResult(p, 2, errorByte(c.error));
        break;
    case CellType::Empty:
        putSpecialResult(p, 3, 0);
        break; // no result known: an empty text
    }
    Biff8WriteBuffer::put16(p + 8, 0);
    Biff8WriteBuffer::put32(p + 10, 0);
    Biff8WriteBuffer::put16(p + 14, static_cast<uint16_t>(f->tokens.size()));
    if (!f->tokens.empty()) std::memcpy(p + 16, f->tokens.data(), f->tokens.size());
    if (!f->extra.empty()) std::memcpy(p + 16 + f->tokens.size(), f->extra.data(), f->extra.size());
    if (arrayFirst) {
        writeArrayRecord(*area, arrayFormula);
        m_arraysWritten.insert({r, c.col});
    }
    if (stringFollows) writeStringResult(r, c);
}

void Biff8WriteSheet::writeStringResult(uint32_t r, const Cell& c) {
    thread_local std::string chars;
    chars.clear();
    bool wide = false;
    uint32_t units = appendBiff8Chars(m_book.book.text(c), chars, wide);
    if (units > kMaxCellTextUnits) textTooLong(r, c);
    Biff8ContinuedWriter w(m_out, rec::String);
    m_out.u16(static_cast<uint16_t>(units));
    m_out.u8(wide ? 1 : 0);
    w.putChars(chars.data(), units, wide);
    w.finish();
}

} // namespace tabrix::engine::xls
