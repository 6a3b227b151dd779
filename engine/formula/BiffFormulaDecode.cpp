#include "engine/formula/BiffFormula.h"
#include "engine/model/Utf8.h"
#include "engine/formula/BiffFunctions.h"
#include "engine/formula/BiffPtg.h"
#include "engine/model/CellAddress.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tabrix::engine::formula {

namespace {

// Every read checks the remaining length first; a short read fails the whole decode.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    bool skip(size_t n) {
        if (m_bytes.size() - m_pos < n) return false;
        m_pos += n;
        return true;
    }
    bool u8(uint8_t& v) {
        if (m_pos >= m_bytes.size()) return false;
        v = m_bytes[m_pos++];
        return true;
    }
    bool u16(uint16_t& v) {
        if (m_bytes.size() - m_pos < 2) return false;
        v = uint16_t(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool f64(double& v) {
        if (m_bytes.size() - m_pos < 8) return false;
        std::memcpy(&v, m_bytes.data() + m_pos, 8); // little-endian hosts only, as the rest of the engine
        m_pos += 8;
        return true;
    }
    bool take(size_t n, std::span<const uint8_t>& out) {
        if (m_bytes.size() - m_pos < n) return false;
        out = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

// UTF-16LE to UTF-8; an unpaired surrogate becomes U+FFFD rather than invalid UTF-8.
std::string utf16ToUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = bytes[i] | (bytes[i + 1] << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = bytes[i + 2] | (bytes[i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out;
}

std::string latin1ToUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    for (uint8_t b : bytes)
        appendUtf8(out, b);
    return out;
}

std::string quoteString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

void trimZeros(std::string& digits) {
    if (digits.find('.') == std::string::npos) return;
    while (digits.back() == '0')
        digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
}

// Up to 15 significant digits, as the formula bar shows numbers: the shortest form that reads back as the same
// double, else the 15-digit rounding (0.1+0.2 shows as 0.3). Exponent form only for very large or small values.
// to_chars/from_chars rather than printf: the window's locale may use a decimal comma.
std::string formatNumber(double v) {
    char buf[64];
    std::to_chars_result end{};
    for (int digits = 1; digits <= 15; ++digits) {
        end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
        double back = 0;
        std::from_chars(buf, end.ptr, back);
        if (back == v) break;
    }
    const std::string_view scientific(buf, size_t(end.ptr - buf));
    const size_t e = scientific.find('e');
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1), end.ptr, exponent);
    std::string mantissa(scientific.substr(0, e));
    if (exponent >= -9 && exponent < 15) {
        const int significant = int(mantissa.size()) - (v < 0) - (mantissa.find('.') != std::string::npos);
        char fixed[64];
        auto fixedEnd = std::to_chars(fixed, fixed + sizeof fixed, v, std::chars_format::fixed,
                                      std::max(0, significant - 1 - exponent));
        std::string out(fixed, fixedEnd.ptr);
        trimZeros(out);
        return out;
    }
    trimZeros(mantissa);
    const std::string exponentDigits = std::to_string(std::abs(exponent));
    return mantissa + (exponent < 0 ? "E-" : "E+") + (exponentDigits.size() < 2 ? "0" : "") + exponentDigits;
}

struct Cell {
    uint32_t row = 0;
    uint32_t col = 0;
    bool rowRelative = false;
    bool colRelative = false;
};

std::string columnText(const Cell& c) {
    return (c.colRelative ? "" : "$") + columnLetters(c.col);
}
std::string rowText(const Cell& c) {
    return (c.rowRelative ? "" : "$") + std::to_string(c.row + 1);
}

// Areas spanning every row print as whole columns ("A:B") and those spanning every column as whole rows ("1:3"), as
// the program shows them; the flags of the spanning part are meaningless then.
std::string areaText(const Cell& a, const Cell& b, uint32_t rows) {
    if (a.row == 0 && b.row == rows - 1) return columnText(a) + ":" + columnText(b);
    if (a.col == 0 && b.col == ptg::kCols - 1) return rowText(a) + ":" + rowText(b);
    return columnText(a) + rowText(a) + ":" + columnText(b) + rowText(b);
}

std::string unquoteSheet(std::string_view ref, bool& quoted) {
    quoted = ref.size() >= 2 && ref.front() == '\'' && ref.back() == '\'';
    if (!quoted) return std::string(ref);
    std::string out;
    for (size_t i = 1; i + 1 < ref.size(); ++i) {
        out += ref[i];
        if (ref[i] == '\'' && ref[i + 1] == '\'') ++i;
    }
    return out;
}

// "Sheet1" and "'My Sheet'" make "'Sheet1:My Sheet'": a quoted 3-D prefix is quoted as a whole.
std::string joinSheetRange(std::string_view first, std::string_view last) {
    bool q1 = false;
    bool q2 = false;
    const std::string joined = unquoteSheet(first, q1) + ":" + unquoteSheet(last, q2);
    if (!q1 && !q2) return joined;
    std::string out = "'";
    for (char c : joined) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

class Decoder {
public:
    Decoder(std::span<const uint8_t> tokens, std::span<const uint8_t> extra, const BiffDecodeContext& context)
        : m_in(tokens), m_extra(extra), m_ctx(context), m_biff8(context.biffVersion >= 8) {}

    std::optional<std::string> run() {
        while (!m_in.atEnd()) {
            uint8_t id = 0;
            if (!m_in.u8(id) || !token(id)) return std::nullopt;
        }
        if (m_stack.size() != 1) return std::nullopt;
        return std::move(m_stack.back());
    }

private:
    bool token(uint8_t id);
    bool classedToken(uint8_t base);
    bool binary(uint8_t id);
    bool unary(uint8_t id);
    bool string();
    bool attribute();
    bool constant(uint8_t id);
    bool arrayConstant();
    bool arrayElement(std::string& out);
    bool function(bool variable);
    bool name();
    bool nameX();
    bool reference(bool area, bool relativeOffsets);
    bool referenceError(bool area);
    bool reference3d(bool area, bool error);
    bool sheetPrefix(std::string& prefix);
    bool memToken(uint8_t base);
    Cell makeCell(uint16_t rowField, uint16_t colField, bool relativeOffsets) const;
    bool colField(uint16_t& v);
    bool cell(Cell& c, bool relativeOffsets);
    bool area(Cell& a, Cell& b, bool relativeOffsets);
    bool pop(std::string& out);
    bool text8(ByteReader& in, std::string& out);
    bool xlString(ByteReader& in, bool wideLength, std::string& out);

    uint32_t rows() const { return m_biff8 ? ptg::kRows : ptg::kRowsBiff5; }

    ByteReader m_in;
    ByteReader m_extra;
    const BiffDecodeContext& m_ctx;
    const bool m_biff8;
    std::vector<std::string> m_stack;
};

bool Decoder::token(uint8_t id) {
    if (id >= 0x20) return id < 0x80 && classedToken(id & 0x1F);
    if (id >= ptg::kAdd && id <= ptg::kRange) return binary(id);
    switch (id) {
    case ptg::kUplus:
    case ptg::kUminus:
    case ptg::kPercent:
    case ptg::kParen: return unary(id);
    case ptg::kMissArg: m_stack.emplace_back(); return true;
    case ptg::kStr: return string();
    case ptg::kAttr: return attribute();
    case ptg::kErr:
    case ptg::kBool:
    case ptg::kInt:
    case ptg::kNum: return constant(id);
    default: return false; // ptgExp/ptgTbl (the caller resolves those), ptgExtend, BIFF2-4 sheet tokens
    }
}

bool Decoder::classedToken(uint8_t base) {
    switch (base) {
    case ptg::kArray: return m_in.skip(7) && arrayConstant();
    case ptg::kFunc: return function(false);
    case ptg::kFuncVar: return function(true);
    case ptg::kName: return name();
    case ptg::kRef: return reference(false, false);
    case ptg::kArea: return reference(true, false);
    case ptg::kRefN: return reference(false, true);
    case ptg::kAreaN: return reference(true, true);
    case ptg::kRefErr: return referenceError(false);
    case ptg::kAreaErr: return referenceError(true);
    case ptg::kMemArea:
    case ptg::kMemErr:
    case ptg::kMemNoMem:
    case ptg::kMemFunc:
    case ptg::kMemAreaN:
    case ptg::kMemNoMemN: return memToken(base);
    case ptg::kNameX: return nameX();
    case ptg::kRef3d: return reference3d(false, false);
    case ptg::kArea3d: return reference3d(true, false);
    case ptg::kRefErr3d: return reference3d(false, true);
    case ptg::kAreaErr3d: return reference3d(true, true);
    default: return false;
    }
}

bool Decoder::pop(std::string& out) {
    if (m_stack.empty()) return false;
    out = std::move(m_stack.back());
    m_stack.pop_back();
    return true;
}

bool Decoder::binary(uint8_t id) {
    static constexpr const char* kSymbols[] = {"+", "-", "*", "/", "^", "&", "<", "<=", "=",
                                               ">=", ">", "<>", " ", ",", ":"};
    std::string right;
    if (!pop(right) || m_stack.empty()) return false;
    m_stack.back() += kSymbols[id - ptg::kAdd];
    m_stack.back() += right;
    return true;
}

bool Decoder::unary(uint8_t id) {
    if (m_stack.empty()) return false;
    std::string& top = m_stack.back();
    if (id == ptg::kUplus) top.insert(0, "+");
    if (id == ptg::kUminus) top.insert(0, "-");
    if (id == ptg::kPercent) top += '%';
    if (id == ptg::kParen) top = "(" + top + ")";
    return true;
}

// BIFF5 string of a 1-byte length and 8-bit characters in the workbook's code page.
bool Decoder::text8(ByteReader& in, std::string& out) {
    uint8_t length = 0;
    std::span<const uint8_t> bytes;
    if (!in.u8(length) || !in.take(length, bytes)) return false;
    out = m_ctx.decode8Bit ? m_ctx.decode8Bit(std::string_view(reinterpret_cast<const char*>(bytes.data()), length))
                           : latin1ToUtf8(bytes);
    return true;
}

// BIFF8 string with a 1- or 2-byte character count and an option byte; only the wide-characters bit matters in
// formulas.
bool Decoder::xlString(ByteReader& in, bool wideLength, std::string& out) {
    uint16_t count = 0;
    uint8_t count8 = 0;
    uint8_t flags = 0;
    if (wideLength ? !in.u16(count) : !in.u8(count8)) return false;
    if (!wideLength) count = count8;
    if (!in.u8(flags)) return false;
    std::span<const uint8_t> bytes;
    if (!in.take(size_t(count) * ((flags & 1) ? 2 : 1), bytes)) return false;
    out = (flags & 1) ? utf16ToUtf8(bytes) : latin1ToUtf8(bytes);
    return true;
}

bool Decoder::string() {
    std::string text;
    if (m_biff8 ? !xlString(m_in, false, text) : !text8(m_in, text)) return false;
    m_stack.push_back(quoteString(text));
    return true;
}

// Attributes other than SUM only steer evaluation (jumps, volatility, spaces typed by the user) and add no text.
bool Decoder::attribute() {
    uint8_t options = 0;
    uint16_t data = 0;
    if (!m_in.u8(options) || !m_in.u16(data)) return false;
    if (options & ptg::kAttrChoose) return m_in.skip((size_t(data) + 1) * 2);
    if (options & ptg::kAttrSum) {
        if (m_stack.empty()) return false;
        m_stack.back() = "SUM(" + m_stack.back() + ")";
    }
    return true;
}

bool Decoder::constant(uint8_t id) {
    uint8_t b = 0;
    uint16_t i = 0;
    double d = 0;
    if (id == ptg::kErr) {
        auto text = m_in.u8(b) ? ptg::errorText(b) : std::nullopt;
        if (!text) return false;
        m_stack.emplace_back(*text);
    } else if (id == ptg::kBool) {
        if (!m_in.u8(b)) return false;
        m_stack.emplace_back(b ? "TRUE" : "FALSE");
    } else if (id == ptg::kInt) {
        if (!m_in.u16(i)) return false;
        m_stack.push_back(std::to_string(i));
    } else {
        if (!m_in.f64(d) || !std::isfinite(d)) return false;
        m_stack.push_back(formatNumber(d));
    }
    return true;
}

// The values of an array constant are in the extra bytes, in the order of the array tokens.
bool Decoder::arrayConstant() {
    uint8_t cols8 = 0;
    uint16_t rows16 = 0;
    if (!m_extra.u8(cols8) || !m_extra.u16(rows16)) return false;
    // BIFF8 stores counts less one; BIFF5 stores the counts, 0 columns meaning 256.
    const size_t cols = m_biff8 ? size_t(cols8) + 1 : (cols8 == 0 ? 256 : cols8);
    const size_t rowCount = m_biff8 ? size_t(rows16) + 1 : rows16;
    if (rowCount == 0) return false;
    std::string text = "{";
    for (size_t r = 0; r < rowCount; ++r) {
        for (size_t c = 0; c < cols; ++c) {
            if (c > 0) text += ',';
            if (!arrayElement(text)) return false;
        }
        text += r + 1 < rowCount ? ";" : "}";
    }
    m_stack.push_back(std::move(text));
    return true;
}

bool Decoder::arrayElement(std::string& out) {
    uint8_t type = 0;
    uint8_t b = 0;
    double d = 0;
    if (!m_extra.u8(type)) return false;
    switch (type) {
    case ptg::kArrayNumber:
        if (!m_extra.f64(d) || !std::isfinite(d)) return false;
        out += formatNumber(d);
        return true;
    case ptg::kArrayString: {
        std::string s;
        if (m_biff8 ? !xlString(m_extra, true, s) : !text8(m_extra, s)) return false;
        out += quoteString(s);
        return true;
    }
    case ptg::kArrayBool:
        if (!m_extra.u8(b) || !m_extra.skip(7)) return false;
        out += b ? "TRUE" : "FALSE";
        return true;
    case ptg::kArrayError: {
        auto text = m_extra.u8(b) && m_extra.skip(7) ? ptg::errorText(b) : std::nullopt;
        if (!text) return false;
        out += *text;
        return true;
    }
    default: return false; // empty elements cannot be typed into an array constant
    }
}

bool Decoder::function(bool variable) {
    uint8_t argCount = 0;
    uint16_t index = 0;
    if (variable && !m_in.u8(argCount)) return false;
    if (!m_in.u16(index)) return false;
    argCount &= 0x7F;            // the top bit asks for a prompt (macro sheets)
    if (index & 0x8000) return false; // a macro command, not a worksheet function
    const BiffFunction* function = index == kBiffUserFunction ? nullptr : biffFunctionByIndex(index);
    if (index != kBiffUserFunction && !function) return false;
    if (!variable) {
        if (!function || !function->fixedArgs()) return false;
        argCount = function->minArgs;
    }
    if (m_stack.size() < argCount) return false;
    const size_t first = m_stack.size() - argCount;
    std::string text;
    size_t arg = first;
    if (function) {
        text = function->name;
    } else {
        if (argCount == 0) return false;
        text = m_stack[arg++];
    }
    text += '(';
    for (size_t i = arg; i < m_stack.size(); ++i) {
        if (i > arg) text += ',';
        text += m_stack[i];
    }
    text += ')';
    m_stack.resize(first);
    m_stack.push_back(std::move(text));
    return true;
}

bool Decoder::name() {
    uint16_t index = 0;
    if (!m_in.u16(index) || !m_in.skip(m_biff8 ? 2 : 12)) return false;
    auto text = m_ctx.definedName ? m_ctx.definedName(index) : std::nullopt;
    if (!text) return false;
    m_stack.push_back(std::move(*text));
    return true;
}

bool Decoder::nameX() {
    uint16_t sheet = 0;
    uint16_t index = 0;
    bool ok = m_biff8 ? m_in.u16(sheet) && m_in.u16(index) && m_in.skip(2)
                      : m_in.u16(sheet) && m_in.skip(8) && m_in.u16(index) && m_in.skip(12);
    if (!ok || !m_ctx.externName) return false;
    auto text = m_ctx.externName(m_biff8 ? int(sheet) : int(int16_t(sheet)), index);
    if (!text) return false;
    m_stack.push_back(std::move(*text));
    return true;
}

// Relative offsets (ptgRefN/ptgAreaN of shared formulas) are added to the formula's cell and wrap around the grid,
// so an offset of -1 is stored as 65535 rows (16383 in BIFF5) or 255 columns.
Cell Decoder::makeCell(uint16_t rowField, uint16_t colField, bool relativeOffsets) const {
    Cell c;
    const uint16_t flags = m_biff8 ? colField : rowField;
    c.rowRelative = flags & ptg::kRowRelative;
    c.colRelative = flags & ptg::kColRelative;
    c.row = m_biff8 ? rowField : rowField & 0x3FFF;
    c.col = m_biff8 ? colField & 0x3FFF : colField;
    if (relativeOffsets && c.rowRelative) c.row = (m_ctx.row + c.row) % rows();
    if (relativeOffsets && c.colRelative) c.col = (m_ctx.col + (c.col & 0xFF)) % ptg::kCols;
    return c;
}

// BIFF8 column fields are 16 bits (with the flags), BIFF5 ones 8 bits.
bool Decoder::colField(uint16_t& v) {
    uint8_t b = 0;
    if (m_biff8) return m_in.u16(v);
    if (!m_in.u8(b)) return false;
    v = b;
    return true;
}

bool Decoder::cell(Cell& c, bool relativeOffsets) {
    uint16_t row = 0, col = 0;
    if (!m_in.u16(row) || !colField(col)) return false;
    c = makeCell(row, col, relativeOffsets);
    return true;
}

bool Decoder::area(Cell& a, Cell& b, bool relativeOffsets) {
    uint16_t r1 = 0, r2 = 0, c1 = 0, c2 = 0;
    if (!m_in.u16(r1) || !m_in.u16(r2) || !colField(c1) || !colField(c2)) return false;
    a = makeCell(r1, c1, relativeOffsets);
    b = makeCell(r2, c2, relativeOffsets);
    return true;
}

bool Decoder::reference(bool isArea, bool relativeOffsets) {
    Cell a;
    Cell b;
    if (isArea ? !area(a, b, relativeOffsets) : !cell(a, relativeOffsets)) return false;
    m_stack.push_back(isArea ? areaText(a, b, rows()) : columnText(a) + rowText(a));
    return true;
}

bool Decoder::referenceError(bool isArea) {
    const size_t size = m_biff8 ? (isArea ? 8 : 4) : (isArea ? 6 : 3);
    if (!m_in.skip(size)) return false;
    m_stack.emplace_back("#REF!");
    return true;
}

// "Sheet2!" for a 3-D token: BIFF8 names an EXTERNSHEET entry, BIFF5 the first and last sheet of this workbook.
bool Decoder::sheetPrefix(std::string& prefix) {
    if (!m_ctx.sheetRef) return false;
    std::optional<std::string> sheet;
    if (m_biff8) {
        uint16_t ixti = 0;
        if (!m_in.u16(ixti)) return false;
        sheet = m_ctx.sheetRef(ixti);
    } else {
        uint16_t externSheet = 0, first = 0, last = 0;
        if (!m_in.u16(externSheet) || !m_in.skip(8) || !m_in.u16(first) || !m_in.u16(last)) return false;
        // A positive EXTERNSHEET index is another workbook; 0xFFFF sheets were deleted.
        if (int16_t(externSheet) > 0 || first == 0xFFFF || last == 0xFFFF) return false;
        sheet = m_ctx.sheetRef(first);
        if (sheet && last != first) {
            auto lastSheet = m_ctx.sheetRef(last);
            sheet = lastSheet ? std::optional(joinSheetRange(*sheet, *lastSheet)) : std::nullopt;
        }
    }
    if (!sheet) return false;
    prefix = *sheet + "!";
    return true;
}

bool Decoder::reference3d(bool isArea, bool error) {
    std::string prefix;
    if (!sheetPrefix(prefix)) return false;
    if (error) {
        if (!m_in.skip(m_biff8 ? (isArea ? 8 : 4) : (isArea ? 6 : 3))) return false;
        m_stack.push_back(prefix + "#REF!");
        return true;
    }
    if (!reference(isArea, false)) return false;
    m_stack.back().insert(0, prefix);
    return true;
}

// ptgMem* tokens only mark the start of a precomputed subexpression whose tokens follow as usual; a ptgMemArea
// also owns a list of areas in the extra bytes, which must be stepped over to keep array constants in step.
bool Decoder::memToken(uint8_t base) {
    const bool longForm = base == ptg::kMemArea || base == ptg::kMemErr || base == ptg::kMemNoMem;
    if (!m_in.skip(longForm ? 6 : 2)) return false;
    if (base != ptg::kMemArea) return true;
    uint16_t count = 0;
    return m_extra.u16(count) && m_extra.skip(size_t(count) * (m_biff8 ? 8 : 6));
}

} // namespace

std::optional<std::string> decodeBiffFormula(std::span<const uint8_t> tokens, std::span<const uint8_t> extra,
                                             const BiffDecodeContext& context) {
    if (tokens.empty()) return std::nullopt;
    return Decoder(tokens, extra, context).run();
}

} // namespace tabrix::engine::formula
