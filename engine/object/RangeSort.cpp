#include "engine/EngineError.h"
#include "engine/formula/FormulaShift.h"
#include "engine/model/CellAddress.h"
#include "engine/object/CurrentRegion.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <algorithm>
#include <numeric>

namespace tabrix::engine {

namespace {
// Sort classes: numbers, text, booleans, errors, then blanks always last. A text key is the rank of its folded
// text among the texts of the column, so rows compare without touching strings.
struct SortKey {
    int rank = 4;
    double number = 0;
};

std::string foldCase(const std::string& s) {
    std::string out = s;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// Keys of the rows first..first+count-1 in one column. Each distinct text is folded and ranked once.
std::vector<SortKey> sortKeys(const BookData& book, const SheetData& sheet, uint32_t first, uint32_t count,
                              uint32_t col) {
    std::vector<SortKey> keys(count);
    std::vector<std::pair<uint32_t, uint32_t>> texts; // (text id, row index)
    for (uint32_t i = 0; i < count; ++i) {
        const Cell* c = sheet.find(first + i, col);
        if (!c) continue;
        SortKey& key = keys[i];
        switch (c->type) {
        case CellType::Number:
            key = {0, c->number};
            break;
        case CellType::Text:
            key.rank = 1;
            texts.emplace_back(c->text, i);
            break;
        case CellType::Boolean:
            key = {2, c->boolean ? 1.0 : 0.0};
            break;
        case CellType::Error:
            key = {3, double(c->error)};
            break;
        case CellType::Empty:
            break;
        }
    }
    std::sort(texts.begin(), texts.end());
    std::vector<std::pair<std::string, uint32_t>> distinct; // (folded text, text id)
    for (size_t i = 0; i < texts.size(); ++i)
        if (i == 0 || texts[i].first != texts[i - 1].first)
            distinct.emplace_back(foldCase(book.strings.get(texts[i].first)), texts[i].first);
    std::sort(distinct.begin(), distinct.end());
    std::vector<std::pair<uint32_t, double>> rankOf; // (text id, rank): equal folded texts share a rank
    double rank = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i > 0 && distinct[i].first != distinct[i - 1].first) ++rank;
        rankOf.emplace_back(distinct[i].second, rank);
    }
    std::sort(rankOf.begin(), rankOf.end());
    for (const auto& [id, row] : texts)
        keys[row].number = std::lower_bound(rankOf.begin(), rankOf.end(), std::make_pair(id, -1.0))->second;
    return keys;
}

bool before(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.number < b.number;
}

bool rowAllText(const BookData& book, const SheetData& sheet, uint32_t r, const CellRect& region) {
    bool any = false;
    for (uint32_t c = region.firstCol; c <= region.lastCol; ++c) {
        const Cell* cell = sheet.find(r, c);
        if (!cell || cell->isBlank()) continue;
        if (cell->type != CellType::Text) return false;
        any = true;
    }
    (void)book;
    return any;
}

bool rowHasNonText(const SheetData& sheet, uint32_t r, const CellRect& region) {
    for (uint32_t c = region.firstCol; c <= region.lastCol; ++c) {
        const Cell* cell = sheet.find(r, c);
        if (cell && !cell->isBlank() && cell->type != CellType::Text) return true;
    }
    return false;
}

bool rowBold(const BookData& book, const SheetData& sheet, uint32_t r, const CellRect& region) {
    bool any = false;
    for (uint32_t c = region.firstCol; c <= region.lastCol; ++c) {
        const Cell* cell = sheet.find(r, c);
        if (!cell || cell->isBlank()) continue;
        if (!book.styles.get(cell->style).font.bold) return false;
        any = true;
    }
    return any;
}

// The first row is a header when all its values are text and the next row has some other kind of value,
// or when it is bold and the next row is not.
bool guessHeader(const BookData& book, const SheetData& sheet, const CellRect& region) {
    if (region.rows() < 2) return false;
    const uint32_t r = region.firstRow;
    if (rowAllText(book, sheet, r, region) && rowHasNonText(sheet, r + 1, region)) return true;
    return rowBold(book, sheet, r, region) && !rowBold(book, sheet, r + 1, region);
}
} // namespace

void Range::Sort(const Range& key1, int header) const {
    SheetData& sheet = m_sheet->data();
    BookData& book = m_sheet->workbook().data();
    const CellRect region = currentRegion(sheet, m_rect.firstRow, m_rect.firstCol);
    const uint32_t keyCol = key1.rect().firstCol;
    if (keyCol < region.firstCol || keyCol > region.lastCol)
        throw EngineError(m_sheet->workbook().Name() + "!" + m_sheet->Name() + ": 排序关键字列 " +
                          columnLetters(keyCol) + " 不在排序区域 " + rangeName(region) + " 内");
    const bool hasHeader = header == xlYes || (header == xlGuess && guessHeader(book, sheet, region));
    const uint32_t first = region.firstRow + (hasHeader ? 1 : 0);
    if (first > region.lastRow) return;
    const uint32_t count = region.lastRow - first + 1;

    const std::vector<SortKey> keys = sortKeys(book, sheet, first, count, keyCol);
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return before(keys[a], keys[b]); });

    // Lift each row's slice of the region out, then put the slices back in the new order. A row that lies wholly
    // inside the region moves as a whole, without copying its cells.
    std::vector<std::vector<Cell>> slices(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (first + i >= sheet.rowCount()) continue;
        auto& cells = sheet.rows()[first + i].cells;
        auto lo = std::lower_bound(cells.begin(), cells.end(), region.firstCol,
                                   [](const Cell& x, uint32_t v) { return x.col < v; });
        auto hi =
            std::upper_bound(lo, cells.end(), region.lastCol, [](uint32_t v, const Cell& x) { return v < x.col; });
        if (lo == cells.begin() && hi == cells.end()) {
            slices[i].swap(cells);
        } else {
            slices[i].assign(lo, hi);
            cells.erase(lo, hi);
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t from = order[i];
        if (slices[from].empty()) continue;
        const int64_t delta = int64_t(i) - int64_t(from);
        for (Cell& c : slices[from])
            if (c.hasFormula() && delta != 0)
                c.formula = book.formulas.intern(formula::shiftFormula(book.formulaText(c), delta, 0)) + 1;
        auto& cells = sheet.rowForWrite(first + i).cells;
        if (cells.empty()) {
            cells.swap(slices[from]);
            continue;
        }
        auto at = std::lower_bound(cells.begin(), cells.end(), region.firstCol,
                                   [](const Cell& x, uint32_t v) { return x.col < v; });
        cells.insert(at, slices[from].begin(), slices[from].end());
    }
    m_sheet->changed();
}

} // namespace tabrix::engine
