#pragma once

#include "engine/model/CellRect.h"
#include "engine/model/CellValue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tabrix::engine {

class Worksheet;

/// Constants the automation calls pass.
inline constexpr int xlShiftToLeft = -4159;
inline constexpr int xlShiftUp = -4162;
inline constexpr int xlWhole = 1;
inline constexpr int xlPart = 2;
inline constexpr int xlGuess = 0;
inline constexpr int xlYes = 1;
inline constexpr int xlNo = 2;

class Range;

/// The Rows or Columns of a range, for their Count.
class RangeAxis {
public:
    explicit RangeAxis(uint64_t count) : m_count(count) {}
    uint64_t Count() const { return m_count; }

private:
    uint64_t m_count;
};

/// A rectangle of cells on one worksheet, as the automation interface hands it out.
class Range {
public:
    Range(Worksheet& sheet, const CellRect& rect) : m_sheet(&sheet), m_rect(rect) {}

    Range Cells() const { return *this; }
    RangeAxis Rows() const { return RangeAxis(m_rect.rows()); }
    RangeAxis Columns() const { return RangeAxis(m_rect.cols()); }
    uint64_t Count() const { return uint64_t(m_rect.rows()) * m_rect.cols(); }

    /// Value of the first cell (a formula cell gives its cached result).
    Variant Value() const;
    /// Puts the value into every cell of the range; the cells keep their formats, formulas are removed.
    void SetValue(const Variant& value);
    /// Fills every cell of the range with a solid colour (Interior.Color; 0xRRGGBB), keeping the rest of each
    /// cell's format; empty cells keep the fill as styled blanks.
    void SetInteriorColor(uint32_t rgb);
    /// The first cell's value as its number format shows it.
    std::string Text() const;
    /// Formula of the first cell with its "=", or its value as text when it has none.
    std::string Formula() const;
    /// "$A$1" or "$A$1:$C$3".
    std::string Address() const;

    /// Copies values, formulas (relative references moved with the cells), formats and merged areas to the
    /// rectangle of the same size whose top-left cell is the destination's first cell.
    void Copy(const Range& destination) const;
    /// The same with the columns rearranged: column i of this range (from 0) goes to the destination's first
    /// column + columnTo[i]. Runs of columns that stay side by side are copied as one; a formula's relative
    /// references into its own row follow the columns they point to.
    void CopyRearranged(const Range& destination, std::span<const uint32_t> columnTo) const;
    /// Removes the cells; with xlShiftToLeft the cells to their right in the same rows move left, with
    /// xlShiftUp the cells below in the same columns move up.
    void Delete(int shift = xlShiftToLeft) const;
    /// Sorts the current region of this range's first cell by the key column, ascending and stable.
    /// header: xlGuess (0) guesses whether the first row is a header, xlYes keeps it, xlNo sorts it too.
    void Sort(const Range& key1, int header = xlGuess) const;
    /// First cell after this range's first cell (row by row, wrapping) whose value matches what;
    /// lookAt xlWhole compares whole values, xlPart looks inside the value as text and inside the text the cell
    /// shows (its number format applied). Case is ignored; * ? are wildcards, ~ escapes.
    std::optional<Range> Find(const Variant& what, int lookAt = xlPart) const;
    /// Continues the last Find of this sheet after the given cell.
    std::optional<Range> FindNext(const Range& after) const;

    Worksheet& worksheet() const { return *m_sheet; }
    const CellRect& rect() const { return m_rect; }
    uint32_t Row() const { return m_rect.firstRow + 1; }
    uint32_t Column() const { return m_rect.firstCol + 1; }

private:
    Worksheet* m_sheet;
    CellRect m_rect;
};

} // namespace tabrix::engine
