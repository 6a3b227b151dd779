#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::text {

/// Puts the cells a table file holds into a sheet: text typed as a spreadsheet program types it, or given as a
/// number, text, boolean or error. Number formats become styles once each. A cell beyond the sheet's grid is an
/// error naming the file and the place, never a silent cut.
class CellSink {
public:
    CellSink(BookData& book, SheetData& sheet, std::string where);

    void putTyped(uint32_t row, uint32_t col, std::string_view text, uint32_t style = 0);
    void putText(uint32_t row, uint32_t col, std::string_view text, uint32_t style = 0);
    /// putTyped for a reader that fills a row from left to right: the cell goes at the row's end, unchecked.
    void appendTyped(RowData& row, uint32_t col, std::string_view text);
    void putNumber(uint32_t row, uint32_t col, double value, std::string_view format, uint32_t style = 0);
    void putBoolean(uint32_t row, uint32_t col, bool value, uint32_t style = 0);
    void putError(uint32_t row, uint32_t col, ErrorCode error, uint32_t style = 0);

    /// The style of base with this number format (base's own when the format is General).
    uint32_t styleWithFormat(std::string_view format, uint32_t base = 0);
    /// Fails when (row, col) is outside the grid.
    void checkPlace(uint64_t row, uint64_t col) const;

private:
    Cell& place(uint32_t row, uint32_t col, uint32_t style);

    BookData& m_book;
    SheetData& m_sheet;
    std::string m_where;
    struct FormatStyle {
        uint32_t base;
        std::string format;
        uint32_t style;
    };
    std::vector<FormatStyle> m_formatStyles; ///< few: one per format and base style met
    uint32_t m_generalStyle = UINT32_MAX;    ///< the last style found to have the General format
};

} // namespace tabrix::engine::text
