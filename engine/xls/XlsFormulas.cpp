#include "engine/xls/XlsFormulas.h"

#include "engine/formula/SheetPrefix.h"

#include <algorithm>
#include <cstdlib>

namespace tabrix::engine::xls {

namespace {
constexpr uint8_t kPtgExp = 0x01;
constexpr int kSheetWorkbookLevel = 0xFFFE;
constexpr int kSheetDeleted = 0xFFFF;

std::optional<std::string> sheetRange(const XlsBook& xb, int first, int last) {
    if (first < 0 || last < 0 || size_t(first) >= xb.sheetNames.size() || size_t(last) >= xb.sheetNames.size())
        return std::nullopt;
    std::string text = formula::formatSheetPrefix(
        {0, xb.sheetNames[size_t(first)], first == last ? std::string() : xb.sheetNames[size_t(last)]});
    text.pop_back(); // the "!" comes with the reference
    return text;
}

std::optional<std::string> sheetRef(const XlsBook& xb, int index) {
    if (xb.biff < 8) return sheetRange(xb, index, index);
    if (index < 0 || size_t(index) >= xb.externSheets.size()) return std::nullopt;
    const ExternSheet& es = xb.externSheets[size_t(index)];
    if (es.supBook < 0 || size_t(es.supBook) >= xb.supBooks.size()) return std::nullopt;
    const SupBook& book = xb.supBooks[size_t(es.supBook)];
    if (book.externalBook >= 0) { // another workbook, as "[N]Sheet"
        if (es.firstSheet < 0 || es.lastSheet < es.firstSheet || size_t(es.lastSheet) >= book.sheets.size())
            return std::nullopt;
        formula::SheetPrefix prefix{uint32_t(book.externalBook + 1), book.sheets[size_t(es.firstSheet)],
                                    es.lastSheet == es.firstSheet ? std::string() : book.sheets[size_t(es.lastSheet)]};
        std::string text = formula::formatSheetPrefix(prefix);
        text.pop_back(); // the "!" comes with the reference
        return text;
    }
    if (!book.self) return std::nullopt; // a link that is not a workbook's: the formula keeps its cached value
    if (es.firstSheet == kSheetWorkbookLevel || es.firstSheet == kSheetDeleted) return std::nullopt;
    return sheetRange(xb, es.firstSheet, es.lastSheet);
}

std::optional<std::string> externName(const XlsBook& xb, int externSheet, int nameIndex) {
    const std::vector<std::string>* names = nullptr;
    if (xb.biff >= 8) {
        if (externSheet < 0 || size_t(externSheet) >= xb.externSheets.size()) return std::nullopt;
        int book = xb.externSheets[size_t(externSheet)].supBook;
        if (book < 0 || size_t(book) >= xb.supBooks.size()) return std::nullopt;
        names = &xb.supBooks[size_t(book)].externNames;
        // Through this workbook's own SUPBOOK, the index counts its NAME records.
        if (xb.supBooks[size_t(book)].self) names = &xb.nameTexts;
        const int link = xb.supBooks[size_t(book)].externalBook;
        if (link >= 0) { // a name defined in another workbook: "[N]!Name"
            if (nameIndex < 1 || size_t(nameIndex) > names->size()) return std::nullopt;
            return "[" + std::to_string(link + 1) + "]!" + (*names)[size_t(nameIndex) - 1];
        }
    } else {
        size_t entry = size_t(std::abs(externSheet));
        if (entry == 0 || entry > xb.externSheets.size()) return std::nullopt;
        names = &xb.externSheets[entry - 1].externNames;
    }
    if (nameIndex < 1 || size_t(nameIndex) > names->size()) return std::nullopt;
    return (*names)[size_t(nameIndex) - 1];
}
} // namespace

formula::BiffDecodeContext decodeContext(const XlsBook& xb, uint32_t row, uint32_t col) {
    formula::BiffDecodeContext ctx;
    ctx.biffVersion = xb.biff;
    ctx.row = row;
    ctx.col = col;
    ctx.sheetRef = [&xb](int index) { return sheetRef(xb, index); };
    ctx.definedName = [&xb](int index) -> std::optional<std::string> {
        if (index < 1 || size_t(index) > xb.nameTexts.size() || xb.nameTexts[size_t(index) - 1].empty())
            return std::nullopt;
        return xb.nameTexts[size_t(index) - 1];
    };
    ctx.externName = [&xb](int sheet, int name) { return externName(xb, sheet, name); };
    ctx.decode8Bit = [&xb](std::string_view bytes) {
        return xb.codePage.toUtf8({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    };
    return ctx;
}

uint32_t SheetFormulas::cellFormula(uint32_t row, uint32_t col, std::span<const uint8_t> tokens,
                                    std::span<const uint8_t> extra) {
    if (tokens.empty()) return 0;
    if (tokens[0] == kPtgExp) {
        if (tokens.size() >= 5)
            m_pending.push_back({row, col, uint32_t(tokens[1] | tokens[2] << 8), uint32_t(tokens[3] | tokens[4] << 8)});
        return 0;
    }
    auto text = formula::decodeBiffFormula(tokens, extra, decodeContext(m_xb, row, col));
    return text ? m_xb.book->formulas.append(std::move(*text)) + 1 : 0;
}

void SheetFormulas::addDefinition(RecordReader& r, bool array) {
    Definition d;
    d.array = array;
    d.range.firstRow = r.u16();
    d.range.lastRow = r.u16();
    d.range.firstCol = r.u8();
    d.range.lastCol = r.u8();
    r.skip(array ? 6 : 2); // ARRAY: options and a reserved field; SHRFMLA: reserved byte and use count
    size_t count = r.u16();
    auto tokens = r.bytes(count);
    auto extra = r.bytes(r.remaining());
    d.tokens.assign(tokens.begin(), tokens.end());
    d.extra.assign(extra.begin(), extra.end());
    if (d.range.firstRow > d.range.lastRow || d.range.firstCol > d.range.lastCol) return;
    m_definitions.emplace(std::make_pair(d.range.firstRow, d.range.firstCol), std::move(d));
}

void SheetFormulas::parseSharedFormula(RecordReader& r) { addDefinition(r, false); }
void SheetFormulas::parseArrayFormula(RecordReader& r) { addDefinition(r, true); }

const SheetFormulas::Definition* SheetFormulas::definitionFor(const Pending& p) const {
    auto it = m_definitions.find({p.masterRow, p.masterCol});
    if (it != m_definitions.end() && it->second.range.contains(p.row, p.col)) return &it->second;
    // Some writers point at a cell inside the range rather than its first cell; such a range starts at or before
    // that cell, so the nearest few definitions before it are enough (and keep a crafted file from going quadratic).
    auto at = m_definitions.upper_bound({p.masterRow, p.masterCol});
    for (int tries = 0; at != m_definitions.begin() && tries < 64; ++tries) {
        const Definition& d = (--at)->second;
        if (d.range.contains(p.masterRow, p.masterCol) && d.range.contains(p.row, p.col)) return &d;
    }
    return nullptr;
}

void SheetFormulas::finish(SheetData& sheet) {
    for (const Pending& p : m_pending) {
        const Definition* d = definitionFor(p);
        if (!d || !sheet.find(p.row, p.col)) continue;
        // An array formula belongs to its range as a whole; like the xlsx reader, its first cell carries the text
        // and the other cells their values.
        if (d->array && (p.row != d->range.firstRow || p.col != d->range.firstCol)) continue;
        uint32_t row = d->array ? d->range.firstRow : p.row;
        uint32_t col = d->array ? d->range.firstCol : p.col;
        auto text = formula::decodeBiffFormula(d->tokens, d->extra, decodeContext(m_xb, row, col));
        if (!text) continue;
        sheet.at(p.row, p.col).formula = m_xb.book->formulas.append(std::move(*text)) + 1;
        if (d->array) sheet.arrayFormulas.push_back(d->range);
    }
    m_pending.clear();
    m_definitions.clear();
}

} // namespace tabrix::engine::xls
