#pragma once

#include "engine/model/BookData.h"
#include "engine/model/IdMap.h"

#include <cstdint>

namespace tabrix::engine {

class CrossBookFormulas;

/// Carries cells from one workbook (or sheet position) to another: text, styles and formulas are entered in the
/// target workbook's pools once per source entry, and formulas are moved by the copy's offset.
class CellTransfer {
public:
    /// crossBook: how formulas are rewritten when they leave their workbook (null within one workbook).
    CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset,
                 CrossBookFormulas* crossBook = nullptr);

    /// The cell of source row `row` as it reads at its new place (the caller sets the new column).
    Cell carry(const Cell& cell, uint32_t row);
    uint32_t style(uint32_t id);

private:
    static constexpr uint32_t kUnmapped = IdMap::kUnmapped;
    const BookData& m_from;
    BookData& m_to;
    int64_t m_rowOffset;
    int64_t m_colOffset;
    bool m_sameBook;
    CrossBookFormulas* m_crossBook;
    IdMap m_styleMap;
    IdMap m_formulaMap;
};

} // namespace tabrix::engine
