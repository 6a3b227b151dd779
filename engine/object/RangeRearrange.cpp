#include "engine/formula/FormulaShift.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <algorithm>

namespace tabrix::engine {

namespace {
// A formula copied with its block moved only by the block's offset; one that points into its own row is given
// the columns its cells went to instead.
void followOwnRow(const BookData& fromBook, const SheetData& from, BookData& toBook, SheetData& to,
                  const CellRect& src, int64_t dRow, const std::function<uint32_t(uint32_t)>& columnTo) {
    const uint32_t rowsEnd = std::min<uint64_t>(uint64_t(src.lastRow) + 1, from.rowCount());
    for (uint32_t r = src.firstRow; r < rowsEnd; ++r) {
        for (const Cell& cell : from.row(r)->cells) {
            if (cell.col < src.firstCol || cell.col > src.lastCol || !cell.hasFormula()) continue;
            const std::string& text = fromBook.formulaText(cell);
            const uint32_t destCol = columnTo(cell.col + 1) - 1;
            const int64_t dCol = int64_t(destCol) - cell.col;
            std::string followed = formula::shiftFormulaInRow(text, r + 1, dRow, dCol, columnTo);
            if (followed == formula::shiftFormula(text, dRow, dCol)) continue;
            auto& cells = to.rowForWrite(uint32_t(r + dRow)).cells;
            auto at = std::lower_bound(cells.begin(), cells.end(), destCol,
                                       [](const Cell& c, uint32_t v) { return c.col < v; });
            if (at != cells.end() && at->col == destCol) toBook.setFormula(*at, followed);
        }
    }
}
} // namespace

void Range::CopyRearranged(const Range& destination, std::span<const uint32_t> columnTo) const {
    const size_t count = std::min<size_t>(columnTo.size(), m_rect.cols());
    const uint32_t destRow = destination.rect().firstRow, destCol = destination.rect().firstCol;
    for (size_t i = 0; i < count;) {
        size_t end = i + 1;
        while (end < count && columnTo[end] == columnTo[end - 1] + 1) ++end;
        const Range part(*m_sheet, {m_rect.firstRow, m_rect.firstCol + uint32_t(i), m_rect.lastRow,
                                    m_rect.firstCol + uint32_t(end - 1)});
        part.Copy(Range(destination.worksheet(), {destRow, destCol + columnTo[i], destRow, destCol + columnTo[i]}));
        i = end;
    }
    // A1 columns (from 1) of this range to theirs in the destination; 0 for columns outside the range.
    const auto place = [&](uint32_t column) -> uint32_t {
        if (column <= m_rect.firstCol || column - 1 - m_rect.firstCol >= count) return 0;
        return destCol + columnTo[column - 1 - m_rect.firstCol] + 1;
    };
    Worksheet& destSheet = destination.worksheet();
    followOwnRow(m_sheet->workbook().data(), m_sheet->data(), destSheet.workbook().data(), destSheet.data(), m_rect,
                 int64_t(destRow) - m_rect.firstRow, place);
    destSheet.cellsWritten();
}

} // namespace tabrix::engine
