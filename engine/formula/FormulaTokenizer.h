#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tabrix::engine::formula {

enum class TokenKind : uint8_t {
    Number,        // 12, 1.5, 1E+10
    String,        // "text" with "" for a quote
    Bool,          // TRUE, FALSE
    Error,         // #N/A, #DIV/0!, ...
    Reference,     // A1, $A$1:B2, A:C, 1:3, Sheet1!A1, 'My Sheet'!A1, Sheet1:Sheet3!A1, [1]Sheet1!A1, Sheet1!#REF!
    Name,          // a defined name, possibly sheet- or workbook-qualified
    Function,      // a name directly followed by "(" (the parenthesis is its own token)
    StructuredRef, // Table1[[#This Row],[Col]], [@Col]: kept whole, never shifted
    ArrayConstant, // {1,2;3,4}: kept whole, never shifted
    Operator,      // + - * / ^ & = <> <= >= < > % : @ #
    Intersect,     // whitespace between two operands (the intersection operator)
    Whitespace,    // any other run of spaces or line breaks
    OpenParen,
    CloseParen,
    Separator, // , or ;
    Unknown,   // a byte that starts nothing above; copied as is
};

/// One end of a reference as written: a cell ("$B7"), a whole column ("B") or a whole row ("7").
/// Rows and columns are 1-based here, as they read in the formula.
struct RefBound {
    uint32_t col = 0;
    uint32_t row = 0;
    bool hasCol = false;
    bool hasRow = false;
    bool colAbsolute = false;
    bool rowAbsolute = false;
};

/// A token is a byte range of the formula; reference tokens also carry their parsed area so callers need not
/// parse the text again.
struct FormulaToken {
    TokenKind kind = TokenKind::Unknown;
    size_t begin = 0;
    size_t end = 0;
    size_t areaBegin = 0;   // References: where the area starts, after any "Sheet1!" prefix
    uint8_t boundCount = 0; // References: 1 for a cell, 2 for an area, 0 for "Sheet1!#REF!"
    RefBound bounds[2];
};

/// Splits an A1-style formula (with or without a leading "=") into tokens, one at a time, without allocating.
/// Every byte of the formula belongs to exactly one token, so joining the tokens gives the formula back.
class FormulaTokenizer {
public:
    explicit FormulaTokenizer(std::string_view formula) : m_text(formula) {}
    bool next(FormulaToken& token);

private:
    void readOperandStart(FormulaToken& token);
    void readIdentifier(FormulaToken& token);
    bool readQualified(FormulaToken& token);
    bool readArea(size_t pos, FormulaToken& token);
    void readNameAt(size_t pos, FormulaToken& token);
    void readNumber(FormulaToken& token);
    void readWhitespace(FormulaToken& token);
    size_t skipQuoted(size_t pos, char quote) const;
    size_t skipBrackets(size_t pos) const;
    size_t sheetPrefixEnd(size_t pos) const;
    bool operandEndsAt(size_t pos) const;
    char at(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }

    std::string_view m_text;
    size_t m_pos = 0;
    TokenKind m_lastSignificant = TokenKind::Operator;
};

/// All tokens of a formula.
std::vector<FormulaToken> tokenizeFormula(std::string_view formula);

} // namespace tabrix::engine::formula
