#include "engine/formula/FormulaTokenizer.h"

#include <array>

namespace tabrix::engine::formula {

namespace {

constexpr uint32_t kMaxRow = 1048576;
constexpr uint32_t kMaxCol = 16384;

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// Bytes of multi-byte UTF-8 characters count as letters: Chinese sheet and defined names are common.
bool isNameStart(char c) {
    return isLetter(c) || c == '_' || c == '\\' || static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) {
    return isNameStart(c) || isDigit(c) || c == '.' || c == '?';
}
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool startsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = text[pos + i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != word[i]) return false;
    }
    return true;
}

// "$"? and one to three letters naming a column no further right than XFD.
bool scanColumn(std::string_view s, size_t& pos, RefBound& bound) {
    size_t p = pos;
    bool absolute = p < s.size() && s[p] == '$';
    if (absolute) ++p;
    size_t start = p;
    uint32_t col = 0;
    while (p < s.size() && isLetter(s[p])) {
        if (p - start == 3) return false;
        col = col * 26 + uint32_t((s[p] | 0x20) - 'a' + 1);
        ++p;
    }
    if (p == start || col > kMaxCol) return false;
    bound.col = col;
    bound.hasCol = true;
    bound.colAbsolute = absolute;
    pos = p;
    return true;
}

// "$"? and the digits of a row from 1 to 1,048,576.
bool scanRow(std::string_view s, size_t& pos, RefBound& bound) {
    size_t p = pos;
    bool absolute = p < s.size() && s[p] == '$';
    if (absolute) ++p;
    size_t start = p;
    uint32_t row = 0;
    while (p < s.size() && isDigit(s[p])) {
        if (p - start == 7) return false;
        row = row * 10 + uint32_t(s[p] - '0');
        ++p;
    }
    if (p == start || row == 0 || row > kMaxRow) return false;
    bound.row = row;
    bound.hasRow = true;
    bound.rowAbsolute = absolute;
    pos = p;
    return true;
}

bool scanCell(std::string_view s, size_t& pos, RefBound& bound) {
    size_t p = pos;
    if (!scanColumn(s, p, bound) || !scanRow(s, p, bound)) return false;
    pos = p;
    return true;
}

constexpr std::array<std::string_view, 17> kErrorLiterals = {
    "#NULL!", "#DIV/0!", "#VALUE!",   "#REF!",     "#NAME?",    "#NUM!",  "#N/A",       "#GETTING_DATA", "#SPILL!",
    "#CALC!", "#FIELD!", "#BLOCKED!", "#CONNECT!", "#UNKNOWN!", "#BUSY!", "#EXTERNAL!", "#PYTHON!"};

} // namespace

bool FormulaTokenizer::next(FormulaToken& token) {
    if (m_pos >= m_text.size()) return false;
    token = FormulaToken{};
    token.begin = m_pos;
    const char c = m_text[m_pos];
    if (isSpace(c)) {
        readWhitespace(token);
    } else if (c == '"') {
        token.kind = TokenKind::String;
        m_pos = skipQuoted(m_pos, '"');
    } else if (c == '{') {
        token.kind = TokenKind::ArrayConstant;
        size_t p = m_pos + 1;
        while (p < m_text.size() && m_text[p] != '}')
            p = m_text[p] == '"' ? skipQuoted(p, '"') : p + 1;
        m_pos = p < m_text.size() ? p + 1 : p;
    } else if (c == '#') {
        token.kind = TokenKind::Operator; // the spill operator, unless an error literal follows
        m_pos += 1;
        for (std::string_view error : kErrorLiterals) {
            if (startsWithNoCase(m_text, token.begin, error)) {
                token.kind = TokenKind::Error;
                m_pos = token.begin + error.size();
                break;
            }
        }
    } else if (c == '(' || c == ')' || c == ',' || c == ';') {
        token.kind = c == '(' ? TokenKind::OpenParen : c == ')' ? TokenKind::CloseParen : TokenKind::Separator;
        m_pos += 1;
    } else if (isDigit(c) || (c == '.' && isDigit(at(m_pos + 1)))) {
        if (!readArea(m_pos, token)) readNumber(token); // "1:3" is a whole-row reference
    } else if (isNameStart(c) || c == '$' || c == '\'' || c == '[') {
        readOperandStart(token);
    } else {
        token.kind = TokenKind::Operator;
        const char n = at(m_pos + 1);
        if ((c == '<' && (n == '>' || n == '=')) || (c == '>' && n == '=')) {
            m_pos += 2;
        } else {
            if (std::string_view("+-*/^&=<>%:@").find(c) == std::string_view::npos) token.kind = TokenKind::Unknown;
            m_pos += 1;
        }
    }
    token.end = m_pos;
    if (token.kind != TokenKind::Whitespace && token.kind != TokenKind::Intersect) m_lastSignificant = token.kind;
    return true;
}

void FormulaTokenizer::readOperandStart(FormulaToken& token) {
    if (readQualified(token)) return;
    const char c = m_text[m_pos];
    if (c == '[') {
        token.kind = TokenKind::StructuredRef; // [@Col] inside a table's own formulas
        m_pos = skipBrackets(m_pos);
    } else if (c == '\'') {
        token.kind = TokenKind::Unknown; // a quoted sheet name with no "!" after it
        m_pos = skipQuoted(m_pos, '\'');
    } else if (!readArea(m_pos, token)) {
        if (c == '$') {
            token.kind = TokenKind::Unknown;
            m_pos += 1;
        } else {
            readNameAt(m_pos, token);
        }
    }
}

// A sheet, 3-D or workbook prefix ending in "!", and what it qualifies.
bool FormulaTokenizer::readQualified(FormulaToken& token) {
    const size_t bang = sheetPrefixEnd(m_pos);
    if (bang == std::string_view::npos) return false;
    const size_t area = bang + 1;
    if (startsWithNoCase(m_text, area, "#REF!")) {
        token.kind = TokenKind::Reference;
        token.areaBegin = area;
        m_pos = area + 5;
    } else if (!readArea(area, token)) {
        readNameAt(area, token);
    }
    return true;
}

// Position of the "!" closing a prefix starting at pos ('Quoted'!, Sheet1!, Sheet1:Sheet3!, [1]Sheet1!, [1]!), or npos.
size_t FormulaTokenizer::sheetPrefixEnd(size_t pos) const {
    size_t p = pos;
    if (at(p) == '\'') {
        p = skipQuoted(p, '\'');
        return at(p) == '!' ? p : std::string_view::npos;
    }
    bool any = false;
    if (at(p) == '[') {
        const size_t close = m_text.find(']', p);
        if (close == std::string_view::npos) return close;
        p = close + 1;
        any = true;
    }
    const size_t start = p;
    while (isNameChar(at(p)))
        ++p;
    if (p > start && at(p) == ':') {
        size_t q = p + 1;
        const size_t second = q;
        while (isNameChar(at(q)))
            ++q;
        if (q > second && at(q) == '!') return q;
    }
    any = any || p > start;
    return any && at(p) == '!' ? p : std::string_view::npos;
}

// A cell, an area of two cells, whole columns or whole rows at pos; sets the token on success.
bool FormulaTokenizer::readArea(size_t pos, FormulaToken& token) {
    RefBound first;
    RefBound second;
    size_t end = std::string_view::npos;
    size_t p = pos;
    if (scanCell(m_text, p, first)) {
        size_t q = p + 1;
        if (at(p) == ':' && scanCell(m_text, q, second) && operandEndsAt(q)) {
            end = q;
        } else if (operandEndsAt(p)) {
            end = p;
            second = {};
        }
    } else {
        for (auto scan : {scanColumn, scanRow}) {
            p = pos;
            first = {};
            second = {};
            size_t q = p;
            if (scan(m_text, p, first) && at(p) == ':' && scan(m_text, q = p + 1, second) && operandEndsAt(q)) {
                end = q;
                break;
            }
        }
    }
    if (end == std::string_view::npos) return false;
    token.kind = TokenKind::Reference;
    token.areaBegin = pos;
    token.bounds[0] = first;
    token.bounds[1] = second;
    token.boundCount = second.hasCol || second.hasRow ? 2 : 1;
    m_pos = end;
    return true;
}

// A name, a function name, a table's structured reference or TRUE/FALSE starting at pos.
void FormulaTokenizer::readNameAt(size_t pos, FormulaToken& token) {
    size_t p = pos;
    while (isNameChar(at(p)))
        ++p;
    m_pos = p;
    token.kind = TokenKind::Name;
    if (at(p) == '(') {
        token.kind = TokenKind::Function;
    } else if (at(p) == '[') {
        token.kind = TokenKind::StructuredRef;
        m_pos = skipBrackets(p);
    } else if (pos == token.begin && (p - pos == 4 || p - pos == 5)) {
        if (startsWithNoCase(m_text, pos, p - pos == 4 ? "TRUE" : "FALSE")) token.kind = TokenKind::Bool;
    }
}

void FormulaTokenizer::readNumber(FormulaToken& token) {
    size_t p = m_pos;
    while (isDigit(at(p)))
        ++p;
    if (at(p) == '.') {
        ++p;
        while (isDigit(at(p)))
            ++p;
    }
    if ((at(p) | 0x20) == 'e') {
        size_t q = p + 1;
        if (at(q) == '+' || at(q) == '-') ++q;
        if (isDigit(at(q))) {
            while (isDigit(at(q)))
                ++q;
            p = q;
        }
    }
    token.kind = TokenKind::Number;
    m_pos = p;
}

void FormulaTokenizer::readWhitespace(FormulaToken& token) {
    size_t p = m_pos;
    while (isSpace(at(p)))
        ++p;
    m_pos = p;
    const bool afterOperand = m_lastSignificant == TokenKind::Reference || m_lastSignificant == TokenKind::Name ||
                              m_lastSignificant == TokenKind::StructuredRef ||
                              m_lastSignificant == TokenKind::CloseParen;
    const char c = at(p);
    const bool beforeOperand = isNameStart(c) || isDigit(c) || c == '$' || c == '\'' || c == '(' || c == '[';
    token.kind = afterOperand && beforeOperand ? TokenKind::Intersect : TokenKind::Whitespace;
}

// Position just after the closing quote, a doubled quote standing for one; the end if unterminated.
size_t FormulaTokenizer::skipQuoted(size_t pos, char quote) const {
    size_t p = pos + 1;
    while (p < m_text.size()) {
        if (m_text[p] == quote) {
            if (at(p + 1) != quote) return p + 1;
            ++p;
        }
        ++p;
    }
    return m_text.size();
}

// Position just after the bracket matching the one at pos; inside, "'" escapes the next character.
size_t FormulaTokenizer::skipBrackets(size_t pos) const {
    int depth = 0;
    size_t p = pos;
    while (p < m_text.size()) {
        const char c = m_text[p];
        if (c == '\'') {
            p += 2;
            continue;
        }
        if (c == '[') ++depth;
        if (c == ']' && --depth == 0) return p + 1;
        ++p;
    }
    return m_text.size();
}

// A reference ends where no name character, call, sheet mark or table bracket continues it ("A1B", "LOG10(").
bool FormulaTokenizer::operandEndsAt(size_t pos) const {
    const char c = at(pos);
    return !(isNameChar(c) || c == '(' || c == '!' || c == '[');
}

std::vector<FormulaToken> tokenizeFormula(std::string_view formula) {
    std::vector<FormulaToken> tokens;
    FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    while (tokenizer.next(token))
        tokens.push_back(token);
    return tokens;
}

} // namespace tabrix::engine::formula
