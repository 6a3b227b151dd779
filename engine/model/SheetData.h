#pragma once

#include "engine/model/Cell.h"
#include "engine/model/CellRect.h"
#include "engine/model/SheetTable.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine {

enum class SheetKind : uint8_t { Worksheet, Chart, Macro, Dialog };
enum class Visibility : uint8_t { Visible, Hidden, VeryHidden };

/// One row: its cells sorted by column, and the row's own format.
struct RowData {
    std::vector<Cell> cells;
    float height = -1; ///< points; negative = default height
    uint32_t style = 0;
    bool hidden = false;
    bool hasStyle = false; ///< the row carries a format of its own (applies to empty cells)
    bool operator==(const RowData&) const = delete;
};

/// Width and format of a run of columns.
struct ColumnInfo {
    uint16_t first = 0;
    uint16_t last = 0;
    double width = -1; ///< in characters of the default font; negative = default width
    uint32_t style = 0;
    bool hidden = false;
    uint8_t outlineLevel = 0;
};

/// Column runs sorted by first column and made disjoint, as the model keeps them. Files sometimes overlap or repeat
/// runs; where they do, the earlier run keeps its columns.
std::vector<ColumnInfo> disjointColumnRuns(std::vector<ColumnInfo> runs);

/// A part of the file the engine keeps without understanding it (a chart sheet and what it refers to).
struct OpaquePart {
    std::string path;
    std::string contentType;
    std::string data;
};

/// The data of one sheet. Cells are loaded on first access: readers install a loader, so listing the sheets of
/// a workbook never parses cells.
class SheetData {
public:
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    Visibility visibility = Visibility::Visible;
    double defaultColWidth = 8.43;
    double defaultRowHeight = 15;
    std::vector<ColumnInfo> columns; ///< sorted, non-overlapping
    std::vector<CellRect> merged;
    std::vector<OpaquePart> opaqueParts; ///< chart sheets: the parts written back as they were read
    std::vector<std::string> droppedFeatures; ///< what a reader saw but the engine cannot carry (logged on save)
    /// Areas of array formulas: the first cell of each holds the formula, the others only their values.
    std::vector<CellRect> arrayFormulas;
    std::vector<SheetTable> tables;
    /// For a sheet copied from another workbook: that workbook's file and the sheet's name there. Formulas copied
    /// from the same workbook that refer to that sheet then refer to this copy instead of the file.
    std::string copiedFromBook;
    std::string copiedFromSheet;

    /// The array area whose first cell is (row, col), if any.
    const CellRect* arrayAt(uint32_t row, uint32_t col) const;

    void setLoader(std::function<void(SheetData&)> loader) { m_loader = std::move(loader); }
    void ensureLoaded();
    /// Frees what a reader fills (rows, column runs, merged areas) and forgets the loader; the name, kind and
    /// visibility stay. For a workbook that will read its cells again from the file if they are asked for.
    void dropCells();
    /// Takes what a reader filled from another loaded copy of the same sheet.
    void takeCells(SheetData& from);

    // Cell access. Row and column are 0-based.
    const Cell* find(uint32_t row, uint32_t col) const;
    Cell& at(uint32_t row, uint32_t col);
    void erase(uint32_t row, uint32_t col);
    const RowData* row(uint32_t r) const { return r < m_rows.size() ? &m_rows[r] : nullptr; }
    RowData& rowForWrite(uint32_t r);
    uint32_t rowCount() const { return static_cast<uint32_t>(m_rows.size()); }
    /// Direct access to the rows for changes the sheet cannot follow: the used rectangle is taken afresh after it.
    std::vector<RowData>& rows() {
        m_usedValid = false;
        return m_rows;
    }
    const std::vector<RowData>& rows() const { return m_rows; }

    /// Smallest rectangle holding every cell with a value or a non-default format; nullopt for an empty sheet.
    /// Rows appended below the rows it was last taken over are added to it without looking at the others again,
    /// so a sheet that grows block by block does not cost a full scan per block.
    std::optional<CellRect> usedRect() const;
    void touch() { m_usedValid = false; }

    const ColumnInfo* columnInfo(uint32_t col) const;
    void setColumnInfo(const ColumnInfo& info);

private:
    std::vector<RowData> m_rows;
    std::function<void(SheetData&)> m_loader;
    mutable std::optional<CellRect> m_used;
    mutable bool m_usedValid = false;
    mutable uint32_t m_usedRows = 0;      ///< rows the cached rectangle was taken over
    mutable uint32_t m_untouchedRows = 0; ///< leading rows not written since then
    void written(uint32_t row) { m_untouchedRows = std::min(m_untouchedRows, row); }
};

} // namespace tabrix::engine
