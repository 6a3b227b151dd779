#include "engine/formula/StructuredRef.h"

#include "engine/formula/FormulaTokenizer.h"
#include "engine/formula/SheetPrefix.h"
#include "engine/model/CellAddress.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tabrix::engine::formula {

namespace {

bool sameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// A column name as written inside brackets: "'" makes the next character literal ("Price'[EUR']").
std::string unescapeColumn(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\'' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

// The items of a bracketed list "[#Headers],[A]:[B]" as their texts without brackets, with the separators
// (',' or ':') that came before each.
bool splitItems(std::string_view s, std::vector<std::pair<char, std::string_view>>& items) {
    char sep = ',';
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ') {
            ++i;
            continue;
        }
        if (s[i] != '[') return false;
        size_t j = i + 1;
        while (j < s.size() && s[j] != ']')
            j += s[j] == '\'' ? 2 : 1;
        if (j >= s.size()) return false;
        items.emplace_back(sep, s.substr(i + 1, j - i - 1));
        i = j + 1;
        while (i < s.size() && s[i] == ' ')
            ++i;
        if (i < s.size()) {
            if (s[i] != ',' && s[i] != ':') return false;
            sep = s[i++];
        }
    }
    return !items.empty();
}

struct Parts {
    bool all = false, data = false, headers = false, totals = false, thisRow = false;
    std::vector<std::string> columns; // one, or the two ends of a span
};

bool addItem(std::string_view item, char sep, Parts& parts) {
    item = trim(item);
    if (!item.empty() && item.front() == '#') {
        if (sameText(item, "#All"))
            parts.all = true;
        else if (sameText(item, "#Data"))
            parts.data = true;
        else if (sameText(item, "#Headers"))
            parts.headers = true;
        else if (sameText(item, "#Totals"))
            parts.totals = true;
        else if (sameText(item, "#This Row"))
            parts.thisRow = true;
        else
            return false;
        return true;
    }
    if (sep == ':' && parts.columns.size() != 1) return false;
    if (sep != ':' && !parts.columns.empty()) return false;
    parts.columns.push_back(unescapeColumn(item));
    return true;
}

bool parseParts(std::string_view inner, Parts& parts) {
    inner = trim(inner);
    if (inner.empty()) {
        parts.data = true;
        return true;
    }
    if (inner.front() == '@') { // "@Col" or "@[Col]"
        parts.thisRow = true;
        inner.remove_prefix(1);
        if (inner.empty()) return true;
        if (inner.front() == '[') return inner.back() == ']' && addItem(inner.substr(1, inner.size() - 2), ',', parts);
        return addItem(inner, ',', parts);
    }
    if (inner.front() != '[') return addItem(inner, ',', parts);
    std::vector<std::pair<char, std::string_view>> items;
    if (!splitItems(inner, items)) return false;
    for (auto [sep, item] : items) {
        if (!item.empty() && item.front() == '@') {
            parts.thisRow = true;
            item.remove_prefix(1);
            if (trim(item).empty()) continue;
        }
        if (!addItem(item, sep, parts)) return false;
    }
    return true;
}

std::optional<uint32_t> columnOf(const SheetTable& table, const std::string& name) {
    for (size_t i = 0; i < table.columns.size(); ++i)
        if (sameText(table.columns[i], name)) return table.ref.firstCol + uint32_t(i);
    return std::nullopt;
}

} // namespace

std::optional<std::string> structuredToA1(std::string_view text, const TableLookup& lookup, uint32_t ownRow,
                                          std::string_view ownSheet) {
    const size_t open = text.find('[');
    if (open == std::string_view::npos || text.back() != ']') return std::nullopt;
    auto found = lookup(text.substr(0, open));
    if (!found || !found->table) return std::nullopt;
    const SheetTable& table = *found->table;
    Parts parts;
    if (!parseParts(text.substr(open + 1, text.size() - open - 2), parts)) return std::nullopt;

    CellRect rect = table.ref;
    if (!parts.columns.empty()) {
        auto first = columnOf(table, parts.columns.front());
        auto last = columnOf(table, parts.columns.back());
        if (!first || !last) return std::nullopt;
        rect.firstCol = std::min(*first, *last);
        rect.lastCol = std::max(*first, *last);
    }
    const CellRect data = table.dataRect();
    bool rowRelative = false;
    if (parts.thisRow) {
        if (ownRow < data.firstRow || ownRow > data.lastRow) return std::nullopt; // #VALUE! in the application
        rect.firstRow = rect.lastRow = ownRow;
        rowRelative = true;
    } else if (parts.all) {
        // the whole table
    } else {
        if (!parts.headers && !parts.totals) parts.data = true;
        if (parts.headers && table.headerRows == 0) return std::nullopt;
        if (parts.totals && table.totalsRows == 0) return std::nullopt;
        if (parts.data && data.firstRow > data.lastRow && !parts.headers && !parts.totals) return std::nullopt;
        rect.firstRow = parts.headers ? table.ref.firstRow : parts.data ? data.firstRow : table.ref.lastRow;
        rect.lastRow = parts.totals ? table.ref.lastRow : parts.data ? data.lastRow : table.ref.firstRow;
    }

    auto bound = [&](uint32_t row, uint32_t col) {
        return "$" + columnLetters(col) + (rowRelative ? "" : "$") + std::to_string(row + 1);
    };
    std::string out;
    if (!sameText(found->sheet, ownSheet)) out = formatSheetPrefix({0, std::string(found->sheet), {}});
    out += bound(rect.firstRow, rect.firstCol);
    if (rect.firstRow != rect.lastRow || rect.firstCol != rect.lastCol) out += ":" + bound(rect.lastRow, rect.lastCol);
    return out;
}

std::optional<std::string> replaceStructuredRefs(std::string_view formula, const TableLookup& lookup, uint32_t ownRow,
                                                 std::string_view ownSheet) {
    std::string out;
    size_t copied = 0;
    FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    while (tokenizer.next(token)) {
        if (token.kind != TokenKind::StructuredRef) continue;
        auto a1 = structuredToA1(formula.substr(token.begin, token.end - token.begin), lookup, ownRow, ownSheet);
        if (!a1) return std::nullopt;
        out.append(formula.substr(copied, token.begin - copied));
        out += *a1;
        copied = token.end;
    }
    out.append(formula.substr(copied));
    return out;
}

} // namespace tabrix::engine::formula
