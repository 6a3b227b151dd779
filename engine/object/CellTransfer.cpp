#include "engine/object/CellTransfer.h"

#include "engine/formula/FormulaShift.h"

#include <algorithm>

namespace tabrix::engine {

uint32_t& CellTransfer::IdMap::slot(uint32_t id, uint32_t poolSize) {
    if (m_dense.empty()) {
        if (m_sparse.size() < poolSize / 16 + 64) return m_sparse.try_emplace(id, kUnmapped).first->second;
        m_dense.assign(std::max(poolSize, id + 1), kUnmapped);
        for (const auto& [from, to] : m_sparse) {
            if (from >= m_dense.size()) m_dense.resize(size_t(from) + 1, kUnmapped);
            m_dense[from] = to;
        }
        m_sparse.clear();
    }
    if (id >= m_dense.size()) m_dense.resize(size_t(id) + 1, kUnmapped);
    return m_dense[id];
}

CellTransfer::CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset)
    : m_from(from), m_to(to), m_rowOffset(rowOffset), m_colOffset(colOffset), m_sameBook(&from == &to) {}

uint32_t CellTransfer::style(uint32_t id) {
    if (m_sameBook || id == 0) return id;
    uint32_t& mapped = m_styleMap.slot(id, m_from.styles.size());
    if (mapped == kUnmapped) mapped = m_to.styles.intern(m_from.styles.get(id));
    return mapped;
}

Cell CellTransfer::carry(const Cell& cell) {
    Cell out = cell;
    out.style = style(cell.style);
    if (cell.type == CellType::Text && !m_sameBook) {
        uint32_t& mapped = m_textMap.slot(cell.text, m_from.strings.size());
        // Appended, not interned: looking every text up in the target would cost a hash of each string, and
        // the same text entered twice costs only its bytes.
        if (mapped == kUnmapped) mapped = m_to.strings.append(m_from.strings.get(cell.text));
        out.text = mapped;
    }
    if (cell.hasFormula() && (!m_sameBook || m_rowOffset != 0 || m_colOffset != 0)) {
        uint32_t& mapped = m_formulaMap.slot(cell.formula, m_from.formulas.size() + 1);
        if (mapped == kUnmapped) {
            const std::string& text = m_from.formulaText(cell);
            mapped = (m_rowOffset == 0 && m_colOffset == 0
                          ? m_to.formulas.append(text)
                          : m_to.formulas.append(formula::shiftFormula(text, m_rowOffset, m_colOffset))) +
                     1;
        }
        out.formula = mapped;
    }
    return out;
}

} // namespace tabrix::engine
