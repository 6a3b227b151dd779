#pragma once

#include "engine/model/CellValue.h"
#include "engine/model/SheetData.h"

#include <memory>
#include <optional>
#include <string>

namespace tabrix::engine {

class Workbook;
class Range;
class FindIndex;

/// Settings of the last Range.Find on this sheet; FindNext continues with them.
struct FindSettings {
    Variant what;
    int lookAt = 2;
    CellRect within;
};

/// One sheet of an open workbook (a worksheet, or a chart sheet that only has a name and a place).
class Worksheet {
public:
    Worksheet(Workbook& book, SheetData& data);
    ~Worksheet();

    std::string Name() const { return m_data->name; }
    /// Renames the sheet; a name that breaks the naming rules or is taken throws.
    void SetName(const std::string& name);
    /// Copies the sheet (cells, formats, widths, heights, merges) after the given sheet, possibly in another
    /// workbook. The copy keeps this sheet's name unless the target workbook has it, then "Name (2)", ...
    void Copy(Worksheet& after);
    /// Removes the sheet from its workbook; the last visible sheet cannot be deleted.
    void Delete();
    bool Visible() const { return m_data->visibility == Visibility::Visible; }
    /// Shows the sheet, or hides it (the last visible sheet of a workbook cannot be hidden).
    void SetVisible(bool visible);

    /// Cells(row, column), both from 1.
    class Range Cells(uint32_t row, uint32_t col);
    /// Every cell of the sheet.
    class Range Cells();
    /// Range("A1"), Range("A1:C3"), Range("A:A").
    class Range Range(const std::string& address);
    /// Columns(k): the whole column k (from 1).
    class Range Columns(uint32_t col);
    class Range UsedRange();

    // Engine side.
    SheetData& data();
    Workbook& workbook() { return m_book; }
    FindSettings& findSettings() { return m_find; }
    FindIndex& findIndex();
    /// Bumped on every change of cell contents; cached indexes compare against it.
    uint64_t version() const { return m_version; }
    void changed() {
        ++m_version;
        m_data->touch();
    }
    /// A change made only through the sheet data's cell writes (at, rowForWrite, erase), which the data follows
    /// itself: the used rectangle is kept up to date without a full rescan.
    void cellsWritten() { ++m_version; }

private:
    Workbook& m_book;
    SheetData* m_data;
    FindSettings m_find;
    std::unique_ptr<FindIndex> m_findIndex;
    uint64_t m_version = 0;
    void requireWorksheet(const char* call) const;
};

} // namespace tabrix::engine
