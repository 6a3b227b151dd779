#include "engine/object/CrossBookFormulas.h"

#include "engine/formula/FormulaShift.h"
#include "engine/object/Workbook.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace tabrix::engine {

namespace {
using formula::FormulaToken;
using formula::SheetPrefix;
using formula::TokenKind;

constexpr int kMaxNameDepth = 16; // names defined through names; a cycle stops here

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

SheetData* sheetNamed(BookData& book, std::string_view name) {
    for (auto& sheet : book.sheets)
        if (sameName(sheet->name, name)) return sheet.get();
    return nullptr;
}

int indexOf(const BookData& book, const SheetData& sheet) {
    for (size_t i = 0; i < book.sheets.size(); ++i)
        if (book.sheets[i].get() == &sheet) return int(i);
    return -1;
}

Variant valueOf(const BookData& book, const Cell& c) {
    switch (c.type) {
    case CellType::Number:
        return c.number;
    case CellType::Text:
        return book.text(c);
    case CellType::Boolean:
        return c.boolean;
    case CellType::Error:
        return c.error;
    case CellType::Empty:
        break;
    }
    return std::monostate{};
}
} // namespace

CrossBookFormulas::CrossBookFormulas(Workbook& from, SheetData& fromSheet, Workbook& to, SheetData& toSheet,
                                     bool keepSheetTables, std::optional<CellRect> block)
    : m_fromBook(from), m_from(from.data()), m_fromSheet(fromSheet), m_fromSheetIndex(indexOf(m_from, fromSheet)),
      m_to(to.data()), m_toSheet(toSheet), m_keepSheetTables(keepSheetTables), m_block(block),
      m_fromPath(from.FullName()), m_carriedLinks(m_from.externalBooks.size(), 0) {}

bool CrossBookFormulas::dependsOnCell(std::string_view formula) const {
    if (formula.find('[') == std::string_view::npos) return false;
    return formula.find('@') != std::string_view::npos || formula.find("#This Row") != std::string_view::npos ||
           formula.find("#this row") != std::string_view::npos || formula.find("#THIS ROW") != std::string_view::npos;
}

formula::TableLookup CrossBookFormulas::tableLookup(uint32_t row, uint32_t col) const {
    return [this, row, col](std::string_view name) -> std::optional<formula::TableOnSheet> {
        for (auto& sheet : m_from.sheets)
            for (const SheetTable& table : sheet->tables) {
                const bool match = name.empty() ? sheet.get() == &m_fromSheet && table.ref.contains(row, col)
                                                : sameName(table.name, name);
                if (match) return formula::TableOnSheet{&table, sheet->name};
            }
        return std::nullopt;
    };
}

std::string CrossBookFormulas::carry(std::string_view formula, uint32_t row, uint32_t col, int64_t rowOffset,
                                     int64_t colOffset) {
    std::string text(formula);
    // A table that stays behind is turned into the cells it covers first, while the formula still stands where
    // its "this row" means the right row.
    if (text.find('[') != std::string::npos) {
        std::string kept;
        size_t copied = 0;
        formula::FormulaTokenizer tokenizer(text);
        FormulaToken token;
        const auto lookup = tableLookup(row, col);
        while (tokenizer.next(token)) {
            if (token.kind != TokenKind::StructuredRef) continue;
            const std::string_view ref = std::string_view(text).substr(token.begin, token.end - token.begin);
            if (m_keepSheetTables) {
                auto table = lookup(ref.substr(0, ref.find('[')));
                if (table && table->sheet == m_fromSheet.name &&
                    std::any_of(m_toSheet.tables.begin(), m_toSheet.tables.end(),
                                [&](const SheetTable& t) { return sameName(t.name, table->table->name); }))
                    continue;
            }
            auto a1 = formula::structuredToA1(ref, lookup, row, m_fromSheet.name);
            if (!a1) continue; // left as it was: the destination's table of that name, if any, answers it
            kept.append(text, copied, token.begin - copied);
            kept += *a1;
            copied = token.end;
        }
        if (copied > 0) text = kept + text.substr(copied);
    }
    if (m_block)
        text = moveReferences(text, rowOffset, colOffset);
    else if (rowOffset != 0 || colOffset != 0)
        text = formula::shiftFormula(text, rowOffset, colOffset);
    return externalize(text, 0);
}

// References to cells that come along move with them; references to cells that stay behind (another sheet's, or
// this sheet's rows above a merged block) go on reading those cells: they are not moved, and a reference into this
// sheet names it, so that it turns into a reference to the source workbook like any other.
std::string CrossBookFormulas::moveReferences(std::string_view formula, int64_t rowOffset, int64_t colOffset) const {
    std::string out;
    size_t copied = 0;
    formula::FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    const CellRect& block = *m_block;
    while (tokenizer.next(token)) {
        if (token.kind != TokenKind::Reference || token.boundCount == 0) continue;
        const std::string_view text = formula.substr(token.begin, token.end - token.begin);
        std::string moved;
        const formula::RefBound& a = token.bounds[0];
        const formula::RefBound& b = token.boundCount == 2 ? token.bounds[1] : token.bounds[0];
        const uint32_t r1 = a.hasRow ? a.row - 1 : 0, r2 = b.hasRow ? b.row - 1 : kMaxRows - 1;
        const uint32_t c1 = a.hasCol ? a.col - 1 : 0, c2 = b.hasCol ? b.col - 1 : kMaxCols - 1;
        const bool inside =
            block.contains(std::min(r1, r2), std::min(c1, c2)) && block.contains(std::max(r1, r2), std::max(c1, c2));
        if (token.areaBegin > token.begin) continue; // another sheet's cells: they stay where they are
        if (!inside)
            moved = formula::formatSheetPrefix({0, m_fromSheet.name, {}}) + std::string(text);
        else if (rowOffset != 0 || colOffset != 0)
            moved = formula::shiftFormula(text, rowOffset, colOffset);
        else
            continue;
        out.append(formula.substr(copied, token.begin - copied));
        out += moved;
        copied = token.end;
    }
    if (copied == 0) return std::string(formula);
    out.append(formula.substr(copied));
    return out;
}

std::string CrossBookFormulas::externalize(std::string_view formula, int depth) {
    std::string out;
    size_t copied = 0;
    formula::FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    while (tokenizer.next(token)) {
        std::optional<std::string> replaced;
        if (token.kind == TokenKind::Reference && token.areaBegin > token.begin) {
            auto prefix = formula::parseSheetPrefix(formula.substr(token.begin, token.areaBegin - token.begin));
            if (prefix)
                replaced =
                    qualifiedReference(*prefix, formula.substr(token.areaBegin, token.end - token.areaBegin), token);
        } else if (token.kind == TokenKind::Name) {
            replaced = name(formula.substr(token.begin, token.end - token.begin), depth);
        }
        if (!replaced) continue;
        out.append(formula.substr(copied, token.begin - copied));
        out += *replaced;
        copied = token.end;
    }
    if (copied == 0) return std::string(formula);
    out.append(formula.substr(copied));
    return out;
}

// "Sheet!A1", "Sheet1:Sheet3!A1", "[1]Sheet!A1" or "Sheet!Name" of the source, as the destination must write it.
std::optional<std::string> CrossBookFormulas::qualifiedReference(const SheetPrefix& prefix, std::string_view rest,
                                                                 const FormulaToken& token) {
    SheetPrefix out = prefix;
    if (prefix.book != 0) {
        out.book = carriedLink(prefix.book);
        if (out.book == 0) return std::nullopt;
        return formula::formatSheetPrefix(out) + std::string(rest);
    }
    SheetData* first = cameAlong(prefix.firstSheet);
    SheetData* last = prefix.lastSheet.empty() ? first : cameAlong(prefix.lastSheet);
    if (first && last) {
        out.firstSheet = first->name;
        out.lastSheet = prefix.lastSheet.empty() ? std::string() : last->name;
        return formula::formatSheetPrefix(out) + std::string(rest);
    }
    out.book = linkToSource();
    if (token.kind == TokenKind::Reference && token.boundCount > 0) {
        if (prefix.lastSheet.empty()) {
            capture(prefix.firstSheet, token);
        } else {
            bool inside = false;
            for (auto& sheet : m_from.sheets) {
                if (sameName(sheet->name, prefix.firstSheet)) inside = true;
                if (inside) capture(sheet->name, token);
                if (sameName(sheet->name, prefix.lastSheet)) break;
            }
        }
    }
    return formula::formatSheetPrefix(out) + std::string(rest);
}

// A defined name of the source, defined in the destination as well; nullopt leaves the text as it was.
std::optional<std::string> CrossBookFormulas::name(std::string_view text, int depth) {
    const size_t bang = text.rfind('!');
    if (bang != std::string_view::npos) {
        auto prefix = formula::parseSheetPrefix(text.substr(0, bang + 1));
        if (!prefix || prefix->book == 0) return std::nullopt;
        SheetPrefix out = *prefix;
        out.book = carriedLink(prefix->book);
        if (out.book == 0) return std::nullopt;
        return formula::formatSheetPrefix(out) + std::string(text.substr(bang + 1));
    }
    const DefinedName* source = sourceName(text);
    if (!source || depth >= kMaxNameDepth) return std::nullopt;
    return bringName(*source, depth);
}

const DefinedName* CrossBookFormulas::sourceName(std::string_view name) const {
    const DefinedName* workbookLevel = nullptr;
    for (const DefinedName& n : m_from.names) {
        if (!sameName(n.name, name)) continue;
        if (n.localSheet == m_fromSheetIndex && m_fromSheetIndex >= 0) return &n;
        if (n.localSheet < 0) workbookLevel = &n;
    }
    return workbookLevel;
}

int CrossBookFormulas::destinationSheetIndex() const {
    return indexOf(m_to, m_toSheet);
}

// Defines the name in the destination (the source's own scope: the workbook, or the sheet the copy lands on) and
// gives the name to write. A name the destination already defines otherwise keeps that definition, and a note says
// so.
std::string CrossBookFormulas::bringName(const DefinedName& source, int depth) {
    const int scope = source.localSheet >= 0 ? destinationSheetIndex() : -1;
    for (const DefinedName& n : m_to.names)
        if (n.localSheet == scope && sameName(n.name, source.name)) {
            if (n.formula != source.formula && !n.formula.empty()) {
                // Defined there first (by this copy or an earlier one); a different definition cannot be kept.
                std::string formula = externalize(source.formula, depth + 1);
                if (formula != n.formula) {
                    std::string note =
                        "名称“" + source.name + "”在结果中已有不同的定义，复制来的公式按结果中的定义计算";
                    if (std::find(m_to.copyNotes.begin(), m_to.copyNotes.end(), note) == m_to.copyNotes.end())
                        m_to.copyNotes.push_back(std::move(note));
                }
            }
            return n.name;
        }
    // Entered before its formula is rewritten, so a name that refers to itself ends.
    const size_t at = m_to.names.size();
    m_to.names.push_back({source.name, std::string(), scope, source.hidden});
    std::string formula = externalize(source.formula, depth + 1);
    m_to.names[at].formula = std::move(formula);
    return source.name;
}

void CrossBookFormulas::bringSheetNames() {
    if (m_fromSheetIndex < 0) return;
    for (size_t i = 0; i < m_from.names.size(); ++i)
        if (m_from.names[i].localSheet == m_fromSheetIndex) bringName(m_from.names[i], 0);
}

SheetData* CrossBookFormulas::cameAlong(std::string_view sourceSheet) const {
    for (auto& sheet : m_to.sheets)
        if (!sheet->copiedFromBook.empty() && sheet->copiedFromBook == m_fromPath &&
            sameName(sheet->copiedFromSheet, sourceSheet))
            return sheet.get();
    return nullptr;
}

uint32_t CrossBookFormulas::linkToSource() {
    if (m_sourceLink != 0) return m_sourceLink;
    for (size_t i = 0; i < m_to.externalBooks.size(); ++i)
        if (m_to.externalBooks[i].target == m_fromPath) {
            m_to.externalBooks[i].fromCopy = true;
            return m_sourceLink = uint32_t(i + 1);
        }
    ExternalBook book;
    book.target = m_fromPath;
    book.fromCopy = true;
    m_to.externalBooks.push_back(std::move(book));
    return m_sourceLink = uint32_t(m_to.externalBooks.size());
}

// The destination's link for a link of the source, made (with every value the source recorded) on first use.
uint32_t CrossBookFormulas::carriedLink(uint32_t sourceBook) {
    if (sourceBook == 0 || sourceBook > m_from.externalBooks.size()) return 0;
    uint32_t& mapped = m_carriedLinks[sourceBook - 1];
    if (mapped != 0) return mapped;
    const ExternalBook& source = m_from.externalBooks[sourceBook - 1];
    ExternalBook* target = nullptr;
    for (size_t i = 0; i < m_to.externalBooks.size() && !target; ++i)
        if (m_to.externalBooks[i].target == source.target) {
            target = &m_to.externalBooks[i];
            mapped = uint32_t(i + 1);
        }
    if (!target) {
        m_to.externalBooks.push_back({source.target, {}, {}, false});
        target = &m_to.externalBooks.back();
        mapped = uint32_t(m_to.externalBooks.size());
    }
    for (const ExternalSheet& sheet : source.sheets) {
        ExternalSheet& into = target->sheet(sheet.name);
        for (const auto& [place, value] : sheet.cells)
            into.cells.emplace(place, value);
    }
    for (const ExternalName& n : source.names)
        if (std::none_of(target->names.begin(), target->names.end(),
                         [&](const ExternalName& t) { return sameName(t.name, n.name) && t.sheet == n.sheet; }))
            target->names.push_back(n);
    return mapped;
}

// Records the values of the source cells a reference reads, so the link shows them without the source.
void CrossBookFormulas::capture(std::string_view sheetName, const FormulaToken& token) {
    SheetData* sheet = sheetNamed(m_from, sheetName);
    if (!sheet || sheet->kind != SheetKind::Worksheet) return;
    const formula::RefBound& a = token.bounds[0];
    const formula::RefBound& b = token.boundCount == 2 ? token.bounds[1] : token.bounds[0];
    const uint32_t r1 = a.hasRow ? a.row - 1 : 0, r2 = b.hasRow ? b.row - 1 : kMaxRows - 1;
    const uint32_t c1 = a.hasCol ? a.col - 1 : 0, c2 = b.hasCol ? b.col - 1 : kMaxCols - 1;
    const uint32_t firstRow = std::min(r1, r2), lastRow = std::max(r1, r2);
    const uint32_t firstCol = std::min(c1, c2), lastCol = std::max(c1, c2);
    if (!m_captured.emplace(sheet->name, firstRow, firstCol, lastRow, lastCol).second) return;
    sheet->ensureLoaded();
    ExternalSheet& cache = m_to.externalBooks[m_sourceLink - 1].sheet(sheet->name);
    const uint32_t end = std::min<uint64_t>(uint64_t(lastRow) + 1, sheet->rowCount());
    for (uint32_t r = firstRow; r < end; ++r) {
        const auto& cells = sheet->row(r)->cells;
        auto it =
            std::lower_bound(cells.begin(), cells.end(), firstCol, [](const Cell& c, uint32_t v) { return c.col < v; });
        for (; it != cells.end() && it->col <= lastCol; ++it)
            if (!it->isBlank()) cache.cells[{r, it->col}] = valueOf(m_from, *it);
    }
}

} // namespace tabrix::engine

namespace tabrix::engine {

namespace {
// The formula with references through link `link` to sheet `sheet` turned into references to `copy`.
std::optional<std::string> pointAtCopy(std::string_view formula, uint32_t link, std::string_view sheet,
                                       std::string_view copy) {
    if (formula.find(link ? '[' : '!') == std::string_view::npos) return std::nullopt;
    std::string out;
    size_t copied = 0;
    formula::FormulaTokenizer tokenizer(formula);
    FormulaToken token;
    while (tokenizer.next(token)) {
        if (token.kind != TokenKind::Reference && token.kind != TokenKind::Name) continue;
        size_t bang = token.areaBegin;
        if (token.kind == TokenKind::Name) {
            const size_t at = formula.substr(token.begin, token.end - token.begin).rfind('!');
            if (at == std::string_view::npos) continue;
            bang = token.begin + at + 1;
        }
        if (bang <= token.begin) continue;
        auto prefix = formula::parseSheetPrefix(formula.substr(token.begin, bang - token.begin));
        if (!prefix || prefix->book != link || !prefix->lastSheet.empty() || !sameName(prefix->firstSheet, sheet))
            continue;
        out.append(formula.substr(copied, token.begin - copied));
        out += formula::formatSheetPrefix({0, std::string(copy), {}});
        copied = bang;
    }
    if (copied == 0) return std::nullopt;
    out.append(formula.substr(copied));
    return out;
}
} // namespace

void pointLinksAtCopiedSheet(BookData& book, const SheetData& copy) {
    uint32_t link = 0;
    for (size_t i = 0; i < book.externalBooks.size() && link == 0; ++i)
        if (book.externalBooks[i].target == copy.copiedFromBook) link = uint32_t(i + 1);
    if (link != 0) retargetSheetReferences(book, link, copy.copiedFromSheet, copy.name, &copy);
}

void retargetSheetReferences(BookData& book, uint32_t link, std::string_view sheetName, std::string_view newName,
                             const SheetData* skip) {
    std::unordered_map<uint32_t, uint32_t> done;
    for (auto& sheet : book.sheets) {
        if (sheet.get() == skip || sheet->kind != SheetKind::Worksheet) continue;
        sheet->ensureLoaded();
        for (RowData& row : sheet->rows())
            for (Cell& cell : row.cells) {
                if (!cell.hasFormula()) continue;
                auto [it, fresh] = done.try_emplace(cell.formula, cell.formula);
                if (fresh)
                    if (auto text = pointAtCopy(book.formulaText(cell), link, sheetName, newName))
                        it->second = book.formulas.append(std::move(*text)) + 1;
                cell.formula = it->second;
            }
    }
    for (DefinedName& name : book.names)
        if (auto text = pointAtCopy(name.formula, link, sheetName, newName)) name.formula = *text;
}

} // namespace tabrix::engine
