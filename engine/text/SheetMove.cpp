#include "engine/text/SheetMove.h"

#include <vector>

namespace tabrix::engine::text {

SheetData& moveSheet(BookData& from, size_t index, BookData& to) {
    std::unique_ptr<SheetData> sheet = std::move(from.sheets.at(index));
    from.sheets.erase(from.sheets.begin() + ptrdiff_t(index));
    sheet->ensureLoaded();
    const uint32_t textBase = to.strings.size(), formulaBase = to.formulas.size();
    to.strings.appendAll(std::move(from.strings));
    to.formulas.appendAll(std::move(from.formulas));
    // Few styles in a table's workbook: each is looked up in the target once, when a cell first uses it.
    constexpr uint32_t kUnmapped = UINT32_MAX;
    std::vector<uint32_t> styles(from.styles.size(), kUnmapped);
    auto style = [&](uint32_t id) {
        if (id == 0 || id >= styles.size()) return uint32_t(0);
        if (styles[id] == kUnmapped) styles[id] = to.styles.intern(from.styles.get(id));
        return styles[id];
    };
    for (ColumnInfo& column : sheet->columns)
        column.style = style(column.style);
    for (RowData& row : sheet->rows()) {
        row.style = style(row.style);
        for (Cell& cell : row.cells) {
            cell.style = style(cell.style);
            if (cell.type == CellType::Text) cell.text += textBase;
            if (cell.hasFormula()) cell.formula += formulaBase;
        }
    }
    sheet->touch();
    to.sheets.push_back(std::move(sheet));
    return *to.sheets.back();
}

} // namespace tabrix::engine::text
