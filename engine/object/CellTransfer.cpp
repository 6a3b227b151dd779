#include "engine/object/CellTransfer.h"

#include "engine/formula/FormulaShift.h"
#include "engine/object/CrossBookFormulas.h"


namespace tabrix::engine {

CellTransfer::CellTransfer(const BookData& from, BookData& to, int64_t rowOffset, int64_t colOffset,
                           CrossBookFormulas* crossBook)
    : m_from(from), m_to(to), m_rowOffset(rowOffset), m_colOffset(colOffset), m_sameBook(&from == &to),
      m_crossBook(m_sameBook ? nullptr : crossBook) {}

uint32_t CellTransfer::style(uint32_t id) {
    if (m_sameBook || id == 0) return id;
    uint32_t& mapped = m_styleMap.slot(id, m_from.styles.size());
    if (mapped == kUnmapped) mapped = m_to.styles.intern(m_from.styles.get(id));
    return mapped;
}

Cell CellTransfer::carry(const Cell& cell, uint32_t row) {
    Cell out = cell;
    out.style = style(cell.style);
    if (cell.type == CellType::Text && !m_sameBook) {
        // Carried, not interned: looking every text up in the target would cost a hash of each string. The
        // target pool remembers what it took from the last pool, so copies row by row store each text once.
        out.text = m_to.strings.carry(m_from.strings, cell.text);
    }
    if (cell.hasFormula() && m_crossBook) {
        const std::string& text = m_from.formulaText(cell);
        if (m_crossBook->dependsOnCell(text)) {
            out.formula = m_to.formulas.append(m_crossBook->carry(text, row, cell.col, m_rowOffset, m_colOffset)) + 1;
            return out;
        }
        uint32_t& mapped = m_formulaMap.slot(cell.formula, m_from.formulas.size() + 1);
        if (mapped == kUnmapped)
            mapped = m_to.formulas.append(m_crossBook->carry(text, row, cell.col, m_rowOffset, m_colOffset)) + 1;
        out.formula = mapped;
    } else if (cell.hasFormula() && (!m_sameBook || m_rowOffset != 0 || m_colOffset != 0)) {
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
