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
// Sort classes: numbers, text, booleans, errors, then blanks always last.
struct SortKey {
    int rank = 4;
    double number = 0;
    std::string text;
};

std::string foldCase(const std::string& s) {
    std::string out = s;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

SortKey keyOf(const BookData& book, const Cell* c) {
    SortKey key;
    if (!c) return key;
    switch (c->type) {
    case CellType::Number:
        key.rank = 0, key.number = c->number;
        break;
    case CellType::Text:
        key.rank = 1, key.text = foldCase(book.text(*c));
        break;
    case CellType::Boolean:
        key.rank = 2, key.number = c->boolean ? 1 : 0;
        break;
    case CellType::Error:
        key.rank = 3, key.number = double(c->error);
        break;
    case CellType::Empty:
        break;
    }
    return key;
}

bool before(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.rank == 1) return a.text < b.text;
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
        throw EngineError(m_sheet->workbook().Name() + "!" + m_sheet->Name() + ": 排序关键字列 " + columnLetters(keyCol) +
                          " 不在排序区域 " + rangeName(region) + " 内");
    const bool hasHeader = header == xlYes || (header == xlGuess && guessHeader(book, sheet, region));
    const uint32_t first = region.firstRow + (hasHeader ? 1 : 0);
    if (first > region.lastRow) return;
    const uint32_t count = region.lastRow - first + 1;

    std::vector<SortKey> keys(count);
    for (uint32_t i = 0; i < count; ++i) keys[i] = keyOf(book, sheet.find(first + i, keyCol));
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return before(keys[a], keys[b]); });

    // Lift each row's slice of the region out, then put the slices back in the new order.
    std::vector<std::vector<Cell>> slices(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (first + i >= sheet.rowCount()) continue;
        auto& cells = sheet.rows()[first + i].cells;
        for (auto it = cells.begin(); it != cells.end();) {
            if (it->col >= region.firstCol && it->col <= region.lastCol) {
                slices[i].push_back(*it);
                it = cells.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t from = order[i];
        if (slices[from].empty()) continue;
        const int64_t delta = int64_t(i) - int64_t(from);
        auto& cells = sheet.rowForWrite(first + i).cells;
        for (Cell c : slices[from]) {
            if (c.hasFormula() && delta != 0)
                c.formula = book.formulas.intern(formula::shiftFormula(book.formulaText(c), delta, 0)) + 1;
            auto at = std::lower_bound(cells.begin(), cells.end(), c.col,
                                       [](const Cell& x, uint32_t v) { return x.col < v; });
            cells.insert(at, c);
        }
    }
    m_sheet->changed();
}

} // namespace tabrix::engine
