#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::formula {

/// Cells removed from one sheet by a delete that moves their neighbours in: with shiftLeft the cells right of them
/// in the same rows move left, otherwise the cells below them in the same columns move up. Rows and columns are
/// 1-based, as references read.
struct DeletedCells {
    std::string_view sheetName;
    bool formulaOnThatSheet = false; ///< references without a sheet name point at the sheet of the deletion
    uint32_t firstRow = 0;
    uint32_t lastRow = 0;
    uint32_t firstCol = 0;
    uint32_t lastCol = 0;
    bool shiftLeft = true;
};

/// The formula (A1 form, no leading "=") as it reads after the deletion: references to cells that moved follow
/// them, references to deleted cells become #REF!, and an area keeps the cells of it that remain. An area that
/// only partly lies in the moving rows (or columns) is left alone, as the cells it names do not move together.
/// References to other sheets, to other workbooks and across several sheets are left alone. nullopt when nothing
/// changes.
std::optional<std::string> adjustForDelete(std::string_view formula, const DeletedCells& deleted);

} // namespace tabrix::engine::formula
