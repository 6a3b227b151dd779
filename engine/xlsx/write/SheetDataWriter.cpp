#include "engine/xlsx/write/SheetDataWriter.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tabrix::engine::xlsx {

namespace {

constexpr size_t kBufferSize = 1 << 16;
/// Room for any cell but its text or formula: reference, style, type and a number.
constexpr size_t kCellOverhead = 96;
/// The most characters (UTF-16 units) a cell's text may have.
constexpr size_t kMaxTextLength = 32767;

/// Bytes below 0x80 that go into element text unchanged.
constexpr std::array<bool, 128> kPlainAscii = [] {
    std::array<bool, 128> plain{};
    for (int c = 0x20; c < 0x80; ++c) plain[c] = true;
    plain['\t'] = plain['\n'] = true;
    plain['<'] = plain['>'] = plain['&'] = plain['_'] = false;
    return plain;
}();

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

/// True when text at i reads "_xHHHH_", which readers would take for an escaped character.
bool looksEscaped(std::string_view s, size_t i) {
    return i + 7 <= s.size() && s[i + 1] == 'x' && isHex(s[i + 2]) && isHex(s[i + 3]) && isHex(s[i + 4]) &&
           isHex(s[i + 5]) && s[i + 6] == '_';
}

bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }

/// Length of the well-formed UTF-8 sequence at i, 0 when the bytes there are not one.
size_t sequenceLength(std::string_view s, size_t i) {
    auto at = [&](size_t k) -> unsigned char { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0; };
    unsigned char c = at(0);
    if (c >= 0xC2 && c <= 0xDF) return isCont(at(1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned char lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return at(1) >= lo && at(1) <= hi && isCont(at(2)) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned char lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return at(1) >= lo && at(1) <= hi && isCont(at(2)) && isCont(at(3)) ? 4 : 0;
    }
    return 0;
}

/// Length in UTF-16 units, the unit the application counts a cell's characters in.
size_t utf16Length(std::string_view s) {
    size_t units = 0;
    for (unsigned char c : s) units += !isCont(c) + (c >= 0xF0);
    return units;
}

/// The t attribute of a formula cell, after the type of its cached result (text results are "str", not shared
/// or inline strings).
const char* formulaResultType(CellType type) {
    switch (type) {
    case CellType::Text: return " t=\"str\"";
    case CellType::Boolean: return " t=\"b\"";
    case CellType::Error: return " t=\"e\"";
    default: return "";
    }
}

/// Whether a row gets a <row> element, and whether it has cells to put in it.
bool rowIsWritten(const RowData& row, bool& hasCells) {
    hasCells = std::any_of(row.cells.begin(), row.cells.end(),
                           [](const Cell& c) { return !c.isBlank() || c.style != 0 || c.hasFormula(); });
    return hasCells || row.height >= 0 || row.hidden || row.hasStyle;
}

[[noreturn]] void fail(const SheetData& sheet, const std::string& what) {
    throw EngineError("工作表“" + sheet.name + "”：" + what);
}

void checkText(const SheetData& sheet, const std::string& text, uint32_t r, uint32_t col) {
    if (text.size() <= kMaxTextLength) return;
    size_t units = utf16Length(text);
    if (units > kMaxTextLength)
        fail(sheet, "单元格 " + cellName(r, col) + " 的文本有 " + std::to_string(units) +
                        " 个字符，超过了单元格能容纳的 32767 个字符");
}

// The formats of a sheet's rows and cells in the order they are first met, each once.
class StylesInOrder {
public:
    explicit StylesInOrder(size_t styleCount) : m_seen(styleCount, false) {}
    void add(uint32_t style) {
        if (style == 0) return;
        if (style >= m_seen.size()) {
            // No such style: kept as it is, for registering it to report.
            m_order.push_back(style);
            return;
        }
        if (m_seen[style]) return;
        m_seen[style] = true;
        m_order.push_back(style);
    }
    std::vector<uint32_t> take() { return std::move(m_order); }

private:
    std::vector<bool> m_seen;
    std::vector<uint32_t> m_order;
};

void scanRow(const BookData& book, const SheetData& sheet, uint32_t r, const RowData& row, StylesInOrder& styles) {
    if (r >= kMaxRows) fail(sheet, "第 " + std::to_string(r + 1) + " 行超出了工作表的 1048576 行");
    if (row.hasStyle) styles.add(row.style);
    int32_t previous = -1;
    uint32_t lastStyle = 0;
    for (const Cell& c : row.cells) {
        if (static_cast<int32_t>(c.col) <= previous) fail(sheet, "第 " + std::to_string(r + 1) + " 行的单元格顺序错乱");
        if (c.col >= kMaxCols) fail(sheet, "第 " + std::to_string(r + 1) + " 行的单元格超出了 16384 列");
        previous = c.col;
        if (c.style != lastStyle) styles.add(lastStyle = c.style);
        if (c.type == CellType::Text) checkText(sheet, book.text(c), r, c.col);
    }
}

} // namespace

SheetScan scanSheetData(const BookData& book, const SheetData& sheet) {
    const auto& rows = sheet.rows();
    SheetExtent extent{kMaxRows, 0, kMaxCols, 0, false};
    StylesInOrder styles(book.styles.size());
    bool any = false;
    for (uint32_t r = 0; r < rows.size(); ++r) {
        const RowData& row = rows[r];
        bool hasCells = false;
        if (!rowIsWritten(row, hasCells)) continue;
        scanRow(book, sheet, r, row, styles);
        any = true;
        extent.firstRow = std::min(extent.firstRow, r);
        extent.lastRow = r;
        if (hasCells) {
            extent.hasCells = true;
            extent.firstCol = std::min<uint32_t>(extent.firstCol, row.cells.front().col);
            extent.lastCol = std::max<uint32_t>(extent.lastCol, row.cells.back().col);
        }
    }
    if (!extent.hasCells) extent.firstCol = extent.lastCol = 0;
    return {any ? std::optional<SheetExtent>(extent) : std::nullopt, styles.take()};
}

std::optional<SheetExtent> prepareSheetData(const SheetScan& scan, StylesPart& formats) {
    for (uint32_t style : scan.styles)
        formats.add(style);
    return scan.extent;
}

std::optional<SheetExtent> prepareSheetData(const BookData& book, const SheetData& sheet, StylesPart& formats) {
    return prepareSheetData(scanSheetData(book, sheet), formats);
}

XlsxSheetDataWriter::XlsxSheetDataWriter(const BookData& book, const SheetData& sheet, const StylesPart& formats)
    : m_book(book), m_sheet(sheet), m_formats(formats), m_buf(static_cast<char*>(std::malloc(kBufferSize))),
      m_capacity(kBufferSize) {
    if (!m_buf) throw std::bad_alloc();
}

XlsxSheetDataWriter::~XlsxSheetDataWriter() { std::free(m_buf); }

size_t XlsxSheetDataWriter::read(char* out, size_t size) {
    if (m_read == m_pos) refill();
    size_t n = std::min(size, m_pos - m_read);
    std::memcpy(out, m_buf + m_read, n);
    m_read += n;
    return n;
}

/// Formats rows until a buffer's worth is ready or the sheet is done.
void XlsxSheetDataWriter::refill() {
    m_pos = m_read = 0;
    const auto& rows = m_sheet.rows();
    while (m_nextRow < rows.size() && m_pos < kBufferSize / 2) {
        uint32_t r = m_nextRow++;
        bool hasCells = false;
        if (rowIsWritten(rows[r], hasCells)) writeRow(r, rows[r], hasCells);
    }
}

void XlsxSheetDataWriter::writeRow(uint32_t r, const RowData& row, bool hasCells) {
    m_row = r;
    m_rowLen = static_cast<size_t>(std::to_chars(m_rowText, m_rowText + sizeof m_rowText, r + 1).ptr - m_rowText);
    reserve(kCellOverhead);
    put("<row r=\"");
    put(m_rowText, m_rowLen);
    put("\"");
    if (row.hasStyle) {
        char num[16];
        put(" s=\"");
        put(num, std::to_chars(num, num + sizeof num, m_formats.xfIndex(row.style)).ptr - num);
        put("\" customFormat=\"1\"");
    }
    if (row.height >= 0) {
        char num[32];
        put(" ht=\"");
        put(num, std::to_chars(num, num + sizeof num, row.height).ptr - num);
        put("\" customHeight=\"1\"");
    }
    if (row.hidden) put(" hidden=\"1\"");
    if (!hasCells) {
        put("/>");
        return;
    }
    put(">");
    for (const Cell& c : row.cells) writeCell(c);
    put("</row>");
}

void XlsxSheetDataWriter::writeCell(const Cell& cell) {
    if (cell.hasFormula()) {
        writeFormula(cell);
        return;
    }
    switch (cell.type) {
    case CellType::Empty:
        if (cell.style != 0) cellStart(cell, "", "/>");
        return;
    case CellType::Number:
        if (!std::isfinite(cell.number)) {
            // Neither format has infinities or NaN; the application shows such a result as #NUM!.
            cellStart(cell, " t=\"e\"", ">");
            put("<v>#NUM!</v></c>");
            return;
        }
        cellStart(cell, "", ">");
        put("<v>");
        writeNumberValue(cell.number);
        put("</v></c>");
        return;
    case CellType::Text: writeText(cell); return;
    case CellType::Boolean:
        cellStart(cell, " t=\"b\"", ">");
        put(cell.boolean ? "<v>1</v></c>" : "<v>0</v></c>");
        return;
    case CellType::Error:
        cellStart(cell, " t=\"e\"", ">");
        put("<v>");
        put(errorText(cell.error));
        put("</v></c>");
        return;
    }
}

/// Writes `<c r="A1" s="3" t="..">` (or the empty element); the caller adds the value and the closing tag.
void XlsxSheetDataWriter::cellStart(const Cell& cell, const char* type, const char* close) {
    reserve(kCellOverhead);
    char* p = m_buf + m_pos;
    std::memcpy(p, "<c r=\"", 6);
    p += 6;
    uint32_t col = cell.col;
    if (col >= 702) *p++ = static_cast<char>('A' + (col - 702) / 676);
    if (col >= 26) *p++ = static_cast<char>('A' + ((col >= 702 ? (col - 702) % 676 : col - 26) / 26));
    *p++ = static_cast<char>('A' + col % 26);
    std::memcpy(p, m_rowText, m_rowLen);
    p += m_rowLen;
    *p++ = '"';
    if (cell.style != 0) {
        std::memcpy(p, " s=\"", 4);
        p = std::to_chars(p + 4, p + 16, m_formats.xfIndex(cell.style)).ptr;
        *p++ = '"';
    }
    size_t typeLen = std::strlen(type);
    std::memcpy(p, type, typeLen);
    p += typeLen;
    *p++ = close[0];
    if (close[1]) *p++ = close[1];
    m_pos = static_cast<size_t>(p - m_buf);
}

void XlsxSheetDataWriter::writeNumberValue(double value) {
    reserve(32);
    if (value == 0 && std::signbit(value)) {
        // "-0" would be read back as the integer 0; the decimal point keeps the sign.
        put("-0.0");
        return;
    }
    // Shortest text that reads back as the same double: exact, and shorter than printf's 17 digits.
    m_pos = static_cast<size_t>(std::to_chars(m_buf + m_pos, m_buf + m_capacity, value).ptr - m_buf);
}

void XlsxSheetDataWriter::writeText(const Cell& cell) {
    const std::string& text = m_book.text(cell);
    cellStart(cell, " t=\"inlineStr\"", ">");
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    bool preserve = !text.empty() && (isSpace(text.front()) || isSpace(text.back()));
    put(preserve ? "<is><t xml:space=\"preserve\">" : "<is><t>");
    escape(text);
    put("</t></is></c>");
}

void XlsxSheetDataWriter::writeFormula(const Cell& cell) {
    bool numeric = cell.type == CellType::Number;
    bool broken = numeric && !std::isfinite(cell.number);
    cellStart(cell, broken ? " t=\"e\"" : formulaResultType(cell.type), ">");
    const CellRect* array = m_sheet.arrayFormulas.empty() ? nullptr : m_sheet.arrayAt(m_row, cell.col);
    if (array) {
        put("<f t=\"array\" ref=\"");
        put(rangeName(*array, false));
        put("\">");
    } else {
        put("<f>");
    }
    escape(m_book.formulaText(cell));
    put("</f>");
    switch (cell.type) {
    case CellType::Empty: break;
    case CellType::Number:
        put("<v>");
        if (broken) put("#NUM!");
        else writeNumberValue(cell.number);
        put("</v>");
        break;
    case CellType::Text:
        put("<v>");
        escape(m_book.text(cell));
        put("</v>");
        break;
    case CellType::Boolean: put(cell.boolean ? "<v>1</v>" : "<v>0</v>"); break;
    case CellType::Error:
        put("<v>");
        put(errorText(cell.error));
        put("</v>");
        break;
    }
    put("</c>");
}

/// Element text as the format wants it: markup characters as entities, characters XML cannot carry (controls,
/// U+FFFE, U+FFFF) as _xHHHH_, and a literal "_xHHHH_" guarded so that readers do not decode it.
void XlsxSheetDataWriter::escape(std::string_view s) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        size_t start = i;
        while (i < n && static_cast<unsigned char>(s[i]) < 0x80 && kPlainAscii[static_cast<unsigned char>(s[i])])
            ++i;
        put(s.data() + start, i - start);
        if (i >= n) break;
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            reserve(8);
            if (c == '<') put("&lt;");
            else if (c == '>') put("&gt;");
            else if (c == '&') put("&amp;");
            else if (c == '_') put(looksEscaped(s, i) ? "_x005F_" : "_");
            else {
                char code[8];
                std::snprintf(code, sizeof code, "_x%04X_", c);
                put(code, 7);
            }
            ++i;
            continue;
        }
        size_t len = sequenceLength(s, i);
        if (len == 0) {
            put("\xEF\xBF\xBD"); // a byte that is not UTF-8 becomes U+FFFD rather than a broken part
            ++i;
        } else if (len == 3 && c == 0xEF && s[i + 1] == '\xBF' && (s[i + 2] == '\xBE' || s[i + 2] == '\xBF')) {
            put(s[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_");
            i += 3;
        } else {
            put(s.data() + i, len);
            i += len;
        }
    }
}

void XlsxSheetDataWriter::reserve(size_t size) {
    if (m_pos + size <= m_capacity) return;
    // Only a row with very long texts outgrows the buffer; it grows to hold the row whole.
    size_t capacity = std::max(m_capacity * 2, m_pos + size);
    auto* grown = static_cast<char*>(std::realloc(m_buf, capacity));
    if (!grown) throw std::bad_alloc();
    m_buf = grown;
    m_capacity = capacity;
}

void XlsxSheetDataWriter::put(const char* data, size_t size) {
    reserve(size);
    std::memcpy(m_buf + m_pos, data, size);
    m_pos += size;
}

} // namespace tabrix::engine::xlsx
