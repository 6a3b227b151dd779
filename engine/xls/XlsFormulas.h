#pragma once

#include "engine/formula/BiffFormula.h"
#include "engine/model/CellRect.h"
#include "engine/model/SheetData.h"
#include "engine/xls/BiffRecordStream.h"
#include "engine/xls/XlsBook.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabrix::engine::xls {

/// What decoding a formula of cell (row, col) needs from the workbook: sheet names behind EXTERNSHEET entries,
/// defined names, add-in function names and the code page of 8-bit strings.
formula::BiffDecodeContext decodeContext(const XlsBook& xb, uint32_t row, uint32_t col);

/// The formulas of one sheet. A FORMULA record either holds its own tokens or only a pointer (ptgExp) to the
/// SHRFMLA or ARRAY record that follows the first cell of a shared or array formula; those cells are resolved
/// when the whole sheet has been read.
class SheetFormulas {
public:
    explicit SheetFormulas(XlsBook& xb) : m_xb(xb) {}

    /// Formula id + 1 for the FORMULA record of (row, col), or 0 when it points to a shared or array formula (then
    /// finish() sets it) or cannot be decoded (the cell keeps its cached value).
    uint32_t cellFormula(uint32_t row, uint32_t col, std::span<const uint8_t> tokens, std::span<const uint8_t> extra);
    void parseSharedFormula(RecordReader& r); ///< SHRFMLA
    void parseArrayFormula(RecordReader& r);  ///< ARRAY
    /// Gives each cell that pointed to a shared formula its own formula text (relative references taken from the
    /// cell's position), and the first cell of each array formula the array's text.
    void finish(SheetData& sheet);

private:
    struct Definition {
        CellRect range;
        std::vector<uint8_t> tokens;
        std::vector<uint8_t> extra;
        bool array = false;
    };
    struct Pending {
        uint32_t row, col, masterRow, masterCol;
    };

    void addDefinition(RecordReader& r, bool array);
    const Definition* definitionFor(const Pending& p) const;

    XlsBook& m_xb;
    std::vector<Pending> m_pending;
    std::map<std::pair<uint32_t, uint32_t>, Definition> m_definitions; ///< by first cell
};

} // namespace tabrix::engine::xls
