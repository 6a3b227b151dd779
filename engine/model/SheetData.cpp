#include "engine/model/SheetData.h"

#include <algorithm>

namespace tabrix::engine {

std::vector<ColumnInfo> disjointColumnRuns(std::vector<ColumnInfo> runs) {
    std::stable_sort(runs.begin(), runs.end(), [](const ColumnInfo& a, const ColumnInfo& b) { return a.first < b.first; });
    std::vector<ColumnInfo> out;
    for (ColumnInfo info : runs) {
        if (!out.empty() && info.first <= out.back().last) {
            if (info.last <= out.back().last) continue;
            info.first = uint16_t(out.back().last + 1);
        }
        out.push_back(info);
    }
    return out;
}

namespace {
auto findInRow(std::vector<Cell>& cells, uint32_t col) {
    return std::lower_bound(cells.begin(), cells.end(), col, [](const Cell& c, uint32_t v) { return c.col < v; });
}
} // namespace

void SheetData::ensureLoaded() {
    if (!m_loader) return;
    auto loader = std::move(m_loader);
    m_loader = nullptr;
    loader(*this);
    m_usedValid = false;
}

void SheetData::dropCells() {
    std::vector<RowData>().swap(m_rows);
    std::vector<ColumnInfo>().swap(columns);
    std::vector<CellRect>().swap(merged);
    std::vector<CellRect>().swap(arrayFormulas);
    std::vector<SheetTable>().swap(tables);
    m_loader = nullptr;
    m_usedValid = false;
}

void SheetData::takeCells(SheetData& from) {
    from.ensureLoaded();
    m_rows = std::move(from.m_rows);
    columns = std::move(from.columns);
    merged = std::move(from.merged);
    arrayFormulas = std::move(from.arrayFormulas);
    tables = std::move(from.tables);
    droppedFeatures = std::move(from.droppedFeatures);
    defaultColWidth = from.defaultColWidth;
    defaultRowHeight = from.defaultRowHeight;
    m_loader = nullptr;
    m_usedValid = false;
}

const CellRect* SheetData::arrayAt(uint32_t row, uint32_t col) const {
    for (const CellRect& area : arrayFormulas)
        if (area.firstRow == row && area.firstCol == col) return &area;
    return nullptr;
}

const Cell* SheetData::find(uint32_t row, uint32_t col) const {
    if (row >= m_rows.size()) return nullptr;
    auto& cells = m_rows[row].cells;
    auto it = std::lower_bound(cells.begin(), cells.end(), col, [](const Cell& c, uint32_t v) { return c.col < v; });
    return it != cells.end() && it->col == col ? &*it : nullptr;
}

RowData& SheetData::rowForWrite(uint32_t r) {
    if (r >= m_rows.size()) m_rows.resize(r + 1);
    written(r);
    return m_rows[r];
}

Cell& SheetData::at(uint32_t row, uint32_t col) {
    auto& cells = rowForWrite(row).cells;
    if (!cells.empty() && cells.back().col < col) {
        cells.emplace_back().col = static_cast<uint16_t>(col);
        return cells.back();
    }
    auto it = findInRow(cells, col);
    if (it != cells.end() && it->col == col) return *it;
    it = cells.insert(it, Cell{});
    it->col = static_cast<uint16_t>(col);
    return *it;
}

void SheetData::erase(uint32_t row, uint32_t col) {
    if (row >= m_rows.size()) return;
    auto& cells = m_rows[row].cells;
    auto it = findInRow(cells, col);
    if (it != cells.end() && it->col == col) {
        cells.erase(it);
        written(row);
    }
}

std::optional<CellRect> SheetData::usedRect() const {
    const auto size = static_cast<uint32_t>(m_rows.size());
    const bool appendedOnly = m_usedValid && m_untouchedRows >= m_usedRows && size >= m_usedRows;
    if (appendedOnly && size == m_usedRows) return m_used;
    auto counts = [](const Cell& c) { return !c.isBlank() || c.style != 0 || c.hasFormula(); };
    const uint32_t from = appendedOnly ? m_usedRows : 0;
    bool any = appendedOnly && m_used.has_value();
    CellRect rect = any ? *m_used : CellRect{kMaxRows, kMaxCols, 0, 0};
    // Cells are sorted by column: the first and last counted cell of a row are all a row contributes.
    for (uint32_t r = from; r < size; ++r) {
        const auto& cells = m_rows[r].cells;
        auto first = std::find_if(cells.begin(), cells.end(), counts);
        if (first == cells.end()) continue;
        auto last = std::find_if(cells.rbegin(), cells.rend(), counts);
        any = true;
        rect.firstRow = std::min(rect.firstRow, r);
        rect.lastRow = r;
        rect.firstCol = std::min<uint32_t>(rect.firstCol, first->col);
        rect.lastCol = std::max<uint32_t>(rect.lastCol, last->col);
    }
    m_used = any ? std::optional<CellRect>(rect) : std::nullopt;
    m_usedValid = true;
    m_usedRows = size;
    m_untouchedRows = size;
    return m_used;
}

const ColumnInfo* SheetData::columnInfo(uint32_t col) const {
    for (const auto& info : columns)
        if (col >= info.first && col <= info.last) return &info;
    return nullptr;
}

void SheetData::setColumnInfo(const ColumnInfo& info) {
    // Split any run that overlaps the new one, then insert it in order.
    std::vector<ColumnInfo> out;
    for (const auto& c : columns) {
        if (c.last < info.first || c.first > info.last) {
            out.push_back(c);
            continue;
        }
        if (c.first < info.first) {
            ColumnInfo left = c;
            left.last = info.first - 1;
            out.push_back(left);
        }
        if (c.last > info.last) {
            ColumnInfo right = c;
            right.first = info.last + 1;
            out.push_back(right);
        }
    }
    out.push_back(info);
    std::sort(out.begin(), out.end(), [](const ColumnInfo& a, const ColumnInfo& b) { return a.first < b.first; });
    columns = std::move(out);
}

} // namespace tabrix::engine
