#pragma once

#include "engine/formula/FormulaTokenizer.h"
#include "engine/formula/SheetPrefix.h"
#include "engine/formula/StructuredRef.h"
#include "engine/model/BookData.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

namespace tabrix::engine {

class Workbook;

/// Rewrites formulas copied out of one workbook into another so that they compute there what they computed at
/// home. A reference to a sheet the destination does not hold becomes a reference to the source workbook
/// ("[1]Data!A1", an external link) and the link records the values of the cells it reads; a reference to a sheet
/// that was copied along points at that copy. The defined names a formula uses are defined in the destination too,
/// links the source already had are carried over with their values, and a structured reference to a table that
/// does not come along becomes the A1 reference of the same cells.
class CrossBookFormulas {
public:
    /// keepSheetTables: the whole source sheet is copied with its tables, so references to them stay as they are.
    /// block: the cells a range copy takes (none for a whole sheet). A reference to cells of the sheet outside it
    /// reads the source's cells, as they do not come along.
    CrossBookFormulas(Workbook& from, SheetData& fromSheet, Workbook& to, SheetData& toSheet, bool keepSheetTables,
                      std::optional<CellRect> block = std::nullopt);

    /// The formula of source cell (row, col) as it reads at its new place, moved by the offsets.
    std::string carry(std::string_view formula, uint32_t row, uint32_t col, int64_t rowOffset, int64_t colOffset);
    /// Whether the rewrite of this formula depends on the cell it stands in (a table's "this row"), so it cannot be
    /// shared between cells.
    bool dependsOnCell(std::string_view formula) const;
    /// Defines in the destination every name local to the source sheet (a whole-sheet copy takes them all).
    void bringSheetNames();

private:
    std::string externalize(std::string_view formula, int depth);
    std::string moveReferences(std::string_view formula, int64_t rowOffset, int64_t colOffset) const;
    std::optional<std::string> qualifiedReference(const formula::SheetPrefix& prefix, std::string_view rest,
                                                  const formula::FormulaToken& token);
    std::optional<std::string> name(std::string_view text, int depth);
    const DefinedName* sourceName(std::string_view name) const;
    std::string bringName(const DefinedName& source, int depth);
    SheetData* cameAlong(std::string_view sourceSheet) const;
    uint32_t linkToSource();
    uint32_t carriedLink(uint32_t sourceBook);
    void capture(std::string_view sheetName, const formula::FormulaToken& token);
    formula::TableLookup tableLookup(uint32_t row, uint32_t col) const;
    int destinationSheetIndex() const;

    Workbook& m_fromBook;
    BookData& m_from;
    SheetData& m_fromSheet;
    int m_fromSheetIndex;
    BookData& m_to;
    SheetData& m_toSheet;
    bool m_keepSheetTables;
    std::optional<CellRect> m_block;
    std::string m_fromPath;
    uint32_t m_sourceLink = 0;            ///< 1-based link to the source in the destination, once made
    std::vector<uint32_t> m_carriedLinks; ///< source link index → destination link (0 = not yet)
    std::set<std::tuple<std::string, uint32_t, uint32_t, uint32_t, uint32_t>> m_captured;
};

/// Formulas and names of the book that refer through a link to the sheet `copy` was copied from refer to the copy
/// instead: the sheet came along after them.
void pointLinksAtCopiedSheet(BookData& book, const SheetData& copy);

/// Formulas and names of the book that refer to sheet `sheetName` (through link `link`, 0 for the book's own
/// sheets) refer to sheet `newName` of the book instead. `skip` names a sheet whose formulas are left alone.
void retargetSheetReferences(BookData& book, uint32_t link, std::string_view sheetName, std::string_view newName,
                             const SheetData* skip = nullptr);

} // namespace tabrix::engine
