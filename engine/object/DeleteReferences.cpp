#include "engine/object/DeleteReferences.h"

#include "engine/formula/FormulaDelete.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <unordered_map>

namespace tabrix::engine {

namespace {
// Rewrites the formulas of one sheet; a formula shared by many cells is rewritten once.
class SheetRewriter {
public:
    SheetRewriter(BookData& book, const formula::DeletedCells& deleted) : m_book(book), m_deleted(deleted) {}

    bool rewrite(SheetData& sheet) {
        bool any = false;
        for (RowData& row : sheet.rows())
            for (Cell& cell : row.cells)
                if (cell.hasFormula()) {
                    const uint32_t id = rewritten(cell.formula);
                    any = any || id != cell.formula;
                    cell.formula = id;
                }
        return any;
    }

private:
    uint32_t rewritten(uint32_t id) {
        auto [it, fresh] = m_done.try_emplace(id, id);
        if (!fresh) return it->second;
        auto text = formula::adjustForDelete(m_book.formulas.get(id - 1), m_deleted);
        if (text) it->second = m_book.formulas.intern(*text) + 1;
        return it->second;
    }

    BookData& m_book;
    const formula::DeletedCells& m_deleted;
    std::unordered_map<uint32_t, uint32_t> m_done;
};
} // namespace

void rewriteReferencesAfterDelete(Worksheet& sheet, const CellRect& deleted, bool shiftLeft) {
    Workbook& book = sheet.workbook();
    BookData& data = book.data();
    const std::string name = sheet.Name();
    formula::DeletedCells onSheet{
        name, true, deleted.firstRow + 1, deleted.lastRow + 1, deleted.firstCol + 1, deleted.lastCol + 1, shiftLeft};
    formula::DeletedCells elsewhere = onSheet;
    elsewhere.formulaOnThatSheet = false;

    SheetRewriter(data, onSheet).rewrite(sheet.data());
    for (DefinedName& definedName : data.names)
        if (auto text = formula::adjustForDelete(definedName.formula, elsewhere)) definedName.formula = *text;
    // Other sheets can only point here through a sheet name; a workbook without such formulas skips them all.
    if (!book.formulasMayNameSheets()) return;
    SheetRewriter others(data, elsewhere);
    for (size_t i = 0; i < book.sheetCount(); ++i) {
        Worksheet& other = book.sheetObject(i);
        if (&other == &sheet || other.data().kind != SheetKind::Worksheet) continue;
        if (others.rewrite(other.data())) other.changed();
    }
}

} // namespace tabrix::engine
