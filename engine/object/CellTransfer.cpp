#include "engine/object/CellTransfer.h"

#include "engine/formula/FormulaShift.h"

namespace tabrix::engine {

CellTransfer::CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset)
    : m_from(from), m_to(to), m_rowOffset(rowOffset), m_colOffset(colOffset), m_sameBook(&from == &to) {}

uint32_t CellTransfer::style(uint32_t id) {
    if (m_sameBook || id == 0) return id;
    if (id >= m_styleMap.size()) m_styleMap.resize(size_t(id) + 1, -1);
    if (m_styleMap[id] < 0) m_styleMap[id] = m_to.styles.intern(m_from.styles.get(id));
    return static_cast<uint32_t>(m_styleMap[id]);
}

Cell CellTransfer::carry(const Cell& cell) {
    Cell out = cell;
    out.style = style(cell.style);
    if (cell.type == CellType::Text && !m_sameBook) {
        auto [it, fresh] = m_textMap.try_emplace(cell.text, 0);
        if (fresh) it->second = m_to.strings.intern(m_from.strings.get(cell.text));
        out.text = it->second;
    }
    if (cell.hasFormula() && (!m_sameBook || m_rowOffset != 0 || m_colOffset != 0)) {
        auto [it, fresh] = m_formulaMap.try_emplace(cell.formula, 0);
        if (fresh) {
            const std::string& text = m_from.formulaText(cell);
            if (m_rowOffset == 0 && m_colOffset == 0)
                it->second = m_to.formulas.intern(text) + 1;
            else
                it->second = m_to.formulas.intern(formula::shiftFormula(text, m_rowOffset, m_colOffset)) + 1;
        }
        out.formula = it->second;
    }
    return out;
}

} // namespace tabrix::engine
