#include "engine/object/SaveFormulas.h"

#include "engine/formula/FormulaTokenizer.h"
#include "engine/formula/SheetPrefix.h"
#include "engine/model/CellAddress.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace tabrix::engine {

namespace {
using formula::FormulaToken;
using formula::TokenKind;

// Calls f(token, end of its "[N]...!" prefix, the prefix) for every reference or name through a link.
template <typename F> void forEachLinked(std::string_view text, F&& f) {
    if (text.find('[') == std::string_view::npos) return;
    formula::FormulaTokenizer tokenizer(text);
    FormulaToken token;
    while (tokenizer.next(token)) {
        size_t bang = token.areaBegin;
        if (token.kind == TokenKind::Name) {
            const size_t at = text.substr(token.begin, token.end - token.begin).rfind('!');
            if (at == std::string_view::npos) continue;
            bang = token.begin + at + 1;
        } else if (token.kind != TokenKind::Reference) {
            continue;
        }
        if (bang <= token.begin) continue;
        auto prefix = formula::parseSheetPrefix(text.substr(token.begin, bang - token.begin));
        if (prefix && prefix->book != 0) f(token, bang, *prefix);
    }
}

std::string renumbered(std::string_view text, const std::vector<uint32_t>& newIndex) {
    std::string out;
    size_t copied = 0;
    forEachLinked(text, [&](const FormulaToken& token, size_t bang, formula::SheetPrefix prefix) {
        if (prefix.book > newIndex.size() || newIndex[prefix.book - 1] == prefix.book) return;
        prefix.book = newIndex[prefix.book - 1];
        if (prefix.book == 0) return; // an unknown link stays as it was written
        out.append(text.substr(copied, token.begin - copied));
        out += formula::formatSheetPrefix(prefix);
        copied = bang;
    });
    if (copied == 0) return std::string(text);
    out.append(text.substr(copied));
    return out;
}

void dropStaleArrays(SheetData& sheet) {
    std::erase_if(sheet.arrayFormulas, [&](const CellRect& a) {
        const Cell* first = sheet.find(a.firstRow, a.firstCol);
        return a.lastRow >= kMaxRows || a.lastCol >= kMaxCols || !first || !first->hasFormula();
    });
}

// GETPIVOTDATA reads a pivot table, and the engine carries none (a reader logs the ones it leaves out), so such a
// formula would only show #REF!. It is saved as its value instead, and the log says which cells.
void keepPivotLookupsAsValues(BookData& book, std::vector<std::string>& warnings) {
    auto readsPivot = [](const std::string& text) {
        return text.find("GETPIVOTDATA(") != std::string::npos || text.find("getpivotdata(") != std::string::npos;
    };
    bool any = false;
    for (uint32_t i = 0; i < book.formulas.size() && !any; ++i)
        any = readsPivot(book.formulas.get(i));
    if (!any) return;
    for (auto& sheet : book.sheets) {
        if (sheet->kind != SheetKind::Worksheet) continue;
        const auto& rows = std::as_const(*sheet).rows();
        for (uint32_t r = 0; r < rows.size(); ++r)
            for (const Cell& cell : rows[r].cells) {
                if (!cell.hasFormula() || !readsPivot(book.formulaText(cell))) continue;
                sheet->at(r, cell.col).formula = 0;
                warnings.push_back("工作表“" + sheet->name + "”单元格 " + cellName(r, cell.col) +
                                   " 的公式引用了未能保存的数据透视表，已保存其计算结果");
            }
    }
}
} // namespace

void prepareFormulasForSave(BookData& book, std::vector<std::string>& warnings) {
    for (auto& sheet : book.sheets)
        sheet->ensureLoaded();
    keepPivotLookupsAsValues(book, warnings);
    std::vector<bool> used(book.externalBooks.size(), false);
    auto note = [&](std::string_view text) {
        forEachLinked(text, [&](const FormulaToken&, size_t, const formula::SheetPrefix& prefix) {
            if (prefix.book <= used.size()) used[prefix.book - 1] = true;
        });
    };
    std::unordered_map<uint32_t, bool> seen; // formula ids looked at
    for (auto& sheet : book.sheets) {
        if (sheet->kind != SheetKind::Worksheet) continue;
        if (!sheet->arrayFormulas.empty()) dropStaleArrays(*sheet);
        if (book.externalBooks.empty()) continue;
        for (const RowData& row : std::as_const(*sheet).rows())
            for (const Cell& cell : row.cells)
                if (cell.hasFormula() && seen.emplace(cell.formula, true).second) note(book.formulaText(cell));
    }
    for (const DefinedName& name : book.names)
        note(name.formula);

    if (std::find(used.begin(), used.end(), false) != used.end()) {
        std::vector<uint32_t> newIndex(used.size(), 0);
        uint32_t next = 0;
        for (size_t i = 0; i < used.size(); ++i)
            if (used[i]) newIndex[i] = ++next;
        std::unordered_map<uint32_t, uint32_t> rewritten;
        for (auto& sheet : book.sheets) {
            if (sheet->kind != SheetKind::Worksheet) continue;
            for (RowData& row : sheet->rows())
                for (Cell& cell : row.cells) {
                    if (!cell.hasFormula()) continue;
                    auto [it, fresh] = rewritten.try_emplace(cell.formula, cell.formula);
                    if (fresh) {
                        const std::string& text = book.formulaText(cell);
                        std::string moved = renumbered(text, newIndex);
                        if (moved != text) it->second = book.formulas.append(std::move(moved)) + 1;
                    }
                    cell.formula = it->second;
                }
        }
        for (DefinedName& name : book.names)
            name.formula = renumbered(name.formula, newIndex);
        std::vector<ExternalBook> kept;
        for (size_t i = 0; i < used.size(); ++i)
            if (used[i]) kept.push_back(std::move(book.externalBooks[i]));
        book.externalBooks = std::move(kept);
    }
    for (const ExternalBook& link : book.externalBooks)
        if (link.fromCopy) warnings.push_back("结果中的公式引用了原工作簿“" + link.fileName() + "”");
    warnings.insert(warnings.end(), book.copyNotes.begin(), book.copyNotes.end());
}

} // namespace tabrix::engine
