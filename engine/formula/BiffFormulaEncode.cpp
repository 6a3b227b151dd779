#include "engine/formula/BiffFormula.h"
#include "engine/formula/BiffFunctions.h"
#include "engine/formula/BiffPtg.h"
#include "engine/formula/BiffFormulaParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tabrix::engine::formula {

namespace {

using biff::Node;
using biff::NodeKind;
using biff::Parser;

// Token classes: 'R' reference, 'V' value, 'A' array.
uint8_t classBits(char cls) {
    return cls == 'R' ? ptg::kClassRef : cls == 'A' ? ptg::kClassArray : ptg::kClassValue;
}

class Emitter {
public:
    Emitter(const Parser& parser, const BiffEncodeContext& context) : m_parser(parser), m_ctx(context) {}
    bool emit(int node, char cls);
    EncodedFormula take() { return {std::move(m_tokens), std::move(m_extra)}; }

private:
    const Node& node(int i) const { return m_parser.nodes()[size_t(i)]; }
    std::string_view text(const Node& n) const { return m_parser.text(*n.token); }
    bool isReference(int i) const;
    bool number(const Node& n);
    bool string(const Node& n);
    bool reference(const Node& n, char cls);
    bool name(const Node& n, char cls);
    bool function(const Node& n, char cls);
    bool ifFunction(const Node& n, char cls);
    bool arguments(const Node& n, const BiffFunction& f, char functionClass);
    bool array(const Node& n);
    void u8(uint8_t v) { m_tokens.push_back(v); }
    void u16(uint16_t v) { put16(m_tokens, v); }
    void patch16(size_t at, uint16_t v) {
        m_tokens[at] = uint8_t(v);
        m_tokens[at + 1] = uint8_t(v >> 8);
    }
    static void put16(std::vector<uint8_t>& out, uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }

    const Parser& m_parser;
    const BiffEncodeContext& m_ctx;
    std::vector<uint8_t> m_tokens;
    std::vector<uint8_t> m_extra;
};

// Operands of ":", space and "," must yield references.
bool Emitter::isReference(int i) const {
    const Node& n = node(i);
    switch (n.kind) {
    case NodeKind::Reference:
    case NodeKind::Name: return true;
    case NodeKind::Paren: return isReference(n.children[0]);
    case NodeKind::Binary: return n.op == ptg::kRange || n.op == ptg::kIsect || n.op == ptg::kUnion;
    case NodeKind::Function: {
        const BiffFunction* f = biffFunctionByName(text(n));
        return f && f->returnClass == 'R';
    }
    default: return false;
    }
}

// Operators work on values, or element by element on arrays when the formula is evaluated as an array;
// ":", space and "," combine references.
bool Emitter::emit(int index, char cls) {
    const Node& n = node(index);
    const char operandClass = cls == 'A' ? 'A' : 'V';
    switch (n.kind) {
    case NodeKind::Number: return number(n);
    case NodeKind::String: return string(n);
    case NodeKind::Bool: {
        u8(ptg::kBool);
        u8(text(n).size() == 4 ? 1 : 0);
        return true;
    }
    case NodeKind::Error: {
        auto code = ptg::errorCode(text(n));
        if (!code) return false;
        u8(ptg::kErr);
        u8(*code);
        return true;
    }
    case NodeKind::Missing: u8(ptg::kMissArg); return true;
    case NodeKind::Reference: return reference(n, cls);
    case NodeKind::Name: return name(n, cls);
    case NodeKind::Function: return function(n, cls);
    case NodeKind::Array: return array(n);
    case NodeKind::Paren:
        if (!emit(n.children[0], cls)) return false;
        u8(ptg::kParen);
        return true;
    case NodeKind::Unary:
        if (!emit(n.children[0], operandClass)) return false;
        u8(n.op);
        return true;
    case NodeKind::Binary: {
        const bool references = n.op == ptg::kRange || n.op == ptg::kIsect || n.op == ptg::kUnion;
        if (references && (!isReference(n.children[0]) || !isReference(n.children[1]))) return false;
        const char childClass = references ? 'R' : operandClass;
        if (!emit(n.children[0], childClass) || !emit(n.children[1], childClass)) return false;
        u8(n.op);
        return true;
    }
    }
    return false;
}

// Integers 0..65535 take the short ptgInt, as other producers write them; anything else an 8-byte double.
bool Emitter::number(const Node& n) {
    const std::string_view t = text(n);
    double v = 0;
    const auto result = std::from_chars(t.data(), t.data() + t.size(), v);
    if (result.ec != std::errc() || result.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
    if (v >= 0 && v <= 65535 && v == std::floor(v)) {
        u8(ptg::kInt);
        u16(uint16_t(v));
        return true;
    }
    u8(ptg::kNum);
    uint8_t bytes[8];
    std::memcpy(bytes, &v, 8);
    m_tokens.insert(m_tokens.end(), bytes, bytes + 8);
    return true;
}

// UTF-8 to UTF-16 code units; false on malformed UTF-8.
bool utf8ToUtf16(std::string_view s, std::u16string& out) {
    for (size_t i = 0; i < s.size();) {
        const auto lead = uint8_t(s[i]);
        const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || s.size() - i <= size_t(extra)) return false;
        uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = uint8_t(s[i + size_t(k)]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        i += size_t(extra) + 1;
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return true;
}

// Text of a quoted literal ("a""b" is a"b); false when the closing quote is missing.
bool unquote(std::string_view quoted, char quote, std::string& out) {
    if (quoted.size() < 2 || quoted.front() != quote || quoted.back() != quote) return false;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == quote) {
            if (quoted[i + 1] != quote || i + 2 == quoted.size()) return false;
            ++i;
        }
        out += quoted[i];
    }
    return true;
}

// A string of at most 255 characters, stored as 8-bit when every character fits (as the program does), else UTF-16.
bool putString(std::vector<uint8_t>& out, std::string_view utf8, bool wideLength) {
    std::u16string units;
    if (!utf8ToUtf16(utf8, units) || units.size() > 255) return false;
    const bool wide = std::any_of(units.begin(), units.end(), [](char16_t u) { return u > 0xFF; });
    out.push_back(uint8_t(units.size()));
    if (wideLength) out.push_back(0);
    out.push_back(wide ? 1 : 0);
    for (char16_t u : units) {
        out.push_back(uint8_t(u));
        if (wide) out.push_back(uint8_t(u >> 8));
    }
    return true;
}

bool Emitter::string(const Node& n) {
    std::string value;
    if (!unquote(text(n), '"', value)) return false;
    u8(ptg::kStr);
    return putString(m_tokens, value, false);
}

// One end of a reference as row and column fields; a bound without a row (whole columns) takes the first or last row,
// one without a column the first or last column, both marked absolute.
bool boundFields(const RefBound& b, bool last, uint16_t& row, uint16_t& col) {
    if ((b.hasRow && b.row > ptg::kRows) || (b.hasCol && b.col > ptg::kCols)) return false;
    row = uint16_t(b.hasRow ? b.row - 1 : (last ? ptg::kRows - 1 : 0));
    col = uint16_t(b.hasCol ? b.col - 1 : (last ? ptg::kCols - 1 : 0));
    if (b.hasRow && !b.rowAbsolute) col |= ptg::kRowRelative;
    if (b.hasCol && !b.colAbsolute) col |= ptg::kColRelative;
    return true;
}

// Sheet name of a "Sheet1!", "'My Sheet'!", "Sheet1:Sheet3!" or "[2]Sheet1!" prefix, unquoted.
std::optional<std::string> sheetOfPrefix(std::string_view prefix) {
    if (prefix.empty() || prefix.back() != '!') return std::nullopt;
    prefix.remove_suffix(1);
    std::string sheet;
    if (prefix.front() == '\'') {
        if (!unquote(prefix, '\'', sheet)) return std::nullopt;
    } else {
        sheet = prefix;
    }
    if (sheet.empty()) return std::nullopt;
    return sheet; // "[2]Sheet1" for another workbook's sheet: the caller knows its links
}

bool Emitter::reference(const Node& n, char cls) {
    const FormulaToken& t = *n.token;
    std::optional<uint16_t> ixti;
    if (t.areaBegin > t.begin) {
        const auto sheet = sheetOfPrefix(m_parser.slice(t.begin, t.areaBegin));
        if (!sheet || !m_ctx.externSheet) return false;
        ixti = m_ctx.externSheet(*sheet);
        if (!ixti) return false;
    }
    const uint8_t bits = classBits(cls);
    if (t.boundCount == 0) { // Sheet1!#REF!
        if (!ixti) return false;
        u8(ptg::kRefErr3d | bits);
        u16(*ixti);
        u16(0);
        u16(0);
        return true;
    }
    uint16_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!boundFields(t.bounds[0], false, r1, c1)) return false;
    const bool isArea = t.boundCount == 2;
    if (isArea && !boundFields(t.bounds[1], true, r2, c2)) return false;
    u8(uint8_t((ixti ? (isArea ? ptg::kArea3d : ptg::kRef3d) : (isArea ? ptg::kArea : ptg::kRef)) | bits));
    if (ixti) u16(*ixti);
    u16(r1);
    if (isArea) u16(r2);
    u16(c1);
    if (isArea) u16(c2);
    return true;
}

bool Emitter::name(const Node& n, char cls) {
    const auto index = m_ctx.definedName ? m_ctx.definedName(text(n)) : std::nullopt;
    if (!index) return false;
    u8(ptg::kName | classBits(cls));
    u16(*index);
    u16(0);
    return true;
}

// Class of a call's own token: value functions give values (arrays inside array evaluation), reference
// functions (INDEX, OFFSET, IF...) take whatever class their place asks for.
char callClass(const BiffFunction& f, char cls) {
    if (f.returnClass == 'A') return 'A';
    if (f.returnClass == 'R') return cls;
    return cls == 'A' ? 'A' : 'V';
}

bool Emitter::arguments(const Node& n, const BiffFunction& f, char functionClass) {
    for (size_t i = 0; i < n.children.size(); ++i) {
        const char p = f.paramClass(i);
        const char cls = p == 'R' || p == 'A' ? p : p == 'P' ? functionClass : (functionClass == 'A' ? 'A' : 'V');
        if (!emit(n.children[i], cls)) return false;
    }
    return true;
}

bool Emitter::function(const Node& n, char cls) {
    const BiffFunction* f = biffFunctionByName(text(n));
    const bool addIn = !f && (f = biffAddInFunctionByName(text(n))) != nullptr;
    if (!f || n.children.size() < f->minArgs || n.children.size() > f->maxArgs) return false;
    const char fc = callClass(*f, cls);
    const auto argCount = uint8_t(n.children.size());
    if (addIn) {
        const auto id = m_ctx.addInFunction ? m_ctx.addInFunction(f->name) : std::nullopt;
        if (!id) return false;
        u8(ptg::kNameX | ptg::kClassRef);
        u16(id->externSheet);
        u16(id->nameIndex);
        u16(0);
        if (!arguments(n, *f, fc)) return false;
        // WEEKNUM's return type may be left out, but readers of this format that map the add-in onto their own
        // function want it: its default goes in.
        const bool weekType = f->name == "WEEKNUM" && argCount == 1;
        if (weekType) {
            u8(ptg::kInt);
            u16(1);
        }
        u8(ptg::kFuncVar | classBits(fc));
        u8(uint8_t(argCount + 1 + (weekType ? 1 : 0))); // the name counts as the first argument
        u16(kBiffUserFunction);
        return true;
    }
    if (f->index == 1) return ifFunction(n, fc);
    if (!arguments(n, *f, fc)) return false;
    if (f->index == 4 && argCount == 1) { // SUM of one argument is written as the AutoSum attribute
        u8(ptg::kAttr);
        u8(ptg::kAttrSum);
        u16(0);
    } else if (f->fixedArgs()) {
        u8(ptg::kFunc | classBits(fc));
        u16(f->index);
    } else {
        u8(ptg::kFuncVar | classBits(fc));
        u8(argCount);
        u16(f->index);
    }
    return true;
}

// IF with the jumps the program writes: the condition's tAttrIf jumps to the value-if-false (or, without one, to
// the goto after the value-if-true), and each goto lands after the call. Goto offsets are one less than the
// distance.
bool Emitter::ifFunction(const Node& n, char fc) {
    if (!emit(n.children[0], fc == 'A' ? 'A' : 'V')) return false;
    const size_t ifAt = m_tokens.size();
    u8(ptg::kAttr);
    u8(ptg::kAttrIf);
    u16(0);
    if (!emit(n.children[1], fc)) return false;
    const size_t gotoAt = m_tokens.size();
    u8(ptg::kAttr);
    u8(ptg::kAttrGoto);
    u16(0);
    const bool hasFalse = n.children.size() == 3;
    patch16(ifAt + 2, uint16_t((hasFalse ? gotoAt + 4 : gotoAt) - (ifAt + 4)));
    if (hasFalse) {
        if (!emit(n.children[2], fc)) return false;
        u8(ptg::kAttr);
        u8(ptg::kAttrGoto);
        u16(3);
    }
    u8(ptg::kFuncVar | classBits(fc));
    u8(uint8_t(n.children.size()));
    u16(1);
    patch16(gotoAt + 2, uint16_t(m_tokens.size() - (gotoAt + 4) - 1));
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != b[i]) return false;
    }
    return true;
}

// One value of an array constant at pos (a number with an optional sign, a string, TRUE/FALSE or an error), appended
// to out in the extra-data form; pos moves past it.
bool arrayValue(std::string_view t, size_t& pos, std::vector<uint8_t>& out) {
    size_t end = pos;
    if (t[pos] == '"') {
        end = pos + 1;
        while (end < t.size() && !(t[end] == '"' && (end + 1 >= t.size() || t[end + 1] != '"')))
            end += t[end] == '"' ? 2 : 1;
        std::string value;
        if (end >= t.size() || !unquote(t.substr(pos, end + 1 - pos), '"', value)) return false;
        pos = end + 1;
        out.push_back(ptg::kArrayString);
        return putString(out, value, true);
    }
    while (end < t.size() && t[end] != ',' && t[end] != ';' && t[end] != '}' && t[end] != ' ')
        ++end;
    const std::string_view item = t.substr(pos, end - pos);
    pos = end;
    uint8_t kind = ptg::kArrayBool;
    uint8_t small = 0;
    if (equalsNoCase(item, "TRUE") || equalsNoCase(item, "FALSE")) {
        small = item.size() == 4 ? 1 : 0;
    } else if (auto code = ptg::errorCode(item)) {
        kind = ptg::kArrayError;
        small = *code;
    } else {
        const bool negative = !item.empty() && item[0] == '-';
        const size_t skip = !item.empty() && (item[0] == '-' || item[0] == '+') ? 1 : 0;
        double v = 0;
        const auto r = std::from_chars(item.data() + skip, item.data() + item.size(), v);
        if (item.size() == skip || r.ec != std::errc() || r.ptr != item.data() + item.size() || !std::isfinite(v))
            return false;
        v = negative ? -v : v;
        out.push_back(ptg::kArrayNumber);
        uint8_t bytes[8];
        std::memcpy(bytes, &v, 8);
        out.insert(out.end(), bytes, bytes + 8);
        return true;
    }
    out.push_back(kind);
    out.push_back(small);
    out.insert(out.end(), 7, 0);
    return true;
}

// {1,2;3,4}: "," separates columns, ";" rows; every row needs the same number of values.
bool Emitter::array(const Node& n) {
    const std::string_view t = text(n);
    if (t.size() < 3 || t.front() != '{' || t.back() != '}') return false;
    std::vector<uint8_t> values;
    size_t cols = 0, col = 0, rows = 1, pos = 1;
    while (true) {
        while (t[pos] == ' ')
            ++pos;
        if (!arrayValue(t, pos, values)) return false;
        ++col;
        while (t[pos] == ' ')
            ++pos;
        const char c = t[pos++];
        if (c == ',') continue;
        if (c != ';' && c != '}') return false;
        if (cols == 0) cols = col;
        if (col != cols) return false;
        if (c == '}') break;
        ++rows;
        col = 0;
    }
    if (pos != t.size() || cols > ptg::kCols || rows > ptg::kRows) return false;
    u8(ptg::kArray | ptg::kClassArray); // array constants are arrays wherever they stand
    m_tokens.insert(m_tokens.end(), 7, 0);
    m_extra.push_back(uint8_t(cols - 1));
    put16(m_extra, uint16_t(rows - 1));
    m_extra.insert(m_extra.end(), values.begin(), values.end());
    return true;
}

// A FORMULA record holds at most 8,224 bytes, 22 of them before the tokens; longer formulas cannot be stored.
constexpr size_t kMaxFormulaBytes = 8224 - 22;

} // namespace

std::optional<EncodedFormula> encodeBiff8Formula(std::string_view formula, const BiffEncodeContext& context) {
    if (!formula.empty() && formula.front() == '=') formula.remove_prefix(1);
    std::vector<FormulaToken> tokens;
    for (const FormulaToken& t : tokenizeFormula(formula))
        if (t.kind != TokenKind::Whitespace) tokens.push_back(t);
    if (tokens.empty()) return std::nullopt;
    Parser parser(formula, std::move(tokens));
    const int root = parser.parse();
    if (root < 0) return std::nullopt;
    Emitter emitter(parser, context);
    // A cell's formula is evaluated for one value; a name stands for whatever it refers to.
    // An array formula is evaluated as an array over its whole area.
    if (!emitter.emit(root, context.definedNameFormula ? 'R' : context.arrayFormula ? 'A' : 'V')) return std::nullopt;
    EncodedFormula out = emitter.take();
    if (out.tokens.size() + out.extra.size() > kMaxFormulaBytes) return std::nullopt;
    return out;
}

} // namespace tabrix::engine::formula
