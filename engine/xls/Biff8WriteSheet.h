#pragma once

#include "engine/formula/BiffFormula.h"

#include <map>
#include <set>
#include <optional>
#include <string>
#include "engine/model/BookData.h"
#include "engine/xls/Biff8WriteBuffer.h"
#include "engine/xls/Biff8WriteLinks.h"
#include "engine/xls/Biff8WriteSst.h"
#include "engine/xls/Biff8WriteStyles.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// What every sheet's records draw on: the workbook, its formatting, strings and links, and the save log.
struct Biff8WriteBook {
    const BookData& book;
    Biff8WriteStyles& styles;
    Biff8WriteSst& sst;
    Biff8WriteLinks& links;
    std::vector<std::string>& warnings;
};

/// One worksheet substream. Positions inside it (INDEX) are relative to its BOF until the caller knows where the
/// sheet lands in the workbook stream and calls place().
struct Biff8SheetStream {
    Biff8WriteBuffer out;
    std::vector<size_t> positionFields; ///< 32-bit fields holding positions relative to the BOF

    void place(uint32_t streamOffset) {
        for (size_t at : positionFields) {
            uint32_t v;
            std::memcpy(&v, out.bytes().data() + at, 4);
            out.patch32(at, v + streamOffset);
        }
    }
};

/// RK form of a number when it has one that gives back exactly the same double: a 30-bit integer, a 30-bit
/// integer divided by 100, or a double whose low 34 bits are zero (itself or divided by 100).
std::optional<uint32_t> encodeRk(double value);

/// Writes one worksheet: BOF, INDEX, the sheet settings, columns, DIMENSIONS, the rows in blocks of 32 with their
/// cells and DBCELL, WINDOW2, merged areas and EOF.
class Biff8WriteSheet {
public:
    /// Cells named in the log per sheet when formulas fall back to their values; the rest are counted.
    static constexpr size_t kFormulaWarnings = 20;

    Biff8WriteSheet(Biff8WriteBook& book, const SheetData& sheet, int fileIndex, bool active);
    Biff8SheetStream write();

private:
    struct Block {
        uint32_t firstRow;
        uint32_t lastRow;
    };
    void findBlocks();
    void writeIndex();
    void writeHead();
    void writeColumns();
    void writeDimensions();
    void writeCellTable();
    uint32_t writeBlock(const Block& block);
    void writeRowRecord(uint32_t r, const RowData& row);
    void writeTail();
    std::vector<CellRect> mergesToWrite();

    // Cell records (Biff8WriteCells.cpp).
    void writeRowCells(uint32_t r, const RowData& row);
    size_t writeRkRun(uint32_t r, const std::vector<Cell>& cells, size_t i);
    size_t writeBlankRun(uint32_t r, const std::vector<Cell>& cells, size_t i);
    void writeValueCell(uint32_t r, const Cell& c, uint16_t xf);
    void writeFormulaCell(uint32_t r, const Cell& c, uint16_t xf);
    void writeLabel(uint32_t r, const Cell& c, uint16_t xf);
    void writeStringResult(uint32_t r, const Cell& c);
    const formula::EncodedFormula* encodedFormula(uint32_t formulaId, uint32_t r, const Cell& c);
    /// The formula text to encode: structured references become the cells they stand for, as a table cannot be
    /// kept in this format; nullopt when one cannot.
    std::optional<std::string> formulaToWrite(const std::string& text, uint32_t r, uint32_t col) const;
    void writeArrayMember(uint32_t r, const Cell& c, const CellRect& area, uint16_t xf);
    void writeArrayRecord(const CellRect& area, const formula::EncodedFormula& f);
    const CellRect* arrayOf(uint32_t r, uint32_t col) const;
    [[noreturn]] void textTooLong(uint32_t r, const Cell& c) const;

    bool isWritten(const Cell& c) const { return c.type != CellType::Empty || c.style != 0 || c.formula != 0; }
    bool rowPresent(const RowData& row) const;

    Biff8WriteBook& m_book;
    const SheetData& m_sheet;
    int m_fileIndex;
    bool m_active;
    Biff8SheetStream m_stream;
    Biff8WriteBuffer& m_out;
    std::vector<Block> m_blocks;
    size_t m_indexAt = 0;  ///< INDEX record body
    uint32_t m_rowEnd = 0; ///< rows beyond 65,536 hold formatting only and are left out
    formula::BiffEncodeContext m_formulaContext;
    std::vector<int32_t> m_formulaSlot; ///< per formula pool id: index into m_formulas, -1 untried, -2 failed
    std::vector<formula::EncodedFormula> m_formulas;
    size_t m_formulaFailures = 0;
    formula::EncodedFormula m_cellFormula; ///< a formula encoded for its cell alone ("this row" of a table)
    std::map<std::pair<uint32_t, uint32_t>, CellRect> m_arrays; ///< array areas by first cell
    std::set<std::pair<uint32_t, uint32_t>> m_arraysWritten;    ///< first cells whose ARRAY record was written
    uint32_t m_rk[256] = {};
};

} // namespace tabrix::engine::xls
