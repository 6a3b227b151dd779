#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/object/CellTransfer.h"
#include "engine/object/CrossBookFormulas.h"
#include "engine/object/DeleteReferences.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <algorithm>
#include <optional>

namespace tabrix::engine {

namespace {
using CellIter = std::vector<Cell>::iterator;

std::pair<CellIter, CellIter> span(std::vector<Cell>& cells, uint32_t firstCol, uint32_t lastCol) {
    auto lo = std::lower_bound(cells.begin(), cells.end(), firstCol,
                               [](const Cell& c, uint32_t v) { return c.col < v; });
    auto hi = std::upper_bound(lo, cells.end(), lastCol, [](uint32_t v, const Cell& c) { return v < c.col; });
    return {lo, hi};
}

// Replaces the cells of one row between two columns with the given cells (already sorted, inside the span).
void replaceSpan(std::vector<Cell>& row, uint32_t firstCol, uint32_t lastCol, const std::vector<Cell>& cells) {
    auto [lo, hi] = span(row, firstCol, lastCol);
    if (lo == row.end()) {
        row.insert(row.end(), cells.begin(), cells.end());
        return;
    }
    auto at = row.erase(lo, hi);
    row.insert(at, cells.begin(), cells.end());
}

std::string where(Worksheet& sheet, const CellRect& rect) {
    return sheet.workbook().Name() + "!" + sheet.Name() + "!" + rangeName(rect, false);
}

void copyMerges(const SheetData& from, SheetData& to, const CellRect& src, const CellRect& dest) {
    std::erase_if(to.merged, [&](const CellRect& m) { return m.intersects(dest); });
    for (const CellRect& m : from.merged) {
        if (!(m.firstRow >= src.firstRow && m.lastRow <= src.lastRow && m.firstCol >= src.firstCol &&
              m.lastCol <= src.lastCol))
            continue;
        to.merged.push_back({m.firstRow - src.firstRow + dest.firstRow, m.firstCol - src.firstCol + dest.firstCol,
                             m.lastRow - src.firstRow + dest.firstRow, m.lastCol - src.firstCol + dest.firstCol});
    }
}

// Array formulas whose first cell is copied stay array formulas over the part of their area that came along;
// those the copy writes over are gone. Read before writing: on one sheet the areas may overlap.
void copyArrays(const SheetData& from, SheetData& to, const CellRect& src, const CellRect& dest, BookData& toBook) {
    std::vector<CellRect> carried;
    for (const CellRect& a : from.arrayFormulas) {
        if (!src.contains(a.firstRow, a.firstCol)) {
            // The application refuses to copy part of an array; here its cells come over with their values.
            if (a.intersects(src))
                toBook.copyNotes.push_back("工作表“" + from.name + "”的数组公式 " + rangeName(a, false) +
                                           " 只复制了一部分，这些单元格只保留了值");
            continue;
        }
        const CellRect part{a.firstRow, a.firstCol, std::min(a.lastRow, src.lastRow), std::min(a.lastCol, src.lastCol)};
        carried.push_back({part.firstRow - src.firstRow + dest.firstRow, part.firstCol - src.firstCol + dest.firstCol,
                           part.lastRow - src.firstRow + dest.firstRow, part.lastCol - src.firstCol + dest.firstCol});
    }
    std::erase_if(to.arrayFormulas, [&](const CellRect& a) { return a.intersects(dest); });
    to.arrayFormulas.insert(to.arrayFormulas.end(), carried.begin(), carried.end());
}
// Array areas beside or below the deleted cells move with them; one that loses cells is no array any more.
void moveArraysAfterDelete(SheetData& sheet, const CellRect& rect, bool shiftLeft) {
    std::erase_if(sheet.arrayFormulas, [&](CellRect& a) {
        if (a.intersects(rect)) return true;
        if (shiftLeft && a.firstRow >= rect.firstRow && a.lastRow <= rect.lastRow && a.firstCol > rect.lastCol) {
            a.firstCol -= rect.cols();
            a.lastCol -= rect.cols();
        } else if (!shiftLeft && a.firstCol >= rect.firstCol && a.lastCol <= rect.lastCol && a.firstRow > rect.lastRow) {
            a.firstRow -= rect.rows();
            a.lastRow -= rect.rows();
        } else if (shiftLeft ? a.firstRow <= rect.lastRow && a.lastRow >= rect.firstRow && a.firstCol > rect.lastCol
                             : a.firstCol <= rect.lastCol && a.lastCol >= rect.firstCol && a.firstRow > rect.lastRow) {
            return true; // only part of it moves
        }
        return false;
    });
}
} // namespace

void Range::Copy(const Range& destination) const {
    Worksheet& destSheet = destination.worksheet();
    SheetData& from = m_sheet->data();
    SheetData& to = destSheet.data();
    const CellRect src = m_rect;
    const CellRect dest{destination.rect().firstRow, destination.rect().firstCol,
                        destination.rect().firstRow + src.rows() - 1, destination.rect().firstCol + src.cols() - 1};
    if (uint64_t(destination.rect().firstRow) + src.rows() > kMaxRows ||
        uint64_t(destination.rect().firstCol) + src.cols() > kMaxCols)
        throw EngineError(where(*m_sheet, src) + ": 复制到 " + where(destSheet, destination.rect()) + " 会超出工作表范围");

    const int64_t dRow = int64_t(dest.firstRow) - src.firstRow;
    const int64_t dCol = int64_t(dest.firstCol) - src.firstCol;
    std::optional<CrossBookFormulas> crossBook;
    if (&m_sheet->workbook() != &destSheet.workbook())
        crossBook.emplace(m_sheet->workbook(), from, destSheet.workbook(), to, false, src);
    CellTransfer transfer(m_sheet->workbook().data(), destSheet.workbook().data(), dRow, dCol,
                          crossBook ? &*crossBook : nullptr);

    // Rows of the source that hold cells; past them the destination is only cleared.
    const uint32_t srcRowsEnd = std::min<uint64_t>(uint64_t(src.lastRow) + 1, from.rowCount());
    auto carryRow = [&](uint32_t r, std::vector<Cell>& row) {
        row.clear();
        const auto& cells = from.row(r)->cells;
        auto lo = std::lower_bound(cells.begin(), cells.end(), src.firstCol,
                                   [](const Cell& c, uint32_t v) { return c.col < v; });
        for (auto it = lo; it != cells.end() && it->col <= src.lastCol; ++it) {
            Cell c = transfer.carry(*it, r);
            c.col = static_cast<uint16_t>(it->col + dCol);
            row.push_back(c);
        }
    };
    const uint32_t carriedRows = srcRowsEnd > src.firstRow ? srcRowsEnd - src.firstRow : 0;
    // On one sheet the source may overlap the destination: read everything before writing anything.
    std::vector<std::vector<Cell>> carried(&from == &to ? carriedRows : 0);
    for (uint32_t i = 0; i < carried.size(); ++i) carryRow(src.firstRow + i, carried[i]);
    const uint32_t destRowsEnd =
        std::min<uint64_t>(uint64_t(dest.lastRow) + 1, std::max<uint64_t>(to.rowCount(), dest.firstRow + carriedRows));
    std::vector<Cell> buffer;
    for (uint32_t r = dest.firstRow; r < destRowsEnd; ++r) {
        const uint32_t i = r - dest.firstRow;
        const std::vector<Cell>* cells = &buffer;
        if (i < carried.size())
            cells = &carried[i];
        else if (i < carriedRows)
            carryRow(src.firstRow + i, buffer);
        else
            buffer.clear();
        if (cells->empty() && (r >= to.rowCount() || to.row(r)->cells.empty())) continue;
        replaceSpan(to.rowForWrite(r).cells, dest.firstCol, dest.lastCol, *cells);
    }
    copyMerges(from, to, src, dest);
    if (!from.arrayFormulas.empty() || !to.arrayFormulas.empty()) copyArrays(from, to, src, dest, destSheet.workbook().data());
    destSheet.cellsWritten();
}

void Range::Delete(int shift) const {
    SheetData& sheet = m_sheet->data();
    const CellRect rect = m_rect;
    const uint32_t width = rect.cols();
    const uint32_t height = rect.rows();
    std::erase_if(sheet.merged, [&](const CellRect& m) { return m.intersects(rect); });
    if (shift == xlShiftToLeft) {
        const uint32_t end = std::min<uint64_t>(uint64_t(rect.lastRow) + 1, sheet.rowCount());
        for (uint32_t r = rect.firstRow; r < end; ++r) {
            auto& cells = sheet.rows()[r].cells;
            auto [lo, hi] = span(cells, rect.firstCol, rect.lastCol);
            auto rest = cells.erase(lo, hi);
            for (; rest != cells.end(); ++rest) rest->col = static_cast<uint16_t>(rest->col - width);
        }
        for (CellRect& m : sheet.merged)
            if (m.firstRow >= rect.firstRow && m.lastRow <= rect.lastRow && m.firstCol > rect.lastCol) {
                m.firstCol -= width;
                m.lastCol -= width;
            }
    } else if (shift == xlShiftUp) {
        for (uint32_t r = rect.firstRow; r < sheet.rowCount(); ++r) {
            std::vector<Cell> moved;
            if (uint64_t(r) + height < sheet.rowCount()) {
                auto& below = sheet.rows()[r + height].cells;
                auto [lo, hi] = span(below, rect.firstCol, rect.lastCol);
                moved.assign(lo, hi);
            }
            replaceSpan(sheet.rows()[r].cells, rect.firstCol, rect.lastCol, moved);
        }
    } else {
        throw EngineError(where(*m_sheet, rect) + ": Delete 的 Shift 参数 " + std::to_string(shift) + " 不受支持");
    }
    moveArraysAfterDelete(sheet, rect, shift == xlShiftToLeft);
    rewriteReferencesAfterDelete(*m_sheet, rect, shift == xlShiftToLeft);
    m_sheet->changed();
}

} // namespace tabrix::engine
