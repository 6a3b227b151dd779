#pragma once

#include "engine/model/BookData.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tabrix::engine {

/// Carries cells from one workbook (or sheet position) to another: text, styles and formulas are re-entered in
/// the target workbook's pools once each, and formulas are moved by the copy's offset.
class CellTransfer {
public:
    CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset);

    /// The cell as it reads at its new place (the caller sets the new column).
    Cell carry(const Cell& cell);
    uint32_t style(uint32_t id);

private:
    const BookData& m_from;
    BookData& m_to;
    int64_t m_rowOffset;
    int64_t m_colOffset;
    bool m_sameBook;
    std::vector<int64_t> m_styleMap;                   ///< -1 = not yet mapped
    std::unordered_map<uint32_t, uint32_t> m_formulaMap; ///< source formula id → target formula id
    std::unordered_map<uint32_t, uint32_t> m_textMap;
};

} // namespace tabrix::engine
