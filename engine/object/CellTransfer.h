#pragma once

#include "engine/model/BookData.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tabrix::engine {

/// Carries cells from one workbook (or sheet position) to another: text, styles and formulas are entered in the
/// target workbook's pools once per source entry, and formulas are moved by the copy's offset.
class CellTransfer {
public:
    CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset);

    /// The cell as it reads at its new place (the caller sets the new column).
    Cell carry(const Cell& cell);
    uint32_t style(uint32_t id);

private:
    /// Source id → target id. A copy of a few cells out of a large workbook looks its ids up in a hash map; once
    /// a copy has mapped a fair share of the pool it switches to a table indexed directly, so a large block maps
    /// each id without hashing and a single row never pays for a table the size of the pool.
    class IdMap {
    public:
        static constexpr uint32_t kUnmapped = UINT32_MAX;
        uint32_t& slot(uint32_t id, uint32_t poolSize);

    private:
        std::vector<uint32_t> m_dense;
        std::unordered_map<uint32_t, uint32_t> m_sparse;
    };

    static constexpr uint32_t kUnmapped = IdMap::kUnmapped;
    const BookData& m_from;
    BookData& m_to;
    int64_t m_rowOffset;
    int64_t m_colOffset;
    bool m_sameBook;
    IdMap m_styleMap;
    IdMap m_formulaMap;
    IdMap m_textMap;
};

} // namespace tabrix::engine
