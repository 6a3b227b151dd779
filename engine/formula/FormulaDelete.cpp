#include "engine/formula/FormulaDelete.h"

#include "engine/formula/FormulaTokenizer.h"

#include <algorithm>
#include <charconv>

namespace tabrix::engine::formula {

namespace {

constexpr uint32_t kMaxRow = 1048576;
constexpr uint32_t kMaxCol = 16384;

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Whether a reference's "Sheet1!" or "'My Sheet'!" prefix (empty for none) names the sheet of the deletion.
// Prefixes across several sheets ("A:C!") or into other workbooks ("[1]A!") never do.
bool namesDeletedSheet(std::string_view prefix, const DeletedCells& deleted) {
    if (prefix.empty()) return deleted.formulaOnThatSheet;
    if (prefix.back() != '!') return false;
    prefix.remove_suffix(1);
    std::string name;
    if (!prefix.empty() && prefix.front() == '\'') {
        if (prefix.size() < 2 || prefix.back() != '\'') return false;
        for (size_t i = 1; i + 1 < prefix.size(); ++i) {
            name.push_back(prefix[i]);
            if (prefix[i] == '\'' && i + 2 < prefix.size() && prefix[i + 1] == '\'') ++i;
        }
    } else {
        name.assign(prefix);
    }
    if (name.empty() || name.front() == '[' || name.find(':') != std::string::npos) return false;
    return sameNameIgnoringCase(name, deleted.sheetName);
}

// One axis of a reference: the first and last row (or column) it covers, and whether it names them at all.
struct Span {
    uint32_t first;
    uint32_t last;
    bool given;
};

Span rowsOf(const FormulaToken& t) {
    const RefBound& a = t.bounds[0];
    const RefBound& b = t.bounds[t.boundCount == 2 ? 1 : 0];
    if (!a.hasRow || !b.hasRow) return {1, kMaxRow, false};
    return {std::min(a.row, b.row), std::max(a.row, b.row), true};
}

Span colsOf(const FormulaToken& t) {
    const RefBound& a = t.bounds[0];
    const RefBound& b = t.bounds[t.boundCount == 2 ? 1 : 0];
    if (!a.hasCol || !b.hasCol) return {1, kMaxCol, false};
    return {std::min(a.col, b.col), std::max(a.col, b.col), true};
}

enum class Effect { None, Moved, Gone };

// The span along the shift after the cells first..last of it were removed; Gone when nothing of it remains.
Effect closeGap(Span& along, uint32_t first, uint32_t last) {
    if (along.last < first) return Effect::None;
    if (along.first >= first && along.last <= last) return Effect::Gone;
    const uint32_t width = last - first + 1;
    const uint32_t newFirst = along.first > last ? along.first - width : std::min(along.first, first);
    const uint32_t newLast = along.last > last ? along.last - width : first - 1;
    along = {newFirst, newLast, along.given};
    return Effect::Moved;
}

Effect adjust(FormulaToken& t, const DeletedCells& d) {
    Span rows = rowsOf(t), cols = colsOf(t);
    Span& across = d.shiftLeft ? rows : cols;
    Span& along = d.shiftLeft ? cols : rows;
    const uint32_t acrossFirst = d.shiftLeft ? d.firstRow : d.firstCol;
    const uint32_t acrossLast = d.shiftLeft ? d.lastRow : d.lastCol;
    // Whole rows under a left shift (whole columns under an up shift) do not move.
    if (!along.given) return Effect::None;
    if (across.first < acrossFirst || across.last > acrossLast) return Effect::None;
    const Effect effect = d.shiftLeft ? closeGap(along, d.firstCol, d.lastCol) : closeGap(along, d.firstRow, d.lastRow);
    if (effect != Effect::Moved) return effect;
    RefBound& a = t.bounds[0];
    RefBound& b = t.bounds[t.boundCount == 2 ? 1 : 0];
    if (d.shiftLeft) {
        a.col = cols.first;
        b.col = cols.last;
    } else {
        a.row = rows.first;
        b.row = rows.last;
    }
    return Effect::Moved;
}

void appendBound(std::string& out, const RefBound& bound) {
    if (bound.hasCol) {
        if (bound.colAbsolute) out.push_back('$');
        char letters[4];
        int n = 0;
        for (uint32_t col = bound.col; col > 0; col = (col - 1) / 26)
            letters[n++] = char('A' + (col - 1) % 26);
        while (n > 0)
            out.push_back(letters[--n]);
    }
    if (bound.hasRow) {
        if (bound.rowAbsolute) out.push_back('$');
        char digits[12];
        auto result = std::to_chars(digits, digits + sizeof digits, bound.row);
        out.append(digits, result.ptr);
    }
}

} // namespace

std::optional<std::string> adjustForDelete(std::string_view formula, const DeletedCells& deleted) {
    std::string out;
    bool changed = false;
    size_t copied = 0;
    FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    while (tokenizer.next(token)) {
        if (token.kind != TokenKind::Reference || token.boundCount == 0) continue;
        if (!namesDeletedSheet(formula.substr(token.begin, token.areaBegin - token.begin), deleted)) continue;
        const Effect effect = adjust(token, deleted);
        if (effect == Effect::None) continue;
        out.append(formula.substr(copied, token.areaBegin - copied));
        if (effect == Effect::Gone) {
            out.append("#REF!");
        } else {
            appendBound(out, token.bounds[0]);
            if (token.boundCount == 2) {
                out.push_back(':');
                appendBound(out, token.bounds[1]);
            }
        }
        copied = token.end;
        changed = true;
    }
    if (!changed) return std::nullopt;
    out.append(formula.substr(copied));
    return out;
}

} // namespace tabrix::engine::formula
