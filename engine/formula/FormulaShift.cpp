#include "engine/formula/FormulaShift.h"

#include "engine/formula/FormulaTokenizer.h"

#include <charconv>

namespace tabrix::engine::formula {

namespace {

constexpr int64_t kMaxRow = 1048576;
constexpr int64_t kMaxCol = 16384;

enum class Moved { No, Yes, OffSheet };

// Where a relative column goes: nullptr moves every one by the offset.
using ColumnPlace = std::function<uint32_t(uint32_t)>;

Moved shiftBounds(FormulaToken& token, int64_t rowOffset, int64_t colOffset, const ColumnPlace* inRow = nullptr,
                  uint32_t ownRow = 0) {
    Moved moved = Moved::No;
    for (uint8_t i = 0; i < token.boundCount; ++i) {
        RefBound& bound = token.bounds[i];
        const uint32_t placed = inRow && bound.hasCol && bound.hasRow && !bound.colAbsolute && bound.row == ownRow
                                    ? (*inRow)(bound.col)
                                    : 0;
        if (placed != 0) {
            if (placed != bound.col) moved = Moved::Yes;
            bound.col = placed;
        } else if (bound.hasCol && !bound.colAbsolute && colOffset != 0) {
            const int64_t col = int64_t(bound.col) + colOffset;
            if (col < 1 || col > kMaxCol) return Moved::OffSheet;
            bound.col = uint32_t(col);
            moved = Moved::Yes;
        }
        if (bound.hasRow && !bound.rowAbsolute && rowOffset != 0) {
            const int64_t row = int64_t(bound.row) + rowOffset;
            if (row < 1 || row > kMaxRow) return Moved::OffSheet;
            bound.row = uint32_t(row);
            moved = Moved::Yes;
        }
    }
    return moved;
}

void appendColumn(std::string& out, uint32_t col) {
    char letters[4];
    int n = 0;
    while (col > 0) {
        letters[n++] = char('A' + (col - 1) % 26);
        col = (col - 1) / 26;
    }
    while (n > 0)
        out.push_back(letters[--n]);
}

void appendBound(std::string& out, const RefBound& bound) {
    if (bound.hasCol) {
        if (bound.colAbsolute) out.push_back('$');
        appendColumn(out, bound.col);
    }
    if (bound.hasRow) {
        if (bound.rowAbsolute) out.push_back('$');
        char digits[12];
        auto result = std::to_chars(digits, digits + sizeof digits, bound.row);
        out.append(digits, result.ptr);
    }
}

std::string shiftReferences(std::string_view formula, int64_t rowOffset, int64_t colOffset, const ColumnPlace* inRow,
                            uint32_t ownRow) {
    std::string out;
    out.reserve(formula.size() + 8);
    FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    size_t copied = 0; // untouched stretches are copied in one piece when the next change comes
    while (tokenizer.next(token)) {
        if (token.kind != TokenKind::Reference || token.boundCount == 0) continue;
        const FormulaToken original = token;
        // Only references on the formula's own sheet point into its row.
        const ColumnPlace* place = token.areaBegin == token.begin ? inRow : nullptr;
        Moved moved = shiftBounds(token, rowOffset, colOffset, place, ownRow);
        if (place && token.boundCount == 2 && token.bounds[0].hasCol && token.bounds[1].hasCol &&
            token.bounds[0].col > token.bounds[1].col) {
            token = original;
            moved = shiftBounds(token, rowOffset, colOffset);
        }
        if (moved == Moved::No) continue;
        out.append(formula.substr(copied, token.areaBegin - copied));
        if (moved == Moved::OffSheet) {
            out.append("#REF!"); // Excel drops the whole area, even when one end still fits, but keeps the sheet
        } else {
            appendBound(out, token.bounds[0]);
            if (token.boundCount == 2) {
                out.push_back(':');
                appendBound(out, token.bounds[1]);
            }
        }
        copied = token.end;
    }
    out.append(formula.substr(copied));
    return out;
}

} // namespace

std::string shiftFormula(std::string_view formula, int64_t rowOffset, int64_t colOffset) {
    return shiftReferences(formula, rowOffset, colOffset, nullptr, 0);
}

std::string shiftFormulaInRow(std::string_view formula, uint32_t ownRow, int64_t rowOffset, int64_t colOffset,
                              const std::function<uint32_t(uint32_t)>& columnTo) {
    return shiftReferences(formula, rowOffset, colOffset, &columnTo, ownRow);
}

} // namespace tabrix::engine::formula
