#include "engine/numfmt/NumberFormat.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <algorithm>

namespace tabrix::engine {

namespace {
std::string patternOf(const Variant& what) {
    if (auto* s = std::get_if<std::string>(&what)) return foldCase(*s);
    if (auto* d = std::get_if<double>(&what)) {
        Cell c;
        c.type = CellType::Number;
        c.number = *d;
        return *findText(BookData{}, c);
    }
    if (auto* b = std::get_if<bool>(&what)) return *b ? "true" : "false";
    // An error is a value, not a pattern: the "?" of #NAME? stands for itself.
    if (auto* e = std::get_if<ErrorCode>(&what)) return foldCase(*e == ErrorCode::Name ? "#NAME~?" : errorText(*e));
    return {};
}

// The pattern as plain text when "~" is its only special character (a key escaped to be found literally), so
// such a find compares texts and can be served by the index.
std::optional<std::string> literalText(std::string_view pattern) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*' || pattern[i] == '?') return std::nullopt;
        if (pattern[i] == '~' && i + 1 < pattern.size()) ++i;
        out += pattern[i];
    }
    return out;
}

class Matcher {
public:
    Matcher(std::string pattern, int lookAt) : m_pattern(std::move(pattern)), m_whole(lookAt == xlWhole) {
        if (auto literal = literalText(m_pattern)) {
            m_pattern = std::move(*literal);
            return;
        }
        m_wild = true;
        if (!m_whole) m_pattern = "*" + m_pattern + "*";
    }
    bool operator()(const std::string& text) const {
        if (m_wild) return wildcardMatch(m_pattern, text);
        return m_whole ? text == m_pattern : text.find(m_pattern) != std::string::npos;
    }
    bool indexable() const { return m_whole && !m_wild; }
    bool part() const { return !m_whole; }
    const std::string& pattern() const { return m_pattern; }

private:
    std::string m_pattern;
    bool m_whole;
    bool m_wild = false;
};

// The text a cell shows, when it differs from the value text: a date is searched as the user sees it
// (2024-01-05), an amount with its grouping (1,234.50), a long number in General as rounded for the cell
// (0.666666667). Only formatted cells and long numbers are rendered, so a search through millions of ordinary
// cells costs no rendering at all.
std::optional<std::string> shownText(const BookData& book, const Cell& cell, size_t valueTextSize) {
    if (cell.type != CellType::Number && cell.type != CellType::Text) return std::nullopt;
    const std::string& code = book.styles.get(cell.style).numFmt;
    const bool plain = numfmt::isGeneralFormat(code) || code == "@";
    if (cell.type == CellType::Text)
        return plain ? std::nullopt : std::optional(foldCase(numfmt::formatText(book.text(cell), code)));
    // General shows at most 11 characters: a shorter value text is already what the cell shows.
    if (plain && valueTextSize <= 11) return std::nullopt;
    return foldCase(numfmt::formatNumber(cell.number, plain ? "General" : code, book.date1904));
}

bool matches(const BookData& book, const Cell& cell, const Matcher& match) {
    const auto text = findText(book, cell);
    if (text && match(*text)) return true;
    if (!match.part()) return false;
    const auto shown = shownText(book, cell, text ? text->size() : 0);
    return shown && match(*shown);
}

struct Pos {
    uint32_t row, col;
};

// Visits the cells of rect row by row, beginning just after start and ending with start itself.
std::optional<Pos> scan(const BookData& book, const SheetData& sheet, const CellRect& rect, Pos start,
                        const Matcher& match) {
    auto test = [&](uint32_t r, uint32_t fromCol, uint32_t toCol) -> std::optional<Pos> {
        const RowData* row = sheet.row(r);
        if (!row || fromCol > toCol) return std::nullopt;
        auto lo = std::lower_bound(row->cells.begin(), row->cells.end(), fromCol,
                                   [](const Cell& c, uint32_t v) { return c.col < v; });
        for (auto it = lo; it != row->cells.end() && it->col <= toCol; ++it)
            if (matches(book, *it, match)) return Pos{r, it->col};
        return std::nullopt;
    };
    const uint32_t lastRow = std::min<uint64_t>(rect.lastRow, sheet.rowCount() ? sheet.rowCount() - 1 : 0);
    if (auto hit = test(start.row, start.col + 1, rect.lastCol)) return hit;
    for (uint32_t r = start.row + 1; r <= lastRow; ++r)
        if (auto hit = test(r, rect.firstCol, rect.lastCol)) return hit;
    for (uint32_t r = rect.firstRow; r < start.row && r <= lastRow; ++r)
        if (auto hit = test(r, rect.firstCol, rect.lastCol)) return hit;
    return test(start.row, rect.firstCol, start.col);
}

std::optional<Pos> scanEmpty(const BookData& book, const SheetData& sheet, const CellRect& rect, Pos start) {
    uint64_t total = uint64_t(rect.rows()) * rect.cols();
    uint64_t index = uint64_t(start.row - rect.firstRow) * rect.cols() + (start.col - rect.firstCol);
    for (uint64_t step = 1; step <= total; ++step) {
        uint64_t i = (index + step) % total;
        Pos p{uint32_t(rect.firstRow + i / rect.cols()), uint32_t(rect.firstCol + i % rect.cols())};
        const Cell* c = sheet.find(p.row, p.col);
        const auto text = c ? findText(book, *c) : std::nullopt;
        if (!text || text->empty()) return p;
    }
    return std::nullopt;
}

std::optional<Pos> indexed(Worksheet& ws, const CellRect& rect, Pos start, const std::string& pattern) {
    const std::span<const uint32_t> rows =
        ws.findIndex().rows(ws.workbook().data(), ws.data(), rect.firstCol, ws.version(), pattern);
    // Rows past the stored ones are empty: the empty pattern finds them too.
    const uint32_t stored = ws.data().rowCount();
    auto emptyFrom = [&](uint32_t row) -> std::optional<uint32_t> {
        if (!pattern.empty() || std::max(row, stored) > rect.lastRow) return std::nullopt;
        return std::max(row, stored);
    };
    auto after = std::upper_bound(rows.begin(), rows.end(), start.row);
    if (after != rows.end() && *after <= rect.lastRow) return Pos{*after, rect.firstCol};
    if (auto row = emptyFrom(start.row + 1)) return Pos{*row, rect.firstCol};
    auto first = std::lower_bound(rows.begin(), rows.end(), rect.firstRow);
    if (first != rows.end() && *first <= start.row) return Pos{*first, rect.firstCol};
    if (auto row = emptyFrom(rect.firstRow); row && *row <= start.row) return Pos{*row, rect.firstCol};
    return std::nullopt;
}

std::optional<Range> search(Worksheet& ws, const FindSettings& settings, Pos start) {
    const std::string pattern = patternOf(settings.what);
    const CellRect& rect = settings.within;
    const Matcher match(pattern, settings.lookAt);
    std::optional<Pos> hit;
    if (match.indexable() && rect.cols() == 1)
        hit = indexed(ws, rect, start, match.pattern());
    else if (match.pattern().empty())
        hit = scanEmpty(ws.workbook().data(), ws.data(), rect, start);
    else
        hit = scan(ws.workbook().data(), ws.data(), rect, start, match);
    if (!hit) return std::nullopt;
    return Range(ws, CellRect{hit->row, hit->col, hit->row, hit->col});
}
} // namespace

std::optional<Range> Range::Find(const Variant& what, int lookAt) const {
    FindSettings& settings = m_sheet->findSettings();
    settings = FindSettings{what, lookAt, m_rect};
    return search(*m_sheet, settings, Pos{m_rect.firstRow, m_rect.firstCol});
}

std::optional<Range> Range::FindNext(const Range& after) const {
    FindSettings settings = m_sheet->findSettings();
    if (settings.within.rows() == 0) settings.within = m_rect;
    const CellRect& a = after.rect();
    return search(*m_sheet, settings, Pos{a.firstRow, a.firstCol});
}

} // namespace tabrix::engine
