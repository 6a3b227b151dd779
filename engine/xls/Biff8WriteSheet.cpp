#include "engine/xls/Biff8WriteSheet.h"

#include "engine/model/CellAddress.h"

#include <algorithm>
#include <cmath>

namespace tabrix::engine::xls {

namespace {

constexpr uint32_t kMaxRows = 65536;
constexpr uint16_t kMaxCol = 255;
constexpr uint32_t kRowsPerBlock = 32;
constexpr uint16_t kRowRecordSize = 20;
constexpr size_t kMergesPerRecord = 1026;

// COLINFO widths are 1/256 of a character including the cell padding, taken from the width in pixels at the
// default font's 7-pixel digits; the model keeps the width a user sees (8.43 for the usual 64 pixels).
uint16_t columnWidthUnits(double displayChars) {
    if (!(displayChars > 0)) return 0;
    double pixels = displayChars < 1 ? std::round(displayChars * 12) : std::round(displayChars * 7 + 5);
    return static_cast<uint16_t>(std::min(pixels * 256 / 7, 65535.0));
}

uint16_t pointsToTwips(double points) {
    return static_cast<uint16_t>(std::clamp<long>(std::lround(points * 20), 0, 8192));
}

void writeBof(Biff8WriteBuffer& out, uint16_t type) {
    char* p = out.record(rec::Bof, 16);
    Biff8WriteBuffer::put16(p, kBiff8);
    Biff8WriteBuffer::put16(p + 2, type);
    Biff8WriteBuffer::put16(p + 4, 0x0DBB); // build and year of the first BIFF8 application
    Biff8WriteBuffer::put16(p + 6, 0x07CC);
    // Written on Windows; lowest and last-saving version "97", so that later applications recalculate on opening.
    Biff8WriteBuffer::put32(p + 8, 0x00000001);
    Biff8WriteBuffer::put32(p + 12, 0x00000006);
}

} // namespace

Biff8WriteSheet::Biff8WriteSheet(Biff8WriteBook& book, const SheetData& sheet, int fileIndex, bool active)
    : m_book(book), m_sheet(sheet), m_fileIndex(fileIndex), m_active(active), m_out(m_stream.out),
      m_formulaContext(book.links.context(fileIndex)) {
    m_rowEnd = std::min<uint32_t>(sheet.rowCount(), kMaxRows);
    for (const CellRect& area : sheet.arrayFormulas)
        if (area.lastRow < 65536 && area.lastCol < 256) m_arrays.emplace(std::pair(area.firstRow, area.firstCol), area);
    // The format has no tables: their cells stay, and formulas refer to the cells instead (as when a table is
    // turned into a range).
    for (const SheetTable& table : sheet.tables)
        m_book.warnings.push_back("工作表“" + sheet.name + "”：表格“" + table.name +
                                  "”无法保存为 2003 格式，已改为普通区域，引用它的公式改为引用同样的单元格");
}

bool Biff8WriteSheet::rowPresent(const RowData& row) const {
    if (row.hasStyle || row.hidden || row.height >= 0) return true;
    return std::any_of(row.cells.begin(), row.cells.end(), [&](const Cell& c) { return isWritten(c); });
}

Biff8SheetStream Biff8WriteSheet::write() {
    m_out.reserve(64 + m_sheet.rowCount() * 20);
    findBlocks();
    writeBof(m_out, kSubstreamWorksheet);
    writeIndex();
    writeHead();
    writeColumns();
    writeDimensions();
    writeCellTable();
    writeTail();
    if (m_formulaFailures > kFormulaWarnings)
        m_book.warnings.push_back("工作表“" + m_sheet.name + "”另有 " +
                                  std::to_string(m_formulaFailures - kFormulaWarnings) +
                                  " 个单元格的公式无法保存为 2003 格式，已保存其计算结果");
    return std::move(m_stream);
}

void Biff8WriteSheet::writeHead() {
    m_out.record16(wrec::CalcMode, 1);
    m_out.record16(wrec::CalcCount, 100);
    m_out.record16(wrec::RefMode, 1);
    m_out.record16(wrec::Iteration, 0);
    Biff8WriteBuffer::putF64(m_out.record(wrec::Delta, 8), 0.001);
    m_out.record16(wrec::SaveRecalc, 1);
    m_out.record16(wrec::PrintHeaders, 0);
    m_out.record16(wrec::PrintGridlines, 0);
    m_out.record16(wrec::GridSet, 1);
    std::memset(m_out.record(wrec::Guts, 8), 0, 8);
    char* p = m_out.record(rec::DefaultRowHeight, 4);
    Biff8WriteBuffer::put16(p, 0);
    Biff8WriteBuffer::put16(p + 2, pointsToTwips(m_sheet.defaultRowHeight > 0 ? m_sheet.defaultRowHeight : 15));
    m_out.record16(rec::WsBool, 0x04C1);
    m_out.emptyRecord(wrec::Header);
    m_out.emptyRecord(wrec::Footer);
    m_out.record16(wrec::HCenter, 0);
    m_out.record16(wrec::VCenter, 0);
    // Page setup with "no printer settings", so the application uses its defaults.
    p = m_out.record(wrec::Setup, 34);
    std::memset(p, 0, 34);
    Biff8WriteBuffer::put16(p + 2, 100);
    Biff8WriteBuffer::put16(p + 4, 1);
    Biff8WriteBuffer::put16(p + 6, 1);
    Biff8WriteBuffer::put16(p + 8, 1);
    Biff8WriteBuffer::put16(p + 10, 0x0006);
    Biff8WriteBuffer::putF64(p + 16, 0.5);
    Biff8WriteBuffer::putF64(p + 24, 0.5);
    Biff8WriteBuffer::put16(p + 32, 1);
}

void Biff8WriteSheet::writeColumns() {
    m_out.patch32(m_indexAt + 12, static_cast<uint32_t>(m_out.size()));
    double standard = m_sheet.defaultColWidth > 0 ? m_sheet.defaultColWidth : 8.43;
    m_out.record16(rec::DefColWidth, static_cast<uint16_t>(std::clamp(std::lround(standard), 0L, 255L)));
    for (const ColumnInfo& info : m_sheet.columns) {
        if (info.first > kMaxCol || info.last < info.first) continue;
        char* p = m_out.record(rec::ColInfo, 12);
        Biff8WriteBuffer::put16(p, info.first);
        Biff8WriteBuffer::put16(p + 2, std::min<uint16_t>(info.last, kMaxCol));
        Biff8WriteBuffer::put16(p + 4, columnWidthUnits(info.width >= 0 ? info.width : standard));
        Biff8WriteBuffer::put16(p + 6, m_book.styles.xf(info.style));
        uint16_t flags = uint16_t((info.hidden ? 0x0001 : 0) | (info.width >= 0 ? 0x0002 : 0) |
                                  std::min<uint8_t>(info.outlineLevel, 7) << 8);
        Biff8WriteBuffer::put16(p + 8, flags);
        Biff8WriteBuffer::put16(p + 10, 0);
    }
}

void Biff8WriteSheet::writeDimensions() {
    uint32_t firstRow = UINT32_MAX, lastRow = 0;
    uint16_t firstCol = UINT16_MAX, lastCol = 0;
    const auto& rows = m_sheet.rows();
    for (uint32_t r = 0; r < m_rowEnd; ++r) {
        for (const Cell& c : rows[r].cells) {
            if (!isWritten(c)) continue;
            firstRow = std::min(firstRow, r);
            lastRow = r;
            firstCol = std::min(firstCol, c.col);
            lastCol = std::max(lastCol, c.col);
        }
    }
    char* p = m_out.record(rec::Dimensions, 14);
    std::memset(p, 0, 14);
    if (firstRow == UINT32_MAX) return;
    Biff8WriteBuffer::put32(p, firstRow);
    Biff8WriteBuffer::put32(p + 4, lastRow + 1);
    Biff8WriteBuffer::put16(p + 8, firstCol);
    Biff8WriteBuffer::put16(p + 10, static_cast<uint16_t>(lastCol + 1));
}

void Biff8WriteSheet::findBlocks() {
    const auto& rows = m_sheet.rows();
    for (uint32_t start = 0; start < m_rowEnd; start += kRowsPerBlock) {
        uint32_t end = std::min(start + kRowsPerBlock, m_rowEnd);
        for (uint32_t r = start; r < end; ++r) {
            if (!rowPresent(rows[r])) continue;
            if (m_blocks.empty() || m_blocks.back().firstRow < start) m_blocks.push_back({r, r});
            m_blocks.back().lastRow = r;
        }
    }
}

void Biff8WriteSheet::writeIndex() {
    // Positions of DEFCOLWIDTH and of each block's DBCELL are filled in as those are written.
    const auto n = static_cast<uint16_t>(16 + 4 * m_blocks.size());
    char* p = m_out.record(wrec::Index, n);
    m_indexAt = static_cast<size_t>(p - m_out.bytes().data());
    std::memset(p, 0, n);
    for (size_t i = 0; i <= m_blocks.size(); ++i)
        m_stream.positionFields.push_back(m_indexAt + 12 + 4 * i);
    if (m_blocks.empty()) return;
    Biff8WriteBuffer::put32(p + 4, m_blocks.front().firstRow);
    Biff8WriteBuffer::put32(p + 8, m_blocks.back().lastRow + 1);
}

void Biff8WriteSheet::writeCellTable() {
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        uint32_t dbCell = writeBlock(m_blocks[i]);
        m_out.patch32(m_indexAt + 16 + 4 * i, dbCell);
    }
}

uint32_t Biff8WriteSheet::writeBlock(const Block& block) {
    const auto& rows = m_sheet.rows();
    const size_t firstRowRecord = m_out.size();
    uint32_t count = 0;
    for (uint32_t r = block.firstRow; r <= block.lastRow; ++r)
        if (rowPresent(rows[r])) writeRowRecord(r, rows[r]), ++count;
    size_t cellStarts[kRowsPerBlock];
    uint32_t k = 0;
    for (uint32_t r = block.firstRow; r <= block.lastRow; ++r) {
        if (!rowPresent(rows[r])) continue;
        cellStarts[k++] = m_out.size();
        writeRowCells(r, rows[r]);
    }
    const size_t dbCell = m_out.size();
    char* p = m_out.record(wrec::DbCell, static_cast<uint16_t>(4 + 2 * count));
    Biff8WriteBuffer::put32(p, static_cast<uint32_t>(dbCell - firstRowRecord));
    size_t previous = firstRowRecord + kRowRecordSize;
    for (uint32_t i = 0; i < count; ++i) {
        Biff8WriteBuffer::put16(p + 4 + 2 * i, static_cast<uint16_t>(cellStarts[i] - previous));
        previous = cellStarts[i];
    }
    return static_cast<uint32_t>(dbCell);
}

void Biff8WriteSheet::writeRowRecord(uint32_t r, const RowData& row) {
    uint16_t firstCol = 0, endCol = 0;
    for (const Cell& c : row.cells) {
        if (!isWritten(c)) continue;
        if (endCol == 0) firstCol = c.col;
        endCol = static_cast<uint16_t>(c.col + 1);
    }
    const bool custom = row.height > 0;
    const uint16_t defaultHeight = pointsToTwips(m_sheet.defaultRowHeight > 0 ? m_sheet.defaultRowHeight : 15);
    // A zero height is how some files hide a row; the format hides it with a flag and keeps a real height.
    const bool hidden = row.hidden || row.height == 0;
    uint16_t flags = 0x0100 | (hidden ? 0x20 : 0) | (custom ? 0x40 : 0) | (row.hasStyle ? 0x80 : 0);
    char* p = m_out.record(rec::Row, 16);
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(r));
    Biff8WriteBuffer::put16(p + 2, firstCol);
    Biff8WriteBuffer::put16(p + 4, endCol);
    Biff8WriteBuffer::put16(p + 6, custom ? std::max<uint16_t>(pointsToTwips(row.height), 2) : defaultHeight);
    Biff8WriteBuffer::put32(p + 8, 0);
    Biff8WriteBuffer::put16(p + 12, flags);
    Biff8WriteBuffer::put16(p + 14, row.hasStyle ? m_book.styles.xf(row.style) : Biff8WriteStyles::kDefaultXf);
}

// The merged areas worth writing: more than one cell, inside the format's grid, and not overlapping an earlier
// one (the application calls a file with overlapping merges damaged). A sweep down the rows compares each area
// only with those still open at its first row.
std::vector<CellRect> Biff8WriteSheet::mergesToWrite() {
    std::vector<CellRect> areas, kept, open;
    size_t outside = 0;
    for (const CellRect& m : m_sheet.merged) {
        if (m.firstRow > m.lastRow || m.firstCol > m.lastCol || (m.firstRow == m.lastRow && m.firstCol == m.lastCol))
            continue;
        if (m.lastRow >= kMaxRows || m.lastCol > kMaxCol)
            ++outside;
        else
            areas.push_back(m);
    }
    if (outside > 0)
        m_book.warnings.push_back("工作表“" + m_sheet.name + "”有 " + std::to_string(outside) +
                                  " 个合并区域超出 2003 格式的范围，已取消合并");
    std::stable_sort(areas.begin(), areas.end(),
                     [](const CellRect& a, const CellRect& b) { return a.firstRow < b.firstRow; });
    for (const CellRect& m : areas) {
        std::erase_if(open, [&](const CellRect& o) { return o.lastRow < m.firstRow; });
        if (std::any_of(open.begin(), open.end(), [&](const CellRect& o) { return o.intersects(m); })) {
            m_book.warnings.push_back("工作表“" + m_sheet.name + "”：合并区域 " + rangeName(m, false) +
                                      " 与另一合并区域重叠，未保存");
            continue;
        }
        open.push_back(m);
        kept.push_back(m);
    }
    return kept;
}

void Biff8WriteSheet::writeTail() {
    char* p = m_out.record(rec::Window2, 18);
    std::memset(p, 0, 18);
    // Gridlines, headers, zeros, automatic grid colour, outline symbols; the active sheet is selected and shown.
    Biff8WriteBuffer::put16(p, uint16_t(0x00B6 | (m_active ? 0x0600 : 0)));
    Biff8WriteBuffer::put16(p + 6, 64);

    std::vector<CellRect> merges = mergesToWrite();
    for (size_t i = 0; i < merges.size(); i += kMergesPerRecord) {
        size_t n = std::min(kMergesPerRecord, merges.size() - i);
        char* q = m_out.record(rec::MergedCells, static_cast<uint16_t>(2 + 8 * n));
        Biff8WriteBuffer::put16(q, static_cast<uint16_t>(n));
        for (size_t k = 0; k < n; ++k) {
            const CellRect& m = merges[i + k];
            Biff8WriteBuffer::put16(q + 2 + 8 * k, static_cast<uint16_t>(m.firstRow));
            Biff8WriteBuffer::put16(q + 4 + 8 * k, static_cast<uint16_t>(m.lastRow));
            Biff8WriteBuffer::put16(q + 6 + 8 * k, static_cast<uint16_t>(m.firstCol));
            Biff8WriteBuffer::put16(q + 8 + 8 * k, static_cast<uint16_t>(m.lastCol));
        }
    }
    m_out.emptyRecord(rec::Eof);
}

} // namespace tabrix::engine::xls
