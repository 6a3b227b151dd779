#include "engine/object/FindAhead.h"

#include "engine/object/FindIndex.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

namespace tabrix::engine {

namespace {
void fetch(const void* at) { __builtin_prefetch(at, 0, 3); }

// How many rows ahead of the walk each step is taken: each step needs what the step before it fetched, and one
// row's find and compare take far longer than a fetch from memory, so one row between steps is enough.
constexpr uint32_t kLocate = 4, kResolve = 3, kFetchRow = 2, kFetchTexts = 1;
} // namespace

FindAhead::FindAhead(Worksheet& walked, uint32_t walkedCol, Worksheet& searched, uint32_t searchedCol)
    : m_walked(walked), m_searched(searched), m_walkedCol(walkedCol - 1), m_searchedCol(searchedCol - 1) {
    searched.findIndex().rows(searched.workbook().data(), searched.data(), m_searchedCol, searched.version(), {});
    for (Coming& c : m_coming)
        c.row = kNone;
    // The first rows are taken through the steps the rows before them would have taken them through.
    for (uint32_t row = 1; row <= kLocate; ++row)
        locate(row);
    for (uint32_t row = 1; row <= kResolve; ++row)
        resolve(row);
    for (uint32_t row = 1; row <= kFetchRow; ++row)
        fetchRow(row);
    for (uint32_t row = 1; row <= kFetchTexts; ++row)
        fetchTexts(row);
}

void FindAhead::before(uint32_t row) {
    locate(row + kLocate);
    resolve(row + kResolve);
    fetchRow(row + kFetchRow);
    fetchTexts(row + kFetchTexts);
}

void FindAhead::locate(uint32_t row) {
    Coming& c = m_coming[row % kSteps];
    c.row = kNone;
    c.key.clear();
    const FindIndex::Column* column = m_searched.findIndex().current(m_searchedCol, m_searched.version());
    if (!column) return;
    const Cell* cell = m_walked.data().find(row - 1, m_walkedCol);
    if (cell) {
        if (auto text = findText(m_walked.workbook().data(), *cell)) c.key = std::move(*text);
    }
    c.hash = std::hash<std::string_view>()(c.key);
    fetch(&column->table[c.hash & (column->table.size() - 1)]);
}

void FindAhead::resolve(uint32_t row) {
    Coming& c = m_coming[row % kSteps];
    const FindIndex::Column* column = m_searched.findIndex().current(m_searchedCol, m_searched.version());
    if (!column) return;
    const FindIndex::Group& g = column->table[column->placeOf(c.key, c.hash)];
    if (g.count == 0) return;
    // A key on several rows: its row list is fetched, and its first row taken as the one to fetch.
    c.row = g.count == 1 ? g.first : column->rows[g.first];
    if (const RowData* r = m_searched.data().row(c.row)) fetch(r);
}

void FindAhead::fetchRow(uint32_t row) {
    const Coming& c = m_coming[row % kSteps];
    const RowData* r = c.row == kNone ? nullptr : m_searched.data().row(c.row);
    if (!r || r->cells.empty()) return;
    const char* from = reinterpret_cast<const char*>(r->cells.data());
    const char* to = reinterpret_cast<const char*>(r->cells.data() + r->cells.size());
    for (const char* at = from; at < to; at += 64)
        fetch(at);
    fetch(to - 1);
}

void FindAhead::fetchTexts(uint32_t row) {
    const Coming& c = m_coming[row % kSteps];
    const RowData* r = c.row == kNone ? nullptr : m_searched.data().row(c.row);
    if (!r) return;
    const BookData& book = m_searched.workbook().data();
    for (const Cell& cell : r->cells)
        if (cell.type == CellType::Text) fetch(&book.text(cell));
}

} // namespace tabrix::engine
